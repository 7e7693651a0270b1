// UTF-8 to UTF-16 as the browser readers need it (database text, JSON and
// INI files): malformed sequences become U+FFFD instead of failing.
#ifndef GLIMMERLOG_SOURCES_BROWSERS_UTF8_H
#define GLIMMERLOG_SOURCES_BROWSERS_UTF8_H

#include <cstddef>
#include <string>
#include <string_view>

namespace glimmerlog {

void AppendUtf8AsUtf16(std::u16string& out, const char* data, size_t size);
inline std::u16string Utf8ToU16(std::string_view s) {
  std::u16string out;
  AppendUtf8AsUtf16(out, s.data(), s.size());
  return out;
}

}  // namespace glimmerlog

#endif
