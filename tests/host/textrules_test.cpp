// The text rules of the lowest layer: ASCII letters without regard to case,
// and Windows-1252 bytes as text, checked against Python's own codec.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/ascii.h"
#include "base/codepage.h"

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

// Every byte against Python's cp1252 codec, which leaves the five bytes that
// Windows-1252 does not assign undecoded; Windows maps those to the code
// points of the same number (the Windows tests check that on the platform).
TEST(Windows1252, EveryByteAsPythonDecodesIt) {
  FILE* p = popen(
      "python3 -c \"import sys\n"
      "for b in range(256):\n"
      "    try: print(ord(bytes([b]).decode('cp1252')))\n"
      "    except UnicodeDecodeError: print(-1)\" 2>/dev/null",
      "r");
  if (!p) GTEST_SKIP() << "python3 cannot be started";
  std::string allBytes;
  for (int b = 0; b < 256; ++b) allBytes += static_cast<char>(b);
  const std::u16string text = Windows1252Text(allBytes);
  ASSERT_EQ(text.size(), 256u);
  int b = 0, unassigned = 0;
  for (long cp; b < 256 && std::fscanf(p, "%ld", &cp) == 1; ++b) {
    EXPECT_EQ(Windows1252Char(static_cast<unsigned char>(b)), text[b]);
    if (cp < 0) {
      ++unassigned;
      EXPECT_EQ(text[b], b) << b;
    } else {
      EXPECT_EQ(text[b], cp) << b;
    }
  }
  const int status = pclose(p);
  if (b == 0) GTEST_SKIP() << "no python3 to compare with";
  EXPECT_EQ(status, 0);
  EXPECT_EQ(b, 256);
  EXPECT_EQ(unassigned, 5);
}

}  // namespace
}  // namespace glimmerlog
