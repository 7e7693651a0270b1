// Case-insensitive comparison of registry key and value names, as the
// platform compares them: each UTF-16 code unit is mapped to its capital and
// the results compared unit by unit.
//
// The mapping is Unicode's simple uppercase mapping (UnicodeData.txt of
// Unicode 15.0, one character to one character) restricted to the Basic
// Multilingual Plane; code units of surrogate pairs are compared as they are,
// and characters whose capital is more than one character (German sharp s)
// or lies outside the plane keep their own value. The platform's own table
// is built the same way from an older Unicode version, so the two can differ
// only for characters added to Unicode since.
#ifndef GLIMMERLOG_SOURCES_HIVE_UPCASE_H
#define GLIMMERLOG_SOURCES_HIVE_UPCASE_H

#include <string_view>

namespace glimmerlog {

char16_t UpcaseNameChar(char16_t c);

// True when the two names are equal after mapping each code unit to its capital.
bool SameRegistryName(std::u16string_view a, std::u16string_view b);

}  // namespace glimmerlog

#endif
