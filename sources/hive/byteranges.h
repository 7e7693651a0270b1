// Byte ranges of a hive claimed by one read: a list cell is read once, so
// that lists which overlap, or records which all name one long list (a
// crafted hive), cannot make the read repeat itself. Platform-free.
#ifndef GLIMMERLOG_SOURCES_HIVE_BYTERANGES_H
#define GLIMMERLOG_SOURCES_HIVE_BYTERANGES_H

#include <cstdint>
#include <iterator>
#include <map>

namespace glimmerlog {

class ByteRanges {
 public:
  // Claims [start, end); false when it overlaps a range claimed before, or
  // is one.
  bool Claim(uint64_t start, uint64_t end) {
    const auto next = used_.lower_bound(start);
    if (next != used_.end() && next->first < end) return false;
    if (next != used_.begin() && std::prev(next)->second > start) return false;
    used_.emplace_hint(next, start, end);
    return true;
  }

 private:
  std::map<uint64_t, uint64_t> used_;  // start to end
};

}  // namespace glimmerlog

#endif
