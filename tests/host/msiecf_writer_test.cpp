// The test-file writer: its files must look like the browser's own, or the
// reader tests prove nothing.
#include <gtest/gtest.h>

#include "tests/host/msiecf_test_helpers.h"
#include "tests/support/history_tsv.h"

namespace glimmerlog {
namespace {

using namespace msiecf_test;

// Every used slot of the real files: the key is the location hash with its low
// six bits cleared, and the slot lies in the bucket of the hash.
TEST(MsiecfWriter, LocationHashPlacesRealRecords) {
  for (const char* name : {"plaso-History.IE5-index.dat", "grr-History.IE5-index.dat",
                           "plaso-MSHist012013031020130311-index.dat", "plaso-nfury-Content.IE5-index.dat"}) {
    const std::vector<uint8_t> file = LoadIndexDat(name);
    if (file.empty()) GTEST_SKIP() << "test data " << name << " not found under " GL_TESTDATA_DIR;
    size_t checked = 0;
    for (uint32_t table = Get32(file, 0x20); table != 0; table = Get32(file, table + 8)) {
      for (size_t slot = 0; slot < 448; ++slot) {
        const uint32_t key = Get32(file, table + 16 + 8 * slot), offset = Get32(file, table + 20 + 8 * slot);
        if (key == offset || (key & 63) == 1 || (key & 63) == 3) continue;
        const size_t at =
            offset + (std::string(file.begin() + offset, file.begin() + offset + 4) == "URL " ? 0x68 : 0x10);
        const uint32_t hash = LocationHash(std::string(reinterpret_cast<const char*>(&file[at])));
        EXPECT_EQ(hash & ~63u, key & ~63u) << name << " slot " << slot;
        EXPECT_EQ(hash & 63, slot / 7) << name << " slot " << slot;
        ++checked;
      }
    }
    EXPECT_GE(checked, 7u) << name;
  }
}

// Records written from the fields of three real records equal them byte for byte.
TEST(MsiecfWriter, ReproducesRealRecords) {
  GL_LOAD_INDEXDAT_OR_SKIP(real, "plaso-History.IE5-index.dat");
  const struct {
    uint32_t offset;
    const char* url;
    const char16_t* title;  // nullptr: no title item
    const char* favicon;
    bool flaggedFirstItem;
  } records[] = {
      {0x5000, "http://www.msn.com/?ocid=iehp", nullptr, nullptr, false},
      {0x5680, "http://www.msn.com/de-ch/?ocid=iehp",
       u"MSN Schweiz - mit Hotmail Nachfolger Outlook und Messenger Skype",
       "http://static-hp-neu.s-msn.com/sc/54/4f1880.ico", true},
      {0x5880, "http://www.bing.com/search?q=ie+11&src=IE-SearchBox&FORM=IE8SRC", u"ie 11 - Bing",
       "http://www.bing.com/favicon.ico", true},
  };
  for (const auto& r : records) {
    WrittenEntry e;
    e.url = r.url;
    e.hasTitle = r.title != nullptr;
    if (r.title) e.title = r.title;
    if (r.favicon) e.itemsBeforeTitle = {Int32Property(0x14, 1), AnsiProperty(0x15, r.favicon)};
    if (r.flaggedFirstItem) e.firstItemValue = {0, 0, 0, 0x10, 0, 0, 0, 0, 1, 0, 0, 0};
    e.lastUpdated = Get32(real, r.offset + 8) | uint64_t{Get32(real, r.offset + 12)} << 32;
    e.lastVisited = Get32(real, r.offset + 16) | uint64_t{Get32(real, r.offset + 20)} << 32;
    e.expiresFat = Get32(real, r.offset + 0x18);
    e.hits = Get32(real, r.offset + 0x54);
    WriterOptions options;
    options.user = "gold_administrator";
    WrittenLayout layout;
    const std::vector<uint8_t> file = WriteHistoryFile({e}, options, &layout);
    const size_t size = Get32(real, r.offset + 4) * 128;
    const auto at = file.begin() + layout.recordOffsets[0];
    EXPECT_EQ(std::vector<uint8_t>(at, at + size), std::vector<uint8_t>(&real[r.offset], &real[r.offset] + size))
        << std::hex << r.offset;
  }
}

TEST(MsiecfHistoryTsv, ParsesLinesAndRejectsBadOnes) {
  WrittenEntry e;
  std::string error;
  ASSERT_TRUE(
      ParseHistoryLine("http://a.test/\tGr\xC3\xBC\xC3\x9F \xF0\x9F\x98\x80\t2015-08-25T11:05:18.512Z\r", e, error));
  EXPECT_EQ(e.url, "http://a.test/");
  EXPECT_EQ(e.title, u"Gr\u00fc\u00df \U0001F600");
  EXPECT_EQ(e.lastVisited, kBaseTime);
  EXPECT_EQ(e.lastUpdated, kBaseTime);
  EXPECT_EQ(FatDateTimeToFileTime(e.expiresFat), 130867023180000000u);  // 2015-09-14 11:05:18
  ASSERT_TRUE(ParseHistoryLine("http://b.test/\t\t2000-02-29 23:59", e, error));
  EXPECT_FALSE(e.hasTitle);
  EXPECT_EQ(e.lastVisited, 125963423400000000u);

  for (const char* bad : {"", "http://a.test/\tno time", "http://a.test/\tt\t2015-08-25T11:05:18\textra",
                          "\tt\t2015-08-25T11:05", "u\tt\t2015-02-29T11:05", "u\tt\t2015-08-25T24:00",
                          "u\tt\t2015-08-25", "u\tt\t2015-08-25T11:05:18.", "u\tt\t2015-8-25T11:05"}) {
    EXPECT_FALSE(ParseHistoryLine(bad, e, error)) << bad;
    EXPECT_FALSE(error.empty());
  }
  // Malformed UTF-8: stray continuation, cut-off sequence, overlong form, surrogate.
  EXPECT_EQ(Utf8ToUtf16("a\x80"
                        "b\xE2\x82"
                        "c\xC0\xAF"
                        "d\xED\xA0\x80"),
            u"a\uFFFDb\uFFFDc\uFFFDd\uFFFD");
}

}  // namespace
}  // namespace glimmerlog
