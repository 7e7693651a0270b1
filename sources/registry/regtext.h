// The list views' readers' rules for turning a value into text and a key's
// value names into one list, kept free of the platform so that every
// registry source (the live one, a hive file) gives the same text.
#ifndef GLIMMERLOG_SOURCES_REGISTRY_REGTEXT_H
#define GLIMMERLOG_SOURCES_REGISTRY_REGTEXT_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace glimmerlog {

// The text of a value from its type and stored bytes, or false when the
// readers report a failure instead:
//  - REG_SZ (1): the UTF-16 text up to its first NUL, over the whole
//    characters of the data (an odd last byte is not one); data stored
//    without a NUL keeps every character; data of less than one character
//    is a failure. Text after an embedded NUL is not part of it.
//  - REG_DWORD (4): exactly four bytes, as a signed decimal number.
//  - every other type is a failure (REG_EXPAND_SZ included).
bool RegValueText(uint32_t type, const uint8_t* bytes, size_t size, std::u16string& text);

// Adds one value name to a key's name list, followed by a comma. False (and
// nothing added) for a name of 20 characters or more: such a name does not
// fit the readers' name buffer and ends the listing.
bool AppendRegValueName(std::u16string& list, std::u16string_view name);

}  // namespace glimmerlog

#endif
