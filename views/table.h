// A view's lines as plain data: columns, rows of typed cells, and the
// sources it could not read. The platform-free readers of the later views
// fill one; the window shows it and a report writes it. Times are FILETIME
// values (UTC); the shower formats them in the user's local time.
#ifndef GLIMMERLOG_VIEWS_TABLE_H
#define GLIMMERLOG_VIEWS_TABLE_H

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace glimmerlog {

struct TableCell {
  enum class Kind : uint8_t { kEmpty, kText, kTime, kNumber };
  Kind kind = Kind::kEmpty;
  std::u16string text;
  uint64_t time = 0;
  double number = 0;
};

struct TableColumn {
  std::u16string caption;
  long widthTwips = 1500;
};

class TableRow {
 public:
  // Cells go left to right; a time of 0 (none stored) and an empty text
  // leave the cell empty.
  TableRow& Text(std::u16string text);
  TableRow& Time(uint64_t fileTime);
  TableRow& Number(double value);
  TableRow& Empty();
  // What a double-click on the line opens (a path or an address); empty
  // when there is nothing to open.
  TableRow& Target(std::u16string target) {
    target_ = std::move(target);
    return *this;
  }
  const std::vector<TableCell>& Cells() const { return cells_; }
  const std::u16string& TargetText() const { return target_; }
  void Reserve(size_t cells) { cells_.reserve(cells); }

 private:
  std::vector<TableCell> cells_;
  std::u16string target_;
};

struct Table {
  std::vector<TableColumn> columns;
  std::vector<TableRow> rows;
  // One sentence per source that failed, e.g. "RecentDocs\.txt: value 3 is
  // damaged". Shown in panel 1 after the view's hint.
  std::vector<std::u16string> problems;
  // A column whose text is what a double-click opens, for lines that name
  // no target of their own; -1 for none.
  int targetColumn = -1;

  TableRow& AddRow() {
    TableRow& row = rows.emplace_back();
    row.Reserve(columns.size());
    return row;
  }
  void Problem(std::u16string text) { problems.push_back(std::move(text)); }
  // What a double-click on a line opens: its own target, or its text in
  // the target column.
  const std::u16string& TargetOf(size_t row) const;
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
