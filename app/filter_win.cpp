// The quick filter: a box above the list, shown on demand, that narrows the
// list live to the lines containing its text in any column, ignoring case
// as the platform folds it. Panel 2 keeps the count of the whole view; the
// box says how many lines it shows.
#include "app/frmViewer.h"

#include <commctrl.h>

#include <algorithm>
#include <cwchar>

#include "base/ascii.h"

namespace glimmerlog {

namespace {

// Case folding as the platform does it; plain ASCII, which most lines are,
// without a call.
template <class String>
void Fold(String& text) {
  bool ascii = true;
  for (auto& c : text) {
    c = FoldAscii(c);
    ascii = ascii && c < 0x80;
  }
  if (!ascii && !text.empty()) CharLowerBuffW(reinterpret_cast<wchar_t*>(text.data()), static_cast<DWORD>(text.size()));
}

// Whether ASCII text (one byte a character) holds the folded ASCII part,
// folding as it compares; `other` is set, and nothing decided, when the text
// holds a character past ASCII, which the platform must fold.
bool AsciiContains(const char* text, size_t n, const std::u16string& part, bool& other) {
  other = false;
  for (size_t i = 0; i < n; ++i) {
    if (static_cast<unsigned char>(text[i]) >= 0x80) {
      other = true;
      return false;
    }
  }
  if (part.size() > n) return false;
  const char first = static_cast<char>(part[0]);
  for (size_t i = 0, last = n - part.size(); i <= last; ++i) {
    if (FoldAscii(text[i]) != first) continue;
    size_t k = 1;
    while (k < part.size() && FoldAscii(text[i + k]) == static_cast<char>(part[k])) ++k;
    if (k == part.size()) return true;
  }
  return false;
}

bool Contains(const std::u16string& text, const std::u16string& part) {
  if (part.size() > text.size()) return false;
  const char16_t first = part[0];
  for (size_t i = 0, last = text.size() - part.size(); i <= last; ++i) {
    if (text[i] == first && text.compare(i, part.size(), part) == 0) return true;
  }
  return false;
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
    std::u16string part(AsU16(filterFolded_));
    bool asciiPart = true;
    for (char16_t c : part) asciiPart = asciiPart && c < 0x80;
    model_.SetFilter([this, part, asciiPart, cell = std::u16string()](size_t row) mutable {
      ListModel::StoredText stored;
      for (size_t c = 0, n = std::max<size_t>(1, model_.Columns().size()); c < n; ++c) {
        if (model_.StoredTextOfRow(row, c, stored)) {
          bool other = !(stored.latin1 && asciiPart);
          if (!other && AsciiContains(stored.bytes, stored.length, part, other)) return true;
          if (!other) continue;
          model_.TextOfRowInto(row, c, cell);
        } else {
          cell = AsU16(RowCellText(row, c));
        }
        Fold(cell);
        if (Contains(cell, part)) return true;
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
