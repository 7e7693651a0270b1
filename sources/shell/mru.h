// Most-recently-used order of a registry key's values, as its MRUList (value
// letters) or MRUListEx (value numbers) gives it. Platform-free.
#ifndef GLIMMERLOG_SOURCES_SHELL_MRU_H
#define GLIMMERLOG_SOURCES_SHELL_MRU_H

#include <cstdint>
#include <string>
#include <vector>

#include "sources/registry/registrysource.h"

namespace glimmerlog {

// One entry value of an MRU key and its place in the order.
struct MruSlot {
  std::u16string name;
  uint32_t order = 0;   // 1 = most recent
  bool listed = false;  // the list names this value
};

// `valueNames` are the key's value names in the order the registry enumerates
// them. The list value itself ("MRUList" or "MRUListEx", any case) and the
// default value ("") are not entries; `list` is null when the key has none.
//
// The values the list names come first, in the list's order; the others
// follow in value order. Whatever the list holds (odd size, no terminator,
// repeated or unknown entries, entries for values that do not exist, any
// length), every entry value is in the result exactly once, with orders 1, 2,
// 3... as the result is sorted.

// MRUList: UTF-16LE code units, one per value name, ended by a NUL; a letter
// names the one-character value of that letter in any case.
std::vector<MruSlot> OrderByMruList(const std::vector<std::u16string>& valueNames, const RegistryData* list);

// MRUListEx: little-endian 32-bit value numbers ended by 0xFFFFFFFF; a number
// names the value whose name is that number in decimal ("0", "17").
std::vector<MruSlot> OrderByMruListEx(const std::vector<std::u16string>& valueNames, const RegistryData* list);

}  // namespace glimmerlog

#endif
