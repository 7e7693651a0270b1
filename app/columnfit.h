// Fitting a column of the list to its contents: which cells to measure.
// Measuring every cell of a view of a million lines would freeze the window,
// so only the longest texts are measured; the widest text of a column is,
// but for a rare mix of narrow and wide letters, among them. Platform-free.
#ifndef GLIMMERLOG_APP_COLUMNFIT_H
#define GLIMMERLOG_APP_COLUMNFIT_H

#include <cstddef>
#include <vector>

#include "app/listmodel.h"

namespace glimmerlog {

// At most `count` of the rows shown (display indices) whose cells in
// `column` hold the most characters as the list writes them; a time counts
// as `timeLength` characters. Longest first, ties in display order.
std::vector<size_t> LongestCells(const ListModel& model, size_t column, size_t count, size_t timeLength);

}  // namespace glimmerlog

#endif
