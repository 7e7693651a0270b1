// The one-offset-at-a-time walk over an index file, written as plainly as
// possible: the yardstick the block scanner is compared against by the tests
// and the fuzz target.
#ifndef GLIMMERLOG_TESTS_HOST_INDEXSCAN_REFERENCE_H
#define GLIMMERLOG_TESTS_HOST_INDEXSCAN_REFERENCE_H

#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "sources/ie/indexscan.h"

namespace glimmerlog {

struct ScanResult {
  std::vector<std::string> lines;
  uint64_t examined = 0;  // offsets examined (the final r)

  bool operator==(const ScanResult& o) const { return lines == o.lines && examined == o.examined; }
};

inline ScanResult ReferenceScan(ByteSource& source, uint64_t sizeAtOpen) {
  ScanResult result;
  bool eof = sizeAtOpen == 0;
  // A read at base + delta; offsets past the 64-bit range hold no bytes.
  auto read = [&](uint64_t base, uint64_t delta, char* buf, size_t n) -> size_t {
    const uint64_t max = std::numeric_limits<uint64_t>::max();
    size_t got = 0;
    if (base <= max - delta) {
      uint64_t offset = base + delta;
      size_t ask = max - offset < n ? static_cast<size_t>(max - offset) : n;
      if (ask) got = source.ReadAt(offset, buf, ask);
      if (got > ask) got = ask;
    }
    if (got < n) eof = true;
    return got;
  };
  auto text = [](const char* buf, size_t n) {
    size_t len = 0;
    while (len < n && buf[len] != 0) ++len;
    return std::string(buf, len);
  };
  uint64_t r = 0;
  char window[7];
  char buf[150];
  while (!eof) {
    size_t n = read(r, 0, window, 7);
    if (n >= 3 && window[0] == 'U' && window[1] == 'R' && window[2] == 'L') {
      size_t m = read(r, 96, buf, 150);
      if (m >= 4 && std::memcmp(buf, "http", 4) == 0) {
        result.lines.push_back(text(buf, m));
      } else {
        m = read(r, 104, buf, 150);
        result.lines.push_back(text(buf, m));
      }
    }
    ++r;
  }
  result.examined = r;
  return result;
}

// A file that hands out at most `cap` bytes per read, as a pipe or a network
// share may.
class CappedSource : public ByteSource {
 public:
  CappedSource(const std::string& data, size_t cap) : mem_(data.data(), data.size()), cap_(cap) {}
  size_t ReadAt(uint64_t offset, void* buf, size_t n) override { return mem_.ReadAt(offset, buf, n < cap_ ? n : cap_); }

 private:
  MemorySource mem_;
  size_t cap_;
};

// A file with an unreadable byte at `bad`: any read reaching it fails whole.
class FailingSource : public ByteSource {
 public:
  FailingSource(const std::string& data, uint64_t bad) : mem_(data.data(), data.size()), bad_(bad) {}
  size_t ReadAt(uint64_t offset, void* buf, size_t n) override {
    if (offset >= bad_ || n > bad_ - offset) return 0;
    return mem_.ReadAt(offset, buf, n);
  }

 private:
  MemorySource mem_;
  uint64_t bad_;
};

// The ways of searching that this build and CPU can run.
inline std::vector<RecordSearch> AvailableSearches() {
  std::vector<RecordSearch> ways;
  for (RecordSearch how : {RecordSearch::kPortable, RecordSearch::kSse2}) {
    if (RecordSearchAvailable(how)) ways.push_back(how);
  }
  return ways;
}

// Runs the block scanner to the end in slices of the given size.
inline ScanResult FastScan(ByteSource& source, uint64_t sizeAtOpen, size_t blockSize, uint64_t slice,
                           RecordSearch how = BestRecordSearch()) {
  ScanResult result;
  IndexScanner scan(
      source, sizeAtOpen, [&](const char* p, size_t n) { result.lines.emplace_back(p, n); }, blockSize);
  scan.SetRecordSearch(how);
  while (scan.Step(slice)) {
  }
  result.examined = scan.Position();
  return result;
}

}  // namespace glimmerlog

#endif
