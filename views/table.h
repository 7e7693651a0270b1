// A view's lines as plain data: columns, rows of typed cells, and the
// sources it could not read. The platform-free readers of the later views
// fill one; the window shows it and a report writes it. Times are FILETIME
// values (UTC); the shower formats them in the user's local time.
//
// A table may hold millions of cells, so it keeps them compactly: sixteen
// bytes a cell, their texts side by side in large blocks, no allocation per
// row or per text.
#ifndef GLIMMERLOG_VIEWS_TABLE_H
#define GLIMMERLOG_VIEWS_TABLE_H

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace glimmerlog {

// A cell as read back: its text is valid while the table is.
struct TableCell {
  enum class Kind : uint8_t { kEmpty, kText, kTime, kNumber };
  Kind kind = Kind::kEmpty;
  std::u16string_view text;
  uint64_t time = 0;
  double number = 0;
};

struct TableColumn {
  std::u16string caption;
  long widthTwips = 1500;
};

class Table {
 public:
  std::vector<TableColumn> columns;
  // One sentence per source that failed, e.g. "RecentDocs\.txt: value 3 is
  // damaged". Shown in panel 1 after the view's hint.
  std::vector<std::u16string> problems;
  // A column whose text is what a double-click opens, for lines that name
  // no target of their own; -1 for none.
  int targetColumn = -1;

  // Adds the cells of the row last added, left to right. A time of 0 (none
  // stored) and an empty text leave the cell empty.
  class Row {
   public:
    Row& Text(std::u16string_view text);
    Row& Time(uint64_t fileTime);
    Row& Number(double value);
    Row& Empty();
    // What a double-click on the line opens (a path or an address); none
    // when empty.
    Row& Target(std::u16string_view target);

   private:
    friend class Table;
    explicit Row(Table& table) : table_(table) {}
    Table& table_;
  };
  Row AddRow();
  void Reserve(size_t rows, size_t cellsPerRow);

  size_t RowCount() const { return rowStart_.size(); }
  // A cell of a row; empty past the cells the row was given.
  TableCell Cell(size_t row, size_t column) const;
  // What a double-click on a line opens: its own target, or its text in the
  // target column; empty for none.
  std::u16string_view TargetOf(size_t row) const;

  void Problem(std::u16string text) { problems.push_back(std::move(text)); }

 private:
  struct Stored {
    TableCell::Kind kind = TableCell::Kind::kEmpty;
    uint32_t length = 0;  // of a text
    uint64_t value = 0;   // the time, the number's bits, or where the text is
  };
  Stored StoreText(std::u16string_view text);
  std::u16string_view StoredText(const Stored& s) const;

  std::vector<Stored> cells_;
  std::vector<size_t> rowStart_;  // index of each row's first cell
  std::vector<Stored> targets_;   // one per row; kEmpty for none
  std::vector<std::unique_ptr<char16_t[]>> blocks_;
  size_t blockUsed_ = 0, blockSize_ = 0;
};

// The problems joined for one status panel: the first ones in full, then a
// count of the rest, so that a source with thousands of bad values does not
// make a panel of thousands of sentences.
std::u16string ProblemsText(const std::vector<std::u16string>& problems);

// Text helpers the readers share.
std::u16string NumberText(uint64_t value);
// ASCII text (a status name, a fixed label) as UTF-16.
std::u16string AsciiText(std::string_view text);
// UTF-16 little-endian bytes up to the first NUL (or the end; an odd last
// byte is dropped).
std::u16string Utf16ZText(const uint8_t* data, size_t size);

}  // namespace glimmerlog

#endif
