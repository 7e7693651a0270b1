// The rows and columns behind the main list. The list control is owner-data:
// it asks this model for the text of the rows it draws, so a view of several
// hundred thousand lines is shown at once.
#ifndef GLIMMERLOG_APP_LISTMODEL_H
#define GLIMMERLOG_APP_LISTMODEL_H

#include <cstddef>
#include <string>
#include <vector>

namespace glimmerlog {

class ListModel {
 public:
  struct Column {
    std::string caption;  // UTF-8
    long widthTwips = 0;
  };

  // Columns. Positions count from 1, as the views give them; a position past
  // the end appends.
  void AddColumn(size_t position, std::string caption, long widthTwips);
  void ClearColumns() { columns_.clear(); }
  const std::vector<Column>& Columns() const { return columns_; }

  // Rows, in the order the views added them. Cells past a row's end read as
  // empty text.
  size_t AddRow(std::string text);
  void SetCell(size_t row, size_t column, std::string text);
  // A cell can carry a number to order by instead of its text (a date shown
  // in the user's format sorts by its time).
  void SetCell(size_t row, size_t column, std::string text, double sortValue);
  void ClearRows();
  size_t RowCount() const { return rows_.size(); }
  const std::string& CellOfRow(size_t row, size_t column) const;

  // Display order: the rows as the list shows them. Unsorted, that is the
  // order of addition; sorted, ascending by the sort-key column (0 is the
  // row's text, n its n-th sub-item), ties in the order of addition.
  size_t RowAt(size_t displayIndex) const;
  const std::string& CellAt(size_t displayIndex, size_t column) const { return CellOfRow(RowAt(displayIndex), column); }

  void SetSortKey(int key);
  int SortKey() const { return sortKey_; }
  void SetSorted(bool sorted);
  bool Sorted() const { return sorted_; }
  // Brings the display order up to date after rows were added; cheap when
  // nothing changed. Without memory for the order it gives up sorting (the
  // rows show in the order they were added) and returns false.
  bool Resort();
  // Where the given rows are shown now (display indices, in the same order).
  std::vector<size_t> DisplayIndicesOf(const std::vector<size_t>& rows) const;

 private:
  struct Cell {
    std::string text;
    double sortValue = 0;
    bool hasSortValue = false;
  };
  Cell& CellRef(size_t row, size_t column);

  std::vector<Column> columns_;
  std::vector<std::vector<Cell>> rows_;
  std::vector<size_t> order_;  // display index -> row; empty when unsorted
  bool orderDirty_ = false;
  int sortKey_ = 0;
  bool sorted_ = false;
};

// Orders two UTF-8 texts as a list's text sort does: ASCII letters without
// regard to case, everything else by byte value.
int CompareTextNoCase(const std::string& a, const std::string& b);
int CompareTextNoCase(const char* a, size_t aSize, const char* b, size_t bSize);

}  // namespace glimmerlog

#endif
