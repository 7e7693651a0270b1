#include "views/browser/frmindexfile_win.h"

#include <iterator>

#include "base/controls_win.h"
#include "base/winutil_win.h"
#include "sources/registry/regAPI.h"
#include "views/state.h"

namespace glimmerlog {

namespace {

frmindexfile::ShownHook g_shownHook = nullptr;
frmindexfile::OpenFileDialog g_openFileDialog = &GetOpenFileNameW;

// Twips in the client area, in tab order.
const ChildSpec kChildren[] = {
    {IDC_IF_LABEL1, L"STATIC", L"Index.dat file location", SS_LEFT, {120, 360, 3015, 255}},
    {IDC_IF_COMMAND3, L"BUTTON", L"Browse", BS_PUSHBUTTON | WS_TABSTOP, {1920, 240, 975, 375}},
    {IDC_IF_TEXT1, L"EDIT", L"", ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, {120, 720, 8895, 375}},
    {IDC_IF_COMMAND4, L"BUTTON", L"Use Default", BS_PUSHBUTTON | WS_TABSTOP, {240, 1440, 1095, 375}},
    {IDC_IF_COMMAND1, L"BUTTON", L"OK", BS_DEFPUSHBUTTON | WS_TABSTOP, {5400, 1440, 1215, 375}},
    {IDC_IF_COMMAND2, L"BUTTON", L"Cancel", BS_PUSHBUTTON | WS_TABSTOP, {7440, 1440, 1335, 375}},
};
constexpr long kClientWidth = 9120, kClientHeight = 1935;

}  // namespace

void frmindexfile::SetShownHook(ShownHook hook) { g_shownHook = hook; }
void frmindexfile::SetOpenFileDialog(OpenFileDialog dialog) { g_openFileDialog = dialog ? dialog : &GetOpenFileNameW; }

namespace {
ProfilePaths* g_profilePaths = nullptr;
std::string g_profileOsName;
}  // namespace

void SetIndexDatProfile(ProfilePaths* paths, const std::string& osName) {
  g_profilePaths = paths;
  g_profileOsName = paths ? osName : std::string();
}

std::wstring DefaultIndexDatPath(bool versionAware) {
  const std::wstring cache =
      Trim(g_profilePaths ? AsWide(g_profilePaths->ShellFolder(u"Cache")) : GetShellFolder(L"cache"));
  // A cache folder that cannot be read proposes nothing: the scan then ends
  // before it starts unless the user types or browses for a file.
  if (cache == kRegFailure) return {};
  const std::string& osName = g_profilePaths ? g_profileOsName : OsName;
  const wchar_t* folder = (versionAware && osName == "Vista") ? L"\\Low\\Content.IE5\\" : L"\\Content.IE5\\";
  return cache + folder + L"index.dat";
}

void frmindexfile::ShowModal(HWND owner) {
  // An empty in-memory template: the controls are made at initialisation, at
  // their twip positions.
  struct alignas(DWORD) Template {
    DLGTEMPLATE header;
    WORD menu, windowClass, title;
  } tpl{};
  tpl.header.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER;
  frmindexfile dialog;
  DialogBoxIndirectParamW(GetModuleHandleW(nullptr), &tpl.header, owner, &frmindexfile::DialogProc,
                          reinterpret_cast<LPARAM>(&dialog));
}

INT_PTR CALLBACK frmindexfile::DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<frmindexfile*>(GetWindowLongPtrW(hwnd, DWLP_USER));
  try {
    switch (msg) {
      case WM_INITDIALOG:
        self = reinterpret_cast<frmindexfile*>(lParam);
        SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
        self->hwnd_ = hwnd;
        SetWindowTextW(hwnd, L"Choose Index.dat file");
        self->CreateControls();
        self->Form_Load();
        if (g_shownHook) g_shownHook(*self);
        return TRUE;
      case WM_COMMAND:
        if (!self || HIWORD(wParam) != BN_CLICKED) break;
        switch (LOWORD(wParam)) {
          case IDC_IF_COMMAND1:
          case IDOK: self->Command1_Click(); return TRUE;
          case IDC_IF_COMMAND2:
          case IDCANCEL: self->Command2_Click(); return TRUE;
          case IDC_IF_COMMAND3: self->Command3_Click(); return TRUE;
          case IDC_IF_COMMAND4: self->Command4_Click(); return TRUE;
          default: break;
        }
        break;
      case WM_CLOSE:
        // The close box leaves IndexDatPath as the load or "Use Default" set it.
        if (self) self->Close();
        return TRUE;
      default: break;
    }
  } catch (...) {
  }
  return FALSE;
}

void frmindexfile::CreateControls() {
  const int dpi = WindowDpi(hwnd_);
  SizeDialogAndCentre(hwnd_, kClientWidth, kClientHeight);

  font_.reset(MakeMessageFont());
  for (const ChildSpec& c : kChildren) {
    CreateChild(hwnd_, c, dpi, font_.get(), c.id == IDC_IF_TEXT1 ? WS_EX_CLIENTEDGE : 0);
  }
}

std::wstring frmindexfile::Text1() const {
  HWND edit = GetDlgItem(hwnd_, IDC_IF_TEXT1);
  const int n = GetWindowTextLengthW(edit);
  std::wstring text(static_cast<size_t>(n) + 1, L'\0');
  GetWindowTextW(edit, text.data(), n + 1);
  text.resize(static_cast<size_t>(n));
  return text;
}

void frmindexfile::SetText1(const std::wstring& text) { SetDlgItemTextW(hwnd_, IDC_IF_TEXT1, text.c_str()); }

void frmindexfile::Form_Load() {
  IndexDatPath = DefaultIndexDatPath(true);
  SetText1(IndexDatPath);
}

void frmindexfile::Command4_Click() {
  IndexDatPath = DefaultIndexDatPath(false);
  SetText1(IndexDatPath);
}

void frmindexfile::Command1_Click() {
  IndexDatPath = Text1();  // as typed, spaces included
  Close();
}

void frmindexfile::Command2_Click() {
  IndexDatPath.clear();
  Close();
}

// The platform's open-file dialog in its original 76-byte form. A choice
// replaces the text box's content; cancelling or a failure leaves it.
void frmindexfile::Command3_Click() {
  static const wchar_t kFilter[] = L"Index data file (*.dat)\0*.dat\0";
  wchar_t file[257] = {};
  wchar_t title[257] = {};
  OPENFILENAMEW request{};
  // OPENFILENAME_SIZE_VERSION_400W: 76 bytes on 32-bit Windows.
  request.lStructSize = OPENFILENAME_SIZE_VERSION_400W;
  request.hwndOwner = hwnd_;
  request.hInstance = GetModuleHandleW(nullptr);
  request.lpstrFilter = kFilter;
  request.nFilterIndex = 1;
  request.lpstrFile = file;
  request.nMaxFile = 256;
  request.lpstrFileTitle = title;
  request.nMaxFileTitle = 256;
  request.lpstrInitialDir = L"C:\\";
  request.lpstrTitle = L"Open Index.dat File";
  request.Flags = 0;
  if (g_openFileDialog(&request)) SetText1(std::wstring(file, wcsnlen(file, std::size(file))));
}

void frmindexfile::Close() {
  if (hwnd_) EndDialog(hwnd_, 0);
}

}  // namespace glimmerlog
