// The history file reader on generated files and on files from real machines.
#include <gtest/gtest.h>

#include <map>

#include "tests/host/msiecf_test_helpers.h"

namespace glimmerlog {
namespace {

using namespace msiecf_test;

const HistoryEntry* FindUrl(const std::vector<HistoryEntry>& entries, const std::string& url) {
  for (const HistoryEntry& e : entries) {
    if (e.url == url) return &e;
  }
  return nullptr;
}

TEST(MsiecfRoundTrip, KeepsEveryFieldOfVariedEntries) {
  std::vector<WrittenEntry> entries = SampleEntries(10);
  entries[1].title.clear();                                     // empty title item
  entries[2].hasTitle = false;                                  // no title item
  entries[3].title = u"Gr\u00fc\u00dfe \U0001F600 \U00010348";  // umlauts and surrogate pairs
  entries[4].lastVisited = entries[4].lastUpdated = 0;
  entries[4].expiresFat = 0;
  entries[5].expiresFat = 0xFFFFFFFF;  // "never"
  entries[6].url = "http://long.test/" + std::string(1983, 'x');
  entries[6].title = std::u16string(1500, u'T');
  entries[7].url = "http://name@host.test/a@b";  // '@' inside the URL
  entries[8].itemsBeforeTitle = {Int32Property(0x14, 1), AnsiProperty(0x15, "http://a.test/favicon.ico")};
  entries[9].itemsAfterTitle = {Int32Property(0x14, 1), AnsiProperty(0x15, "http://b.test/favicon.ico")};
  ASSERT_EQ(entries[6].url.size(), 2000u);

  for (bool deadbeef : {true, false}) {
    WriterOptions options;
    options.deadbeefFill = deadbeef;
    options.user = "some.user";
    bool ok = false;
    const std::vector<HistoryEntry> read = Read(WriteHistoryFile(entries, options), &ok);
    ASSERT_TRUE(ok);
    ASSERT_EQ(read.size(), entries.size());
    for (const WrittenEntry& w : entries) {
      const HistoryEntry* r = FindUrl(read, w.url);
      ASSERT_NE(r, nullptr) << w.url;
      EXPECT_EQ(r->title, w.hasTitle ? w.title : u"") << w.url;
      EXPECT_EQ(r->lastVisited, w.lastVisited) << w.url;
      EXPECT_EQ(r->lastUpdated, w.lastUpdated) << w.url;
      const uint64_t expires = w.expiresFat == 0 || w.expiresFat == 0xFFFFFFFF
                                   ? 0
                                   : w.lastVisited / (2 * kFileTimeTicksPerSecond) * (2 * kFileTimeTicksPerSecond) +
                                         20 * kFileTimeTicksPerDay;
      EXPECT_EQ(r->expires, expires) << w.url;
      EXPECT_EQ(r->flags, 0u);
    }
  }
}

TEST(MsiecfRoundTrip, ListsOnlyLiveVisitedRecords) {
  std::vector<WrittenEntry> entries = SampleEntries(6);
  entries[1].location = ":2013031020130311: -@http://day.test/";  // a record of a daily file
  entries[2].location = "http://cache.test/";                     // a cache record
  entries[3].location = "Visited: no-at-sign";
  entries[4].location = "visited: user@http://case.test/";
  entries[5].freed = true;
  EXPECT_EQ(SortedUrls(Read(WriteHistoryFile(entries))), std::vector<std::string>{entries[0].url});

  WriterOptions daily;
  daily.period = "2013031020130311";
  bool ok = false;
  EXPECT_TRUE(Read(WriteHistoryFile(SampleEntries(5), daily), &ok).empty());
  EXPECT_TRUE(ok);
  EXPECT_TRUE(Read(WriteHistoryFile({}), &ok).empty());
  EXPECT_TRUE(ok);
}

// Thousands of records need many chained tables; freed older copies of some
// of them lie in between and must not show up.
TEST(MsiecfRoundTrip, ThousandsOfRecordsComeInHashTableOrder) {
  std::vector<WrittenEntry> entries;
  for (const WrittenEntry& live : SampleEntries(5000)) {
    if (entries.size() % 7 == 0) {
      WrittenEntry stale = live;
      stale.freed = true;
      stale.title = u"stale";
      stale.lastVisited -= kFileTimeTicksPerDay;
      entries.push_back(stale);
    }
    entries.push_back(live);
  }
  WrittenLayout layout;
  const std::vector<uint8_t> file = WriteHistoryFile(entries, WriterOptions(), &layout);
  ASSERT_GE(layout.tableOffsets.size(), 12u);

  // The order of the slots, table by table.
  std::map<uint32_t, const WrittenEntry*> byOffset;
  for (size_t i = 0; i < entries.size(); ++i) {
    if (!entries[i].freed) byOffset[layout.recordOffsets[i]] = &entries[i];
  }
  std::vector<const WrittenEntry*> expected;
  for (uint32_t table : layout.tableOffsets) {
    for (size_t slot = 0; slot < 448; ++slot) {
      const uint32_t key = Get32(file, table + 16 + 8 * slot), offset = Get32(file, table + 20 + 8 * slot);
      if (key != offset && key != 1) expected.push_back(byOffset.at(offset));
    }
  }
  ASSERT_EQ(expected.size(), 5000u);

  const std::vector<HistoryEntry> read = Read(file);
  ASSERT_EQ(read.size(), expected.size());
  for (size_t i = 0; i < read.size(); ++i) {
    ASSERT_EQ(read[i].url, expected[i]->url) << i;
    ASSERT_EQ(read[i].title, expected[i]->title) << i;
    ASSERT_EQ(read[i].lastVisited, expected[i]->lastVisited) << i;
  }
}

TEST(MsiecfTimes, ConvertsFatDateTimesAsUtc) {
  const struct {
    uint32_t fat;
    uint64_t fileTime;
  } rows[] = {
      {0x57454734, 130872202900000000},  // 2015-09-20 10:58:10, from a real record
      {0x00000021, 119600064000000000},  // 1980-01-01 00:00:00, the first FAT day
      {0xBF7DFF9F, 159992927980000000},  // 2107-12-31 23:59:58, the last
      {0x6000285D, 125962992000000000},  // 2000-02-29 12:00:00
      {0, 0},
      {0xFFFFFFFF, 0},  // not set, never
      {0x60002A5D, 0},  // 2001-02-29
      {0x000029A1, 0},  // month 13
      {0x00002820, 0},  // day 0
      {0xC0002821, 0},  // hour 24
      {0x07802821, 0},  // minute 60
      {0x001E2821, 0},  // second 60
  };
  for (const auto& row : rows) EXPECT_EQ(FatDateTimeToFileTime(row.fat), row.fileTime) << std::hex << row.fat;

  // The writer's conversion the other way round agrees to the 2-second resolution.
  for (uint64_t t = 119600064000000000; t < 159992927980000000; t += 3 * kFileTimeTicksPerDay + 7777777777) {
    EXPECT_EQ(FatDateTimeToFileTime(FileTimeToFatDateTime(t)), t - t % (2 * kFileTimeTicksPerSecond));
  }
}

// Files from real machines (see the test data README).
TEST(MsiecfRealFiles, PlasoGlobalHistory) {
  GL_LOAD_INDEXDAT_OR_SKIP(file, "plaso-History.IE5-index.dat");
  const std::vector<HistoryEntry> read = Read(file);
  ASSERT_EQ(read.size(), 15u);  // the 2 freed copies stay out
  EXPECT_EQ(std::count_if(read.begin(), read.end(), [](const HistoryEntry& e) { return !e.title.empty(); }), 9);
  EXPECT_EQ(read.front().url, "http://www.microsoft.com/de-ch/download/internet-explorer.aspx");
  EXPECT_EQ(read.front().title, u"Internet Explorer - Microsoft Download Center");
  EXPECT_EQ(read.back().url, "http://www.bing.com/search?q=ie+11&src=IE-SearchBox&FORM=IE8SRC");
  EXPECT_EQ(read.back().title, u"ie 11 - Bing");

  const HistoryEntry* msn = FindUrl(read, "http://www.msn.com/?ocid=iehp");
  ASSERT_NE(msn, nullptr);
  EXPECT_EQ(msn->title, u"");
  EXPECT_EQ(msn->lastVisited, 130849743185120000u);  // 2015-08-25 11:05:18.512
  EXPECT_EQ(msn->lastUpdated, 130849743185120000u);
  EXPECT_EQ(msn->expires, 130872202900000000u);  // 2015-09-20 10:58:10

  const HistoryEntry* german = FindUrl(read, "http://www.msn.com/de-ch/?ocid=iehp");
  ASSERT_NE(german, nullptr);
  EXPECT_EQ(german->title, u"MSN Schweiz - mit Hotmail Nachfolger Outlook und Messenger Skype");
  bool umlaut = false;
  for (const HistoryEntry& e : read) umlaut |= e.title.find(u"f\u00fcr IT-Experten") != std::u16string::npos;
  EXPECT_TRUE(umlaut);
  const std::vector<std::string> urls = SortedUrls(read);
  EXPECT_EQ(std::adjacent_find(urls.begin(), urls.end()), urls.end());
}

TEST(MsiecfRealFiles, GrrGlobalHistory) {
  GL_LOAD_INDEXDAT_OR_SKIP(file, "grr-History.IE5-index.dat");
  const std::vector<HistoryEntry> read = Read(file);
  ASSERT_EQ(read.size(), 7u);  // the 11 freed copies stay out
  EXPECT_EQ(std::count_if(read.begin(), read.end(), [](const HistoryEntry& e) { return !e.title.empty(); }), 4);
  const HistoryEntry* help = FindUrl(read, "mshelp://windows/?id=d063548a-3fc9-4723-99f3-b12a0c4354a8");
  ASSERT_NE(help, nullptr);
  EXPECT_EQ(help->title, u"What is safe mode?");
  const HistoryEntry* google = FindUrl(read, "http://www.google.com");
  ASSERT_NE(google, nullptr);
  EXPECT_EQ(google->title, u"Google");
  EXPECT_EQ(google->lastVisited, 129533256889880000u);  // 2011-06-23 18:01:28.988
}

// Daily files and the page cache are valid files without "Visited:" records.
TEST(MsiecfRealFiles, OtherContainersYieldNoEntries) {
  for (const char* name : {"plaso-MSHist012013031020130311-index.dat", "plaso-Content.IE5-index.dat",
                           "plaso-nfury-Content.IE5-index.dat"}) {
    const std::vector<uint8_t> file = LoadIndexDat(name);
    if (file.empty()) GTEST_SKIP() << "test data " << name << " not found under " GL_TESTDATA_DIR;
    bool ok = false;
    EXPECT_TRUE(Read(file, &ok).empty()) << name;
    EXPECT_TRUE(ok) << name;
  }
}

}  // namespace
}  // namespace glimmerlog
