#include "app/listmodel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>
#include <random>

#include "base/ascii.h"

namespace glimmerlog {
namespace {

std::u16string Text(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

// The display order against a plain stable sort by the rule: empty cells,
// then numbers, times and texts, each by value (texts by their collation
// key), ties in the order of addition. Columns of one kind and mixed, with
// missing cells, many ties, long shared beginnings and text outside Latin-1.
TEST(ListModel, OrderMatchesAStableSortByTheRule) {
  std::mt19937 random(7);
  for (int round = 0; round < 40; ++round) {
    ListModel model;
    model.AddColumn(1, u"first", 100);
    model.AddColumn(2, u"second", 100);
    struct Cell {
      int kind;  // 0 empty, 1 number, 2 time, 3 text
      double value;
      std::u16string text;
    };
    std::vector<Cell> cells;
    const size_t rows = 1 + random() % 300;
    for (size_t r = 0; r < rows; ++r) {
      const size_t row = model.AddRow(u"x");
      const int kind = round % 4 == 3 ? static_cast<int>(random() % 4) : 3 - round % 4;
      Cell c{kind, static_cast<double>(random() % 10),
             Text("http://www.Example.com/" + std::string(random() % 3, 'A' + random() % 3))};
      if (round % 3 != 0 && random() % 7 == 0) c.text += u"\u00e9\u4e2d";
      if (round % 3 != 0 && random() % 9 == 0) c.text = u"\xD800";  // an unpaired surrogate
      if (kind == 1) model.SetNumber(row, 1, c.value);
      if (kind == 2) model.SetTime(row, 1, static_cast<uint64_t>(c.value));
      if (kind == 3) model.SetText(row, 1, c.text);
      cells.push_back(c);
    }
    // Every other round the characters' ranks stand for the keys wherever
    // the column is printable ASCII alone.
    static const auto ranks = [] {
      std::array<unsigned char, 128> r{};
      for (char c = 0x20; c < 0x7F; ++c) r[static_cast<size_t>(c)] = static_cast<unsigned char>(FoldAscii(c));
      return r;
    }();
    if (round % 2 == 0) model.SetAsciiRanks(ranks.data());
    model.SetSortKey(1);
    model.SetSorted(true);
    ASSERT_TRUE(model.Resort());

    std::vector<size_t> want(rows);
    for (size_t i = 0; i < rows; ++i) want[i] = i;
    std::stable_sort(want.begin(), want.end(), [&](size_t a, size_t b) {
      const Cell &x = cells[a], &y = cells[b];
      if (x.kind != y.kind) return x.kind < y.kind;
      if (x.kind == 3) {
        std::string kx, ky;
        AsciiFoldKey(x.text, kx);
        AsciiFoldKey(y.text, ky);
        return kx < ky;
      }
      return x.kind != 0 && x.value < y.value;
    });
    for (size_t i = 0; i < rows; ++i) ASSERT_EQ(model.RowAt(i), want[i]) << "round " << round << " at " << i;
    // Where every row lands, for keeping a selection across the reorder.
    EXPECT_EQ(model.DisplayIndicesOf({want[0], want[rows - 1]}), (std::vector<size_t>{0, rows - 1}));
  }
}

// Text columns order by the keys of the collation given (the window gives
// the user's locale); numbers and times keep their own order.
TEST(ListModel, TextOrderComesFromTheCollation) {
  ListModel model;
  for (const char16_t* t : {u"b", u"a", u"c"}) model.AddRow(t);
  model.SetCollation([](std::u16string_view text, std::string& key) {
    key.assign(1, static_cast<char>(255 - text[0]));  // reverse order
  });
  model.SetSorted(true);
  ASSERT_TRUE(model.Resort());
  EXPECT_EQ(model.TextOfRow(model.RowAt(0), 0), u"c");
  EXPECT_EQ(model.TextOfRow(model.RowAt(2), 0), u"a");
  model.SetCollation(nullptr);  // back to the default
  model.Resort();
  EXPECT_EQ(model.TextOfRow(model.RowAt(0), 0), u"a");
}

TEST(ListModel, DescendingTurnsTheOrderRoundKeepingTiesInOrderOfAddition) {
  ListModel model;
  for (uint64_t t : {5, 9, 5, 1}) model.SetTime(model.AddRow(u"x"), 0, t);
  model.SetSorted(true);
  model.SetDescending(true);
  ASSERT_TRUE(model.Resort());
  std::vector<size_t> rows;
  for (size_t i = 0; i < 4; ++i) rows.push_back(model.RowAt(i));
  EXPECT_EQ(rows, (std::vector<size_t>{1, 0, 2, 3}));
  model.SetSorted(false);  // the source's own order again
  EXPECT_EQ(model.RowAt(0), 0u);
}

// The filter shows the rows it keeps in display order, judges rows added
// during a load as they come, follows a resort, and goes away whole.
TEST(ListModel, TheFilterKeepsItsRowsThroughLoadsAndSorts) {
  ListModel model;
  auto keep = [&model](size_t row) { return model.TextOfRow(row, 0).find(u'a') != std::u16string::npos; };
  for (const char16_t* t : {u"banana", u"cherry", u"apple"}) model.AddRow(t);
  model.SetFilter(keep);
  ASSERT_EQ(model.ShownCount(), 2u);
  EXPECT_EQ(model.RowAt(1), 2u);
  model.AddRow(u"date");  // a long load adds
  model.AddRow(u"fig");
  EXPECT_EQ(model.ShownCount(), 2u);  // not judged yet
  model.FilterNewRows();
  ASSERT_EQ(model.ShownCount(), 3u);
  EXPECT_EQ(model.RowAt(2), 3u);
  model.SetSorted(true);
  ASSERT_TRUE(model.Resort());
  EXPECT_EQ(model.TextOfRow(model.RowAt(0), 0), u"apple");
  EXPECT_EQ(model.DisplayIndicesOf({1, 3}), (std::vector<size_t>{SIZE_MAX, 2}));  // cherry is hidden
  model.ClearRows();                                                              // a new view keeps the filter
  model.AddRow(u"kiwi");
  model.AddRow(u"mango");
  model.Resort();
  EXPECT_EQ(model.ShownCount(), 1u);
  model.SetFilter({});
  EXPECT_EQ(model.ShownCount(), 2u);
}

// Texts come back exactly as stored: UTF-16 with unpaired surrogates, Latin-1
// stored a byte a character, long texts past the storage's block size.
TEST(ListModel, TextsComeBackExactlyAsStored) {
  ListModel model;
  const std::u16string odd = u"run \xDC00 me \xD83D";
  const std::u16string latin = u"caf\u00e9 \u00ff";
  const std::u16string huge(3u << 20, u'\u4e2d');
  const std::string bytes = "http://a.example/\xe9";
  model.AddRow(odd);
  model.AddRow(latin);
  model.AddRow(huge);
  model.AddRowLatin1(bytes);
  model.AddRow(u"");
  EXPECT_EQ(model.TextOfRow(0, 0), odd);
  EXPECT_EQ(model.TextOfRow(1, 0), latin);
  EXPECT_EQ(model.TextOfRow(2, 0), huge);
  EXPECT_EQ(model.TextOfRow(3, 0), u"http://a.example/\u00e9");
  EXPECT_EQ(model.KindOfRow(4, 0), ListModel::Kind::kText);
  EXPECT_TRUE(model.TextStartsWith(3, 0, u"HTTP://A"));
  EXPECT_FALSE(model.TextStartsWith(1, 0, u"CAF\u00c9"));  // only ASCII letters fold
  // A cell set past the columns named widens every row.
  model.SetNumber(1, 3, 2.5);
  EXPECT_EQ(model.NumberOfRow(1, 3), 2.5);
  EXPECT_EQ(model.TextOfRow(2, 0), huge);
}

// A million index.dat-like lines take about their text plus a cell each,
// not a string object and a vector per line.
TEST(ListModel, LinesAreStoredCompactly) {
  ListModel model;
  const std::string line = "http://cache.example.com/object/12345/Item.HTM";  // 46 bytes
  for (int i = 0; i < 100000; ++i) model.AddRowLatin1(line);
  EXPECT_LT(model.MemoryUse() / 100000, line.size() + 24);
}

}  // namespace
}  // namespace glimmerlog

namespace glimmerlog {
namespace {

// A text repeated down a column is stored once; a different one, and one
// that only starts the same, are stored as they are.
TEST(ListModel, RepeatedColumnTextIsStoredOnce) {
  ListModel model;
  model.AddColumn(1, u"a", 1);
  model.AddColumn(2, u"b", 1);
  const std::u16string path(200, u'p');
  for (size_t i = 0; i < 20000; ++i) {
    model.SetText(model.AddRow(u"x"), 1, i == 500 ? path + u"!" : path);
  }
  model.SetText(model.AddRow(u"y"), 1, u"\u0100\u0101");
  model.SetText(model.AddRow(u"z"), 1, u"\u0100\u0101");
  EXPECT_LT(model.MemoryUse(), (size_t{2} << 20) + 20002 * 2 * 32);  // 4 MB if each were stored
  EXPECT_EQ(model.TextOfRow(499, 1), path);
  EXPECT_EQ(model.TextOfRow(500, 1), path + u"!");
  EXPECT_EQ(model.TextOfRow(501, 1), path);
  EXPECT_EQ(model.TextOfRow(20001, 1), u"\u0100\u0101");
}

// A table filled elsewhere (a view's reader) is shown as it grows: its new
// rows are judged by the filter and ordered like rows added through the
// model. ClearRows leaves it whole to the reader still writing to it.
TEST(ListModel, AnAdoptedTableShowsItsNewRowsAndOutlivesClearRows) {
  auto table = std::make_shared<Table>();
  table->AddRow().Text(u"banana");
  ListModel model;
  model.SetFilter([&model](size_t row) { return model.TextOfRow(row, 0).find(u'a') != std::u16string::npos; });
  model.AddRow(u"apple");  // the model's own table, replaced
  model.Adopt(table);
  EXPECT_EQ(model.Rows(), table);
  EXPECT_EQ(model.ShownCount(), 0u);  // not judged yet
  table->AddRow().Text(u"fig");
  table->AddRow().Latin1("cara\xef" "be");
  model.FilterNewRows();
  ASSERT_EQ(model.ShownCount(), 2u);
  EXPECT_EQ(model.TextOfRow(model.RowAt(1), 0), u"cara\u00efbe");
  model.SetSorted(true);
  model.SetDescending(true);
  ASSERT_TRUE(model.Resort());
  table->AddRow().Text(u"avocado");
  model.FilterNewRows();  // sorted: the resort takes the new rows in
  EXPECT_EQ(model.ShownCount(), 2u);
  ASSERT_TRUE(model.Resort());
  ASSERT_EQ(model.ShownCount(), 3u);
  EXPECT_EQ(model.TextOfRow(model.RowAt(2), 0), u"avocado");
  model.ClearRows();
  table->AddRow().Text(u"date");
  EXPECT_EQ(model.RowCount(), 0u);
  EXPECT_NE(model.Rows(), table);
  ASSERT_EQ(table->RowCount(), 5u);
  EXPECT_EQ(table->Cell(0, 0).text, u"banana");
  EXPECT_EQ(table->Cell(4, 0).text, u"date");
}

}  // namespace
}  // namespace glimmerlog
