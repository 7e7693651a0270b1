// The common protocol of a view, shared by every view: the status panels,
// the list's columns and lines, the count, the progress bar and the Cancel
// button, and the selection.
#include "app/frmViewer.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "base/isotime.h"

namespace glimmerlog {

void frmViewer::SetPanel(int panel, const std::wstring& text) {
  if (!SBar1_ || panel < 1 || panel > 2) return;
  if (panel == 1) panelNamesFailures_ = false;
  SendMessageW(SBar1_, SB_SETTEXTW, panel - 1, reinterpret_cast<LPARAM>(text.c_str()));
}

std::wstring frmViewer::PanelText(int panel) const {
  if (!SBar1_ || panel < 1 || panel > 2) return {};
  const LRESULT info = SendMessageW(SBar1_, SB_GETTEXTLENGTHW, panel - 1, 0);
  std::wstring text(LOWORD(info) + 1, L'\0');
  SendMessageW(SBar1_, SB_GETTEXTW, panel - 1, reinterpret_cast<LPARAM>(text.data()));
  text.resize(LOWORD(info));
  return text;
}

void frmViewer::StartView(const wchar_t* tag, const wchar_t* column, long widthTwips) {
  ViewMode = tag;
  ClearItems();
  ClearColumns();
  AddColumn(1, column, widthTwips);
}

void frmViewer::ClearItems() {
  ++listEpoch_;
  model_.ClearRows();
  for (FormattedCell& slot : formatted_) slot = FormattedCell{};
  if (URLs_) ListView_SetItemCountEx(URLs_, 0, 0);
}

void frmViewer::ClearColumns() {
  model_.ClearColumns();
  if (!URLs_) return;
  HWND header = ListView_GetHeader(URLs_);
  for (int n = header ? Header_GetItemCount(header) : 0; n > 0; --n) ListView_DeleteColumn(URLs_, n - 1);
}

void frmViewer::AddColumn(int position, const std::wstring& caption, long widthTwips) {
  model_.AddColumn(static_cast<size_t>(std::max(position, 1)), std::u16string(AsU16(caption)), widthTwips);
  if (!URLs_) return;
  LVCOLUMNW col{};
  col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
  col.pszText = const_cast<wchar_t*>(caption.c_str());
  col.cx = TwipsToPixels(widthTwips, dpi_);
  col.iSubItem = std::max(position, 1) - 1;
  ListView_InsertColumn(URLs_, std::max(position, 1) - 1, &col);
}

size_t frmViewer::AddLine(const std::wstring& text) { return model_.AddRow(AsU16(text)); }

void frmViewer::SetSubItem(size_t line, int subItem, const std::wstring& text) {
  model_.SetText(line, static_cast<size_t>(subItem), AsU16(text));
}

void frmViewer::SetSubItemTime(size_t line, int subItem, const FILETIME& utc) {
  model_.SetTime(line, static_cast<size_t>(subItem), uint64_t{utc.dwHighDateTime} << 32 | utc.dwLowDateTime);
}

std::wstring frmViewer::CellText(size_t displayIndex, size_t column) const {
  if (displayIndex >= model_.ShownCount()) return {};
  return RowCellText(model_.RowAt(displayIndex), column);
}

std::wstring frmViewer::RowCellText(size_t row, size_t column) const {
  switch (model_.KindOfRow(row, column)) {
    case ListModel::Kind::kText: return AsWide(model_.TextOfRow(row, column));
    case ListModel::Kind::kTime: {
      const uint64_t time = model_.TimeOfRow(row, column);
      FormattedCell& slot = formatted_[(row * 8 + column) % std::size(formatted_)];
      if (slot.row != row || slot.column != column || slot.time != time) {
        slot = FormattedCell{row, column, time, TimesInUtc() ? std::wstring(AsWide(IsoUtc(time))) : FileTimeText(time)};
      }
      return slot.text;
    }
    case ListModel::Kind::kNumber: {
      wchar_t text[64];
      swprintf(text, std::size(text), L"%.15g", model_.NumberOfRow(row, column));
      return text;
    }
    case ListModel::Kind::kEmpty: break;
  }
  return {};
}

void frmViewer::SyncList(bool reorder) {
  model_.FilterNewRows();
  if (!URLs_) return;
  // Lines added while a long load runs show in their own order; the list is
  // put in sorted order when the load has finished (order_win.cpp).
  if (reorder && model_.Sorted() && !model_.OrderCurrent()) {
    const uint64_t epoch = listEpoch_;
    ListModel::PendingOrder pending;
    if (MakeListOrder(model_.SortKey(), model_.Descending(), pending)) {
      ApplyOrder(std::move(pending));
    } else if (!OwnsList(epoch) || !URLs_) {
      return;  // another view has the list now
    } else if (!model_.OrderCurrent()) {
      model_.SetSorted(false);  // stopped: the lines stay in the order they came
    }
  }
  if (!reorder) {
    // Lines were only added at the end: the list repaints what of them is in
    // view, not the lines it already shows.
    ListView_SetItemCountEx(URLs_, static_cast<int>(model_.ShownCount()), LVSICF_NOSCROLL | LVSICF_NOINVALIDATEALL);
    UpdateFilterCount();
    return;
  }
  ListView_SetItemCountEx(URLs_, static_cast<int>(model_.ShownCount()), LVSICF_NOSCROLL);
  InvalidateRect(URLs_, nullptr, FALSE);
  UpdateFilterCount();
  UpdateSortArrows();
}

void frmViewer::WriteCount() {
  SyncList();
  SetPanel(2, L"Total Records: " + std::to_wstring(model_.RowCount()));
}

bool frmViewer::OwnsList(uint64_t epoch) const { return Alive() && epoch == listEpoch_ && !QuitSeen(); }

void frmViewer::ShowProgress(bool visible) {
  ShowBar(visible);
  ShowCancel(visible);
}

void frmViewer::ShowBar(bool visible) {
  if (PBar1_) ShowWindow(PBar1_, visible ? SW_SHOW : SW_HIDE);
}

void frmViewer::ShowCancel(bool visible) {
  if (Command1_) ShowWindow(Command1_, visible ? SW_SHOW : SW_HIDE);
}

// Whether the control itself is shown, whatever the state of the window.
bool frmViewer::ProgressVisible() const { return PBar1_ && (GetWindowLongW(PBar1_, GWL_STYLE) & WS_VISIBLE); }
bool frmViewer::CancelVisible() const { return Command1_ && (GetWindowLongW(Command1_, GWL_STYLE) & WS_VISIBLE); }

void frmViewer::SetProgressRange(uint64_t maximum) {
  // The bar's range is 32-bit; larger files are counted in coarser units.
  progressMax_ = maximum;
  progressShift_ = 0;
  while ((maximum >> progressShift_) > 0x7FFFFFFFull) ++progressShift_;
  if (PBar1_) SendMessageW(PBar1_, PBM_SETRANGE32, 0, static_cast<LPARAM>(maximum >> progressShift_));
}

void frmViewer::SetProgress(uint64_t position) {
  if (PBar1_)
    SendMessageW(PBar1_, PBM_SETPOS, static_cast<WPARAM>(std::min(position, progressMax_) >> progressShift_), 0);
}

int frmViewer::SelectedLine() const {
  if (!URLs_) return -1;
  return ListView_GetNextItem(URLs_, -1, LVNI_SELECTED);
}

void frmViewer::ClearSelection() {
  if (!URLs_) return;
  if (ListView_GetSelectedCount(URLs_) > 0 || ListView_GetNextItem(URLs_, -1, LVNI_FOCUSED) >= 0) {
    ListView_SetItemState(URLs_, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
  }
}

void frmViewer::SelectLine(int displayIndex) {
  if (!URLs_) return;
  ClearSelection();
  if (displayIndex >= 0) {
    ListView_SetItemState(URLs_, displayIndex, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  }
}

}  // namespace glimmerlog
