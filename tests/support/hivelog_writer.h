// Writes transaction logs of a registry hive for tests and fuzz seeds: the
// log that takes the bins of one written hive (`before`) to those of another
// (`after`, which may be larger), in either form: one log entry of Windows
// 8.1 and later, or the dirty vector and pages of earlier versions. Header
// only, over the reader's own hash (checked on real logs by the tests).
#ifndef GLIMMERLOG_TESTS_SUPPORT_HIVELOG_WRITER_H
#define GLIMMERLOG_TESTS_SUPPORT_HIVELOG_WRITER_H

#include <algorithm>
#include <cstdint>
#include <vector>

#include "sources/hive/hivelog.h"

namespace glimmerlog {
namespace hivelog_writer {

inline void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
inline void Put64(std::vector<uint8_t>& b, size_t at, uint64_t v) {
  Put32(b, at, static_cast<uint32_t>(v));
  Put32(b, at + 4, static_cast<uint32_t>(v >> 32));
}
inline uint32_t Get32(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

// The first 512 bytes of `after`'s base block as a log keeps them.
inline std::vector<uint8_t> LogBaseBlock(const std::vector<uint8_t>& after, uint32_t fileType, uint32_t sequence) {
  std::vector<uint8_t> log(after.begin(), after.begin() + 0x200);
  Put32(log, 0x04, sequence);
  Put32(log, 0x08, sequence);
  Put32(log, 0x1C, fileType);
  uint32_t sum = 0;
  for (size_t i = 0; i < 0x1FC; i += 4) sum ^= Get32(log, i);
  Put32(log, 0x1FC, sum == 0xFFFFFFFF ? 0xFFFFFFFE : sum == 0 ? 1 : sum);
  return log;
}

// Whether the `page`-byte page at `at` of the bins differs between the two.
inline bool Differs(const std::vector<uint8_t>& before, const std::vector<uint8_t>& after, size_t at, size_t page) {
  at += 0x1000;
  if (at + page > before.size()) return true;
  return !std::equal(after.begin() + at, after.begin() + at + page, before.begin() + at);
}

}  // namespace hivelog_writer

// One log entry with `sequence` holding every 4 KB page of `after`'s bins
// that differs from `before`'s.
inline std::vector<uint8_t> NewFormatLog(const std::vector<uint8_t>& before, const std::vector<uint8_t>& after,
                                         uint32_t sequence) {
  using namespace hivelog_writer;
  const uint32_t bins = Get32(after, 0x28);
  std::vector<uint32_t> pages;
  for (uint32_t at = 0; at < bins; at += 0x1000) {
    if (Differs(before, after, at, 0x1000)) pages.push_back(at);
  }
  std::vector<uint8_t> entry(0x28 + 8 * pages.size(), 0);
  std::copy_n("HvLE", 4, entry.begin());
  Put32(entry, 0x0C, sequence);
  Put32(entry, 0x10, bins);
  Put32(entry, 0x14, static_cast<uint32_t>(pages.size()));
  for (size_t i = 0; i < pages.size(); ++i) {
    Put32(entry, 0x28 + 8 * i, pages[i]);
    Put32(entry, 0x2C + 8 * i, 0x1000);
    entry.insert(entry.end(), after.begin() + 0x1000 + pages[i], after.begin() + 0x1000 + pages[i] + 0x1000);
  }
  entry.resize((entry.size() + 0x1FF) / 0x200 * 0x200, 0);
  Put32(entry, 0x04, static_cast<uint32_t>(entry.size()));
  Put64(entry, 0x18, Marvin32(entry.data() + 0x28, entry.size() - 0x28, kHiveLogSeed));
  Put64(entry, 0x20, Marvin32(entry.data(), 0x20, kHiveLogSeed));
  std::vector<uint8_t> log = LogBaseBlock(after, 6, sequence);
  log.insert(log.end(), entry.begin(), entry.end());
  return log;
}

// The dirty vector and the 512-byte pages of `after`'s bins that differ from
// `before`'s, with `sequence` in the base block (file type 1).
inline std::vector<uint8_t> OldFormatLog(const std::vector<uint8_t>& before, const std::vector<uint8_t>& after,
                                         uint32_t sequence) {
  using namespace hivelog_writer;
  const uint32_t bins = Get32(after, 0x28);
  std::vector<uint8_t> log = LogBaseBlock(after, 1, sequence);
  std::vector<uint8_t> vector(4 + bins / 0x200 / 8, 0);
  std::copy_n("DIRT", 4, vector.begin());
  std::vector<uint8_t> pages;
  for (uint32_t bit = 0; bit < bins / 0x200; ++bit) {
    if (!Differs(before, after, size_t{bit} * 0x200, 0x200)) continue;
    vector[4 + bit / 8] |= static_cast<uint8_t>(1u << (bit % 8));
    pages.insert(pages.end(), after.begin() + 0x1000 + bit * 0x200, after.begin() + 0x1000 + (bit + 1) * 0x200);
  }
  vector.resize((vector.size() + 0x1FF) / 0x200 * 0x200, 0);
  log.insert(log.end(), vector.begin(), vector.end());
  log.insert(log.end(), pages.begin(), pages.end());
  return log;
}

}  // namespace glimmerlog

#endif
