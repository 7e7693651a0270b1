// The transaction logs of a registry hive applied to the hive's bytes in
// memory (the files themselves are never written). A hive that was not
// written completely (its two sequence numbers differ) holds an older state
// of some pages; its logs, the files beside it (NTUSER.DAT.LOG1, .LOG2, or
// .LOG), hold the newer pages. Platform-free; the caller reads the files.
//
// Two forms of log:
//  - Windows 8.1 and later: a base block, then log entries ("HvLE"), each
//    with its sequence number, the size of the hive bins data when it was
//    written, its dirty pages and two Marvin32 hashes. Entries are applied in
//    sequence order from all the logs, from the hive's secondary sequence
//    number on. An entry that does not follow on from the one before, fails
//    a hash or names pages outside the hive stops the replay after the last
//    good entry. Entries older than the hive are left alone.
//  - Vista and 7 (.LOG1, .LOG2) and earlier (.LOG): a base block, a dirty
//    vector ("DIRT", one bit for each 512-byte page of the hive bins data)
//    and the dirty pages in that order. Applied when the log was written at
//    the time the hive's base block records.
// After a replay the base block reads as clean at the last sequence number
// applied, with the hive bins data size of the log (the bins may grow).
#ifndef GLIMMERLOG_SOURCES_HIVE_HIVELOG_H
#define GLIMMERLOG_SOURCES_HIVE_HIVELOG_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace glimmerlog {

struct HiveLog {
  std::string name;            // how sentences name it: "LOG1", "LOG2", "LOG"
  std::vector<uint8_t> bytes;  // the whole file
};

struct HiveLogReplay {
  bool dirty = false;     // the hive was not written completely and needed its logs
  size_t entries = 0;     // log entries applied (an older-form log counts as one)
  size_t pages = 0;       // page runs written: the entries' page references, or 512-byte pages
  bool complete = false;  // applied, and nothing newer in the logs was left out
  // One sentence for the user, empty when the hive was clean: "logs applied:
  // 23 entries (132 pages)", "logs not applied: LOG1 does not follow on from
  // the hive (sequence 287, hive at 255)", ...
  std::string text;
};

// True when the bytes are a hive whose base block says it was not written
// completely: only then are its logs worth reading.
bool HiveNeedsLogs(const std::vector<uint8_t>& hive);

// Applies the logs to a hive that needs them; a clean hive, or bytes that are
// no hive, are left as they are. Takes time and memory in proportion to the
// hive's and the logs' sizes: the bins grow at most by what the logs hold.
HiveLogReplay ApplyHiveLogs(std::vector<uint8_t>& hive, const std::vector<HiveLog>& logs);

// The Marvin32 hash the log entries carry, and the seed they are made with.
uint64_t Marvin32(const uint8_t* data, size_t size, uint64_t seed);
constexpr uint64_t kHiveLogSeed = 0x82EF4D887A4E55C5ull;

}  // namespace glimmerlog

#endif
