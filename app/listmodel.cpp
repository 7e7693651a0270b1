#include "app/listmodel.h"

#include <algorithm>
#include <new>

namespace glimmerlog {

namespace {
const std::string kEmpty;

unsigned char Fold(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c; }
}  // namespace

int CompareTextNoCase(const std::string& a, const std::string& b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const unsigned char x = Fold(static_cast<unsigned char>(a[i]));
    const unsigned char y = Fold(static_cast<unsigned char>(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
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

bool ListModel::Less(size_t a, size_t b) const {
  const size_t col = sortKey_ < 0 ? 0 : static_cast<size_t>(sortKey_);
  static const Cell kNone;
  const Cell& x = col < rows_[a].size() ? rows_[a][col] : kNone;
  const Cell& y = col < rows_[b].size() ? rows_[b][col] : kNone;
  if (x.hasSortValue && y.hasSortValue) return x.sortValue < y.sortValue;
  return CompareTextNoCase(x.text, y.text) < 0;
}

bool ListModel::Resort() {
  if (!sorted_ || !orderDirty_) return true;
  try {
    order_.resize(rows_.size());
    for (size_t i = 0; i < order_.size(); ++i) order_[i] = i;
    std::stable_sort(order_.begin(), order_.end(), [this](size_t a, size_t b) { return Less(a, b); });
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
