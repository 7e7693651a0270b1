#include "base/utf8.h"

namespace glimmerlog {

void AppendCodePoint(char32_t cp, std::string& out) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

void AppendUtf8(std::u16string_view text, std::string& out) {
  size_t i = 0;
  while (i < text.size() && text[i] < 0x80) ++i;  // ASCII as it is, in one go
  const size_t at = out.size();
  out.resize(at + i);
  for (size_t k = 0; k < i; ++k) out[at + k] = static_cast<char>(text[k]);
  if (i == text.size()) return;
  ForEachCodePoint(text.substr(i), [&](char32_t cp, bool lone) { AppendCodePoint(lone ? 0xFFFD : cp, out); });
}

void AppendUtf8AsUtf16(std::u16string& out, const char* data, size_t size) {
  const auto* p = reinterpret_cast<const unsigned char*>(data);
  const unsigned char* end = p + size;
  // UTF-16 never takes more code units than UTF-8 takes bytes: room for all
  // of them first, the excess cut at the end.
  const size_t start = out.size();
  out.resize(start + size);
  char16_t* w = &out[0] + start;
  while (p < end) {
    const unsigned char c = *p;
    if (c < 0x80) {
      *w++ = c;
      ++p;
      continue;
    }
    // Length, smallest value and first bits of a multi-byte sequence.
    size_t n;
    char32_t min, cp;
    if ((c & 0xE0) == 0xC0) {
      n = 2, min = 0x80, cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
      n = 3, min = 0x800, cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
      n = 4, min = 0x10000, cp = c & 0x07;
    } else {
      *w++ = u'\uFFFD';
      ++p;
      continue;
    }
    size_t i = 1;
    for (; i < n && p + i < end && (p[i] & 0xC0) == 0x80; ++i) cp = cp << 6 | (p[i] & 0x3F);
    if (i < n || cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      *w++ = u'\uFFFD';
      p += i;  // the bytes that belonged to the broken sequence
      continue;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      *w++ = static_cast<char16_t>(0xD800 + (cp >> 10));
      *w++ = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      *w++ = static_cast<char16_t>(cp);
    }
    p += n;
  }
  out.resize(static_cast<size_t>(w - out.data()));
}

}  // namespace glimmerlog
