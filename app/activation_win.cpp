// Sorting and activation of the main list's lines.
#include "app/frmViewer.h"

namespace glimmerlog {

// Chooses the column the list is ordered by (0 is the line's text). The
// first click also switches the list to sorted order; until then lines keep
// the order their source gave them. The direction is always ascending, so a
// second click on the same header changes nothing.
void frmViewer::URLs_ColumnClick(int position) {
  model_.SetSortKey(position - 1);
  model_.SetSorted(true);
  SyncList();
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
  for (const auto& view : views_) {
    if (ViewMode == view->Tag()) {
      view->Activate(*this, row);
      return;
    }
  }
}

void frmViewer::mnuOpoenIt_Click() { URLs_DblClick(); }

}  // namespace glimmerlog
