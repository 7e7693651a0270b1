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
// Rows and cells: kept by the table.

template <typename SetFirst>
size_t ListModel::AppendRow(SetFirst setFirst) {
  const size_t row = rows_->RowCount();
  // Every row gets a cell per column from the first on; a view seldom sets
  // a cell past them (which widens every row).
  if (row == 0) rows_->Reserve(0, columns_.size());
  rows_->AddRow();
  try {
    setFirst(row);
  } catch (...) {
    rows_->Truncate(row);
    throw;
  }
  if (sorted_) orderDirty_ = true;
  return row;
}

size_t ListModel::AddRow(std::u16string_view text) {
  return AppendRow([&](size_t row) { rows_->SetText(row, 0, text); });
}

size_t ListModel::AddRowLatin1(std::string_view text) {
  return AppendRow([&](size_t row) { rows_->SetLatin1(row, 0, text); });
}

void ListModel::SetText(size_t row, size_t column, std::u16string_view text) {
  rows_->SetText(row, column, text);
  if (sorted_) orderDirty_ = true;
}

void ListModel::SetTime(size_t row, size_t column, uint64_t fileTime) {
  rows_->SetTime(row, column, fileTime);
  if (sorted_) orderDirty_ = true;
}

void ListModel::SetNumber(size_t row, size_t column, double value) {
  rows_->SetNumber(row, column, value);
  if (sorted_) orderDirty_ = true;
}

void ListModel::ClearRows() {
  // A new table, not the old one emptied: a reader that lost the list may
  // still hold its table and write to it. The old one's memory goes back to
  // the system when no one holds it (a view of millions of lines may be
  // followed by one of ten).
  Adopt(std::make_shared<Table>());
}

void ListModel::Adopt(std::shared_ptr<Table> rows) {
  if (!rows) rows = std::make_shared<Table>();
  rows_ = std::move(rows);
  std::vector<uint32_t>().swap(order_);
  std::vector<uint32_t>().swap(shown_);
  judged_ = 0;
  orderDirty_ = false;
}

ListModel::Kind ListModel::KindOfRow(size_t row, size_t column) const {
  return rows_->CellInPlace(row, column).kind;
}

std::u16string ListModel::TextOfRow(size_t row, size_t column) const {
  std::u16string text;
  TextOfRowInto(row, column, text);
  return text;
}

void ListModel::TextOfRowInto(size_t row, size_t column, std::u16string& text) const {
  const StoredCell c = rows_->CellInPlace(row, column);
  if (c.kind != Kind::kText) {
    text.clear();
    return;
  }
  text.resize(c.length);
  if (c.latin1) {
    for (size_t i = 0; i < text.size(); ++i) text[i] = static_cast<unsigned char>(c.bytes[i]);
  } else {
    std::memcpy(text.data(), c.bytes, text.size() * 2);
  }
}

bool ListModel::StoredTextOfRow(size_t row, size_t column, StoredText& text) const {
  const StoredCell c = rows_->CellInPlace(row, column);
  if (c.kind != Kind::kText) return false;
  text.bytes = c.bytes;
  text.length = c.length;
  text.latin1 = c.latin1;
  return true;
}

uint64_t ListModel::TimeOfRow(size_t row, size_t column) const { return rows_->CellInPlace(row, column).time; }

double ListModel::NumberOfRow(size_t row, size_t column) const { return rows_->CellInPlace(row, column).number; }

bool ListModel::TextStartsWith(size_t row, size_t column, std::u16string_view prefix) const {
  const StoredCell c = rows_->CellInPlace(row, column);
  if (c.kind != Kind::kText || c.length < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    char16_t ch;
    if (c.latin1) {
      ch = static_cast<unsigned char>(c.bytes[i]);
    } else {
      std::memcpy(&ch, c.bytes + 2 * i, 2);
    }
    if (Fold(ch) != Fold(prefix[i])) return false;
  }
  return true;
}

size_t ListModel::MemoryUse() const { return rows_->MemoryUse(); }

// ---------------------------------------------------------------------------
// Order.

size_t ListModel::UnfilteredRowAt(size_t displayIndex) const {
  if (sorted_ && OrderCurrent() && displayIndex < order_.size()) return order_[displayIndex];
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
  const size_t rows = RowCount();
  for (size_t d = 0; d < rows; ++d) {
    const size_t row = UnfilteredRowAt(d);
    if (keep_(row)) shown_.push_back(static_cast<uint32_t>(row));
  }
  judged_ = rows;
}

void ListModel::FilterNewRows() {
  if (!keep_) return;
  if (sorted_ && !OrderCurrent()) return;  // the next resort judges every row
  const size_t rows = RowCount();
  if (sorted_ && judged_ < rows) {
    Refilter();
    return;
  }
  for (; judged_ < rows; ++judged_) {
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
  if (!sorted_ || OrderCurrent()) return true;
  const size_t col = sortKey_ < 0 ? 0 : static_cast<size_t>(sortKey_);
  try {
    // Text cells get their collation key once, here; the comparisons of the
    // sort then compare bytes. Every comparison below is a strict order with
    // the row as its last key, so the unstable sort gives the stable result.
    const size_t rows = RowCount();
    std::vector<SortItem> items(rows);
    std::vector<std::string> keys;
    std::u16string text;
    for (size_t r = 0; r < rows; ++r) {
      const StoredCell c = rows_->CellInPlace(r, col);
      SortItem& item = items[r];
      item.row = static_cast<uint32_t>(r);
      item.rank = Rank(c.kind);
      item.v.time = 0;
      if (c.kind == Kind::kTime) item.v.time = c.time;
      if (c.kind == Kind::kNumber) item.v.number = c.number;
      if (c.kind == Kind::kText) {
        if (keys.empty()) keys.resize(rows);
        TextOfRowInto(r, col, text);
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
    std::vector<uint32_t> order(rows);
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
  if (!keep_ && (!sorted_ || !OrderCurrent())) {
    for (size_t row : rows) shown.push_back(row);
    return shown;
  }
  const size_t count = ShownCount();
  std::vector<size_t> inverse(RowCount(), SIZE_MAX);
  for (size_t i = 0; i < count; ++i) inverse[RowAt(i)] = i;
  for (size_t row : rows) shown.push_back(row < inverse.size() ? inverse[row] : SIZE_MAX);
  return shown;
}

}  // namespace glimmerlog
