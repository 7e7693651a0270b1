#include "views/table.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>

namespace glimmerlog {

namespace {
char16_t At(std::u16string_view text, size_t i) { return text[i]; }
char16_t At(std::string_view text, size_t i) { return static_cast<unsigned char>(text[i]); }

// Whether a stored text's characters are those of `text`.
template <typename Chars>
bool Same(const char* bytes, bool latin1, Chars text) {
  for (size_t i = 0; i < text.size(); ++i) {
    char16_t c;
    if (latin1) {
      c = static_cast<unsigned char>(bytes[i]);
    } else {
      std::memcpy(&c, bytes + 2 * i, 2);
    }
    if (c != At(text, i)) return false;
  }
  return true;
}
}  // namespace

TableCell& TableCell::operator=(const TableCell& other) {
  kind = other.kind;
  time = other.time;
  number = other.number;
  widened_ = other.widened_;
  ownsText_ = other.ownsText_;
  text = ownsText_ ? std::u16string_view(widened_) : other.text;
  return *this;
}

// ---------------------------------------------------------------------------
// Text storage: blocks of kBlockBytes, filled one after another; a text too
// long for a block gets a block of its own. Texts of two bytes a character
// start at an even offset, so that they can be read in place.

char* Table::Room(size_t bytes, bool wide, uint32_t* ref) {
  const size_t at = wide ? (blockUsed_ + 1) & ~size_t{1} : blockUsed_;
  if (blocks_.empty() || at + bytes > kBlockBytes) {
    if (blocks_.size() >= (size_t{1} << (32 - kOffsetBits))) throw std::bad_alloc();
    const size_t size = std::max(bytes, kBlockBytes);
    std::unique_ptr<char[]> block(new char[size]);
    blocks_.reserve(blocks_.size() + 1);
    blocks_.push_back(std::move(block));
    blockBytes_ += size;
    blockUsed_ = size == kBlockBytes ? bytes : kBlockBytes;  // a text's own block is full
    *ref = static_cast<uint32_t>((blocks_.size() - 1) << kOffsetBits);
    return blocks_.back().get();
  }
  blockUsed_ = at + bytes;
  *ref = static_cast<uint32_t>((blocks_.size() - 1) << kOffsetBits | at);
  return blocks_.back().get() + at;
}

// The cell above, when it holds the same text.
template <typename Chars>
const Table::Stored* Table::Above(size_t row, size_t column, Chars text) const {
  if (row == 0 || column == 0 || row >= rows_ || column >= stride_) return nullptr;
  const Stored& above = cells_[(row - 1) * stride_ + column];
  if (above.kind != TableCell::Kind::kText || above.v.text.length != text.size()) return nullptr;
  // The last characters first: texts of a column that differ mostly differ
  // at their end (a number, a file name).
  const char* bytes = Bytes(above);
  const size_t last = text.size() - 1;
  char16_t end;
  if (above.latin1) {
    end = static_cast<unsigned char>(bytes[last]);
  } else {
    std::memcpy(&end, bytes + 2 * last, 2);
  }
  return end == At(text, last) && Same(bytes, above.latin1, text) ? &above : nullptr;
}

Table::Stored Table::Text(size_t row, size_t column, std::u16string_view text, bool narrow) {
  if (text.size() > UINT32_MAX / 2) throw std::bad_alloc();
  if (narrow) {
    char16_t bits = 0;
    for (char16_t c : text) bits |= c;
    narrow = bits < 0x100;
  }
  Stored s;
  s.kind = TableCell::Kind::kText;
  s.latin1 = narrow;
  s.v.text.length = static_cast<uint32_t>(text.size());
  s.v.text.ref = 0;
  if (text.empty()) return s;
  // A column often holds the same text line after line (a browser, a
  // profile, a kind of event): the line above's text is shared, not stored
  // again. Stored text never changes, so sharing it is safe. Not in the
  // first column, which names the line (an address, a path) and seldom
  // repeats: comparing there costs more than it saves.
  if (const Stored* above = Above(row, column, text)) return *above;
  if (s.latin1) {
    char* at = Room(text.size(), false, &s.v.text.ref);
    for (size_t i = 0; i < text.size(); ++i) at[i] = static_cast<char>(text[i]);
  } else {
    std::memcpy(Room(text.size() * 2, true, &s.v.text.ref), text.data(), text.size() * 2);
  }
  return s;
}

Table::Stored Table::Latin1(size_t row, size_t column, std::string_view text) {
  if (text.size() > UINT32_MAX / 2) throw std::bad_alloc();
  Stored s;
  s.kind = TableCell::Kind::kText;
  s.latin1 = true;
  s.v.text.length = static_cast<uint32_t>(text.size());
  s.v.text.ref = 0;
  if (text.empty()) return s;
  if (const Stored* above = Above(row, column, text)) return *above;
  std::memcpy(Room(text.size(), false, &s.v.text.ref), text.data(), text.size());
  return s;
}

// ---------------------------------------------------------------------------
// Rows and cells.

void Table::Cells::Grow(size_t n) {
  const size_t chunks = (size_ + n + kChunk - 1) >> kChunkBits;
  if (chunks > chunks_.size()) {
    // Room first, so that a failure leaves the cells as they were (with
    // perhaps a chunk to spare).
    chunks_.reserve(chunks);
    while (chunks_.size() < chunks) chunks_.emplace_back(new Stored[kChunk]);
  }
  for (size_t i = size_; i < size_ + n; ++i) (*this)[i] = Stored{};
  size_ += n;
}

void Table::Cells::Shrink(size_t n) {
  if (n >= size_) return;
  size_ = n;
  chunks_.resize((n + kChunk - 1) >> kChunkBits);
}

Table::Row Table::AddRow() {
  if (rows_ == 0) stride_ = std::max({stride_, size_t{1}, columns.size()});
  cells_.Grow(stride_);
  ++rows_;
  return Row(*this, rows_ - 1);
}

void Table::Reserve(size_t /*rows: the cells grow in small chunks*/, size_t cellsPerRow) {
  if (rows_ == 0) stride_ = std::max(stride_, cellsPerRow);
}

void Table::Truncate(size_t rows) {
  if (rows >= rows_) return;
  cells_.Shrink(rows * stride_);
  if (targets_.size() > rows) targets_.resize(rows);
  rows_ = rows;
}

// Gives every row `stride` cells (a cell set past the row's cells); rare, so
// the rows are simply copied.
void Table::Widen(size_t stride) {
  Cells wider;
  wider.Grow(rows_ * stride);
  for (size_t r = 0; r < rows_; ++r) {
    for (size_t c = 0; c < stride_; ++c) wider[r * stride + c] = cells_[r * stride_ + c];
  }
  cells_.swap(wider);
  stride_ = stride;
}

// A cell to set. A column past the rows' cells widens them first: when
// storing the cell then fails, the rows only have more empty cells.
Table::Stored& Table::Slot(size_t row, size_t column) {
  if (row >= rows_) throw std::out_of_range("no such row");
  if (column >= stride_) Widen(column + 1);
  return cells_[row * stride_ + column];
}

void Table::SetText(size_t row, size_t column, std::u16string_view text) { PutText(row, column, text, true); }

void Table::PutText(size_t row, size_t column, std::u16string_view text, bool narrow) {
  Stored& slot = Slot(row, column);
  slot = Text(row, column, text, narrow);
}

void Table::SetLatin1(size_t row, size_t column, std::string_view text) {
  Stored& slot = Slot(row, column);
  slot = Latin1(row, column, text);
}

void Table::SetTime(size_t row, size_t column, uint64_t fileTime) {
  Stored& slot = Slot(row, column);
  slot = Stored{};
  slot.kind = TableCell::Kind::kTime;
  slot.v.time = fileTime;
}

void Table::SetNumber(size_t row, size_t column, double value) {
  Stored& slot = Slot(row, column);
  slot = Stored{};
  slot.kind = TableCell::Kind::kNumber;
  slot.v.number = value;
}

template <typename Store>
Table::Row& Table::Row::Next(Store store) {
  try {
    store();
  } catch (const std::bad_alloc&) {
    // Only whole rows stay: the row goes when it is still the last one.
    if (row_ + 1 == table_.rows_) {
      table_.Truncate(row_);
      row_ = SIZE_MAX;
    }
    throw;
  }
  ++column_;
  return *this;
}

Table::Row& Table::Row::Text(std::u16string_view text) {
  return Next([&] {
    // As given: Cell gives it out in place. (Stored a byte a character,
    // the rows of a reader took a third less memory, but filling took a
    // third longer and reading back through Cell three times as long.)
    if (!text.empty()) table_.PutText(row_, column_, text, false);
  });
}

Table::Row& Table::Row::Latin1(std::string_view text) {
  return Next([&] {
    if (!text.empty()) table_.SetLatin1(row_, column_, text);
  });
}

Table::Row& Table::Row::Time(uint64_t fileTime) {
  return Next([&] {
    if (fileTime != 0) table_.SetTime(row_, column_, fileTime);
  });
}

Table::Row& Table::Row::Number(double value) {
  return Next([&] { table_.SetNumber(row_, column_, value); });
}

Table::Row& Table::Row::Empty() {
  ++column_;
  return *this;
}

Table::Row& Table::Row::Target(std::u16string_view target) {
  if (target.empty()) return *this;
  Next([&] {
    if (row_ >= table_.rows_) throw std::out_of_range("no such row");
    // Stored as UTF-16, so that TargetOf gives it out in place.
    const Stored s = table_.Text(row_, SIZE_MAX, target, false);
    if (table_.targets_.size() <= row_) table_.targets_.resize(row_ + 1);
    table_.targets_[row_] = s;
  });
  --column_;  // a target is no cell
  return *this;
}

TableCell Table::Cell(size_t row, size_t column) const {
  TableCell cell;
  const Stored* s = Find(row, column);
  if (!s) return cell;
  cell.kind = s->kind;
  switch (s->kind) {
    case TableCell::Kind::kText: {
      const char* bytes = Bytes(*s);
      if (s->latin1) {
        cell.widened_.resize(s->v.text.length);
        for (size_t i = 0; i < cell.widened_.size(); ++i) cell.widened_[i] = static_cast<unsigned char>(bytes[i]);
        cell.ownsText_ = true;
        cell.text = cell.widened_;
      } else {
        cell.text = std::u16string_view(reinterpret_cast<const char16_t*>(bytes), s->v.text.length);
      }
      break;
    }
    case TableCell::Kind::kTime: cell.time = s->v.time; break;
    case TableCell::Kind::kNumber: cell.number = s->v.number; break;
    case TableCell::Kind::kEmpty: break;
  }
  return cell;
}

std::u16string_view Table::TargetOf(size_t row) const {
  if (row >= rows_) return {};
  if (row < targets_.size() && targets_[row].kind == TableCell::Kind::kText) {
    const Stored& s = targets_[row];
    return std::u16string_view(reinterpret_cast<const char16_t*>(Bytes(s)), s.v.text.length);
  }
  if (targetColumn < 0) return {};
  const Stored* s = Find(row, static_cast<size_t>(targetColumn));
  if (!s || s->kind != TableCell::Kind::kText) return {};
  const char* bytes = Bytes(*s);
  if (!s->latin1) return std::u16string_view(reinterpret_cast<const char16_t*>(bytes), s->v.text.length);
  const uint64_t where = uint64_t{s->v.text.ref} << 32 | s->v.text.length;
  auto it = widenedTargets_.find(where);
  if (it == widenedTargets_.end()) {
    std::u16string wide(s->v.text.length, u'\0');
    for (size_t i = 0; i < wide.size(); ++i) wide[i] = static_cast<unsigned char>(bytes[i]);
    it = widenedTargets_.emplace(where, std::move(wide)).first;
  }
  return it->second;
}

size_t Table::MemoryUse() const {
  return cells_.Bytes() + targets_.capacity() * sizeof(Stored) + blockBytes_;
}

std::u16string ProblemsText(const std::vector<std::u16string>& problems) {
  // Each source once, in the order first named, with the first reason given
  // for it: a problem is "source: why", and the values of one key ("key
  // value name: why") are that key's. The count says how many of its
  // entries failed.
  struct Failed {
    std::u16string source, why;
    size_t count = 0;
  };
  std::vector<Failed> failed;
  for (const std::u16string& problem : problems) {
    const size_t colon = problem.find(u": ");
    std::u16string source = problem.substr(0, colon);
    if (const size_t value = source.find(u" value "); value != std::u16string::npos) source.resize(value);
    auto same = std::find_if(failed.begin(), failed.end(), [&](const Failed& f) { return f.source == source; });
    if (same == failed.end()) {
      failed.push_back({source, colon == std::u16string::npos ? std::u16string() : problem.substr(colon + 2), 0});
      same = failed.end() - 1;
    }
    ++same->count;
  }
  constexpr size_t kShown = 3;
  std::u16string text;
  for (size_t i = 0; i < failed.size() && i < kShown; ++i) {
    if (!text.empty()) text += u"; ";
    text += failed[i].source;
    if (!failed[i].why.empty()) text += u": " + failed[i].why;
    if (failed[i].count > 1) text += u" (" + NumberText(failed[i].count) + u" entries)";
  }
  // The Sources view lists every source with its status.
  if (failed.size() > kShown) {
    text += u"; and " + NumberText(failed.size() - kShown) + u" more (the Sources view lists them)";
  }
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
