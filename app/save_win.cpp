#include "app/save.h"

#include <commdlg.h>

#include "app/frmViewer.h"
#include "app/savename.h"
#include "base/isotime.h"
#include "base/winutil_win.h"

namespace glimmerlog {

namespace {

std::wstring SystemMessage(DWORD error) {
  wchar_t* text = nullptr;
  FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                 error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring message = text ? text : L"error " + std::to_wstring(error);
  if (text) LocalFree(text);
  while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' || message.back() == L' ')) {
    message.pop_back();
  }
  return message;
}

class PlatformSave final : public SaveSeam {
 public:
  bool AskPath(HWND owner, std::wstring& path, ExportFormat& format) override {
    wchar_t file[32768] = {};
    path.copy(file, std::min(path.size(), std::size(file) - 1));
    static const wchar_t kFilter[] =
        L"Text, tab-separated (*.txt)\0*.txt\0CSV (*.csv)\0*.csv\0HTML page (*.html)\0*.html;*.htm\0"
        L"JSON (*.json)\0*.json\0JSON Lines (*.jsonl)\0*.jsonl\0";
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = kFilter;
    ofn.nFilterIndex = 2;
    ofn.lpstrFile = file;
    ofn.nMaxFile = static_cast<DWORD>(std::size(file));
    ofn.lpstrDefExt = L"csv";
    ofn.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_HIDEREADONLY;
    if (!GetSaveFileNameW(&ofn)) return false;
    static const ExportFormat kFormats[] = {ExportFormat::kText, ExportFormat::kCsv, ExportFormat::kHtml,
                                            ExportFormat::kJson, ExportFormat::kJsonLines};
    format = kFormats[(ofn.nFilterIndex >= 1 && ofn.nFilterIndex <= std::size(kFormats) ? ofn.nFilterIndex : 2) - 1];
    path = file;
    return true;
  }
  void Failed(HWND owner, const std::wstring& message) override {
    MessageBoxW(owner, message.c_str(), L"Glimmerlog", MB_OK | MB_ICONERROR);
  }
};

PlatformSave g_platform;
SaveSeam* g_seam = &g_platform;

}  // namespace

SaveSeam& Saving() { return *g_seam; }
void SetSaveSeam(SaveSeam* seam) { g_seam = seam ? seam : &g_platform; }

bool WriteFileWhole(const std::wstring& path, const std::string& bytes, std::wstring& error) {
  const std::wstring temp = path + L"." + std::to_wstring(GetCurrentProcessId()) + L".part";
  UniqueFile file(CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    error = L"Cannot create a file in the folder of " + path + L": " + SystemMessage(GetLastError());
    return false;
  }
  size_t done = 0;
  DWORD failure = 0;
  while (done < bytes.size()) {
    DWORD wrote = 0;
    const DWORD want = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 24));
    if (!WriteFile(file.get(), bytes.data() + done, want, &wrote, nullptr) || wrote == 0) {
      failure = GetLastError();
      break;
    }
    done += wrote;
  }
  if (!failure && !FlushFileBuffers(file.get())) failure = GetLastError();
  file.reset();
  if (!failure && !MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    failure = GetLastError();
    if (!failure) failure = ERROR_ACCESS_DENIED;
    error = L"Cannot replace " + path + L": " + SystemMessage(failure);
    DeleteFileW(temp.c_str());
    return false;
  }
  if (failure) {
    error = L"Cannot write " + path + L": " + SystemMessage(failure);
    DeleteFileW(temp.c_str());
    return false;
  }
  return true;
}

bool frmViewer::mnuSaveSelected_Click() { return SaveLines(true); }
bool frmViewer::mnuSaveAll_Click() { return SaveLines(false); }

// The report: the view's name and source, the time it was made, the columns
// in the header's order, and the lines in the order shown. The dialog
// proposes the view's name and today's date; an extension typed with the
// name decides the format over the type chosen.
bool frmViewer::SaveLines(bool selectedOnly) {
  std::vector<size_t> lines = selectedOnly ? SelectedLines() : std::vector<size_t>{};
  if (selectedOnly && lines.empty()) return false;
  SYSTEMTIME today{};
  GetLocalTime(&today);
  const ViewDef* shown = FindView(ViewMode);
  std::wstring path = AsWide(SaveFileName(shown ? shown->name : u"Glimmerlog", today.wYear, today.wMonth, today.wDay));
  ExportFormat format = ExportFormat::kCsv;
  if (!Saving().AskPath(hwnd_, path, format)) return false;
  format = FormatOfFileName(AsU16(path), format);

  const std::vector<int> order = ColumnOrder();

  ExportDocument doc;
  if (const ViewDef* view = FindView(ViewMode)) {
    doc.viewName = view->name;
    ViewSources sources = Sources();
    doc.source = view->source(sources);
  }
  FILETIME now{};
  GetSystemTimeAsFileTime(&now);
  doc.reportTime = AsU16(FileTimeIso(uint64_t{now.dwHighDateTime} << 32 | now.dwLowDateTime));
  for (int c : order) {
    doc.columns.push_back(static_cast<size_t>(c) < model_.Columns().size() ? model_.Columns()[c].caption : u"");
  }
  doc.rowCount = selectedOnly ? lines.size() : model_.ShownCount();
  // Text, CSV and HTML write what the list shows; JSON carries every time as
  // ISO 8601 (in UTC while the list shows UTC) and numbers as numbers.
  doc.row = [&](size_t r, std::vector<ExportCell>& cells) {
    const size_t row = model_.RowAt(selectedOnly ? lines[r] : r);
    for (size_t c = 0; c < order.size(); ++c) {
      const size_t column = static_cast<size_t>(std::max(order[c], 0));
      switch (model_.KindOfRow(row, column)) {
        case ListModel::Kind::kText: model_.TextOfRowInto(row, column, cells[c].shown); break;
        case ListModel::Kind::kTime: {
          const uint64_t time = model_.TimeOfRow(row, column);
          cells[c].shown = AsU16(RowCellText(row, column));
          cells[c].iso = TimesInUtc() ? IsoUtc(time) : std::u16string(AsU16(FileTimeIso(time)));
          break;
        }
        case ListModel::Kind::kNumber:
          cells[c].shown = AsU16(RowCellText(row, column));
          cells[c].number = true;
          break;
        case ListModel::Kind::kEmpty: break;
      }
    }
  };
  std::string bytes;
  std::wstring error;
  try {
    WriteExport(format, doc, bytes);
  } catch (const std::bad_alloc&) {
    Saving().Failed(hwnd_, L"Not enough memory to save " + path + L".");
    return false;
  }
  if (!WriteFileWhole(path, bytes, error)) {
    Saving().Failed(hwnd_, error);
    return false;
  }
  return true;
}

}  // namespace glimmerlog
