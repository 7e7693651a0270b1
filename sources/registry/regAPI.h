// The one place that reads the registry. Every call opens the key it needs
// and closes it before returning; failures come back in-band as the text
// "error440".
#ifndef GLIMMERLOG_SOURCES_REGISTRY_REGAPI_H
#define GLIMMERLOG_SOURCES_REGISTRY_REGAPI_H

#include <windows.h>

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace glimmerlog {

extern const wchar_t kRegFailure[];  // "error440"

// What QueryRegValue found: nothing, a text or a 32-bit number.
using RegValue = std::variant<std::monostate, std::wstring, int32_t>;

// Reads one value of an open key into `holder`. Returns 0, the platform's
// error code, or -1 for a type other than REG_SZ and REG_DWORD (holder then
// untouched).
LONG QueryRegValue(HKEY key, const std::wstring& valueName, RegValue& holder);

// The value as text (a number in decimal), or "error440" when the key cannot
// be opened or the value is missing, of another type, unreadable or stored
// without any data.
std::wstring GetRegValue(HKEY root, const std::wstring& subKey, const std::wstring& valueName);

// A value of the current user's Shell Folders key (a folder path as the
// shell last recorded it), as GetRegValue reads it.
std::wstring GetShellFolder(const std::wstring& valueName);

// The names of the key's values, each followed by one comma, in enumeration
// order; empty text for a key without values; "error440" when the key cannot
// be opened. The listing ends at the first name of 20 or more characters.
std::wstring GetRegValueNames(HKEY root, const std::wstring& subKey);

}  // namespace glimmerlog

#endif
