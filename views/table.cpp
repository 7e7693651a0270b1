#include "views/table.h"

#include <algorithm>
#include <cstring>

namespace glimmerlog {

namespace {
constexpr size_t kTextBlock = 256 * 1024;  // characters
}  // namespace

Table::Row Table::AddRow() {
  rowStart_.push_back(cells_.size());
  targets_.emplace_back();
  return Row(*this);
}

void Table::Reserve(size_t rows, size_t cellsPerRow) {
  rowStart_.reserve(rowStart_.size() + rows);
  targets_.reserve(targets_.size() + rows);
  cells_.reserve(cells_.size() + rows * cellsPerRow);
}

Table::Stored Table::StoreText(std::u16string_view text) {
  Stored s;
  if (text.empty()) return s;
  if (blocks_.empty() || blockSize_ - blockUsed_ < text.size()) {
    blockSize_ = std::max(kTextBlock, text.size());
    blocks_.push_back(std::make_unique<char16_t[]>(blockSize_));
    blockUsed_ = 0;
  }
  std::copy(text.begin(), text.end(), blocks_.back().get() + blockUsed_);
  s.kind = TableCell::Kind::kText;
  s.length = static_cast<uint32_t>(std::min<size_t>(text.size(), UINT32_MAX));
  s.value = uint64_t{blocks_.size() - 1} << 32 | blockUsed_;
  blockUsed_ += text.size();
  return s;
}

std::u16string_view Table::StoredText(const Stored& s) const {
  if (s.kind != TableCell::Kind::kText) return {};
  return std::u16string_view(blocks_[s.value >> 32].get() + (s.value & 0xFFFFFFFFu), s.length);
}

Table::Row& Table::Row::Text(std::u16string_view text) {
  table_.cells_.push_back(table_.StoreText(text));
  return *this;
}

Table::Row& Table::Row::Time(uint64_t fileTime) {
  Stored s;
  if (fileTime != 0) {
    s.kind = TableCell::Kind::kTime;
    s.value = fileTime;
  }
  table_.cells_.push_back(s);
  return *this;
}

Table::Row& Table::Row::Number(double value) {
  Stored s;
  s.kind = TableCell::Kind::kNumber;
  std::memcpy(&s.value, &value, sizeof value);
  table_.cells_.push_back(s);
  return *this;
}

Table::Row& Table::Row::Empty() {
  table_.cells_.emplace_back();
  return *this;
}

Table::Row& Table::Row::Target(std::u16string_view target) {
  table_.targets_.back() = table_.StoreText(target);
  return *this;
}

TableCell Table::Cell(size_t row, size_t column) const {
  TableCell cell;
  if (row >= rowStart_.size()) return cell;
  const size_t end = row + 1 < rowStart_.size() ? rowStart_[row + 1] : cells_.size();
  const size_t at = rowStart_[row] + column;
  if (at >= end) return cell;
  const Stored& s = cells_[at];
  cell.kind = s.kind;
  switch (s.kind) {
    case TableCell::Kind::kText: cell.text = StoredText(s); break;
    case TableCell::Kind::kTime: cell.time = s.value; break;
    case TableCell::Kind::kNumber: std::memcpy(&cell.number, &s.value, sizeof cell.number); break;
    case TableCell::Kind::kEmpty: break;
  }
  return cell;
}

std::u16string_view Table::TargetOf(size_t row) const {
  if (row >= targets_.size()) return {};
  if (targets_[row].kind == TableCell::Kind::kText || targetColumn < 0) return StoredText(targets_[row]);
  const TableCell cell = Cell(row, static_cast<size_t>(targetColumn));
  return cell.kind == TableCell::Kind::kText ? cell.text : std::u16string_view();
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
