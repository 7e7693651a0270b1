#include "views/table.h"

namespace glimmerlog {

TableRow& TableRow::Text(std::u16string text) {
  TableCell& c = cells_.emplace_back();
  if (!text.empty()) {
    c.kind = TableCell::Kind::kText;
    c.text = std::move(text);
  }
  return *this;
}

TableRow& TableRow::Time(uint64_t fileTime) {
  TableCell& c = cells_.emplace_back();
  if (fileTime != 0) {
    c.kind = TableCell::Kind::kTime;
    c.time = fileTime;
  }
  return *this;
}

TableRow& TableRow::Number(double value) {
  TableCell& c = cells_.emplace_back();
  c.kind = TableCell::Kind::kNumber;
  c.number = value;
  return *this;
}

TableRow& TableRow::Empty() {
  cells_.emplace_back();
  return *this;
}

const std::u16string& Table::TargetOf(size_t row) const {
  static const std::u16string none;
  if (row >= rows.size()) return none;
  const TableRow& r = rows[row];
  if (!r.TargetText().empty() || targetColumn < 0) return r.TargetText();
  const auto& cells = r.Cells();
  const size_t c = static_cast<size_t>(targetColumn);
  return c < cells.size() && cells[c].kind == TableCell::Kind::kText ? cells[c].text : none;
}

std::u16string ProblemsText(const std::vector<std::u16string>& problems) {
  constexpr size_t kShown = 3;
  std::u16string text;
  for (size_t i = 0; i < problems.size() && i < kShown; ++i) {
    if (!text.empty()) text += u"; ";
    text += problems[i];
  }
  if (problems.size() > kShown) text += u"; and " + NumberText(problems.size() - kShown) + u" more";
  return text;
}

std::u16string NumberText(uint64_t value) {
  std::u16string digits;
  do {
    digits.insert(digits.begin(), static_cast<char16_t>(u'0' + value % 10));
    value /= 10;
  } while (value != 0);
  return digits;
}

std::u16string AsciiText(std::string_view text) { return std::u16string(text.begin(), text.end()); }

std::u16string Utf16ZText(const uint8_t* data, size_t size) {
  std::u16string text;
  for (size_t i = 0; i + 1 < size; i += 2) {
    const char16_t c = static_cast<char16_t>(data[i] | data[i + 1] << 8);
    if (c == 0) break;
    text += c;
  }
  return text;
}

}  // namespace glimmerlog
