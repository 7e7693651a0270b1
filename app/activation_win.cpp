// Sorting and activation of the main list's lines.
#include "app/frmViewer.h"
#include "app/shell.h"

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

// Opens what the selected line names, by the tag of the view now shown: the
// URL column of the history, the line's text elsewhere, and the Run view's
// lines as command lines. No line, no matching tag or a failure does nothing.
void frmViewer::URLs_DblClick() {
  const int selected = SelectedLine();
  if (selected < 0 || static_cast<size_t>(selected) >= model_.RowCount()) return;
  const size_t row = model_.RowAt(static_cast<size_t>(selected));
  const std::wstring text = AsWide(model_.TextOfRow(row, 0));
  if (ViewMode == L"cache") {
    Shell().Open(hwnd_, AsWide(model_.TextOfRow(row, 1)), L"", L"", SW_SHOWNORMAL);
  } else if (ViewMode == L"url" || ViewMode == L"cookies" || ViewMode == L"recdoc" || ViewMode == L"open") {
    Shell().Open(hwnd_, text, L"", L"", SW_SHOWNORMAL);
  } else if (ViewMode == L"run") {
    Shell().Run(text);
  } else if (ViewMode == L"index.dat") {
    Shell().Open(hwnd_, text, L"", L"", SW_SHOWNORMAL);
  }
}

void frmViewer::mnuOpoenIt_Click() { URLs_DblClick(); }

}  // namespace glimmerlog
