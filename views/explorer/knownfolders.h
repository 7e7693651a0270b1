// Names that a user recognises for the folders Windows identifies by GUID
// (the known folders of Windows 7 to 11) and for the GUID-named categories of
// Explorer's UserAssist key. Platform-free.
#ifndef GLIMMERLOG_VIEWS_EXPLORER_KNOWNFOLDERS_H
#define GLIMMERLOG_VIEWS_EXPLORER_KNOWNFOLDERS_H

#include <cstdint>
#include <string_view>

namespace glimmerlog {

// The name of the folder or category that `guidText` identifies, in braces or
// not, hex digits in any case; null for a GUID not in the table or text that
// is not a GUID.
const char16_t* KnownFolderName(std::u16string_view guidText);

// The same for a GUID as binary data stores it: the first three fields
// little-endian, then the last eight bytes in order.
const char16_t* KnownFolderNameOf(const uint8_t guidBytes[16]);

}  // namespace glimmerlog

#endif
