#include "app/celltip.h"

namespace glimmerlog {

namespace {
bool BreaksAfter(wchar_t c) {
  return c == L' ' || c == L'/' || c == L'?' || c == L'&' || c == L'=' || c == L'\\' || c == L'-';
}
}  // namespace

std::wstring WrapTipText(const std::wstring& text, size_t maxChars) {
  if (maxChars == 0) maxChars = 1;
  std::wstring out;
  out.reserve(text.size() + text.size() / maxChars + 1);
  size_t lineStart = 0;  // in `text`
  while (lineStart < text.size()) {
    const size_t newline = text.find(L'\n', lineStart);
    const size_t hardEnd = newline == std::wstring::npos ? text.size() : newline;
    if (hardEnd - lineStart <= maxChars) {
      out.append(text, lineStart, hardEnd - lineStart + (newline == std::wstring::npos ? 0 : 1));
      lineStart = hardEnd + 1;
      continue;
    }
    size_t cut = lineStart + maxChars;
    for (size_t i = cut; i > lineStart + maxChars / 2; --i) {
      if (BreaksAfter(text[i - 1])) {
        cut = i;
        break;
      }
    }
    // A surrogate pair stays whole.
    if (cut > lineStart + 1 && text[cut - 1] >= 0xD800 && text[cut - 1] <= 0xDBFF) --cut;
    out.append(text, lineStart, cut - lineStart);
    out += L'\n';
    lineStart = cut;
  }
  return out;
}

}  // namespace glimmerlog
