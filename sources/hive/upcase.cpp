#include "sources/hive/upcase.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

namespace glimmerlog {
namespace {

// Code points first..last (every `step`th one) map to code point + offset.
struct UpcaseRun {
  uint16_t first, last;
  int32_t offset;
  uint8_t step;
};

constexpr UpcaseRun kRuns[] = {
#include "sources/hive/upcase_table.inc"
};

}  // namespace

char16_t UpcaseNameChar(char16_t c) {
  if (c < 0x80) return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c;
  // The last run starting at or before c.
  const auto* run = std::upper_bound(std::begin(kRuns), std::end(kRuns), c,
                                     [](char16_t value, const UpcaseRun& r) { return value < r.first; });
  if (run == std::begin(kRuns)) return c;
  --run;
  if (c > run->last || (c - run->first) % run->step != 0) return c;
  return static_cast<char16_t>(c + run->offset);
}

bool SameRegistryName(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i] != b[i] && UpcaseNameChar(a[i]) != UpcaseNameChar(b[i])) return false;
  }
  return true;
}

}  // namespace glimmerlog
