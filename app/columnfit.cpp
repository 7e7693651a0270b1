#include "app/columnfit.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace glimmerlog {

std::vector<size_t> LongestCells(const ListModel& model, size_t column, size_t count, size_t timeLength) {
  // A min-heap of the longest so far: (length, -display index), so that of
  // two equal lengths the earlier line stays.
  using Entry = std::pair<size_t, std::ptrdiff_t>;
  std::vector<Entry> heap;
  if (count == 0) return {};
  heap.reserve(count + 1);
  const auto longer = [](const Entry& a, const Entry& b) { return a > b; };
  ListModel::StoredText text;
  char number[40];
  for (size_t i = 0, shown = model.ShownCount(); i < shown; ++i) {
    const size_t row = model.RowAt(i);
    size_t length = 0;
    switch (model.KindOfRow(row, column)) {
      case ListModel::Kind::kText:
        if (model.StoredTextOfRow(row, column, text)) length = text.length;
        break;
      case ListModel::Kind::kTime: length = timeLength; break;
      case ListModel::Kind::kNumber: {
        const int n = std::snprintf(number, sizeof(number), "%.15g", model.NumberOfRow(row, column));
        length = n > 0 ? static_cast<size_t>(n) : 0;
        break;
      }
      case ListModel::Kind::kEmpty: continue;
    }
    const Entry e{length, -static_cast<std::ptrdiff_t>(i)};
    if (heap.size() < count) {
      heap.push_back(e);
      std::push_heap(heap.begin(), heap.end(), longer);
    } else if (longer(e, heap.front())) {
      std::pop_heap(heap.begin(), heap.end(), longer);
      heap.back() = e;
      std::push_heap(heap.begin(), heap.end(), longer);
    }
  }
  std::sort(heap.begin(), heap.end(), longer);
  std::vector<size_t> rows;
  rows.reserve(heap.size());
  for (const Entry& e : heap) rows.push_back(static_cast<size_t>(-e.second));
  return rows;
}

}  // namespace glimmerlog
