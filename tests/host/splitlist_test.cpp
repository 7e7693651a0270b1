#include "sources/registry/splitlist.h"

#include <gtest/gtest.h>

#include "views/shell/regrules.h"

namespace glimmerlog {
namespace {

using Pieces = std::vector<std::string>;

TEST(SplitList, CutsAtEachDelimiterAndConsumesTheText) {
  std::string names = "a,MRUList,";
  EXPECT_EQ(SplitList(names, std::string(",")), (Pieces{"a", "MRUList", ""}));
  EXPECT_EQ(names, "");

  std::string text = "x,,y";
  EXPECT_EQ(SplitList(text, std::string(",")), (Pieces{"x", "", ""}));
  EXPECT_EQ(text, "y");  // the piece after the last delimiter stays with the caller

  std::string none = "abc";
  EXPECT_TRUE(SplitList(none, std::string(",")).empty());
  EXPECT_EQ(none, "abc");

  std::string empty;
  EXPECT_TRUE(SplitList(empty, std::string(",")).empty());

  std::string only = ",";
  EXPECT_EQ(SplitList(only, std::string(",")), (Pieces{"", ""}));
}

TEST(SplitList, MatchesLettersWithoutCaseAndTakesTheDelimiterAsOneCharacter) {
  std::string text = "aXbxc";
  EXPECT_EQ(SplitList(text, std::string("x")), (Pieces{"a", "b", ""}));
  EXPECT_EQ(text, "c");
  // A longer delimiter is found whole but only its first character is cut
  // away with the piece.
  std::string longer = "1ab2ab3";
  EXPECT_EQ(SplitList(longer, std::string("AB")), (Pieces{"1", "b2", ""}));
  EXPECT_EQ(longer, "b3");
}

TEST(SplitList, SplitsListsBeyondSixteenBitPositions) {
  std::string list;
  Pieces expected;
  for (int i = 0; i < 20000; ++i) {
    expected.push_back("value" + std::to_string(i));
    list += expected.back() + ",";
  }
  ASSERT_GT(list.size(), 65536u);
  expected.emplace_back();
  EXPECT_EQ(SplitList(list, std::string(",")), expected);
}

TEST(SplitList, WorksOnSixteenBitText) {
  std::u16string names = u"\u4e2d,\u00e9t\u00e9,";
  EXPECT_EQ(SplitList(names, std::u16string(u",")), (std::vector<std::u16string>{u"\u4e2d", u"\u00e9t\u00e9", u""}));
}

TEST(ListRule, RunEntriesLoseTheirSuffixAndNeedABackslash) {
  EXPECT_EQ(ApplyListRule(ListRule::kRun, std::string("notepad\\1")), "notepad");
  EXPECT_EQ(ApplyListRule(ListRule::kRun, std::string("\\\\netstor\\INSTALLS\\Software\\1")),
            "\\\\netstor\\INSTALLS\\Software");
  EXPECT_EQ(ApplyListRule(ListRule::kRun, std::string("c:\\Users\\tony\\Github\\\\1")), "c:\\Users\\tony\\Github\\");
  EXPECT_EQ(ApplyListRule(ListRule::kRun, std::string("a\\")), "");  // two characters: an empty line
  EXPECT_EQ(ApplyListRule(ListRule::kRun, std::string("\\")), std::nullopt);
  EXPECT_EQ(ApplyListRule(ListRule::kRun, std::string("cba")), std::nullopt);  // the order value
}

TEST(ListRule, OpenEntriesNeedAColonOthersPassUnchanged) {
  EXPECT_EQ(ApplyListRule(ListRule::kOpen, std::string("C:\\docs\\report.doc")), "C:\\docs\\report.doc");
  EXPECT_EQ(ApplyListRule(ListRule::kOpen, std::string("notes.txt")), std::nullopt);
  EXPECT_EQ(ApplyListRule(ListRule::kPlain, std::string("ba")), "ba");
  EXPECT_EQ(ApplyListRule(ListRule::kPlain, std::string("\\")), "\\");
}

}  // namespace
}  // namespace glimmerlog
