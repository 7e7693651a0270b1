// Sorting and activation of the main list's lines.
#include "app/frmViewer.h"

#include <commctrl.h>

namespace glimmerlog {

// Chooses the column the list is ordered by (0 is the line's text). The
// first click also switches the list to sorted order; until then lines keep
// the order their source gave them. The direction is always ascending, so a
// second click on the same header changes nothing.
void frmViewer::URLs_ColumnClick(int position) {
  model_.SetSortKey(position - 1);
  model_.SetDescending(false);
  model_.SetSorted(true);
  SyncList();
}

void frmViewer::SortBy(int position, bool descending) {
  model_.SetSortKey(position - 1);
  model_.SetDescending(descending);
  model_.SetSorted(true);
  SyncList();
}

void frmViewer::SourceOrder() {
  model_.SetSorted(false);
  model_.SetDescending(false);
  ClearSelection();
  SyncList();
}

void frmViewer::mnuRefreshView_Click() {
  if (View* view = FindView(ViewMode)) view->Reload(*this);
}

// The platform's arrow on the header of the column the list is ordered by.
void frmViewer::UpdateSortArrows() {
  HWND header = URLs_ ? ListView_GetHeader(URLs_) : nullptr;
  if (!header) return;
  for (int i = 0, n = Header_GetItemCount(header); i < n; ++i) {
    HDITEMW item{};
    item.mask = HDI_FORMAT;
    if (!Header_GetItem(header, i, &item)) continue;
    const int wanted = !model_.Sorted() || i != model_.SortKey() ? 0 : model_.Descending() ? HDF_SORTDOWN : HDF_SORTUP;
    if ((item.fmt & (HDF_SORTUP | HDF_SORTDOWN)) == wanted) continue;
    item.fmt = (item.fmt & ~(HDF_SORTUP | HDF_SORTDOWN)) | wanted;
    Header_SetItem(header, i, &item);
  }
}

// Acts on the selected line by the tag of the view now shown: the view with
// that tag does its double-click action (the history's address column, the
// line's text for the address bar, cookies, recent documents, Open/Save and
// index.dat views, the Run view's line as a command line; the search view
// nothing). No line, no view of that tag or a failure does nothing.
void frmViewer::URLs_DblClick() {
  const int selected = ActiveLine();
  if (selected < 0 || static_cast<size_t>(selected) >= model_.ShownCount()) return;
  const size_t row = model_.RowAt(static_cast<size_t>(selected));
  if (View* view = FindView(ViewMode)) view->Activate(*this, row);
}

void frmViewer::mnuOpoenIt_Click() { URLs_DblClick(); }

}  // namespace glimmerlog
