#include "app/listmodel.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <stdexcept>

namespace glimmerlog {

namespace {
char16_t Fold(char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + (u'a' - u'A')) : c; }

// The rank of a cell's kind in the order of a column: empty cells first,
// then numbers, times and texts.
int Rank(ListModel::Kind k) {
  switch (k) {
    case ListModel::Kind::kEmpty: return 0;
    case ListModel::Kind::kNumber: return 1;
    case ListModel::Kind::kTime: return 2;
    case ListModel::Kind::kText: return 3;
  }
  return 0;
}
}  // namespace

void AsciiFoldKey(std::u16string_view text, std::string& key) {
  key.resize(text.size() * 2);
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = Fold(text[i]);
    key[2 * i] = static_cast<char>(c >> 8);
    key[2 * i + 1] = static_cast<char>(c & 0xFF);
  }
}

void ListModel::AddColumn(size_t position, std::u16string caption, long widthTwips) {
  const size_t at = position == 0 ? 0 : std::min(position - 1, columns_.size());
  columns_.insert(columns_.begin() + static_cast<std::ptrdiff_t>(at), Column{std::move(caption), widthTwips});
}

// ---------------------------------------------------------------------------
// Text storage: blocks of kBlockBytes, filled one after another; a text too
// long for a block gets a block of its own.

char* ListModel::Reserve(size_t bytes, uint32_t* ref) {
  const bool fits = !blocks_.empty() && blockSizes_.back() == kBlockBytes && blockUsed_ + bytes <= kBlockBytes;
  if (!fits) {
    if (blocks_.size() >= (size_t{1} << (32 - kOffsetBits))) throw std::bad_alloc();
    const size_t size = std::max(bytes, kBlockBytes);
    std::unique_ptr<char[]> block(new char[size]);
    blocks_.reserve(blocks_.size() + 1);
    blockSizes_.reserve(blockSizes_.size() + 1);
    blocks_.push_back(std::move(block));
    blockSizes_.push_back(size);
    blockUsed_ = 0;
  }
  *ref = static_cast<uint32_t>((blocks_.size() - 1) << kOffsetBits | blockUsed_);
  char* at = blocks_.back().get() + blockUsed_;
  blockUsed_ += bytes;
  if (blockSizes_.back() != kBlockBytes) blockUsed_ = kBlockBytes;  // a text's own block is full
  return at;
}

ListModel::Cell ListModel::StoreText(std::u16string_view text) {
  bool narrow = true;
  for (char16_t c : text) narrow = narrow && c < 0x100;
  Cell cell;
  cell.kind = Kind::kText;
  cell.latin1 = narrow;
  cell.v.text.length = static_cast<uint32_t>(text.size());
  cell.v.text.ref = 0;
  if (text.empty()) return cell;
  if (narrow) {
    char* at = Reserve(text.size(), &cell.v.text.ref);
    for (size_t i = 0; i < text.size(); ++i) at[i] = static_cast<char>(text[i]);
  } else {
    char* at = Reserve(text.size() * 2, &cell.v.text.ref);
    std::memcpy(at, text.data(), text.size() * 2);
  }
  return cell;
}

ListModel::Cell ListModel::StoreLatin1(std::string_view text) {
  Cell cell;
  cell.kind = Kind::kText;
  cell.latin1 = true;
  cell.v.text.length = static_cast<uint32_t>(text.size());
  cell.v.text.ref = 0;
  if (!text.empty()) std::memcpy(Reserve(text.size(), &cell.v.text.ref), text.data(), text.size());
  return cell;
}

const char* ListModel::TextBytes(const Cell& c) const {
  return blocks_[c.v.text.ref >> kOffsetBits].get() + (c.v.text.ref & (kBlockBytes - 1));
}

// ---------------------------------------------------------------------------
// Rows and cells.

void ListModel::AppendRow(const Cell& first) {
  if (stride_ == 0) stride_ = std::max<size_t>(1, columns_.size());
  // All cells of the row are added before the count moves, and a failure
  // takes back the ones added.
  const size_t before = cells_.size();
  try {
    cells_.push_back(first);
    for (size_t c = 1; c < stride_; ++c) cells_.emplace_back();
  } catch (...) {
    cells_.resize(before);
    throw;
  }
  ++rowCount_;
  if (sorted_) orderDirty_ = true;
}

size_t ListModel::AddRow(std::u16string_view text) {
  AppendRow(StoreText(text));
  return rowCount_ - 1;
}

size_t ListModel::AddRowLatin1(std::string_view text) {
  AppendRow(StoreLatin1(text));
  return rowCount_ - 1;
}

// Gives every row `stride` cells (a view set a cell past the columns it
// named); rare, so the rows are simply copied.
void ListModel::Widen(size_t stride) {
  std::deque<Cell> wider;
  for (size_t r = 0; r < rowCount_; ++r) {
    for (size_t c = 0; c < stride; ++c) wider.push_back(c < stride_ ? cells_[r * stride_ + c] : Cell{});
  }
  cells_.swap(wider);
  stride_ = stride;
}

ListModel::Cell& ListModel::Settable(size_t row, size_t column) {
  if (row >= rowCount_) throw std::out_of_range("no such row");
  if (column >= stride_) Widen(column + 1);
  if (sorted_) orderDirty_ = true;
  return cells_[row * stride_ + column];
}

void ListModel::SetText(size_t row, size_t column, std::u16string_view text) {
  Cell& target = Settable(row, column);
  // A column often holds the same text line after line (a browser, a
  // profile, a kind of event): the line above's text is shared, not stored
  // again. Stored text never changes, so sharing it is safe.
  if (row > 0 && !text.empty()) {
    const Cell& above = cells_[(row - 1) * stride_ + column];
    if (above.kind == Kind::kText && above.v.text.length == text.size()) {
      const char* bytes = TextBytes(above);
      bool same = true;
      if (above.latin1) {
        for (size_t i = 0; same && i < text.size(); ++i) same = text[i] == static_cast<unsigned char>(bytes[i]);
      } else {
        same = std::memcmp(bytes, text.data(), text.size() * 2) == 0;
      }
      if (same) {
        target = above;
        return;
      }
    }
  }
  target = StoreText(text);
}

void ListModel::SetTime(size_t row, size_t column, uint64_t fileTime) {
  Cell& c = Settable(row, column);
  c = Cell{};
  c.kind = Kind::kTime;
  c.v.time = fileTime;
}

void ListModel::SetNumber(size_t row, size_t column, double value) {
  Cell& c = Settable(row, column);
  c = Cell{};
  c.kind = Kind::kNumber;
  c.v.number = value;
}

void ListModel::ClearRows() {
  // Given back to the system, not kept: a view of millions of lines may be
  // followed by one of ten.
  std::deque<Cell>().swap(cells_);
  std::vector<std::unique_ptr<char[]>>().swap(blocks_);
  std::vector<size_t>().swap(blockSizes_);
  std::vector<uint32_t>().swap(order_);
  std::vector<uint32_t>().swap(shown_);
  judged_ = 0;
  blockUsed_ = 0;
  rowCount_ = 0;
  stride_ = 0;
  orderDirty_ = false;
}

const ListModel::Cell* ListModel::CellPtr(size_t row, size_t column) const {
  if (row >= rowCount_ || column >= stride_) return nullptr;
  return &cells_[row * stride_ + column];
}

ListModel::Kind ListModel::KindOfRow(size_t row, size_t column) const {
  const Cell* c = CellPtr(row, column);
  return c ? c->kind : Kind::kEmpty;
}

std::u16string ListModel::TextOfRow(size_t row, size_t column) const {
  std::u16string text;
  TextOfRowInto(row, column, text);
  return text;
}

void ListModel::TextOfRowInto(size_t row, size_t column, std::u16string& text) const {
  const Cell* c = CellPtr(row, column);
  if (!c || c->kind != Kind::kText || c->v.text.length == 0) {
    text.clear();
    return;
  }
  const char* bytes = TextBytes(*c);
  text.resize(c->v.text.length);
  if (c->latin1) {
    for (size_t i = 0; i < text.size(); ++i) text[i] = static_cast<unsigned char>(bytes[i]);
  } else {
    std::memcpy(text.data(), bytes, text.size() * 2);
  }
}

bool ListModel::StoredTextOfRow(size_t row, size_t column, StoredText& text) const {
  const Cell* c = CellPtr(row, column);
  if (!c || c->kind != Kind::kText) return false;
  text.length = c->v.text.length;
  text.latin1 = c->latin1;
  text.bytes = text.length ? TextBytes(*c) : "";
  return true;
}

uint64_t ListModel::TimeOfRow(size_t row, size_t column) const {
  const Cell* c = CellPtr(row, column);
  return c && c->kind == Kind::kTime ? c->v.time : 0;
}

double ListModel::NumberOfRow(size_t row, size_t column) const {
  const Cell* c = CellPtr(row, column);
  return c && c->kind == Kind::kNumber ? c->v.number : 0;
}

bool ListModel::TextStartsWith(size_t row, size_t column, std::u16string_view prefix) const {
  const Cell* c = CellPtr(row, column);
  if (!c || c->kind != Kind::kText || c->v.text.length < prefix.size()) return false;
  if (prefix.empty()) return true;
  const char* bytes = TextBytes(*c);
  for (size_t i = 0; i < prefix.size(); ++i) {
    char16_t ch;
    if (c->latin1) {
      ch = static_cast<unsigned char>(bytes[i]);
    } else {
      std::memcpy(&ch, bytes + 2 * i, 2);
    }
    if (Fold(ch) != Fold(prefix[i])) return false;
  }
  return true;
}

size_t ListModel::MemoryUse() const {
  size_t bytes = cells_.size() * sizeof(Cell);
  for (size_t s : blockSizes_) bytes += s;
  return bytes;
}

// ---------------------------------------------------------------------------
// Order.

size_t ListModel::UnfilteredRowAt(size_t displayIndex) const {
  if (sorted_ && !orderDirty_ && displayIndex < order_.size()) return order_[displayIndex];
  return displayIndex;
}

size_t ListModel::RowAt(size_t displayIndex) const {
  if (keep_) return displayIndex < shown_.size() ? shown_[displayIndex] : SIZE_MAX;
  return UnfilteredRowAt(displayIndex);
}

void ListModel::SetFilter(std::function<bool(size_t row)> keep) {
  keep_ = std::move(keep);
  std::vector<uint32_t>().swap(shown_);
  judged_ = 0;
  if (keep_) Refilter();
}

void ListModel::Refilter() {
  shown_.clear();
  for (size_t d = 0; d < rowCount_; ++d) {
    const size_t row = UnfilteredRowAt(d);
    if (keep_(row)) shown_.push_back(static_cast<uint32_t>(row));
  }
  judged_ = rowCount_;
}

void ListModel::FilterNewRows() {
  if (!keep_) return;
  if (sorted_ && orderDirty_) return;  // the next resort judges every row
  if (sorted_ && judged_ < rowCount_) {
    Refilter();
    return;
  }
  for (; judged_ < rowCount_; ++judged_) {
    if (keep_(judged_)) shown_.push_back(static_cast<uint32_t>(judged_));
  }
}

void ListModel::SetSortKey(int key) {
  if (key == sortKey_) return;
  sortKey_ = key;
  orderDirty_ = sorted_;
}

void ListModel::SetSorted(bool sorted) {
  if (sorted == sorted_) return;
  sorted_ = sorted;
  orderDirty_ = sorted;
  if (!sorted) {
    std::vector<uint32_t>().swap(order_);
    if (keep_) Refilter();
  }
}

void ListModel::SetDescending(bool descending) {
  if (descending == descending_) return;
  descending_ = descending;
  orderDirty_ = sorted_;
}

void ListModel::SetCollation(CollationKeyMaker maker) {
  collation_ = maker ? maker : &AsciiFoldKey;
  orderDirty_ = sorted_;
}

namespace {

// Byte order of two keys, shorter first on a tie, eight bytes at a time:
// keys of a column often share long beginnings, and the C library's memcmp
// may compare byte by byte.
int CompareKeys(const std::string& a, const std::string& b) {
  const size_t n = std::min(a.size(), b.size());
  const unsigned char* x = reinterpret_cast<const unsigned char*>(a.data());
  const unsigned char* y = reinterpret_cast<const unsigned char*>(b.data());
  size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    uint64_t p, q;
    std::memcpy(&p, x + i, 8);
    std::memcpy(&q, y + i, 8);
    if (p != q) break;
  }
  for (; i < n; ++i) {
    if (x[i] != y[i]) return x[i] < y[i] ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
}

// What the sort needs of one row, gathered once.
struct SortItem {
  uint32_t row;
  int rank;
  union {
    uint64_t time;
    double number;
  } v;
};

}  // namespace

bool ListModel::Resort() {
  if (!sorted_ || !orderDirty_) return true;
  const size_t col = sortKey_ < 0 ? 0 : static_cast<size_t>(sortKey_);
  try {
    // Text cells get their collation key once, here; the comparisons of the
    // sort then compare bytes. Every comparison below is a strict order with
    // the row as its last key, so the unstable sort gives the stable result.
    std::vector<SortItem> items(rowCount_);
    std::vector<std::string> keys;
    std::u16string text;
    for (size_t r = 0; r < rowCount_; ++r) {
      const Cell* c = CellPtr(r, col);
      const Kind kind = c ? c->kind : Kind::kEmpty;
      SortItem& item = items[r];
      item.row = static_cast<uint32_t>(r);
      item.rank = Rank(kind);
      item.v.time = 0;
      if (kind == Kind::kTime) item.v.time = c->v.time;
      if (kind == Kind::kNumber) item.v.number = c->v.number;
      if (kind == Kind::kText) {
        if (keys.empty()) keys.resize(rowCount_);
        text = TextOfRow(r, col);
        collation_(text, keys[r]);
      }
    }
    const int direction = descending_ ? -1 : 1;
    std::sort(items.begin(), items.end(), [&keys, direction](const SortItem& x, const SortItem& y) {
      if (x.rank != y.rank) return (x.rank < y.rank) == (direction > 0);
      int c = 0;
      if (x.rank == Rank(Kind::kText)) {
        c = CompareKeys(keys[x.row], keys[y.row]);
      } else if (x.rank == Rank(Kind::kTime)) {
        c = x.v.time < y.v.time ? -1 : y.v.time < x.v.time ? 1 : 0;
      } else if (x.rank == Rank(Kind::kNumber)) {
        // NaN after every number, so that the order stays strict.
        const double p = x.v.number, q = y.v.number;
        const bool pn = p != p, qn = q != q;
        c = pn || qn ? (pn == qn ? 0 : pn ? 1 : -1) : (p < q ? -1 : q < p ? 1 : 0);
      }
      return c != 0 ? c * direction < 0 : x.row < y.row;
    });
    std::vector<uint32_t> order(rowCount_);
    for (size_t i = 0; i < order.size(); ++i) order[i] = items[i].row;
    order_.swap(order);
    orderDirty_ = false;
    if (keep_) Refilter();
  } catch (const std::bad_alloc&) {
    // No memory for the order: the rows show as they were added.
    std::vector<uint32_t>().swap(order_);
    sorted_ = false;
    orderDirty_ = false;
    return false;
  }
  orderDirty_ = false;
  return true;
}

std::vector<size_t> ListModel::DisplayIndicesOf(const std::vector<size_t>& rows) const {
  std::vector<size_t> shown;
  shown.reserve(rows.size());
  if (!keep_ && (!sorted_ || orderDirty_ || order_.empty())) {
    for (size_t row : rows) shown.push_back(row);
    return shown;
  }
  const size_t count = ShownCount();
  std::vector<size_t> inverse(rowCount_, SIZE_MAX);
  for (size_t i = 0; i < count; ++i) inverse[RowAt(i)] = i;
  for (size_t row : rows) shown.push_back(row < inverse.size() ? inverse[row] : SIZE_MAX);
  return shown;
}

}  // namespace glimmerlog
