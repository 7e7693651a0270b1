// The compact table: texts across block boundaries and longer than a block,
// cells past a row's end, and targets of their own or from a column.
#include <gtest/gtest.h>

#include "views/table.h"

namespace glimmerlog {
namespace {

TEST(Table, TextsSurviveBlocksAndTargetsFallBackToTheirColumn) {
  Table table;
  table.targetColumn = 1;
  const std::u16string huge(300 * 1024, u'h');  // longer than a text block
  for (int i = 0; i < 40000; ++i) {
    const std::u16string text = u"row " + NumberText(i) + u" " + std::u16string(static_cast<size_t>(i % 13), u'x');
    auto row = table.AddRow();
    row.Text(text).Text(i == 7 ? huge : u"http://" + NumberText(i)).Number(i).Time(i == 3 ? 0 : 100 + i);
    if (i % 2) row.Target(u"own " + NumberText(i));
  }
  ASSERT_EQ(table.RowCount(), 40000u);
  for (size_t i = 0; i < table.RowCount(); i += 997) {
    EXPECT_EQ(table.Cell(i, 0).text, u"row " + NumberText(i) + u" " + std::u16string(i % 13, u'x'));
    EXPECT_EQ(table.Cell(i, 2).number, static_cast<double>(i));
    EXPECT_EQ(table.TargetOf(i), i % 2 ? u"own " + NumberText(i) : u"http://" + NumberText(i));
  }
  EXPECT_EQ(table.Cell(7, 1).text, huge);
  EXPECT_EQ(table.Cell(8, 1).text, u"http://8");
  EXPECT_EQ(table.Cell(3, 3).kind, TableCell::Kind::kEmpty);  // no time stored
  EXPECT_EQ(table.Cell(4, 3).time, 104u);
  EXPECT_EQ(table.Cell(4, 9).kind, TableCell::Kind::kEmpty);  // past the row's cells
  EXPECT_EQ(table.Cell(40000, 0).kind, TableCell::Kind::kEmpty);
  EXPECT_TRUE(table.TargetOf(40000).empty());
}

}  // namespace
}  // namespace glimmerlog
