// Shared pieces of the history file reader tests.
#ifndef GLIMMERLOG_TESTS_HOST_MSIECF_TEST_HELPERS_H
#define GLIMMERLOG_TESTS_HOST_MSIECF_TEST_HELPERS_H

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "sources/ie/msiecf.h"
#include "tests/support/msiecf_writer.h"

namespace glimmerlog {
namespace msiecf_test {

inline std::vector<HistoryEntry> Read(const std::vector<uint8_t>& file, bool* ok = nullptr) {
  std::vector<HistoryEntry> entries;
  const bool result = ReadHistoryFile(file.data(), file.size(), entries);
  if (ok) *ok = result;
  return entries;
}

// A file of the test data folder; empty when the folder is absent.
inline std::vector<uint8_t> LoadIndexDat(const std::string& name) {
  std::ifstream in(std::string(GL_TESTDATA_DIR) + "/indexdat/" + name, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

#define GL_LOAD_INDEXDAT_OR_SKIP(var, name)                                       \
  const std::vector<uint8_t> var = ::glimmerlog::msiecf_test::LoadIndexDat(name); \
  if (var.empty()) GTEST_SKIP() << "test data " name " not found under " GL_TESTDATA_DIR

constexpr uint64_t kBaseTime = 130849743185120000;  // 2015-08-25 11:05:18.512 UTC

// `count` entries with distinct URLs, titles and times.
inline std::vector<WrittenEntry> SampleEntries(size_t count, const std::string& host = "www.example.com") {
  std::vector<WrittenEntry> entries(count);
  for (size_t i = 0; i < count; ++i) {
    WrittenEntry& e = entries[i];
    e.url = "http://" + host + "/page/" + std::to_string(i);
    e.title = u"Page " + std::u16string(1, static_cast<char16_t>(u'A' + i % 26));
    e.lastVisited = kBaseTime + i * 1234567;
    e.lastUpdated = e.lastVisited - i;
    e.expiresFat = FileTimeToFatDateTime(e.lastVisited + 20 * kFileTimeTicksPerDay);
  }
  return entries;
}

// Entries whose locations all fall into hash bucket 0, so that every 7 of
// them fill that bucket of one more hash table.
inline std::vector<WrittenEntry> SameBucketEntries(size_t count, const WriterOptions& options = WriterOptions()) {
  std::vector<WrittenEntry> entries;
  for (size_t i = 0; entries.size() < count; ++i) {
    WrittenEntry e = SampleEntries(1, "bucket.test")[0];
    e.url += "?n=" + std::to_string(i);
    e.lastVisited += entries.size();
    if ((LocationHash(EntryLocation(e, options)) & 63) == 0) entries.push_back(e);
  }
  return entries;
}

inline std::vector<std::string> SortedUrls(const std::vector<HistoryEntry>& entries) {
  std::vector<std::string> urls;
  for (const HistoryEntry& e : entries) urls.push_back(e.url);
  std::sort(urls.begin(), urls.end());
  return urls;
}

inline std::vector<std::string> SortedUrls(const std::vector<WrittenEntry>& entries) {
  std::vector<std::string> urls;
  for (const WrittenEntry& e : entries) {
    if (!e.freed) urls.push_back(e.url);
  }
  std::sort(urls.begin(), urls.end());
  return urls;
}

inline void Put32(std::vector<uint8_t>& file, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) file.at(at + i) = static_cast<uint8_t>(v >> (8 * i));
}

inline uint32_t Get32(const std::vector<uint8_t>& file, size_t at) {
  return file.at(at) | file.at(at + 1) << 8 | file.at(at + 2) << 16 | static_cast<uint32_t>(file.at(at + 3)) << 24;
}

}  // namespace msiecf_test
}  // namespace glimmerlog

#endif
