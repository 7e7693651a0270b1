#include "app/listmodel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace glimmerlog {
namespace {

// The display order against a plain stable sort by the rule: numbers where
// both cells carry one, text without regard to ASCII case otherwise, ties in
// the order of addition. Columns of text, of numbers, of both mixed, with
// missing cells, many ties and long shared beginnings.
TEST(ListModel, OrderMatchesAStableSortByTheRule) {
  std::mt19937 random(7);
  for (int round = 0; round < 40; ++round) {
    ListModel model;
    struct Cell {
      std::string text;
      bool hasValue;
      double value;
    };
    std::vector<Cell> cells;
    const int kind = round % 3;  // 0 text, 1 numbers, 2 mixed and missing
    const size_t rows = 1 + random() % 300;
    for (size_t r = 0; r < rows; ++r) {
      std::string text = "http://www.Example.com/" + std::string(random() % 3, 'A' + random() % 3);
      if (random() % 4 == 0) text = std::string(random() % 20, 'x');
      const size_t row = model.AddRow("first");
      Cell c{text, kind == 1 || (kind == 2 && random() % 2), static_cast<double>(random() % 10)};
      if (kind == 2 && random() % 5 == 0) {
        c = Cell{"", false, 0};  // a row without this cell
      } else if (c.hasValue) {
        model.SetCell(row, 1, c.text, c.value);
      } else {
        model.SetCell(row, 1, c.text);
      }
      cells.push_back(c);
    }
    model.SetSortKey(1);
    model.SetSorted(true);
    ASSERT_TRUE(model.Resort());

    std::vector<size_t> want(rows);
    for (size_t i = 0; i < rows; ++i) want[i] = i;
    std::stable_sort(want.begin(), want.end(), [&](size_t a, size_t b) {
      if (cells[a].hasValue && cells[b].hasValue) return cells[a].value < cells[b].value;
      return CompareTextNoCase(cells[a].text, cells[b].text) < 0;
    });
    for (size_t i = 0; i < rows; ++i) ASSERT_EQ(model.RowAt(i), want[i]) << "round " << round << " at " << i;
    // Where every row lands, for keeping a selection across the reorder.
    EXPECT_EQ(model.DisplayIndicesOf({want[0], want[rows - 1]}), (std::vector<size_t>{0, rows - 1}));
  }
}

TEST(ListModel, CaseFoldingCoversOnlyAsciiLettersAcrossWordBoundaries) {
  EXPECT_EQ(CompareTextNoCase("HTTP://WWW.EXAMPLE.COM/A", "http://www.example.com/a"), 0);
  EXPECT_LT(CompareTextNoCase("http://www.example.com/a", "http://www.example.com/B"), 0);
  EXPECT_LT(CompareTextNoCase("abcdefgh", "abcdefghi"), 0);
  EXPECT_GT(CompareTextNoCase("\xc3\xa9", "\xc3\x89"), 0);  // é after É: bytes, not folded
  EXPECT_GT(CompareTextNoCase("Z", "["), 0);  // as 'z'
}

}  // namespace
}  // namespace glimmerlog
