// The quick filter: a box above the list, shown on demand, that narrows the
// list live to the lines containing its text in any column, ignoring case
// as the platform folds it. Panel 2 keeps the count of the whole view; the
// box says how many lines it shows.
#include "app/frmViewer.h"

#include <commctrl.h>

#include <algorithm>
#include <cwchar>

namespace glimmerlog {

namespace {

// Case folding as the platform does it; plain ASCII, which most lines are,
// without a call.
void Fold(std::wstring& text) {
  bool ascii = true;
  for (wchar_t& c : text) {
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c + (L'a' - L'A'));
    ascii = ascii && c < 0x80;
  }
  if (!ascii && !text.empty()) CharLowerBuffW(text.data(), static_cast<DWORD>(text.size()));
}

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

void frmViewer::SetFilterText(const std::wstring& text) {
  std::wstring folded = text;
  Fold(folded);
  if (folded == filterFolded_) return;
  filterFolded_ = folded;
  if (filterFolded_.empty()) {
    model_.SetFilter({});
  } else {
    model_.SetFilter([this](size_t row) {
      std::wstring cell;
      for (size_t c = 0, n = std::max<size_t>(1, model_.Columns().size()); c < n; ++c) {
        cell = RowCellText(row, c);
        Fold(cell);
        if (cell.find(filterFolded_) != std::wstring::npos) return true;
      }
      return false;
    });
  }
  ShowFilteredLines();
}

// The lines change place when the filter changes: the selection, which the
// list keeps by place, is dropped and the whole list drawn again.
void frmViewer::ShowFilteredLines() {
  if (URLs_) {
    ListView_SetItemState(URLs_, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
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
