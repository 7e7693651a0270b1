#include "app/listmodel.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>

namespace glimmerlog {

namespace {
const std::string kEmpty;

unsigned char Fold(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c; }
}  // namespace

int CompareTextNoCase(const char* a, size_t an, const char* b, size_t bn) {
  const size_t n = std::min(an, bn);
  size_t i = 0;
  // Texts of a list often share long beginnings ("http://www."): equal
  // bytes are equal folded too, so they are skipped eight at a time.
  for (; i + 8 <= n; i += 8) {
    uint64_t x, y;
    std::memcpy(&x, a + i, 8);
    std::memcpy(&y, b + i, 8);
    if (x != y) break;
  }
  for (; i < n; ++i) {
    const unsigned char x = Fold(static_cast<unsigned char>(a[i]));
    const unsigned char y = Fold(static_cast<unsigned char>(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  if (an == bn) return 0;
  return an < bn ? -1 : 1;
}

int CompareTextNoCase(const std::string& a, const std::string& b) {
  return CompareTextNoCase(a.data(), a.size(), b.data(), b.size());
}

void ListModel::AddColumn(size_t position, std::string caption, long widthTwips) {
  const size_t at = position == 0 ? 0 : std::min(position - 1, columns_.size());
  columns_.insert(columns_.begin() + static_cast<std::ptrdiff_t>(at), Column{std::move(caption), widthTwips});
}

size_t ListModel::AddRow(std::string text) {
  // The row is whole before it joins the list: when memory runs out, the
  // list is left as it was.
  std::vector<Cell> row;
  row.push_back(Cell{std::move(text)});
  rows_.push_back(std::move(row));
  if (sorted_) orderDirty_ = true;
  return rows_.size() - 1;
}

ListModel::Cell& ListModel::CellRef(size_t row, size_t column) {
  auto& cells = rows_.at(row);
  if (cells.size() <= column) cells.resize(column + 1);
  if (sorted_) orderDirty_ = true;
  return cells[column];
}

void ListModel::SetCell(size_t row, size_t column, std::string text) {
  Cell& c = CellRef(row, column);
  c.text = std::move(text);
  c.hasSortValue = false;
}

void ListModel::SetCell(size_t row, size_t column, std::string text, double sortValue) {
  Cell& c = CellRef(row, column);
  c.text = std::move(text);
  c.sortValue = sortValue;
  c.hasSortValue = true;
}

void ListModel::ClearRows() {
  rows_.clear();
  order_.clear();
  orderDirty_ = false;
}

const std::string& ListModel::CellOfRow(size_t row, size_t column) const {
  if (row >= rows_.size()) return kEmpty;
  const auto& cells = rows_[row];
  return column < cells.size() ? cells[column].text : kEmpty;
}

size_t ListModel::RowAt(size_t displayIndex) const {
  if (sorted_ && !orderDirty_ && displayIndex < order_.size()) return order_[displayIndex];
  return displayIndex;
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
  if (!sorted) order_.clear();
}

bool ListModel::Resort() {
  if (!sorted_ || !orderDirty_) return true;
  // Each row's key is gathered once, so that the comparisons of the sort
  // read the text directly rather than through the row's cells.
  struct Key {
    const char* text;
    size_t size;
    double value;
    bool hasValue;
    size_t row;
  };
  static const Cell kNone;
  const size_t col = sortKey_ < 0 ? 0 : static_cast<size_t>(sortKey_);
  try {
    std::vector<Key> keys;
    keys.reserve(rows_.size());
    for (size_t r = 0; r < rows_.size(); ++r) {
      const Cell& c = col < rows_[r].size() ? rows_[r][col] : kNone;
      keys.push_back(Key{c.text.data(), c.text.size(), c.sortValue, c.hasSortValue, r});
    }
    // Numbers where both cells carry one, text otherwise; ties keep the order
    // of addition. Where every cell is of one kind (and no number is NaN)
    // that is a strict order with the row as the last key, and the faster
    // unstable sort gives the same result; a column that mixes numbers and
    // text is no strict order, which only the merge sort takes safely.
    size_t numbers = 0;
    bool nan = false;
    for (const Key& k : keys) {
      numbers += k.hasValue;
      nan = nan || (k.hasValue && k.value != k.value);
    }
    auto less = [](const Key& x, const Key& y) {
      if (x.hasValue && y.hasValue) return x.value < y.value;
      return CompareTextNoCase(x.text, x.size, y.text, y.size) < 0;
    };
    if ((numbers == 0 || numbers == keys.size()) && !nan) {
      std::sort(keys.begin(), keys.end(), [](const Key& x, const Key& y) {
        const int c = x.hasValue ? (x.value < y.value ? -1 : y.value < x.value ? 1 : 0)
                                 : CompareTextNoCase(x.text, x.size, y.text, y.size);
        return c != 0 ? c < 0 : x.row < y.row;
      });
    } else {
      std::stable_sort(keys.begin(), keys.end(), less);
    }
    order_.resize(keys.size());
    for (size_t i = 0; i < keys.size(); ++i) order_[i] = keys[i].row;
  } catch (const std::bad_alloc&) {
    // No memory for the order: the rows show as they were added.
    order_.clear();
    order_.shrink_to_fit();
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
  if (!sorted_ || orderDirty_ || order_.empty()) {
    for (size_t row : rows) shown.push_back(row);
    return shown;
  }
  std::vector<size_t> inverse(order_.size());
  for (size_t i = 0; i < order_.size(); ++i) inverse[order_[i]] = i;
  for (size_t row : rows) shown.push_back(row < inverse.size() ? inverse[row] : row);
  return shown;
}

}  // namespace glimmerlog
