// A view's lines as plain data: columns, rows of typed cells, and the
// sources it could not read. The platform-free readers of the views fill
// one; the window's list shows it (through ListModel) and a report writes
// it. Times are FILETIME values (UTC); the shower formats them in the
// user's local time.
//
// A table may hold millions of cells, so it keeps them compactly: sixteen
// bytes a cell, every row as many cells as the widest, their texts side by
// side in large blocks, no allocation per row or per text. A text equal to
// the one above it in its column is stored once (not in the first column,
// which names the line). Texts set by row and
// column, and Latin-1 bytes, are stored one byte per character where every
// character is below U+0100 (an index.dat line costs about its length plus
// 16 bytes); the row builder's Text keeps UTF-16, which Cell gives out in
// place.
//
// When memory runs out (std::bad_alloc) while a row is added or a cell set,
// the table is left as it was before, so that a long read that runs out
// keeps whole lines.
#ifndef GLIMMERLOG_VIEWS_TABLE_H
#define GLIMMERLOG_VIEWS_TABLE_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace glimmerlog {

// A cell as read back. Its text is valid while the table is; a text stored
// one byte a character is widened into the cell itself, so it is valid
// while this cell (or a copy of it) is too.
struct TableCell {
  enum class Kind : uint8_t { kEmpty, kText, kTime, kNumber };
  Kind kind = Kind::kEmpty;
  std::u16string_view text;
  uint64_t time = 0;
  double number = 0;

  TableCell() = default;
  TableCell(const TableCell& other) { *this = other; }
  TableCell& operator=(const TableCell& other);

 private:
  friend class Table;
  std::u16string widened_;
  bool ownsText_ = false;  // `text` is `widened_`
};

// A cell as stored, read in place (for loops over many rows): a text's
// characters are one byte each (code points below U+0100) or UTF-16 code
// units. Valid while the table is.
struct StoredCell {
  TableCell::Kind kind = TableCell::Kind::kEmpty;
  bool latin1 = true;
  const char* bytes = "";  // a text's characters
  size_t length = 0;       // characters
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

  // Adds the cells of its row, left to right. A time of 0 (none stored)
  // and an empty text leave the cell empty. When memory runs out in one of
  // these calls, the row is taken back whole (when it is still the last
  // row) and the Row must not be used again.
  class Row {
   public:
    Row& Text(std::u16string_view text);
    // Bytes that are code points below U+0100 (ASCII, Latin-1).
    Row& Latin1(std::string_view text);
    Row& Time(uint64_t fileTime);
    Row& Number(double value);
    Row& Empty();
    // What a double-click on the line opens (a path or an address); none
    // when empty.
    Row& Target(std::u16string_view target);

   private:
    friend class Table;
    Row(Table& table, size_t row) : table_(table), row_(row) {}
    template <typename Store>
    Row& Next(Store store);
    Table& table_;
    size_t row_;
    size_t column_ = 0;
  };
  Row AddRow();
  // Before the first row: every row is given `cellsPerRow` cells (more
  // cells later widen every row). The rows need no room made ahead: they
  // grow in chunks, and `rows` is only a hint.
  void Reserve(size_t rows, size_t cellsPerRow);
  // Keeps the first `rows` rows (their texts stay stored until the table
  // goes).
  void Truncate(size_t rows);

  // Sets a cell of a row already added to exactly what is given (an empty
  // text and a time of 0 included). A column past the row's cells gives
  // every row that many cells. A row not added throws std::out_of_range.
  void SetText(size_t row, size_t column, std::u16string_view text);
  void SetLatin1(size_t row, size_t column, std::string_view text);
  void SetTime(size_t row, size_t column, uint64_t fileTime);
  void SetNumber(size_t row, size_t column, double value);

  size_t RowCount() const { return rows_; }
  // A cell of a row; empty past the cells the row was given.
  TableCell Cell(size_t row, size_t column) const;
  StoredCell CellInPlace(size_t row, size_t column) const {
    StoredCell cell;
    if (const Stored* s = Find(row, column)) {
      cell.kind = s->kind;
      switch (s->kind) {
        case TableCell::Kind::kText:
          cell.latin1 = s->latin1;
          cell.bytes = Bytes(*s);
          cell.length = s->v.text.length;
          break;
        case TableCell::Kind::kTime: cell.time = s->v.time; break;
        case TableCell::Kind::kNumber: cell.number = s->v.number; break;
        case TableCell::Kind::kEmpty: break;
      }
    }
    return cell;
  }
  // What a double-click on a line opens: its own target, or its text in the
  // target column; empty for none. Valid while the table is.
  std::u16string_view TargetOf(size_t row) const;

  void Problem(std::u16string text) { problems.push_back(std::move(text)); }

  // Bytes held for cells and texts (not counting columns and problems).
  size_t MemoryUse() const;

 private:
  struct Stored {
    union {
      struct {
        uint32_t ref;     // block << kOffsetBits | byte offset in the block
        uint32_t length;  // characters
      } text;
      uint64_t time;
      double number;
    } v;
    TableCell::Kind kind = TableCell::Kind::kEmpty;
    bool latin1 = false;  // one byte per character
  };
  // The cells, row after row, in chunks of a fixed size: no large block
  // to move as they grow (a 32-bit address space may have none left), and
  // a cell is found with a shift and a mask.
  class Cells {
   public:
    size_t size() const { return size_; }
    Stored& operator[](size_t i) { return chunks_[i >> kChunkBits][i & (kChunk - 1)]; }
    const Stored& operator[](size_t i) const { return chunks_[i >> kChunkBits][i & (kChunk - 1)]; }
    // `n` more empty cells; on std::bad_alloc the cells are as they were.
    void Grow(size_t n);
    // Keeps the first `n` cells.
    void Shrink(size_t n);
    size_t Bytes() const { return chunks_.size() * kChunk * sizeof(Stored); }
    void swap(Cells& other) noexcept {
      chunks_.swap(other.chunks_);
      std::swap(size_, other.size_);
    }

   private:
    static constexpr unsigned kChunkBits = 10;
    static constexpr size_t kChunk = size_t{1} << kChunkBits;
    std::vector<std::unique_ptr<Stored[]>> chunks_;
    size_t size_ = 0;
  };
  static constexpr unsigned kOffsetBits = 20;
  static constexpr size_t kBlockBytes = size_t{1} << kOffsetBits;

  const Stored* Find(size_t row, size_t column) const {
    return row < rows_ && column < stride_ ? &cells_[row * stride_ + column] : nullptr;
  }
  template <typename Chars>
  const Stored* Above(size_t row, size_t column, Chars text) const;
  const char* Bytes(const Stored& s) const {
    if (s.v.text.length == 0) return kNoText;
    return blocks_[s.v.text.ref >> kOffsetBits].get() + (s.v.text.ref & (kBlockBytes - 1));
  }
  alignas(char16_t) static constexpr char kNoText[2] = {};  // an empty text of either width
  char* Room(size_t bytes, bool wide, uint32_t* ref);
  Stored Text(size_t row, size_t column, std::u16string_view text, bool narrow);
  Stored Latin1(size_t row, size_t column, std::string_view text);
  void PutText(size_t row, size_t column, std::u16string_view text, bool narrow);
  Stored& Slot(size_t row, size_t column);
  void Widen(size_t stride);

  Cells cells_;        // rows_ * stride_ cells, row after row
  size_t stride_ = 0;  // cells per row, fixed by the first row
  size_t rows_ = 0;
  std::vector<Stored> targets_;  // own targets; rows past its end have none
  std::vector<std::unique_ptr<char[]>> blocks_;
  size_t blockUsed_ = 0;   // bytes used in the last block
  size_t blockBytes_ = 0;  // bytes of all blocks
  // Texts of the target column stored a byte a character, widened once
  // when TargetOf first gives them out (by where they are stored: stored
  // text never changes).
  mutable std::unordered_map<uint64_t, std::u16string> widenedTargets_;
};

// The problems joined for one status panel: each failed source named once
// (the values of one key are that key's), the first ones with their reason
// and how many of their entries failed, then a count of the rest, so that a
// source with thousands of bad values does not make a panel of thousands of
// sentences.
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
