// UTF-16 and UTF-8, both ways, for every layer: files and databases hold
// UTF-8, the program's text is UTF-16. Platform-free.
#ifndef GLIMMERLOG_BASE_UTF8_H
#define GLIMMERLOG_BASE_UTF8_H

#include <cstddef>
#include <string>
#include <string_view>

namespace glimmerlog {

// One code point as UTF-8.
void AppendCodePoint(char32_t cp, std::string& out);

// Calls `each(code point, lone)` for every code point of the text; a lone
// surrogate comes as itself with `lone` set.
template <class Each>
void ForEachCodePoint(std::u16string_view text, Each each) {
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    const bool high = c >= 0xD800 && c <= 0xDBFF, low = c >= 0xDC00 && c <= 0xDFFF;
    if (high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      each(0x10000 + ((char32_t{c} - 0xD800) << 10) + (text[i + 1] - 0xDC00), false);
      ++i;
    } else {
      each(char32_t{c}, high || low);
    }
  }
}

// UTF-16 to UTF-8; an unpaired surrogate, which UTF-8 cannot hold, becomes
// U+FFFD.
void AppendUtf8(std::u16string_view text, std::string& out);
inline std::string Utf8Of(std::u16string_view text) {
  std::string out;
  AppendUtf8(text, out);
  return out;
}

// UTF-8 to UTF-16: malformed sequences become U+FFFD instead of failing.
void AppendUtf8AsUtf16(std::u16string& out, const char* data, size_t size);
inline std::u16string Utf8ToU16(std::string_view s) {
  std::u16string out;
  AppendUtf8AsUtf16(out, s.data(), s.size());
  return out;
}

}  // namespace glimmerlog

#endif
