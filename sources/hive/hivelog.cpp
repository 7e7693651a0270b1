#include "sources/hive/hivelog.h"

#include <algorithm>

#include "base/bytes.h"

namespace glimmerlog {
namespace {

// Base block fields (the first 512 bytes are all a log keeps of it).
constexpr size_t kBaseBlockSize = 0x1000, kLogSector = 0x200;
constexpr size_t kSequence1 = 0x04, kSequence2 = 0x08, kTimeStamp = 0x0C, kFileType = 0x1C;
constexpr size_t kHiveBinsSize = 0x28, kChecksum = 0x1FC;
constexpr uint32_t kPrimaryFile = 0, kOldLog = 1, kOldLogToo = 2, kNewLog = 6;
constexpr uint32_t kPage = 0x1000;  // the bins grow in whole 4 KB pages

// A log entry's header.
constexpr size_t kEntrySize = 0x04, kEntrySequence = 0x0C, kEntryBinsSize = 0x10, kEntryPageCount = 0x14;
constexpr size_t kEntryHash1 = 0x18, kEntryHash2 = 0x20, kEntryHeader = 0x28;
constexpr size_t kEntryHashed = 0x20;  // hash-2 covers the header up to itself

void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

bool Signature(const std::vector<uint8_t>& b, size_t at, const char (&sig)[5]) {
  return b.size() >= at + 4 && std::equal(sig, sig + 4, b.begin() + static_cast<std::ptrdiff_t>(at));
}

uint32_t BaseBlockChecksum(const uint8_t* p) {
  uint32_t sum = 0;
  for (size_t i = 0; i < kChecksum; i += 4) sum ^= Le32(p + i);
  if (sum == 0xFFFFFFFF) return 0xFFFFFFFE;
  return sum == 0 ? 1 : sum;
}

std::string Count(size_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

// The hive reads as clean at `sequence` with `binsSize` bytes of bins; its
// checksum is made again when it was right before.
void MarkClean(std::vector<uint8_t>& hive, uint32_t sequence, uint32_t binsSize) {
  const bool checksumValid = BaseBlockChecksum(hive.data()) == Le32(hive.data() + kChecksum);
  Put32(hive, kSequence1, sequence);
  Put32(hive, kSequence2, sequence);
  Put32(hive, kHiveBinsSize, binsSize);
  if (checksumValid) Put32(hive, kChecksum, BaseBlockChecksum(hive.data()));
}

// One log entry of the form of Windows 8.1 and later, its header checked for
// its place in the log only.
struct Entry {
  const uint8_t* p;
  uint32_t size, sequence;
};

// The entries of one log that follow on from its first, in file order. The
// run ends at the end of the entries, or at an entry that does not follow on:
// an older one (what is left of an earlier use of the file) or, noted as a
// gap, a newer one.
struct Run {
  const HiveLog* log = nullptr;
  std::vector<Entry> entries;
  bool gap = false;
  uint32_t gapSequence = 0;  // the newer entry's number
};

Run ReadRun(const HiveLog& log) {
  Run run;
  run.log = &log;
  const std::vector<uint8_t>& b = log.bytes;
  if (!Signature(b, 0, "regf") || b.size() < kLogSector || Le32(b.data() + kFileType) != kNewLog) return run;
  for (size_t at = kLogSector; at + kEntryHeader <= b.size() && Signature(b, at, "HvLE");) {
    const uint32_t size = Le32(b.data() + at + kEntrySize);
    if (size < kEntryHeader || size % kLogSector != 0 || size > b.size() - at) break;
    const uint32_t sequence = Le32(b.data() + at + kEntrySequence);
    if (!run.entries.empty() && sequence != run.entries.back().sequence + 1) {
      if (sequence > run.entries.back().sequence) {
        run.gap = true;
        run.gapSequence = sequence;
      }
      break;
    }
    run.entries.push_back({b.data() + at, size, sequence});
    at += size;
  }
  return run;
}

// Why an entry cannot be applied, or "" when it can: its hashes, and its
// pages inside the hive bins data it names, which is a whole number of pages
// no larger than `maxBins`.
std::string EntryFault(const Entry& e, uint64_t maxBins) {
  if (Marvin32(e.p, kEntryHashed, kHiveLogSeed) != Le64(e.p + kEntryHash2) ||
      Marvin32(e.p + kEntryHeader, e.size - kEntryHeader, kHiveLogSeed) != Le64(e.p + kEntryHash1)) {
    return "fails its hash check";
  }
  const uint64_t bins = Le32(e.p + kEntryBinsSize), count = Le32(e.p + kEntryPageCount);
  if (bins == 0 || bins % kPage != 0) return "names a hive size that is not whole pages";
  if (bins > maxBins) return "would make the hive larger than its logs can fill";
  if (kEntryHeader + count * 8 > e.size) return "names more pages than it holds";
  uint64_t data = kEntryHeader + count * 8;
  for (uint64_t i = 0; i < count; ++i) {
    const uint64_t offset = Le32(e.p + kEntryHeader + i * 8), size = Le32(e.p + kEntryHeader + i * 8 + 4);
    data += size;
    if (offset + size > bins || data > e.size) return "names pages outside the hive or the entry";
  }
  return {};
}

// Writes the entry's pages (checked by EntryFault) into the hive.
size_t ApplyEntry(std::vector<uint8_t>& hive, const Entry& e) {
  const uint32_t bins = Le32(e.p + kEntryBinsSize), count = Le32(e.p + kEntryPageCount);
  if (hive.size() < kBaseBlockSize + bins) hive.resize(kBaseBlockSize + bins, 0);
  const uint8_t* data = e.p + kEntryHeader + size_t{count} * 8;
  for (uint32_t i = 0; i < count; ++i) {
    const uint32_t offset = Le32(e.p + kEntryHeader + i * 8), size = Le32(e.p + kEntryHeader + i * 8 + 4);
    std::copy(data, data + size, hive.begin() + static_cast<std::ptrdiff_t>(kBaseBlockSize + offset));
    data += size;
  }
  return count;
}

// The logs of Windows 8.1 and later.
HiveLogReplay ReplayEntries(std::vector<uint8_t>& hive, const std::vector<Run>& found, uint64_t maxBins) {
  HiveLogReplay r;
  std::vector<const Run*> runs;
  for (const Run& run : found) {
    if (!run.entries.empty()) runs.push_back(&run);
  }
  // Sequence order: the log whose entries come first is read first.
  std::stable_sort(runs.begin(), runs.end(), [](const Run* a, const Run* b) {
    return a->entries.front().sequence < b->entries.front().sequence;
  });
  const uint32_t start = Le32(hive.data() + kSequence2);
  uint32_t expected = start, binsSize = 0;
  std::string stop;  // why the replay ended before the newest entry
  for (const Run* run : runs) {
    for (const Entry& e : run->entries) {
      if (e.sequence < expected) continue;  // already in the hive, or replaced by an entry applied
      const std::string name = run->log->name;
      if (e.sequence > expected) {
        stop = r.entries == 0 ? name + " does not follow on from the hive (sequence " + std::to_string(e.sequence) +
                                    ", hive at " + std::to_string(expected) + ")"
                              : name + " does not follow on (sequence " + std::to_string(e.sequence) + " after " +
                                    std::to_string(expected - 1) + ")";
        break;
      }
      const std::string fault = EntryFault(e, maxBins);
      if (!fault.empty()) {
        stop = name + "'s entry " + std::to_string(e.sequence) + " " + fault;
        break;
      }
      r.pages += ApplyEntry(hive, e);
      binsSize = Le32(e.p + kEntryBinsSize);
      ++r.entries;
      ++expected;
    }
    if (!stop.empty()) break;
  }
  // Entries newer than the last applied behind a gap are left out too.
  for (const Run* run : runs) {
    if (stop.empty() && run->gap && run->gapSequence >= expected) {
      stop = run->log->name + " does not follow on (sequence " + std::to_string(run->gapSequence) + " after " +
             std::to_string(run->entries.back().sequence) + ")";
    }
  }
  if (r.entries > 0) MarkClean(hive, expected - 1, binsSize);
  r.complete = r.entries > 0 && stop.empty();
  const std::string applied = Count(r.entries, "entry", "entries") + " (" + Count(r.pages, "page", "pages") + ")";
  if (r.complete) {
    r.text = "logs applied: " + applied;
  } else if (r.entries > 0) {
    r.text = "logs applied in part: " + applied + ", then " + stop;
  } else if (!stop.empty()) {
    r.text = "logs not applied: " + stop;
  } else {
    r.text = "logs not applied: they hold no entry from the hive's sequence " + std::to_string(start) + " on";
  }
  return r;
}

// An older-form log: why it cannot be applied to the hive, or "" with where
// its pages start.
std::string OldLogFault(const std::vector<uint8_t>& hive, const std::vector<uint8_t>& log, uint64_t maxBins,
                        size_t& pagesAt) {
  const uint8_t* p = log.data();
  if (Le32(p + kSequence1) != Le32(p + kSequence2) || BaseBlockChecksum(p) != Le32(p + kChecksum)) {
    return "was not written completely";
  }
  if (Le64(p + kTimeStamp) != Le64(hive.data() + kTimeStamp)) return "was written at another time than the hive";
  const uint64_t bins = Le32(p + kHiveBinsSize);
  if (bins == 0 || bins % kPage != 0 || bins > maxBins) return "names a hive size that does not fit";
  if (!Signature(log, kLogSector, "DIRT")) return "has no dirty vector";
  const size_t bitmap = static_cast<size_t>(bins / kLogSector / 8);
  if (kLogSector + 4 + bitmap > log.size()) return "is cut short";
  size_t dirty = 0;
  for (size_t i = 0; i < bitmap; ++i) {
    for (uint8_t byte = log[kLogSector + 4 + i]; byte != 0; byte &= static_cast<uint8_t>(byte - 1)) ++dirty;
  }
  pagesAt = kLogSector + (4 + bitmap + kLogSector - 1) / kLogSector * kLogSector;
  if (pagesAt + dirty * kLogSector > log.size()) return "is cut short";
  return {};
}

// The logs of Vista, 7 and earlier: the one written last that fits the hive.
HiveLogReplay ReplayDirtyVector(std::vector<uint8_t>& hive, const std::vector<const HiveLog*>& logs,
                                uint64_t maxBins) {
  HiveLogReplay r;
  const HiveLog* best = nullptr;
  size_t bestPagesAt = 0;
  std::string fault;
  for (const HiveLog* log : logs) {
    size_t pagesAt = 0;
    const std::string why = OldLogFault(hive, log->bytes, maxBins, pagesAt);
    if (!why.empty()) {
      if (fault.empty()) fault = log->name + " " + why;
    } else if (!best || Le32(log->bytes.data() + kSequence1) > Le32(best->bytes.data() + kSequence1)) {
      best = log;
      bestPagesAt = pagesAt;
    }
  }
  if (!best) {
    r.text = "logs not applied: " + fault;
    return r;
  }
  const uint8_t* p = best->bytes.data();
  const uint32_t bins = Le32(p + kHiveBinsSize);
  if (hive.size() < kBaseBlockSize + bins) hive.resize(kBaseBlockSize + bins, 0);
  const uint8_t* page = p + bestPagesAt;
  for (uint32_t bit = 0; bit < bins / kLogSector; ++bit) {
    if (p[kLogSector + 4 + bit / 8] & (1u << (bit % 8))) {
      std::copy(page, page + kLogSector, hive.begin() + static_cast<std::ptrdiff_t>(kBaseBlockSize + bit * kLogSector));
      page += kLogSector;
      ++r.pages;
    }
  }
  MarkClean(hive, Le32(p + kSequence1), bins);
  r.entries = 1;
  r.complete = true;
  r.text = "logs applied: " + best->name + ", " + Count(r.pages, "page", "pages") + " (the log form before Windows 8.1)";
  return r;
}

}  // namespace

uint64_t Marvin32(const uint8_t* data, size_t size, uint64_t seed) {
  uint32_t lo = static_cast<uint32_t>(seed), hi = static_cast<uint32_t>(seed >> 32);
  auto rotl = [](uint32_t v, int n) { return v << n | v >> (32 - n); };
  auto mix = [&] {
    hi ^= lo;
    lo = rotl(lo, 20);
    lo += hi;
    hi = rotl(hi, 9);
    hi ^= lo;
    lo = rotl(lo, 27);
    lo += hi;
    hi = rotl(hi, 19);
  };
  for (; size >= 4; data += 4, size -= 4) {
    lo += Le32(data);
    mix();
  }
  // The last 0 to 3 bytes, closed by a 0x80 byte.
  uint32_t last = 0x80;
  for (size_t i = size; i-- > 0;) last = last << 8 | data[i];
  lo += last;
  mix();
  mix();
  return uint64_t{hi} << 32 | lo;
}

bool HiveNeedsLogs(const std::vector<uint8_t>& hive) {
  return hive.size() >= kBaseBlockSize && Signature(hive, 0, "regf") &&
         Le32(hive.data() + kFileType) == kPrimaryFile &&
         Le32(hive.data() + kSequence1) != Le32(hive.data() + kSequence2);
}

HiveLogReplay ApplyHiveLogs(std::vector<uint8_t>& hive, const std::vector<HiveLog>& logs) {
  HiveLogReplay r;
  if (!HiveNeedsLogs(hive)) return r;
  // The bins grow only by pages the logs hold.
  uint64_t maxBins = hive.size() - kBaseBlockSize;
  std::vector<Run> runs;
  std::vector<const HiveLog*> older;
  std::string notLogs;
  for (const HiveLog& log : logs) {
    maxBins += log.bytes.size();
    const uint32_t type = log.bytes.size() >= kLogSector ? Le32(log.bytes.data() + kFileType) : kPrimaryFile;
    if (!Signature(log.bytes, 0, "regf") || log.bytes.size() < kLogSector ||
        (type != kNewLog && type != kOldLog && type != kOldLogToo)) {
      notLogs += (notLogs.empty() ? "" : ", ") + log.name;
    } else if (type == kNewLog) {
      runs.push_back(ReadRun(log));
    } else {
      older.push_back(&log);
    }
  }
  // Kept below 2 GB so that the base block and the bins fit a 32-bit size.
  maxBins = std::min<uint64_t>(maxBins / kPage * kPage, 0x7FFFF000u);
  if (!runs.empty()) r = ReplayEntries(hive, runs, maxBins);
  if (r.entries == 0 && !older.empty()) {
    HiveLogReplay old = ReplayDirtyVector(hive, older, maxBins);
    if (old.entries > 0 || runs.empty()) r = old;
  }
  if (runs.empty() && older.empty()) {
    r.text = notLogs.empty() ? "logs not applied: none found beside the hive"
                             : "logs not applied: " + notLogs + (notLogs.find(',') == std::string::npos ? " is" : " are") +
                                   " not a transaction log";
  }
  r.dirty = true;
  return r;
}

}  // namespace glimmerlog
