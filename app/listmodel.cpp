#include "app/listmodel.h"

#include "app/keysort.h"

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
  ++columnsVersion_;
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
  asciiRanks_ = nullptr;  // the ranks of another collation
  orderDirty_ = sorted_;
}

namespace {

// Numbers and times of one column, by value and then by row; NaN after
// every number, so that the order stays strict.
struct ValueItem {
  uint32_t row;
  union {
    uint64_t time;
    double number;
  } v;
};

char16_t CodeUnit(const char* bytes, size_t i) {
  char16_t unit;
  std::memcpy(&unit, bytes + 2 * i, 2);
  return unit;
}

int CompareValues(const ValueItem& x, const ValueItem& y, ListModel::Kind kind) {
  if (kind == ListModel::Kind::kTime) return x.v.time < y.v.time ? -1 : y.v.time < x.v.time ? 1 : 0;
  const double p = x.v.number, q = y.v.number;
  const bool pn = p != p, qn = q != q;
  return pn || qn ? (pn == qn ? 0 : pn ? 1 : -1) : (p < q ? -1 : q < p ? 1 : 0);
}

}  // namespace

bool ListModel::Ranked(size_t column) const {
  for (size_t r = 0, rows = RowCount(); r < rows; ++r) {
    const StoredCell c = rows_->CellInPlace(r, column);
    if (c.kind != Kind::kText) continue;
    for (size_t i = 0; i < c.length; ++i) {
      const unsigned unit = c.latin1 ? static_cast<unsigned char>(c.bytes[i]) : CodeUnit(c.bytes, i);
      if (unit >= 0x80 || !asciiRanks_[unit]) return false;
    }
  }
  return true;
}

// The rows of each kind are gathered in order of addition; texts get their
// collation keys once (or their characters' ranks, when the column allows)
// and are ordered as bytes (keysort.h), numbers and times by value. The kinds follow one another by rank, turned round when
// descending; ties stay in the order of addition either way.
ListModel::OrderResult ListModel::MakeOrder(int key, bool descending, PendingOrder& out, const SortStep& step) const {
  const size_t col = key < 0 ? 0 : static_cast<size_t>(key);
  const size_t rows = RowCount();
  try {
    std::vector<uint32_t> byRank[4];
    std::vector<ValueItem> values[4];
    KeyStore keys;
    std::string textKey;
    std::u16string text;
    const bool ranked = asciiRanks_ && Ranked(col);
    // Room for a column of texts, the usual case, made at once.
    byRank[Rank(Kind::kText)].reserve(rows);
    keys.Reserve(rows);
    for (size_t r = 0; r < rows; ++r) {
      const StoredCell c = rows_->CellInPlace(r, col);
      const int rank = Rank(c.kind);
      byRank[rank].push_back(static_cast<uint32_t>(r));
      if (c.kind == Kind::kTime || c.kind == Kind::kNumber) {
        ValueItem item{static_cast<uint32_t>(r), {0}};
        if (c.kind == Kind::kTime) {
          item.v.time = c.time;
        } else {
          item.v.number = c.number;
        }
        values[rank].push_back(item);
      } else if (c.kind == Kind::kText) {
        if (ranked) {
          // One byte a character, read where the cell keeps it.
          textKey.resize(c.length);
          for (size_t i = 0; i < c.length; ++i) {
            textKey[i] = static_cast<char>(
                asciiRanks_[c.latin1 ? static_cast<unsigned char>(c.bytes[i]) : CodeUnit(c.bytes, i)]);
          }
        } else {
          text.resize(c.length);
          if (c.latin1) {
            for (size_t i = 0; i < c.length; ++i) text[i] = static_cast<unsigned char>(c.bytes[i]);
          } else {
            std::memcpy(&text[0], c.bytes, c.length * 2);
          }
          collation_(text, textKey);
        }
        keys.Add(textKey);
      }
      // Making the keys is about half of the work.
      if (step && (r & 16383) == 16383 && !step(r / 2, rows)) return OrderResult::kStopped;
    }
    const int direction = descending ? -1 : 1;
    for (const Kind kind : {Kind::kNumber, Kind::kTime}) {
      std::vector<ValueItem>& v = values[Rank(kind)];
      std::sort(v.begin(), v.end(), [kind, direction](const ValueItem& x, const ValueItem& y) {
        const int c = CompareValues(x, y, kind);
        return c != 0 ? c * direction < 0 : x.row < y.row;
      });
      std::vector<uint32_t>& ordered = byRank[Rank(kind)];
      for (size_t i = 0; i < v.size(); ++i) ordered[i] = v[i].row;
    }
    std::vector<uint32_t>& texts = byRank[Rank(Kind::kText)];
    std::vector<uint32_t> ids(texts.size());
    for (size_t i = 0; i < ids.size(); ++i) ids[i] = static_cast<uint32_t>(i);
    const size_t before = rows - texts.size();
    const auto sortStep = [&step, rows, before](uint64_t done, uint64_t total) {
      return step(rows / 2 + (before + done) * (rows - rows / 2) / std::max<uint64_t>(1, before + total), rows);
    };
    if (!SortByKeys(keys, ids, descending, step ? SortStep(sortStep) : SortStep())) return OrderResult::kStopped;
    for (size_t i = 0; i < ids.size(); ++i) ids[i] = texts[ids[i]];
    texts.swap(ids);

    std::vector<uint32_t> order;
    order.reserve(rows);
    for (int i = 0; i < 4; ++i) {
      const std::vector<uint32_t>& part = byRank[descending ? 3 - i : i];
      order.insert(order.end(), part.begin(), part.end());
    }
    out.rows = rows_;
    out.rowCount = rows;
    out.key = key;
    out.descending = descending;
    out.order.swap(order);
  } catch (const std::bad_alloc&) {
    return OrderResult::kNoMemory;
  }
  return OrderResult::kDone;
}

bool ListModel::TakeOrder(PendingOrder&& pending) {
  if (pending.rows != rows_ || pending.rowCount != RowCount() || pending.order.size() != RowCount()) return false;
  order_.swap(pending.order);
  sortKey_ = pending.key;
  descending_ = pending.descending;
  sorted_ = true;
  orderDirty_ = false;
  if (keep_) Refilter();
  return true;
}

bool ListModel::Resort() {
  if (!sorted_ || OrderCurrent()) return true;
  PendingOrder pending;
  if (MakeOrder(sortKey_, descending_, pending) != OrderResult::kDone) {
    // No memory for the order: the rows show as they were added.
    std::vector<uint32_t>().swap(order_);
    sorted_ = false;
    orderDirty_ = false;
    if (keep_) Refilter();
    return false;
  }
  TakeOrder(std::move(pending));
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
