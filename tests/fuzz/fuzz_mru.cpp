// MRU order on arbitrary lists over a key of arbitrary value names: whatever
// the list, every entry value comes out once, listed ones first, orders 1..N.
//
// Input: 1 byte with the number of values (low 5 bits), one byte per value
// choosing its name from a pool, then the list's bytes (read both as an
// MRUList and as an MRUListEx).
#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "sources/shell/mru.h"

namespace {

const std::vector<std::u16string>& Pool() {
  static const std::vector<std::u16string> pool = [] {
    std::vector<std::u16string> p{u"",           u"MRUList",    u"mrulistex",   u"MRUListEx", u"01",    u"ab",
                                  u"4294967295", u"4294967294", u"99999999999", u"\xFFFF",    u"\u00E9"};
    for (char16_t c = u'a'; c <= u'z'; ++c) p.push_back(std::u16string(1, c));
    for (char16_t c = u'A'; c <= u'F'; ++c) p.push_back(std::u16string(1, c));
    for (int n = 0; n < 20; ++n) {
      const std::string s = std::to_string(n);
      p.push_back(std::u16string(s.begin(), s.end()));
    }
    return p;
  }();
  return pool;
}

bool IsEntry(const std::u16string& name) {
  std::u16string lower = name;
  for (char16_t& c : lower) c = c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c;
  return !name.empty() && lower != u"mrulist" && lower != u"mrulistex";
}

void Check(const std::vector<glimmerlog::MruSlot>& slots, std::vector<std::u16string> entries) {
  std::vector<std::u16string> got;
  bool unlistedSeen = false;
  for (size_t i = 0; i < slots.size(); ++i) {
    if (slots[i].order != i + 1) std::abort();
    if (slots[i].listed && unlistedSeen) std::abort();
    unlistedSeen |= !slots[i].listed;
    got.push_back(slots[i].name);
  }
  std::sort(got.begin(), got.end());
  std::sort(entries.begin(), entries.end());
  if (got != entries) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const size_t count = std::min<size_t>(data[0] & 31, size - 1);
  std::vector<std::u16string> names, entries;
  for (size_t i = 0; i < count; ++i) {
    names.push_back(Pool()[data[1 + i] % Pool().size()]);
    if (IsEntry(names.back())) entries.push_back(names.back());
  }
  glimmerlog::RegistryData list{1, std::vector<uint8_t>(data + 1 + count, data + size)};
  Check(glimmerlog::OrderByMruList(names, &list), entries);
  list.type = 3;
  Check(glimmerlog::OrderByMruListEx(names, &list), entries);
  Check(glimmerlog::OrderByMruList(names, nullptr), entries);
  return 0;
}
