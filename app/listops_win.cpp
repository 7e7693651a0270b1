// Working with the list's lines: several selected, copied as text, and the
// list's context menu.
#include "app/frmViewer.h"

#include <commctrl.h>

#include <algorithm>
#include <cwctype>

#include "app/properties.h"
#include "base/shell.h"

namespace glimmerlog {

int frmViewer::ActiveLine() const {
  if (!URLs_) return -1;
  const int focused = ListView_GetNextItem(URLs_, -1, LVNI_FOCUSED);
  if (focused >= 0 && (ListView_GetItemState(URLs_, focused, LVIS_SELECTED) & LVIS_SELECTED)) return focused;
  return ListView_GetNextItem(URLs_, -1, LVNI_SELECTED);
}

std::vector<int> frmViewer::ColumnOrder() const {
  const size_t columns = std::max<size_t>(1, model_.Columns().size());
  std::vector<int> order(columns);
  for (size_t i = 0; i < columns; ++i) order[i] = static_cast<int>(i);
  if (URLs_) ListView_GetColumnOrderArray(URLs_, static_cast<int>(columns), order.data());
  return order;
}

std::vector<size_t> frmViewer::SelectedLines() const {
  std::vector<size_t> lines;
  if (!URLs_) return lines;
  for (int i = ListView_GetNextItem(URLs_, -1, LVNI_SELECTED); i >= 0;
       i = ListView_GetNextItem(URLs_, i, LVNI_SELECTED)) {
    if (static_cast<size_t>(i) < model_.ShownCount()) lines.push_back(static_cast<size_t>(i));
  }
  return lines;
}

void frmViewer::mnuSelectAll_Click() {
  if (URLs_) ListView_SetItemState(URLs_, -1, LVIS_SELECTED, LVIS_SELECTED);
}

// The text as the cells hold it (an unpaired surrogate stays the code unit
// it is), columns in the header's order, which the user may have dragged.
std::wstring frmViewer::mnuCopy_Click() { return CopyLines(false); }
std::wstring frmViewer::mnuCopyWithNames_Click() { return CopyLines(true); }

std::wstring frmViewer::CopyLines(bool withNames) {
  const std::vector<size_t> lines = SelectedLines();
  if (lines.empty()) return {};
  const std::vector<int> order = ColumnOrder();
  std::wstring text;
  if (withNames) {
    for (size_t c = 0; c < order.size(); ++c) {
      const size_t column = static_cast<size_t>(std::max(order[c], 0));
      if (c) text += L'\t';
      if (column < model_.Columns().size()) text += AsWide(model_.Columns()[column].caption);
    }
    text += L"\r\n";
  }
  for (size_t line : lines) {
    for (size_t c = 0; c < order.size(); ++c) {
      if (c) text += L'\t';
      text += CellText(line, static_cast<size_t>(std::max(order[c], 0)));
    }
    text += L"\r\n";
  }
  CopyToClipboard(text);
  return text;
}

std::wstring frmViewer::mnuCopyCell_Click() {
  std::wstring text;
  if (clickedItem_ >= 0 && static_cast<size_t>(clickedItem_) < model_.ShownCount() && clickedSubItem_ >= 0) {
    text = CellText(static_cast<size_t>(clickedItem_), static_cast<size_t>(clickedSubItem_));
  } else if (const int line = ActiveLine(); line >= 0) {
    text = CellText(static_cast<size_t>(line), 0);
  } else {
    return {};
  }
  CopyToClipboard(text);
  return text;
}

bool frmViewer::CopyToClipboard(const std::wstring& text) {
  if (!OpenClipboard(hwnd_)) return false;
  struct CloseAtEnd {
    ~CloseAtEnd() { CloseClipboard(); }
  } close;
  EmptyClipboard();
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
  if (!block) return false;
  if (auto* to = static_cast<wchar_t*>(GlobalLock(block))) {
    std::copy(text.c_str(), text.c_str() + text.size() + 1, to);
    GlobalUnlock(block);
  }
  if (!SetClipboardData(CF_UNICODETEXT, block)) {
    GlobalFree(block);  // still ours: the clipboard did not take it
    return false;
  }
  return true;
}

HMENU frmViewer::BuildContextMenu() const {
  HMENU menu = CreatePopupMenu();
  const bool any = ActiveLine() >= 0;
  const UINT when = any ? MF_STRING : MF_STRING | MF_GRAYED;
  AppendMenuW(menu, when, IDM_OPOENIT, L"&Open");
  AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(menu, when, IDM_COPY, L"&Copy\tCtrl+C");
  AppendMenuW(menu, when, IDM_COPYWITHNAMES, L"Copy with Column &Names\tCtrl+Shift+C");
  AppendMenuW(menu, when, IDM_COPYCELL, L"Copy C&ell");
  AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(menu, model_.ShownCount() ? MF_STRING : MF_STRING | MF_GRAYED, IDM_SELECTALL, L"Select &All\tCtrl+A");
  AppendMenuW(menu, when, IDM_SAVESELECTED, L"Save &Selected Lines\u2026");
  AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(menu, LinePath().empty() ? MF_STRING | MF_GRAYED : MF_STRING, IDM_OPENFOLDER, L"Open Containing &Folder");
  AppendMenuW(menu, when, IDM_PROPERTIES, L"P&roperties");
  return menu;
}

// Right-click shows the menu at the mouse; the context-menu key (no
// position) at the active line, or at the list's corner.
void frmViewer::ShowContextMenu(LPARAM at) {
  // A right-click on the header can reach the window as the list's own
  // (Wine's list passes its header's click on that way): the header's menu.
  if (at != -1 && OnHeader(at)) {
    ShowHeaderMenu(at);
    return;
  }
  POINT where{static_cast<short>(LOWORD(at)), static_cast<short>(HIWORD(at))};
  if (at == -1) {
    RECT r{};
    const int line = ActiveLine();
    if (line < 0 || !ListView_GetItemRect(URLs_, line, &r, LVIR_LABEL)) GetClientRect(URLs_, &r);
    where = {r.left + 8, r.bottom};
    ClientToScreen(URLs_, &where);
    clickedItem_ = line;
    clickedSubItem_ = 0;
  }
  UniqueMenu menu(BuildContextMenu());
  const int chosen = static_cast<int>(
      TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON, where.x, where.y, 0, hwnd_, nullptr));
  if (chosen) OnCommand(chosen);
}

}  // namespace glimmerlog

namespace glimmerlog {

// The text a line's activation uses (the address of a history line, the
// line's text elsewhere), when it is a path: a drive letter and a
// backslash, or a network path.
std::wstring frmViewer::LinePath() const {
  const int line = ActiveLine();
  if (line < 0) return {};
  const size_t row = model_.RowAt(static_cast<size_t>(line));
  std::wstring text = AsWide(model_.TextOfRow(row, ViewMode == L"cache" ? 1 : 0));
  const bool drive = text.size() >= 3 && iswalpha(text[0]) && text[1] == L':' && text[2] == L'\\';
  const bool unc = text.size() >= 3 && text[0] == L'\\' && text[1] == L'\\' && text[2] != L'\\';
  return drive || unc ? text : std::wstring();
}

void frmViewer::mnuOpenFolder_Click() {
  const std::wstring path = LinePath();
  if (!path.empty()) Shell().Run(L"explorer.exe /select,\"" + path + L"\"");
}

void frmViewer::mnuProperties_Click() {
  const int line = ActiveLine();
  if (line < 0) return;
  std::wstring text;
  for (size_t c = 0; c < model_.Columns().size(); ++c) {
    if (c) text += L"\r\n\r\n";
    text += AsWide(model_.Columns()[c].caption) + L":\r\n" + CellText(static_cast<size_t>(line), c);
  }
  ShowProperties(hwnd_, text);
}

bool frmViewer::OnHeader(LPARAM screenPoint) const {
  HWND header = URLs_ ? ListView_GetHeader(URLs_) : nullptr;
  RECT r{};
  if (!header || !IsWindowVisible(header) || !GetWindowRect(header, &r)) return false;
  const POINT at{static_cast<short>(LOWORD(screenPoint)), static_cast<short>(HIWORD(screenPoint))};
  return PtInRect(&r, at) != FALSE;
}

// The header's own menu: the order by the column right-clicked, either way,
// or the source's order.
void frmViewer::ShowHeaderMenu(LPARAM at) {
  HWND header = ListView_GetHeader(URLs_);
  POINT where{static_cast<short>(LOWORD(at)), static_cast<short>(HIWORD(at))};
  HDHITTESTINFO hit{};
  hit.pt = where;
  ScreenToClient(header, &hit.pt);
  const int item = static_cast<int>(SendMessageW(header, HDM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
  headerMenuColumn_ = item >= 0 ? item : 0;
  UniqueMenu menu(CreatePopupMenu());
  AppendMenuW(menu.get(), MF_STRING, IDM_SORTASCENDING, L"Sort &Ascending");
  AppendMenuW(menu.get(), MF_STRING, IDM_SORTDESCENDING, L"Sort &Descending");
  AppendMenuW(menu.get(), MF_STRING, IDM_SOURCEORDER, L"&Source Order");
  const int chosen = static_cast<int>(
      TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON, where.x, where.y, 0, hwnd_, nullptr));
  if (chosen) OnCommand(chosen);
}

}  // namespace glimmerlog
