// The quick filter: a box above the list, shown on demand, that narrows the
// list live to the lines answering its terms (app/filterquery.h): text in
// any column or in one, text a line must not hold, a day range, ignoring
// case as the platform folds it. Panel 2 keeps the count of the whole view; the
// box says how many lines it shows.
#include "app/frmViewer.h"

#include <commctrl.h>

#include <algorithm>
#include <cwchar>

#include "app/filterquery.h"
#include "base/ascii.h"

namespace glimmerlog {

namespace {

// Characters past ASCII folded as the platform does it (the query folds
// ASCII itself).
void FoldOther(std::u16string& text) {
  if (!text.empty()) CharLowerBuffW(reinterpret_cast<wchar_t*>(text.data()), static_cast<DWORD>(text.size()));
}

template <class String>
void Fold(String& text) {
  bool ascii = true;
  for (auto& c : text) {
    c = FoldAscii(c);
    ascii = ascii && c < 0x80;
  }
  if (!ascii && !text.empty()) CharLowerBuffW(reinterpret_cast<wchar_t*>(text.data()), static_cast<DWORD>(text.size()));
}

// Local midnight starting a day, in UTC, by the zone's rules for that date
// (as the list converts the times it shows); UTC midnight when the platform
// cannot convert.
uint64_t LocalDayStart(int year, int month, int day) {
  SYSTEMTIME local{};
  local.wYear = static_cast<WORD>(year);
  local.wMonth = static_cast<WORD>(month);
  local.wDay = static_cast<WORD>(day);
  SYSTEMTIME utc{};
  FILETIME t{};
  TIME_ZONE_INFORMATION zone{};
  if (GetTimeZoneInformation(&zone) == TIME_ZONE_ID_INVALID || !TzSpecificLocalTimeToSystemTime(&zone, &local, &utc) ||
      !SystemTimeToFileTime(&utc, &t)) {
    return UtcDayStart(year, month, day);
  }
  return uint64_t{t.dwHighDateTime} << 32 | t.dwLowDateTime;
}

std::vector<std::u16string> Captions(const ListModel& model) {
  std::vector<std::u16string> captions;
  for (const ListModel::Column& c : model.Columns()) captions.push_back(c.caption);
  return captions;
}

constexpr wchar_t kFilterSyntax[] =
    L"Lines holding every word typed, in any column.\r\n"
    L"column:text  \x2014  in one column, by its caption or first letters\r\n"
    L"-text  \x2014  lines without it (\\-text: a leading minus)\r\n"
    L"\"two words\"  \x2014  words together\r\n"
    L"after:2023-01-29  before:2023-02-01  \x2014  by the line's first time";

}  // namespace

void frmViewer::CreateFilterBox() {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  filter_ = CreateWindowExW(WS_EX_CLIENTEDGE, WC_EDITW, L"", WS_CHILD | WS_TABSTOP | ES_AUTOHSCROLL, 0, 0, 0, 0, hwnd_,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_FILTER)), instance, nullptr);
  filterCount_ = CreateWindowExW(0, WC_STATICW, L"", WS_CHILD | SS_LEFTNOWORDWRAP, 0, 0, 0, 0, hwnd_,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_FILTERCOUNT)), instance, nullptr);
  for (HWND c : {filter_, filterCount_}) {
    if (c && uiFont_) SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(uiFont_.get()), FALSE);
  }
  if (filter_) SendMessageW(filter_, EM_SETCUEBANNER, TRUE, reinterpret_cast<LPARAM>(L"Filter lines"));
  // The box's tooltip says how to search and what the text typed searches.
  if (filter_) {
    filterTip_ =
        CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr, instance, nullptr);
  }
  if (filterTip_) {
    SendMessageW(filterTip_, TTM_SETMAXTIPWIDTH, 0, 600);
    SendMessageW(filterTip_, TTM_SETDELAYTIME, TTDT_AUTOPOP, 30000);
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = hwnd_;
    tool.uId = reinterpret_cast<UINT_PTR>(filter_);
    tool.lpszText = LPSTR_TEXTCALLBACKW;
    SendMessageW(filterTip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  }
}

bool frmViewer::FilterVisible() const { return filter_ && (GetWindowLongW(filter_, GWL_STYLE) & WS_VISIBLE); }

void frmViewer::mnuFilter_Click() {
  if (!filter_) return;
  if (!FilterVisible()) {
    ShowWindow(filter_, SW_SHOW);
    ShowWindow(filterCount_, SW_SHOW);
    Form_Resize();
    UpdateFilterCount();
  }
  SetFocus(filter_);
  SendMessageW(filter_, EM_SETSEL, 0, -1);
}

void frmViewer::HideFilter() {
  if (!filter_) return;
  SetWindowTextW(filter_, L"");  // shows every line again
  SetFilterText(L"");
  ShowWindow(filter_, SW_HIDE);
  ShowWindow(filterCount_, SW_HIDE);
  Form_Resize();
  if (URLs_) SetFocus(URLs_);
}

// The typed text is parsed again whenever the view's columns change (a
// view shown while the box is open), so that column names stay those of
// the list shown.
void frmViewer::SetFilterText(const std::wstring& text) {
  std::wstring folded = text;
  Fold(folded);
  filterText_ = text;
  if (folded == filterFolded_) return;
  filterFolded_ = folded;
  if (filterFolded_.empty()) {
    model_.SetFilter({});
  } else {
    struct Judge {
      frmViewer* form;
      std::u16string typed;
      bool utc;
      uint64_t columns = ~uint64_t{0};
      std::shared_ptr<RowFilter> filter;
      bool operator()(size_t row) {
        const ListModel& model = form->model_;
        if (!filter || columns != model.ColumnsVersion()) {
          columns = model.ColumnsVersion();
          frmViewer* self = form;
          filter = std::make_shared<RowFilter>(
              model, ParseFilter(typed, Captions(model)), &FoldOther,
              [self](size_t r, size_t c, std::u16string& out) { out = AsU16(self->RowCellText(r, c)); },
              [utc = utc](int y, int m, int d) { return utc ? UtcDayStart(y, m, d) : LocalDayStart(y, m, d); });
        }
        return filter->Keep(row);
      }
    };
    model_.SetFilter(Judge{this, std::u16string(AsU16(text)), filterUtc_, ~uint64_t{0}, nullptr});
  }
  ShowFilteredLines();
}

std::wstring frmViewer::FilterTip() const {
  const std::vector<std::u16string> captions = Captions(model_);
  const std::vector<FilterTerm> terms = ParseFilter(AsU16(filterText_), captions);
  if (terms.empty()) return kFilterSyntax;
  return AsWide(DescribeFilter(terms, captions));
}

// The lines change place when the filter changes: the selection, which the
// list keeps by place, is dropped and the whole list drawn again.
void frmViewer::ShowFilteredLines() {
  // A cell's tooltip would name a line no longer there.
  if (tip_) SendMessageW(tip_, TTM_POP, 0, 0);
  tipItem_ = tipSubItem_ = -1;
  if (URLs_) {
    ClearSelection();
    ListView_SetItemCountEx(URLs_, static_cast<int>(model_.ShownCount()), LVSICF_NOSCROLL);
    InvalidateRect(URLs_, nullptr, FALSE);
  }
  UpdateFilterCount();
}

std::wstring frmViewer::FilterCountText() const {
  wchar_t text[96];
  swprintf(text, std::size(text), L"%zu of %zu lines", model_.ShownCount(), model_.RowCount());
  return text;
}

void frmViewer::UpdateFilterCount() {
  if (filterCount_ && FilterVisible()) SetWindowTextW(filterCount_, FilterCountText().c_str());
}

}  // namespace glimmerlog
