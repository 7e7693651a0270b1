// The history file reader on damaged input: it ends cleanly, stays inside the
// buffer (the sanitizers watch every read) and keeps what is intact. Damaged
// copies are vectors copied from the file, so they end exactly at the end of
// their heap block and a read past it is caught.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <random>

#include "tests/host/msiecf_test_helpers.h"

namespace glimmerlog {
namespace {

using namespace msiecf_test;

using Damage = std::function<void(std::vector<uint8_t>&, const WrittenLayout&)>;

// Live entries over three chained tables, with freed older copies between them.
std::vector<WrittenEntry> ChainedEntriesWithFreedCopies() {
  std::vector<WrittenEntry> entries = SameBucketEntries(18);
  for (const WrittenEntry& e : SampleEntries(40)) {
    entries.push_back(e);
    if (entries.size() % 5 == 0) {
      entries.push_back(e);
      entries.back().freed = true;
      entries.back().title = u"stale";
    }
  }
  return entries;
}

TEST(MsiecfDamage, RejectsWhatIsNotAVersion52File) {
  const std::vector<uint8_t> good = WriteHistoryFile(SampleEntries(1));
  std::vector<std::vector<uint8_t>> bad = {
      {}, std::vector<uint8_t>(good.begin(), good.begin() + 0x3FFF), good, good, good};
  std::copy_n("Client UrlCache MMF Ver 4.7", 27, bad[2].begin());
  bad[3][27] = ' ';
  bad[4][0] = 'c';
  for (const std::vector<uint8_t>& file : bad) {
    std::vector<HistoryEntry> out(1);
    EXPECT_FALSE(ReadHistoryFile(file.data(), file.size(), out)) << file.size();
    EXPECT_TRUE(out.empty());
  }
  std::vector<HistoryEntry> out;
  EXPECT_FALSE(ReadHistoryFile(nullptr, good.size(), out));
}

TEST(MsiecfDamage, EveryTruncationEndsCleanlyAndInventsNothing) {
  const std::vector<uint8_t> file = WriteHistoryFile(ChainedEntriesWithFreedCopies());
  std::map<std::string, HistoryEntry> full;
  for (const HistoryEntry& e : Read(file)) full[e.url] = e;
  // Each cut-off file is placed at the end of one heap block.
  std::unique_ptr<uint8_t[]> block(new uint8_t[file.size()]);
  uint8_t* const blockEnd = block.get() + file.size();
  std::vector<HistoryEntry> read;
  for (size_t size = 0; size <= file.size(); ++size) {
    std::copy(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(size), blockEnd - size);
    ASSERT_EQ(ReadHistoryFile(blockEnd - size, size, read), size >= 0x4000) << size;
    for (const HistoryEntry& e : read) {
      ASSERT_TRUE(full.count(e.url)) << size;
      ASSERT_EQ(full[e.url].title, e.title) << size;
      ASSERT_EQ(full[e.url].lastVisited, e.lastVisited) << size;
    }
    if (size == file.size()) EXPECT_EQ(read.size(), full.size());
  }
}

TEST(MsiecfDamage, RandomByteChangesEndCleanly) {
  WrittenLayout layout;
  const std::vector<uint8_t> file = WriteHistoryFile(ChainedEntriesWithFreedCopies(), WriterOptions(), &layout);
  // Places where a change matters most: header fields, bitmap, table heads
  // and slots, record heads and data sections.
  std::vector<size_t> hot = {0x1C, 0x20, 0x24, 0x250};
  for (uint32_t t : layout.tableOffsets) hot.insert(hot.end(), {t, t + 8, t + 0x10, t + 0x100, t + 0xDF0});
  for (uint32_t r : layout.recordOffsets) hot.insert(hot.end(), {r, r + 0x40, r + 0x68, r + 0xA0, r + 0xC0});
  std::mt19937 rng(12345);
  std::vector<uint8_t> changed;
  for (int round = 0; round < 4000; ++round) {
    changed = file;  // same size: the copy's block stays exact
    for (int n = 1 + rng() % 6; n > 0; --n) {
      const size_t at = rng() % 2 ? hot[rng() % hot.size()] + rng() % 16 : 0x1C + rng() % (file.size() - 0x1C);
      changed[at] = rng() % 3 ? static_cast<uint8_t>(rng()) : changed[at] ^ static_cast<uint8_t>(1u << rng() % 8);
    }
    bool ok = false;
    const std::vector<HistoryEntry> read = Read(changed, &ok);
    ASSERT_TRUE(ok);
    ASSERT_LE(read.size(), (file.size() - 0x4000) / 128);
  }
}

// A chain that loops, ends early or points outside the file hides records
// from the table walk; the block walk finds the allocated ones again and
// leaves the freed copies out.
TEST(MsiecfDamage, DamagedChainStillYieldsLiveRecordsOnly) {
  const std::vector<WrittenEntry> entries = ChainedEntriesWithFreedCopies();
  WrittenLayout layout;
  const std::vector<uint8_t> file = WriteHistoryFile(entries, WriterOptions(), &layout);
  ASSERT_EQ(layout.tableOffsets.size(), 3u);
  const uint32_t t0 = layout.tableOffsets[0], t1 = layout.tableOffsets[1], t2 = layout.tableOffsets[2];
  const uint32_t size = static_cast<uint32_t>(file.size());
  size_t usedSlot = 0;  // position of the first used slot of the first table
  while (Get32(file, t0 + 16 + 8 * usedSlot) <= 3) ++usedSlot;
  const size_t slotOffset = t0 + 20 + 8 * usedSlot;
  const std::map<std::string, Damage> cases = {
      {"last table leads back to the first", [&](auto& f, auto&) { Put32(f, t2 + 8, t0); }},
      {"table leads to itself", [&](auto& f, auto&) { Put32(f, t1 + 8, t1); }},
      {"no first table", [&](auto& f, auto&) { Put32(f, 0x20, 0); }},
      {"first table outside the file", [&](auto& f, auto&) { Put32(f, 0x20, 0xFFFFF000); }},
      {"first table off a block boundary", [&](auto& f, auto&) { Put32(f, 0x20, t0 + 4); }},
      {"next table past the end", [&](auto& f, auto&) { Put32(f, t0 + 8, size); }},
      {"next table running over the end", [&](auto& f, auto&) { Put32(f, t0 + 8, size - 128); }},
      {"next table is a record", [&](auto& f, auto& l) { Put32(f, t1 + 8, l.recordOffsets[30]); }},
      {"table signature lost", [&](auto& f, auto&) { f[t1] = 'X'; }},
      {"slot outside the file", [&](auto& f, auto&) { Put32(f, slotOffset, 0xFFFFFF80); }},
      {"slot inside a record", [&](auto& f, auto&) { Put32(f, slotOffset, Get32(f, slotOffset) + 0x40); }},
      {"slot at a table", [&](auto& f, auto&) { Put32(f, slotOffset, t2); }},
  };
  for (const auto& c : cases) {
    std::vector<uint8_t> damaged = file;
    c.second(damaged, layout);
    bool ok = false;
    const std::vector<HistoryEntry> read = Read(damaged, &ok);
    EXPECT_TRUE(ok) << c.first;
    EXPECT_EQ(SortedUrls(read), SortedUrls(entries)) << c.first;
    for (const HistoryEntry& e : read) EXPECT_NE(e.title, u"stale") << c.first;
  }
}

TEST(MsiecfDamage, DamagedRecordIsSkippedOrLosesItsTitle) {
  const std::vector<WrittenEntry> entries = SampleEntries(4);
  WrittenLayout layout;
  const std::vector<uint8_t> file = WriteHistoryFile(entries, WriterOptions(), &layout);
  const uint32_t r = layout.recordOffsets[0];
  const uint32_t data = Get32(file, r + 0x44);
  const uint32_t recordSize = Get32(file, r + 4) * 128;
  const std::string location = EntryLocation(entries[0], WriterOptions());
  const struct {
    const char* what;
    Damage damage;
    bool listed;
    std::u16string title;
    std::string url;
  } cases[] = {
      {"block count past the end", [&](auto& f, auto&) { Put32(f, r + 4, 0xFFFFFFFF); }, false, u"", ""},
      {"block count of 2^32 bytes", [&](auto& f, auto&) { Put32(f, r + 4, 0x02000000); }, false, u"", ""},
      {"block count 0", [&](auto& f, auto&) { Put32(f, r + 4, 0); }, false, u"", ""},
      {"data past the record", [&](auto& f, auto&) { Put32(f, r + 0x44, recordSize); }, true, u"", ""},
      {"data size past the record", [&](auto& f, auto&) { Put32(f, r + 0x48, 0xFFFFFFF0); }, true, u"", ""},
      {"item past the data", [&](auto& f, auto&) { f[r + data] = 0xFF; }, true, u"", ""},
      {"item shorter than its head", [&](auto& f, auto&) { f[r + data] = 2; }, true, u"", ""},
      {"title item cut short", [&](auto& f, auto&) { f[r + data + 16] = 4 + 2 * 3 + 1; }, true, u"Pag", ""},
      {"location without terminator",
       [&](auto& f, auto&) { std::fill(f.begin() + r + 0x68 + location.size(), f.begin() + r + recordSize, 'x'); },
       true, u"", entries[0].url + std::string(recordSize - 0x68 - location.size(), 'x')},
  };
  for (const auto& c : cases) {
    std::vector<uint8_t> damaged = file;
    c.damage(damaged, layout);
    bool ok = false;
    const std::vector<HistoryEntry> read = Read(damaged, &ok);
    const std::string url = c.url.empty() ? entries[0].url : c.url;
    const auto found = std::find_if(read.begin(), read.end(), [&](const HistoryEntry& e) { return e.url == url; });
    EXPECT_EQ(read.size(), c.listed ? 4u : 3u) << c.what;
    EXPECT_EQ(found != read.end(), c.listed) << c.what;
    if (found != read.end()) EXPECT_EQ(found->title, c.title) << c.what;
  }
}

TEST(MsiecfDamage, HeaderCountsAndSizeField) {
  const std::vector<uint8_t> file = WriteHistoryFile(SampleEntries(20));
  const std::vector<std::string> all = SortedUrls(Read(file));
  const struct {
    size_t at;
    uint32_t value;
    size_t expected;
  } cases[] = {
      {0x1C, 0, 20},     {0x1C, 0xFFFFFFFF, 20}, {0x1C, 0x3FFF, 20},  // size field unusable: the real size counts
      {0x1C, 0x4000, 0}, {0x24, 0xFFFFFFFF, 20}, {0x28, 0xFFFFFFFF, 20},
      {0x250, 0, 20},  // an intact chain does not need the bitmap
  };
  for (const auto& c : cases) {
    std::vector<uint8_t> damaged = file;
    Put32(damaged, c.at, c.value);
    const std::vector<std::string> urls = SortedUrls(Read(damaged));
    EXPECT_EQ(urls.size(), c.expected) << std::hex << c.at << " = " << c.value;
    if (c.expected == 20) EXPECT_EQ(urls, all);
  }
}

}  // namespace
}  // namespace glimmerlog
