// Explorer's UserAssist records: value names (ROT13 of the program or
// shortcut), the counts and last-run time in the value data, and names
// that start with a known folder's GUID. Platform-free.
#ifndef GLIMMERLOG_SOURCES_SHELL_USERASSIST_H
#define GLIMMERLOG_SOURCES_SHELL_USERASSIST_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace glimmerlog {

// ROT13 over the ASCII letters; every other code unit (digits, punctuation,
// non-ASCII letters, surrogates) is left as it is. Its own inverse.
std::u16string Rot13(std::u16string_view name);

struct UserAssistData {
  uint32_t runCount = 0;
  uint32_t focusCount = 0;  // with hasFocus only
  uint32_t focusMs = 0;     // total time in the foreground, with hasFocus only
  uint64_t lastRun = 0;     // FILETIME (UTC); 0 when never set
  bool hasFocus = false;    // the data carries focus count and time
  int layout = 0;           // 16 (XP and Vista, version 3) or 72 (Windows 7 and later, version 5)
};

// Reads a Count value's data. 16 bytes: session at 0, count at 4 (the count
// starts at 5, so 5 is subtracted from counts of 5 and more), last run at 8.
// 72 bytes: run count at 4, focus count at 8, focus time in milliseconds at
// 12, last run at 60. Any other size (e.g. the 8-byte session value of XP) is
// not a program's record: false, and `out` is cleared.
bool ParseUserAssistData(const uint8_t* data, size_t size, UserAssistData& out);

// A decoded name that starts with a known folder's GUID in braces, alone or
// followed by a backslash, with the GUID replaced by the folder's name:
// "{1AC14E77-02E7-4E5D-B744-2EB1AE5198B7}\cmd.exe" -> "System32\cmd.exe".
// Any other name (an unknown GUID, an application ID, a full path) unchanged.
std::u16string NameWithKnownFolder(std::u16string_view decodedName);

}  // namespace glimmerlog

#endif
