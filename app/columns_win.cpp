// The list's columns and how it writes times: fitting columns to what they
// show (Ctrl+Plus for all, a double-click on a header divider for one), and
// times in UTC as ISO 8601 instead of the user's local format.
#include "app/frmViewer.h"

#include <commctrl.h>

#include <algorithm>

#include "app/columnfit.h"

namespace glimmerlog {

namespace {

constexpr UINT_PTR kHeaderSubclassId = 2;
// The longest cells of a column that are measured, and how much of a cell's
// text the list draws at most (it shows no more than about 260 characters).
constexpr size_t kMeasuredCells = 48;
constexpr size_t kDrawnChars = 260;
// Room around a cell's text, as the cut-off tooltip counts it (the first
// column's label starts a little further in), and around a caption, with
// its sort arrow.
constexpr long kCellRoom = 12, kFirstColumnRoom = 6, kCaptionRoom = 30;

}  // namespace

void frmViewer::WatchHeaderDividers() {
  if (URLs_)
    SetWindowSubclass(URLs_, &frmViewer::HeaderDividerProc, kHeaderSubclassId, reinterpret_cast<DWORD_PTR>(this));
}

// A double-click on a divider fits the column left of it by the cells this
// window measures; the list's own fit would ask for the text of every line.
LRESULT CALLBACK frmViewer::HeaderDividerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                              DWORD_PTR data) {
  if (msg == WM_NOTIFY) {
    const auto* header = reinterpret_cast<const NMHEADERW*>(lParam);
    if (header && (header->hdr.code == HDN_DIVIDERDBLCLICKW || header->hdr.code == HDN_DIVIDERDBLCLICKA) &&
        header->hdr.hwndFrom == ListView_GetHeader(hwnd)) {
      try {
        reinterpret_cast<frmViewer*>(data)->FitColumn(header->iItem);
      } catch (...) {
        // A column that cannot be measured keeps its width.
      }
      return 0;
    }
  } else if (msg == WM_NCDESTROY) {
    RemoveWindowSubclass(hwnd, &frmViewer::HeaderDividerProc, id);
  }
  return DefSubclassProc(hwnd, msg, wParam, lParam);
}

int frmViewer::FittedWidth(int column) const {
  if (!URLs_ || column < 0 || static_cast<size_t>(column) >= model_.Columns().size()) return 0;
  const auto measure = [this](std::wstring text) {
    if (text.size() > kDrawnChars) text.resize(kDrawnChars);
    return static_cast<long>(ListView_GetStringWidth(URLs_, text.c_str()));
  };
  long widest = measure(AsWide(model_.Columns()[static_cast<size_t>(column)].caption)) + kCaptionRoom;
  const long room = kCellRoom + (column == 0 ? kFirstColumnRoom : 0);
  // Every time is written in one format, so its length stands for all.
  const size_t timeLength =
      (TimesInUtc() ? std::wstring(L"2026-12-04T09:02:18Z") : FileTimeText(0x01DD65D1E2B1D380)).size();
  for (size_t line : LongestCells(model_, static_cast<size_t>(column), kMeasuredCells, timeLength)) {
    widest = std::max(widest, measure(CellText(line, static_cast<size_t>(column))) + room);
  }
  return static_cast<int>(widest);
}

void frmViewer::FitColumn(int column) {
  if (const int width = FittedWidth(column); width > 0) ListView_SetColumnWidth(URLs_, column, width);
}

void frmViewer::FitColumns() {
  for (size_t c = 0; c < model_.Columns().size(); ++c) FitColumn(static_cast<int>(c));
}

void frmViewer::SetTimesInUtc(bool utc) {
  if (utc == timesInUtc_) return;
  timesInUtc_ = utc;
  for (FormattedCell& slot : formatted_) slot = FormattedCell{};
  if (hwnd_) CheckMenuItem(GetMenu(hwnd_), IDM_TIMESUTC, MF_BYCOMMAND | (utc ? MF_CHECKED : MF_UNCHECKED));
  // The filter judged the times as they were written, and its days start
  // in the zone shown.
  filterUtc_ = utc;
  if (!filterFolded_.empty()) {
    filterFolded_.clear();
    SetFilterText(filterText_);
  }
  if (URLs_) InvalidateRect(URLs_, nullptr, FALSE);
}

void frmViewer::mnuTimesUtc_Click() { SetTimesInUtc(!timesInUtc_); }

}  // namespace glimmerlog
