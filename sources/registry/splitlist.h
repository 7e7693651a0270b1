// Splitting of a delimited list (a key's value-name list) into its pieces.
#ifndef GLIMMERLOG_SOURCES_REGISTRY_SPLITLIST_H
#define GLIMMERLOG_SOURCES_REGISTRY_SPLITLIST_H

#include <string>
#include <vector>

#include "base/ascii.h"

namespace glimmerlog {

// Cuts `text` at each occurrence of `delimiter` (letters compared without
// regard to case), taking the delimiter as one character long. Returns the
// pieces before each delimiter, in order, followed by one empty text; a text
// without the delimiter gives no pieces at all. The text after the last
// delimiter is not in the result: it is what `text` holds afterwards.
//
// Positions are not limited to 16 bits: a list of any length is split whole.
template <class String>
std::vector<String> SplitList(String& text, const String& delimiter) {
  std::vector<String> pieces;
  if (delimiter.empty()) return pieces;
  size_t start = 0;
  for (;;) {
    size_t found = String::npos;
    for (size_t i = start; i + delimiter.size() <= text.size(); ++i) {
      size_t k = 0;
      while (k < delimiter.size() && FoldAscii(text[i + k]) == FoldAscii(delimiter[k])) ++k;
      if (k == delimiter.size()) {
        found = i;
        break;
      }
    }
    if (found == String::npos) break;
    pieces.push_back(text.substr(start, found - start));
    start = found + 1;
  }
  if (!pieces.empty()) pieces.emplace_back();
  text.erase(0, start);
  return pieces;
}

}  // namespace glimmerlog

#endif
