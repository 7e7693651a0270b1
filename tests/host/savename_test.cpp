// The save dialog's proposed name for every view, the format a typed
// extension names, and which cells a column's fit measures.
#include "app/savename.h"

#include <gtest/gtest.h>

#include "app/columnfit.h"
#include "views/viewdef.h"

namespace glimmerlog {
namespace {

TEST(SaveName, EveryViewGivesANameWindowsCanHoldWithTheDate) {
  const std::u16string forbidden = u"<>:\"/\\|?*";
  for (const ViewDef& view : Views()) {
    const std::u16string name = SaveFileName(view.name, 2026, 12, 4);
    SCOPED_TRACE(std::string(name.begin(), name.end()));
    ASSERT_GT(name.size(), 11u);
    EXPECT_EQ(name.substr(name.size() - 11), u" 2026-12-04");
    for (char16_t c : name) EXPECT_TRUE(c >= 0x20 && forbidden.find(c) == std::u16string::npos);
    // Only the characters a name cannot hold change.
    const std::u16string stem = name.substr(0, name.size() - 11);
    ASSERT_EQ(stem.size(), std::u16string(view.name).size());
    for (size_t i = 0; i < stem.size(); ++i) {
      EXPECT_EQ(stem[i], forbidden.find(view.name[i]) == std::u16string::npos ? view.name[i] : u'-');
    }
  }
  EXPECT_EQ(SaveFileName(u"Open/Save", 2027, 1, 9), u"Open-Save 2027-01-09");
  // Windows drops a final dot or space; a tab is no character of a name.
  EXPECT_EQ(SaveFileName(u"a\tb. .", 2026, 12, 4), u"a-b 2026-12-04");
  EXPECT_EQ(SaveFileName(u"", 2026, 12, 4), u"2026-12-04");
}

TEST(SaveName, ATypedExtensionDecidesTheFormat) {
  const struct {
    const char16_t* path;
    ExportFormat format;
  } cases[] = {
      {u"C:\\out\\x.json", ExportFormat::kJson},
      {u"x.JSONL", ExportFormat::kJsonLines},
      {u"x.ndjson", ExportFormat::kJsonLines},
      {u"lines.TXT", ExportFormat::kText},
      {u"lines.tsv", ExportFormat::kText},
      {u"page.htm", ExportFormat::kHtml},
      {u"page.html", ExportFormat::kHtml},
      {u"a.b.csv", ExportFormat::kCsv},
      // No extension of ours: the type chosen in the dialog.
      {u"C:\\v1.2\\name", ExportFormat::kHtml},
      {u"name.", ExportFormat::kHtml},
      {u"book.xlsx", ExportFormat::kHtml},
      {u"C:\\out\\.json\\x", ExportFormat::kHtml},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FormatOfFileName(c.path, ExportFormat::kHtml), c.format) << std::string(c.path, c.path + 4);
  }
}

TEST(ColumnFit, TheLongestCellsShownAreMeasuredLongestFirst) {
  ListModel model;
  model.AddColumn(1, u"A", 1000);
  model.AddColumn(2, u"B", 1000);
  const char16_t* texts[] = {u"ab", u"abcdef", u"abc", u"abcdef", u"a", u"abcdefgh"};
  for (const char16_t* t : texts) model.AddRow(t);
  model.SetTime(0, 1, 1);
  model.SetNumber(1, 1, 123456.5);
  model.SetText(2, 1, u"x");
  // Longest first; of two as long, the one shown first.
  EXPECT_EQ(LongestCells(model, 0, 3, 20), (std::vector<size_t>{5, 1, 3}));
  EXPECT_EQ(LongestCells(model, 0, 100, 20).size(), 6u);
  // A time counts as the length given, a number as its text; empty cells not at all.
  EXPECT_EQ(LongestCells(model, 1, 5, 20), (std::vector<size_t>{0, 1, 2}));
  EXPECT_EQ(LongestCells(model, 1, 5, 2), (std::vector<size_t>{1, 0, 2}));
  // Display indices of the lines shown: sorted, and filtered.
  model.SetSortKey(0);
  model.SetDescending(true);
  model.SetSorted(true);
  model.Resort();
  EXPECT_EQ(LongestCells(model, 0, 2, 20), (std::vector<size_t>{0, 1}));
  model.SetFilter([](size_t row) { return row != 5; });
  EXPECT_EQ(model.RowAt(LongestCells(model, 0, 1, 20)[0]), 1u);
  EXPECT_TRUE(LongestCells(model, 0, 0, 20).empty());
}

}  // namespace
}  // namespace glimmerlog
