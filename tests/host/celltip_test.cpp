#include "app/celltip.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace glimmerlog {
namespace {

TEST(CellTip, CutOffCountsThePadding) {
  EXPECT_FALSE(CellTextCutOff(88, 100, 12));
  EXPECT_TRUE(CellTextCutOff(89, 100, 12));
  EXPECT_FALSE(CellTextCutOff(0, 0, 12));  // nothing to show
}

TEST(CellTip, LongTextsBreakAtSeparatorsOrAtTheLimit) {
  EXPECT_EQ(WrapTipText(L"short", 10), L"short");
  EXPECT_EQ(WrapTipText(L"", 10), L"");
  EXPECT_EQ(WrapTipText(L"http://example.com/a/very/long/path", 12), L"http://\nexample.com/\na/very/long/\npath");
  EXPECT_EQ(WrapTipText(L"abcdefghij", 4), L"abcd\nefgh\nij");
  EXPECT_EQ(WrapTipText(L"one\ntwo three", 5), L"one\ntwo \nthree");
  // Each line holds at most the limit, and removing the breaks gives the text back.
  const std::wstring url = L"https://www.example.org/search?q=" + std::wstring(1700, L'x') + L"&lang=en";
  const std::wstring wrapped = WrapTipText(url, 100);
  std::wstring joined;
  size_t longest = 0, run = 0;
  for (wchar_t c : wrapped) {
    if (c == L'\n') {
      run = 0;
      continue;
    }
    joined += c;
    longest = std::max(longest, ++run);
  }
  EXPECT_EQ(joined, url);
  EXPECT_LE(longest, 100u);
  // A surrogate pair (UTF-16, as on Windows) is never split.
  EXPECT_EQ(WrapTipText(L"ab\xD83D\xDE00"
                        L"cd",
                        3),
            L"ab\n\xD83D\xDE00"
            L"c\nd");
  EXPECT_EQ(WrapTipText(L"abc", 0), L"a\nb\nc");
}

}  // namespace
}  // namespace glimmerlog
