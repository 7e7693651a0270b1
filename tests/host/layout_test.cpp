#include "app/layout.h"

#include <gtest/gtest.h>

#include "app/listmodel.h"

namespace glimmerlog {
namespace {

MainLayout Created() {
  MainLayout l;
  l.urls = {120, 600, 9735, 5655};
  l.pbar = {0, 6600, 6855, 255};
  l.label1 = {120, 6360, 4815, 255};
  l.label2 = {5160, 6360, 3975, 255};
  l.cancel = {6840, 6600, 615, 255};
  l.panel1Width = 7440;
  return l;
}

TEST(ResizeLayout, FollowsTheRightAndBottomEdges) {
  MainLayout l = Created();
  ApplyResizeLayout(10200, 6855, l);
  EXPECT_EQ(l.urls, (TwipRect{10, 500, 10190, 5755}));
  EXPECT_EQ(l.panel1Width, 7800);
  EXPECT_EQ(l.pbar, (TwipRect{0, 6645, 7020, 255}));
  EXPECT_EQ(l.label1, (TwipRect{120, 6355, 4815, 255}));
  EXPECT_EQ(l.label2, (TwipRect{6200, 6355, 3975, 255}));
  EXPECT_EQ(l.cancel, (TwipRect{7100, 6625, 615, 255}));

  MainLayout wider = l;
  ApplyResizeLayout(11200, 6855, wider);
  EXPECT_EQ(wider.urls.width - l.urls.width, 1000);
  EXPECT_EQ(wider.panel1Width - l.panel1Width, 1000);
  EXPECT_EQ(wider.pbar.width - l.pbar.width, 1000);
  EXPECT_EQ(wider.label2.left - l.label2.left, 1000);
  EXPECT_EQ(wider.cancel.left - l.cancel.left, 1000);
  EXPECT_EQ(wider.label1, l.label1);
}

TEST(ResizeLayout, SkipsOnlyTheRulesThatWouldGoNegative) {
  MainLayout l = Created();
  ApplyResizeLayout(10200, 6855, l);
  const MainLayout before = l;

  // Between 2400 and 3180 twips wide: only the progress bar keeps its width.
  ApplyResizeLayout(3000, 6000, l);
  EXPECT_EQ(l.pbar.width, before.pbar.width);
  EXPECT_EQ(l.pbar.top, 5790);
  EXPECT_EQ(l.urls, (TwipRect{10, 500, 2990, 4900}));
  EXPECT_EQ(l.panel1Width, 600);
  EXPECT_EQ(l.label2.left, -1000);
  EXPECT_EQ(l.cancel.left, -100);

  // Exactly on the edges nothing is skipped.
  ApplyResizeLayout(3180, 1100, l);
  EXPECT_EQ(l.pbar.width, 0);
  EXPECT_EQ(l.urls, (TwipRect{10, 500, 3170, 0}));

  // Minimized (0 x 0): the list and the two widths stay, the moves happen.
  const MainLayout last = l;
  ApplyResizeLayout(0, 0, l);
  EXPECT_EQ(l.urls, last.urls);
  EXPECT_EQ(l.panel1Width, last.panel1Width);
  EXPECT_EQ(l.pbar.width, last.pbar.width);
  EXPECT_EQ(l.pbar.top, -210);
  EXPECT_EQ(l.label1.top, -500);
  EXPECT_EQ(l.cancel.left, -3100);

  // A list that would be negative in one direction only is not moved at all.
  MainLayout tall = Created();
  ApplyResizeLayout(5000, 1000, tall);
  EXPECT_EQ(tall.urls, Created().urls);
}

TEST(Twips, ConvertAtTheWindowsDpiRoundingToNearest) {
  EXPECT_EQ(TwipsToPixels(10200, 96), 680);
  EXPECT_EQ(TwipsToPixels(10, 96), 1);
  EXPECT_EQ(TwipsToPixels(7, 96), 0);
  EXPECT_EQ(TwipsToPixels(-1000, 96), -67);
  EXPECT_EQ(TwipsToPixels(1440, 144), 144);
  EXPECT_EQ(PixelsToTwips(680, 96), 10200);
  EXPECT_EQ(PixelsToTwips(-67, 96), -1005);
  EXPECT_EQ(PixelsToTwips(1, 120), 12);
}

TEST(ListModel, KeepsOrderOfAdditionUntilSorted) {
  ListModel m;
  m.AddColumn(1, u"Title", 3000);
  m.AddColumn(2, u"When", 2000);
  m.AddColumn(1, u"First", 100);
  ASSERT_EQ(m.Columns().size(), 3u);
  EXPECT_EQ(m.Columns()[0].caption, u"First");
  EXPECT_EQ(m.Columns()[2].caption, u"When");
  m.AddColumn(99, u"Last", 1);
  EXPECT_EQ(m.Columns().back().caption, u"Last");

  const char16_t* titles[] = {u"beta", u"Alpha", u"gamma", u"alpha"};
  const uint64_t when[] = {3, 1, 2, 10};
  for (int i = 0; i < 4; ++i) m.SetTime(m.AddRow(titles[i]), 1, when[i]);
  auto at = [&](size_t display) { return m.TextOfRow(m.RowAt(display), 0); };
  EXPECT_EQ(at(0), u"beta");
  EXPECT_EQ(m.TextOfRow(2, 5), u"");  // cells past the columns are empty
  EXPECT_EQ(m.KindOfRow(2, 5), ListModel::Kind::kEmpty);

  m.SetSortKey(0);
  m.SetSorted(true);
  m.Resort();
  // Text without regard to case; equal texts keep their order of addition.
  EXPECT_EQ(at(0), u"Alpha");
  EXPECT_EQ(at(1), u"alpha");
  EXPECT_EQ(at(2), u"beta");
  EXPECT_EQ(at(3), u"gamma");

  // A time column orders by time.
  m.SetSortKey(1);
  m.Resort();
  EXPECT_EQ(at(0), u"Alpha");
  EXPECT_EQ(at(1), u"gamma");
  EXPECT_EQ(at(2), u"beta");
  EXPECT_EQ(at(3), u"alpha");

  // Rows added later join the order at the next resort.
  m.SetTime(m.AddRow(u"delta"), 1, 0);
  m.Resort();
  EXPECT_EQ(at(0), u"delta");
  EXPECT_EQ(m.RowCount(), 5u);

  m.ClearRows();
  EXPECT_EQ(m.RowCount(), 0u);
  EXPECT_EQ(m.TextOfRow(0, 0), u"");
  EXPECT_EQ(m.Columns().size(), 4u);  // columns are cleared on their own
}

TEST(AsciiFoldKey, FoldsAsciiOnly) {
  auto key = [](std::u16string_view text) {
    std::string k;
    AsciiFoldKey(text, k);
    return k;
  };
  EXPECT_EQ(key(u"ABC"), key(u"abc"));
  EXPECT_LT(key(u"abc"), key(u"abd"));
  EXPECT_LT(key(u"ab"), key(u"abc"));
  EXPECT_GT(key(u"\u00e9"), key(u"z"));  // non-ASCII after ASCII, by code unit
  EXPECT_NE(key(u"\u00e9"), key(u"\u00c9"));
}

}  // namespace
}  // namespace glimmerlog

#include "views/folderrules.h"

namespace glimmerlog {
namespace {

TEST(FolderRules, PlainFoldersAndTheBrowsersIndexAreLeftOut) {
  for (uint32_t a : {16u, 17u, 18u, 22u, 31u}) EXPECT_TRUE(IsPlainFolder(a)) << a;
  for (uint32_t a : {0u, 1u, 2u, 4u, 6u, 15u, 32u, 48u, 50u, 128u, 0x2010u}) EXPECT_FALSE(IsPlainFolder(a)) << a;
  EXPECT_TRUE(IsSkippedName(std::string(".")));
  EXPECT_TRUE(IsSkippedName(std::string("..")));
  EXPECT_TRUE(IsSkippedName(std::string("index.dat")));
  EXPECT_TRUE(IsSkippedName(std::u16string(u"index.dat")));
  for (const char* listed : {"Index.dat", "INDEX.DAT", "index.dat.bak", "...", "site[1].txt", ""}) {
    EXPECT_FALSE(IsSkippedName(std::string(listed))) << listed;
  }
}

}  // namespace
}  // namespace glimmerlog

#include "app/helppath.h"

namespace glimmerlog {
namespace {

TEST(HelpFilePath, SitsBesideTheProgram) {
  EXPECT_EQ(HelpFilePath(std::string("C:\\Tools\\glimmerlog.exe")), "C:\\Tools\\glimmerlog.chm");
  EXPECT_EQ(HelpFilePath(std::string("C:\\glimmerlog.exe")), "C:\\glimmerlog.chm");  // no doubled separator
  EXPECT_EQ(HelpFilePath(std::string("\\\\server\\share\\g.exe")), "\\\\server\\share\\glimmerlog.chm");
  EXPECT_EQ(HelpFilePath(std::u16string(u"D:\\\u00e9\\x.exe")), u"D:\\\u00e9\\glimmerlog.chm");
}

}  // namespace
}  // namespace glimmerlog
