// The rows and columns behind the main list. The list control is owner-data:
// it asks this model for the cells of the rows it draws, so a view of several
// hundred thousand lines is shown at once.
//
// Cells are typed: text (UTF-16 code units exactly as read, an unpaired
// surrogate included), a time (a FILETIME count of 100 ns since 1601, UTC)
// or a number. Times and numbers become text only when the list shows them,
// in the platform layer. The rows are held in a Table (views/table.h), the
// one compact store of a view's lines: the model adds the order, the filter
// and the collation. A view may fill a table of its own and hand it over
// whole (Adopt).
#ifndef GLIMMERLOG_APP_LISTMODEL_H
#define GLIMMERLOG_APP_LISTMODEL_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "views/table.h"

namespace glimmerlog {

// Makes the sort key of a text: byte strings whose order (memcmp, shorter
// first on a tie) is the order wanted for the texts. Keys are made once per
// row when a column is sorted, not once per comparison.
using CollationKeyMaker = void (*)(std::u16string_view text, std::string& key);

// The default key: code unit order with ASCII letters compared without
// regard to case.
void AsciiFoldKey(std::u16string_view text, std::string& key);

class ListModel {
 public:
  using Kind = TableCell::Kind;

  struct Column {
    std::u16string caption;
    long widthTwips = 0;
  };

  // Columns. Positions count from 1, as the views give them; a position past
  // the end appends.
  void AddColumn(size_t position, std::u16string caption, long widthTwips);
  void ClearColumns() {
    columns_.clear();
    ++columnsVersion_;
  }
  const std::vector<Column>& Columns() const { return columns_; }
  // Changes whenever the columns change (for whoever keeps what it found
  // out about them).
  uint64_t ColumnsVersion() const { return columnsVersion_; }

  // Rows, in the order the views added them, with their first cell. Cells
  // never set, and cells past the columns, are empty. When memory runs out
  // (std::bad_alloc) the model is left as it was before the call.
  size_t AddRow(std::u16string_view text);
  // A first cell of bytes that are code points below U+0100 (ASCII, Latin-1).
  size_t AddRowLatin1(std::string_view text);
  void SetText(size_t row, size_t column, std::u16string_view text);
  void SetTime(size_t row, size_t column, uint64_t fileTime);
  void SetNumber(size_t row, size_t column, double value);
  // Starts a new empty table; the one shown so far is left to whoever else
  // holds it.
  void ClearRows();
  size_t RowCount() const { return rows_->RowCount(); }

  // Shows the rows of `rows` from now on (columns stay the model's own).
  // The order and the filter's judgement start again, as after ClearRows;
  // rows added to the table later show after FilterNewRows or Resort, like
  // rows added through the model.
  void Adopt(std::shared_ptr<Table> rows);
  const std::shared_ptr<Table>& Rows() const { return rows_; }

  // A cell by row (order of addition).
  Kind KindOfRow(size_t row, size_t column) const;
  std::u16string TextOfRow(size_t row, size_t column) const;  // empty unless text
  // The same into `out`, reusing its room (for loops over many rows).
  void TextOfRowInto(size_t row, size_t column, std::u16string& out) const;
  // A text cell's stored characters in place, for a search that reads many
  // rows: one byte each (code points below U+0100) or two (UTF-16). False
  // for a cell that is not text.
  struct StoredText {
    const char* bytes = nullptr;
    size_t length = 0;
    bool latin1 = true;
  };
  bool StoredTextOfRow(size_t row, size_t column, StoredText& text) const;
  uint64_t TimeOfRow(size_t row, size_t column) const;  // 0 unless a time
  double NumberOfRow(size_t row, size_t column) const;  // 0 unless a number
  // Whether a text cell begins with `prefix`, ASCII letters without regard
  // to case (the list's type-ahead search).
  bool TextStartsWith(size_t row, size_t column, std::u16string_view prefix) const;

  // Display order: the rows as the list shows them. Unsorted, that is the
  // order of addition; sorted, ascending by the sort-key column (0 is the
  // row's text, n its n-th sub-item), ties in the order of addition. Empty
  // cells come first, then numbers, times and texts, each by value; texts
  // by the collation's keys.
  size_t RowAt(size_t displayIndex) const;

  void SetSortKey(int key);
  int SortKey() const { return sortKey_; }
  void SetSorted(bool sorted);
  bool Sorted() const { return sorted_; }
  // Newest or largest first: the same order turned round (ties still in
  // the order of addition).
  void SetDescending(bool descending);
  bool Descending() const { return descending_; }
  void SetCollation(CollationKeyMaker maker);
  // When the collation orders texts of printable ASCII alone as the ranks
  // of their characters (128, 0 for the others): a column of such texts is
  // then ordered by one byte a character. Null: always the collation's keys.
  // Set after the collation, which forgets them.
  void SetAsciiRanks(const unsigned char* ranks) { asciiRanks_ = ranks; }
  // Brings the display order up to date after rows were added; cheap when
  // nothing changed. Without memory for the order it gives up sorting (the
  // rows show in the order they were added) and returns false.
  bool Resort();
  // An order made aside while the list still shows its old one, for a
  // long sort that the window keeps answering through. `step(done, total)`
  // is called now and then; when it returns false the work stops. Nothing
  // of the model changes until TakeOrder.
  struct PendingOrder {
    std::shared_ptr<Table> rows;
    size_t rowCount = 0;
    int key = 0;
    bool descending = false;
    std::vector<uint32_t> order;
  };
  enum class OrderResult { kDone, kStopped, kNoMemory };
  using SortStep = std::function<bool(uint64_t done, uint64_t total)>;
  OrderResult MakeOrder(int key, bool descending, PendingOrder& out, const SortStep& step = {}) const;
  // Shows a pending order: the model is sorted by its key and direction
  // from now on. False, and nothing changes, when the rows changed since it
  // was made.
  bool TakeOrder(PendingOrder&& pending);
  // Whether the display order is that of every row now in the table.
  bool OrderCurrent() const { return !orderDirty_ && order_.size() == RowCount(); }

  // Where the given rows are shown now (display indices, in the same order);
  // a row the filter hides gives SIZE_MAX.
  std::vector<size_t> DisplayIndicesOf(const std::vector<size_t>& rows) const;

  // A filter shows only the rows for which `keep(row)` is true, in display
  // order; an empty function shows every row. Rows added later are judged
  // when FilterNewRows or Resort runs.
  void SetFilter(std::function<bool(size_t row)> keep);
  bool Filtered() const { return static_cast<bool>(keep_); }
  // The number of rows shown: all, or those the filter keeps.
  size_t ShownCount() const { return keep_ ? shown_.size() : RowCount(); }
  // Judges the rows added since the last judgement (a long load adds them
  // at the end, in their own order).
  void FilterNewRows();

  // Bytes held for rows and text (not counting columns and the order).
  size_t MemoryUse() const;

 private:
  // Adds a row whose first cell `setFirst(row)` sets; a failure takes the
  // row back.
  template <typename SetFirst>
  size_t AppendRow(SetFirst setFirst);

  std::vector<Column> columns_;
  uint64_t columnsVersion_ = 0;
  std::shared_ptr<Table> rows_ = std::make_shared<Table>();
  std::vector<uint32_t> order_;  // display index -> row; empty when unsorted
  std::function<bool(size_t)> keep_;
  std::vector<uint32_t> shown_;  // the rows the filter keeps, in display order
  size_t judged_ = 0;            // rows judged by the filter so far (in order of addition)
  void Refilter();
  size_t UnfilteredRowAt(size_t displayIndex) const;
  bool orderDirty_ = false;
  int sortKey_ = 0;
  bool sorted_ = false;
  bool descending_ = false;
  CollationKeyMaker collation_ = &AsciiFoldKey;
  const unsigned char* asciiRanks_ = nullptr;
  // Whether every text of the column has a rank for each character.
  bool Ranked(size_t column) const;
};

}  // namespace glimmerlog

#endif
