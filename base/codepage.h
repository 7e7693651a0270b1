// Text in a Windows ANSI code page, for systems that have none of their own.
// Platform-free.
#ifndef GLIMMERLOG_BASE_CODEPAGE_H
#define GLIMMERLOG_BASE_CODEPAGE_H

#include <cstdint>
#include <string>
#include <string_view>

namespace glimmerlog {

// One byte of Windows-1252, the ANSI code page of Western European Windows.
// Its five unassigned bytes (0x81, 0x8D, 0x8F, 0x90, 0x9D) stay the code
// points of the same number, as Windows maps them.
char16_t Windows1252Char(unsigned char byte);

// Bytes of Windows-1252 as text, one character a byte.
std::u16string Windows1252Text(std::string_view bytes);

// Bytes of the Windows ANSI code page numbered `codePage` (1252, 932,
// 950...) as text: Windows-1252 here, the others through the platform's own
// converter. False, with `out` empty, for a code page this system does not
// know or bytes that are not text of it.
bool CodePageText(uint32_t codePage, std::string_view bytes, std::u16string& out);
// The platform's converter behind CodePageText (codepage_win.cpp on
// Windows, iconv elsewhere).
bool PlatformCodePageText(uint32_t codePage, std::string_view bytes, std::u16string& out);

}  // namespace glimmerlog

#endif
