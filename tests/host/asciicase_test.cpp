// ASCII letters without regard to case, as the lowest layer compares them
// for every reader.
#include <gtest/gtest.h>

#include <string>

#include "base/ascii.h"

namespace glimmerlog {
namespace {

// Pairs that a fold by bit twiddling or by the platform's locale would get
// wrong: only A-Z and a-z are one letter in two cases.
TEST(AsciiCase, OnlyAsciiLettersHaveTwoCases) {
  struct Case {
    std::u16string_view text, other;
    bool same, startsWith;
  } const cases[] = {
      {u"MRUList", u"mrulist", true, true},
      {u"MRUListEx", u"MRUList", false, true},
      {u"HTTP://Host/Path", u"http", false, true},
      {u"ht", u"http", false, false},
      {u"", u"", true, true},
      {u"a", u"", false, true},
      {u"@[\\]^_", u"`{|}~\x7F", false, false},  // 0x40-0x5F against 0x60-0x7F: no letters among them
      {u"Z", u"z", true, true},
      {u"a\u0301", u"A", false, true},
      {u"\u00C4", u"\u00E4", false, false},  // letters past ASCII keep their case
      {u"K", u"\u212A", false, false},       // the Kelvin sign is no K here
      {u"\u0130", u"i", false, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SameIgnoringAsciiCase(c.text, c.other), c.same) << std::string(c.text.begin(), c.text.end());
    EXPECT_EQ(SameIgnoringAsciiCase(c.other, c.text), c.same);
    EXPECT_EQ(StartsWithIgnoringAsciiCase(c.text, c.other), c.startsWith) << std::string(c.text.begin(), c.text.end());
    // The same for bytes and for the platform's wide text, where the text is ASCII.
    bool ascii = true;
    for (char16_t ch : std::u16string(c.text) + std::u16string(c.other)) ascii = ascii && ch < 0x80;
    if (!ascii) continue;
    const std::string a(c.text.begin(), c.text.end()), b(c.other.begin(), c.other.end());
    const std::wstring wa(c.text.begin(), c.text.end()), wb(c.other.begin(), c.other.end());
    EXPECT_EQ(SameIgnoringAsciiCase(a, b), c.same) << a;
    EXPECT_EQ(StartsWithIgnoringAsciiCase(a, b), c.startsWith) << a;
    EXPECT_EQ(SameIgnoringAsciiCase(wa, wb), c.same) << a;
    EXPECT_EQ(StartsWithIgnoringAsciiCase(wa, wb), c.startsWith) << a;
  }
}

}  // namespace
}  // namespace glimmerlog
