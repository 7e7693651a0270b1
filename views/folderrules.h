// Which folder entries the folder views list.
#ifndef GLIMMERLOG_VIEWS_FOLDERRULES_H
#define GLIMMERLOG_VIEWS_FOLDERRULES_H

#include <cstdint>

namespace glimmerlog {

// A folder whose attribute number is 16 (directory) up to 31 (with read-only,
// hidden or system) is left out; one that also carries the archive bit (32)
// or any higher bit has a larger number and is listed like a file.
constexpr bool IsPlainFolder(uint32_t attributes) { return attributes >= 16 && attributes <= 31; }

// "." and "..", and the browser's own index file under its exact lower-case
// name, are not entries of the list. Works on any string type.
template <class String>
bool IsSkippedName(const String& name) {
  using Char = typename String::value_type;
  static const Char kIndex[] = {'i', 'n', 'd', 'e', 'x', '.', 'd', 'a', 't', 0};
  static const Char kDot[] = {'.', 0}, kDotDot[] = {'.', '.', 0};
  return name == kDot || name == kDotDot || name == kIndex;
}

}  // namespace glimmerlog

#endif
