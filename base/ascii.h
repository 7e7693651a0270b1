// Letters compared without regard to case the way schemes, host names and
// the names Windows gives its own keys and values are: only A-Z and a-z are
// one letter in two cases; every other character, non-ASCII letters
// included, matches only itself. Platform-free.
#ifndef GLIMMERLOG_BASE_ASCII_H
#define GLIMMERLOG_BASE_ASCII_H

#include <cstddef>
#include <string_view>

namespace glimmerlog {

// For any character type (char, char16_t, wchar_t).
template <class Char>
constexpr Char FoldAscii(Char c) {
  return c >= Char('A') && c <= Char('Z') ? static_cast<Char>(c + (Char('a') - Char('A'))) : c;
}

namespace ascii_detail {
template <class Char>
constexpr bool Same(std::basic_string_view<Char> a, std::basic_string_view<Char> b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  }
  return true;
}
template <class Char>
constexpr bool StartsWith(std::basic_string_view<Char> text, std::basic_string_view<Char> prefix) {
  return prefix.size() <= text.size() && Same(text.substr(0, prefix.size()), prefix);
}
}  // namespace ascii_detail

constexpr bool SameIgnoringAsciiCase(std::string_view a, std::string_view b) { return ascii_detail::Same(a, b); }
constexpr bool SameIgnoringAsciiCase(std::u16string_view a, std::u16string_view b) { return ascii_detail::Same(a, b); }
constexpr bool SameIgnoringAsciiCase(std::wstring_view a, std::wstring_view b) { return ascii_detail::Same(a, b); }

constexpr bool StartsWithIgnoringAsciiCase(std::string_view text, std::string_view prefix) {
  return ascii_detail::StartsWith(text, prefix);
}
constexpr bool StartsWithIgnoringAsciiCase(std::u16string_view text, std::u16string_view prefix) {
  return ascii_detail::StartsWith(text, prefix);
}
constexpr bool StartsWithIgnoringAsciiCase(std::wstring_view text, std::wstring_view prefix) {
  return ascii_detail::StartsWith(text, prefix);
}

}  // namespace glimmerlog

#endif
