// The compact table: texts across block boundaries and longer than a block,
// cells past a row's end, targets of their own or from a column, texts
// stored a byte a character, and cells set by row and column.
#include <gtest/gtest.h>

#include <string>
#include <vector>

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

// Every way of storing a text gives back exactly what was given, one byte a
// character only when every character is below U+0100; a cell read back
// keeps its widened text when copied and the table's cell it came from is
// long gone.
TEST(Table, TextsComeBackExactlyWhicheverWayTheyAreStored) {
  struct Case {
    std::u16string text;
    bool narrow;
  };
  const std::vector<Case> cases = {
      {u"plain ascii", true},       {u"caf\u00e9 \u00ff", true}, {u"\u0100 just past", false},
      {u"run \xDC00 me \xD83D", false}, {std::u16string(3u << 20, u'l'), true},
  };
  Table table;
  table.targetColumn = 2;
  for (const Case& c : cases) {
    std::string bytes;
    for (char16_t ch : c.text) bytes += static_cast<char>(ch);
    auto row = table.AddRow().Text(c.text);
    if (c.narrow) row.Latin1(bytes);
    const size_t r = table.RowCount() - 1;
    table.SetText(r, 2, c.text);
  }
  for (size_t r = 0; r < cases.size(); ++r) {
    const Case& c = cases[r];
    for (size_t column : {0, 2, c.narrow ? 1 : 0}) {
      const StoredCell in = table.CellInPlace(r, column);
      EXPECT_EQ(in.latin1, c.narrow && column != 0) << r << "," << column;  // the builder's Text keeps UTF-16
      EXPECT_EQ(in.length, c.text.size());
      TableCell copy;
      {
        const TableCell cell = table.Cell(r, column);
        copy = cell;
      }
      EXPECT_EQ(copy.text, c.text) << r << "," << column;
    }
    EXPECT_EQ(table.TargetOf(r), c.text) << r;
  }
  // An empty text: no cell from the row builder, a text cell when set.
  table.AddRow().Text(u"").Latin1("");
  table.SetText(table.RowCount() - 1, 2, u"");
  EXPECT_EQ(table.Cell(cases.size(), 0).kind, TableCell::Kind::kEmpty);
  EXPECT_EQ(table.Cell(cases.size(), 1).kind, TableCell::Kind::kEmpty);
  EXPECT_EQ(table.Cell(cases.size(), 2).kind, TableCell::Kind::kText);
}

// A cell set past a row's cells widens every row and keeps what they held;
// a set cell is of exactly the kind given (a time of 0 too); a row not
// added is refused.
TEST(Table, CellsSetByRowAndColumn) {
  Table table;
  for (int i = 0; i < 1000; ++i) table.AddRow().Text(u"r" + NumberText(i)).Time(100 + i);
  table.SetNumber(999, 5, 2.5);
  table.SetTime(3, 1, 0);
  table.SetText(4, 0, u"\u4e2d");
  for (size_t r = 0; r < 999; r += 111) {
    if (r == 4) continue;
    EXPECT_EQ(table.Cell(r, 0).text, u"r" + NumberText(r));
    if (r != 3) EXPECT_EQ(table.Cell(r, 1).time, 100 + r);
    EXPECT_EQ(table.Cell(r, 5).kind, TableCell::Kind::kEmpty);
  }
  EXPECT_EQ(table.Cell(999, 5).number, 2.5);
  EXPECT_EQ(table.Cell(3, 1).kind, TableCell::Kind::kTime);
  EXPECT_EQ(table.Cell(4, 0).text, u"\u4e2d");
  EXPECT_THROW(table.SetText(1000, 0, u"x"), std::out_of_range);
  table.Truncate(10);
  EXPECT_EQ(table.RowCount(), 10u);
  EXPECT_EQ(table.Cell(10, 0).kind, TableCell::Kind::kEmpty);
}

// A long view of short Latin-1 lines costs about their text plus a
// cell each.
TEST(Table, Latin1LinesCostTheirLengthAndACell) {
  Table table;
  const std::string line = "http://cache.example.com/object/12345/Item.HTM";
  for (int i = 0; i < 400000; ++i) table.AddRow().Latin1(i % 2 ? line : line + "?");
  EXPECT_LT(table.MemoryUse() / 400000, line.size() + 20);
}

// The panel names each failed source once: values of one key are the key's,
// with how many failed; past three sources, a count and where to read them.
TEST(Table, ProblemsNameEachFailedSourceOnce) {
  struct Case {
    std::vector<std::u16string> problems;
    std::u16string text;
  };
  const Case cases[] = {
      {{u"RecentDocs: damaged", u"RecentDocs: damaged", u"TypedPaths: missing"},
       u"RecentDocs: damaged (2 entries); TypedPaths: missing"},
      {{u"UserAssist\\{A} value x.exe: damaged", u"UserAssist\\{A} value y.exe: not text"},
       u"UserAssist\\{A}: damaged (2 entries)"},
      {{u"Recycle Bin: C:\\$Recycle.Bin\\$IA.txt: too short"}, u"Recycle Bin: C:\\$Recycle.Bin\\$IA.txt: too short"},
      {{u"a: x", u"b: x", u"c: x", u"d: x", u"a: y", u"e"},
       u"a: x (2 entries); b: x; c: x; and 2 more (the Sources view lists them)"},
  };
  for (const Case& c : cases) EXPECT_EQ(ProblemsText(c.problems), c.text);
}

}  // namespace
}  // namespace glimmerlog
