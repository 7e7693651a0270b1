// The cache record reader on the real index.dat files against msiecfexport
// (run here when installed) and the test data README's counts, and on
// generated files with freed and damaged records.
#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <map>
#include <sstream>

#include "tests/host/msiecf_test_helpers.h"

namespace glimmerlog {
namespace {

using namespace msiecf_test;

const char* const kRealFiles[] = {"plaso-History.IE5-index.dat", "plaso-MSHist012013031020130311-index.dat",
                                  "plaso-Content.IE5-index.dat", "plaso-nfury-Content.IE5-index.dat",
                                  "grr-History.IE5-index.dat"};

std::vector<CacheRecord> Records(const std::vector<uint8_t>& file, bool* ok = nullptr) {
  std::vector<CacheRecord> out;
  const bool result = ReadCacheRecords(file.data(), file.size(), out);
  if (ok) *ok = result;
  return out;
}

const char* TypeText(CacheRecord::Type t) {
  return t == CacheRecord::Type::kUrl ? "URL" : t == CacheRecord::Type::kRedirect ? "REDR" : "LEAK";
}

// A record as msiecfexport prints it: "Key\t\t: value" lines, by key.
using PeerRecord = std::map<std::string, std::string>;

// msiecfexport's allocated items and recovered items; false when it is not there.
bool RunMsiecfexport(const std::string& path, std::vector<PeerRecord>& items, std::vector<PeerRecord>& recovered) {
  if (std::system("command -v msiecfexport >/dev/null 2>&1") != 0) return false;
  FILE* pipe = popen(("msiecfexport -m all '" + path + "' 2>/dev/null").c_str(), "r");
  if (!pipe) return false;
  std::string text;
  char buf[4096];
  for (size_t n; (n = fread(buf, 1, sizeof buf, pipe)) > 0;) text.append(buf, n);
  if (pclose(pipe) != 0) return false;
  std::vector<PeerRecord>* list = &items;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("Exporting recovered", 0) == 0) list = &recovered;
    const size_t colon = line.find(':');
    if (colon == std::string::npos || line.find('\t') == std::string::npos) continue;
    std::string key = line.substr(0, line.find('\t'));
    const std::string value = line.size() > colon + 2 ? line.substr(colon + 2) : "";
    if (key == "Record type") list->emplace_back();
    if (!list->empty()) (*list).back()[key] = value;
  }
  return true;
}

// A FILETIME as msiecfexport prints one: "Nov 10, 2010 07:54:30.092000000",
// or without the fraction for the 2-second FAT times.
std::string PeerTime(uint64_t fileTime, bool fraction) {
  const int64_t unix = static_cast<int64_t>(fileTime / 10000000) - 11644473600;
  const time_t t = static_cast<time_t>(unix);
  std::tm tm{};
  gmtime_r(&t, &tm);
  char text[64];
  std::strftime(text, sizeof text, "%b %d, %Y %H:%M:%S", &tm);
  if (!fraction) return text;
  char nanos[16];
  std::snprintf(nanos, sizeof nanos, ".%09u", static_cast<unsigned>(fileTime % 10000000 * 100));
  return text + std::string(nanos);
}

// Every record of every real file, field by field, against msiecfexport:
// its items are our allocated records and its recovered items our free ones.
TEST(CacheRecordsRealFiles, MatchMsiecfexport) {
  for (const char* name : kRealFiles) {
    const std::vector<uint8_t> file = LoadIndexDat(name);
    if (file.empty()) GTEST_SKIP() << "test data " << name << " not found under " GL_TESTDATA_DIR;
    std::vector<PeerRecord> items, recovered;
    if (!RunMsiecfexport(std::string(GL_TESTDATA_DIR) + "/indexdat/" + name, items, recovered)) {
      GTEST_SKIP() << "msiecfexport (libmsiecf-utils) is not installed; the README counts are checked instead";
    }
    bool ok = false;
    const std::vector<CacheRecord> ours = Records(file, &ok);
    ASSERT_TRUE(ok) << name;
    std::vector<const CacheRecord*> allocated, free;
    for (const CacheRecord& r : ours) (r.allocated ? allocated : free).push_back(&r);
    for (const auto& [peer, mine] : {std::make_pair(&items, &allocated), std::make_pair(&recovered, &free)}) {
      ASSERT_EQ(mine->size(), peer->size()) << name << (peer == &items ? " items" : " recovered");
      for (size_t i = 0; i < peer->size(); ++i) {
        const PeerRecord& p = (*peer)[i];
        const CacheRecord& r = *(*mine)[i];
        const std::string where = std::string(name) + " @" + std::to_string(r.offset);
        EXPECT_EQ(p.at("Record type"), TypeText(r.type)) << where;
        EXPECT_EQ(p.at("Offset range"), std::to_string(r.offset) + " - " + std::to_string(r.offset + r.size) + " (" +
                                            std::to_string(r.size) + ")" + (r.partial ? " (partial)" : ""))
            << where;
        auto field = [&p](const char* key) { return p.count(key) ? p.at(key) : std::string(); };
        EXPECT_EQ(field("Location"), r.location) << where;
        EXPECT_EQ(field("Filename"), r.fileName) << where;
        // "3 (0x03)(3GDPVCW5)", or "254 (0xfe)" for an index the header has no folder for.
        const std::string folder = field("Cache directory index");
        const size_t paren = folder.rfind('(');
        const std::string folderName = paren == std::string::npos || folder.compare(paren, 3, "(0x") == 0
                                           ? std::string()
                                           : folder.substr(paren + 1, folder.size() - paren - 2);
        EXPECT_EQ(folderName, r.cacheFolder) << where;
        if (r.type != CacheRecord::Type::kUrl) continue;
        EXPECT_EQ(field("Primary time"), r.primaryTime ? PeerTime(r.primaryTime, true) : "") << where;
        EXPECT_EQ(field("Secondary time"), r.secondaryTime ? PeerTime(r.secondaryTime, true) : "") << where;
        EXPECT_EQ(field("Expiration time"), r.neverExpires ? "Never" : r.expires ? PeerTime(r.expires, false) : "")
            << where;
        EXPECT_EQ(field("Last checked time"), r.lastChecked ? PeerTime(r.lastChecked, false) : "") << where;
      }
    }
  }
}

// Counts by type and state against the test data README's table of what
// msiecfexport reported ("| file | 35 (21/14/0) | 2 URL | ...").
TEST(CacheRecordsRealFiles, CountsOfTheReadme) {
  std::ifstream readme(std::string(GL_TESTDATA_DIR) + "/README.md");
  if (!readme) GTEST_SKIP() << "test data README not found under " GL_TESTDATA_DIR;
  size_t checked = 0;
  for (std::string line; std::getline(readme, line);) {
    unsigned live, url, redr, leak, freed = 0;
    char name[128];
    char freedText[32];
    if (std::sscanf(line.c_str(), "| %127s | %u (%u/%u/%u) | %31[^|]|", name, &live, &url, &redr, &leak,
                    freedText) != 6) {
      continue;
    }
    std::sscanf(freedText, "%u", &freed);
    const std::vector<uint8_t> file = LoadIndexDat(name);
    ASSERT_FALSE(file.empty()) << name;
    std::map<std::string, unsigned> counts;  // allocated ones by type, and "free"
    for (const CacheRecord& r : Records(file)) ++counts[r.allocated ? TypeText(r.type) : "free"];
    EXPECT_EQ(counts["URL"], url) << name;
    EXPECT_EQ(counts["REDR"], redr) << name;
    EXPECT_EQ(counts["LEAK"], leak) << name;
    EXPECT_EQ(counts["free"], freed) << name;
    ++checked;
  }
  EXPECT_EQ(checked, std::size(kRealFiles));
}

// What msiecfexport does not print: hit counts and the headers' content
// type of the page caches, and the history records' lack of both.
TEST(CacheRecordsRealFiles, HitsAndContentTypes) {
  for (const char* name : kRealFiles) {
    const std::vector<uint8_t> file = LoadIndexDat(name);
    if (file.empty()) GTEST_SKIP() << "test data " << name << " not found under " GL_TESTDATA_DIR;
    const bool cache = std::string(name).find("Content.IE5") != std::string::npos;
    size_t urls = 0, typed = 0;
    for (const CacheRecord& r : Records(file)) {
      if (r.type != CacheRecord::Type::kUrl || !r.allocated) continue;
      ++urls;
      EXPECT_GE(r.hits, 1u) << name << " @" << r.offset;
      if (r.contentType.empty()) continue;
      ++typed;
      EXPECT_NE(r.contentType.find('/'), std::string::npos) << name << " @" << r.offset << ": " << r.contentType;
      EXPECT_EQ(r.contentType.find_first_of("\r\n"), std::string::npos) << name << " @" << r.offset;
    }
    if (cache) {
      EXPECT_GT(typed * 2, urls) << name;
    } else {
      EXPECT_EQ(typed, 0u) << name;
    }
  }
}

// Generated history files: a freed copy is listed as free while its blocks
// stay free, and left out once any of them is taken again or it is cut off.
TEST(CacheRecordsGenerated, FreeRecordsOnlyWhileIntact) {
  std::vector<WrittenEntry> entries = SampleEntries(4);
  entries[1].freed = true;
  entries[1].title = std::u16string(200, u'x');  // several blocks
  WrittenLayout layout;
  std::vector<uint8_t> file = WriteHistoryFile(entries, WriterOptions(), &layout);
  const uint32_t freedAt = layout.recordOffsets[1];

  auto freeOffsets = [](const std::vector<uint8_t>& bytes) {
    std::vector<uint32_t> out;
    for (const CacheRecord& r : Records(bytes)) {
      if (!r.allocated) out.push_back(r.offset);
    }
    return out;
  };
  std::vector<CacheRecord> read = Records(file);
  ASSERT_EQ(read.size(), 4u);
  EXPECT_EQ(freeOffsets(file), std::vector<uint32_t>{freedAt});
  for (const CacheRecord& r : read) {
    EXPECT_EQ(r.location.rfind("Visited: user@http", 0), 0u) << r.location;
    EXPECT_EQ(r.hits, 1u);
  }

  // Its last block marked in use again: only what lies before it is its own.
  const uint32_t blocks = Get32(file, freedAt + 4);
  ASSERT_GE(blocks, 2u);
  std::vector<uint8_t> reused = file;
  const size_t lastBlock = (freedAt - 0x4000) / 128 + blocks - 1;
  reused[0x250 + lastBlock / 8] |= static_cast<uint8_t>(1 << (lastBlock % 8));
  const std::vector<CacheRecord> partial = Records(reused);
  ASSERT_EQ(partial.size(), 4u);
  for (size_t i = 0; i < partial.size(); ++i) {
    EXPECT_EQ(partial[i].partial, partial[i].offset == freedAt);
    EXPECT_EQ(partial[i].size, partial[i].offset == freedAt ? (blocks - 1) * 128 : read[i].size);
    EXPECT_EQ(partial[i].location, read[i].location);  // it lies in the first block
  }

  // Cut inside it (the header's size says the same): neither it nor what
  // followed is listed, and nothing is read past the end.
  std::vector<uint8_t> cut(file.begin(), file.begin() + freedAt + 128);
  cut[0x1C] = static_cast<uint8_t>(cut.size());
  cut[0x1D] = static_cast<uint8_t>(cut.size() >> 8);
  cut[0x1E] = static_cast<uint8_t>(cut.size() >> 16);
  bool ok = false;
  read = Records(cut, &ok);
  EXPECT_TRUE(ok);
  for (const CacheRecord& r : read) EXPECT_LE(r.offset + r.size, cut.size());
  EXPECT_TRUE(freeOffsets(cut).empty());

  EXPECT_TRUE(Records(std::vector<uint8_t>(file.begin(), file.begin() + 0x3FFF), &ok).empty());
  EXPECT_FALSE(ok);
}

}  // namespace
}  // namespace glimmerlog
