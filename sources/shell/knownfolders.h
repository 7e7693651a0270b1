// Names that a user recognises for the folders Windows identifies by GUID:
// the known folders of Windows 7 to 11, the shell's root folders and the
// folders under My Computer that item lists name, and the GUID-named
// categories of Explorer's UserAssist key. One table, one name for each
// GUID, whichever of them asks. Platform-free.
#ifndef GLIMMERLOG_SOURCES_SHELL_KNOWNFOLDERS_H
#define GLIMMERLOG_SOURCES_SHELL_KNOWNFOLDERS_H

#include <cstdint>
#include <string>
#include <string_view>

namespace glimmerlog {

// The name of the folder or category that `guidText` identifies, in braces or
// not, hex digits in any case; null for a GUID not in the table or text that
// is not a GUID.
const char16_t* KnownFolderName(std::u16string_view guidText);

// The same for a GUID as binary data stores it: the first three fields
// little-endian, then the last eight bytes in order.
const char16_t* KnownFolderNameOf(const uint8_t guidBytes[16]);

// A GUID stored that way as text: upper-case hex digits in groups of 8, 4,
// 4, 4 and 12, without braces.
std::string GuidText(const uint8_t guidBytes[16]);
// The same into `text`, NUL-terminated, without allocating: for readers that
// compare many GUIDs with known ones.
void GuidChars(const uint8_t guidBytes[16], char text[37]);

}  // namespace glimmerlog

#endif
