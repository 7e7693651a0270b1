#include "sources/folders/pathrules.h"

#include "sources/hive/upcase.h"

namespace glimmerlog {

bool ClimbsOut(std::u16string_view path) {
  for (size_t begin = 0; begin <= path.size();) {
    size_t end = begin;
    while (end < path.size() && !IsPathSeparator(path[end])) ++end;
    if (path.substr(begin, end - begin) == u"..") return true;
    begin = end + 1;
  }
  return false;
}

bool PathBelow(std::u16string_view path, std::u16string_view folder, std::u16string_view& rest) {
  if (folder.empty() || path.size() < folder.size() || !SameRegistryName(path.substr(0, folder.size()), folder)) {
    return false;
  }
  const std::u16string_view after = path.substr(folder.size());
  if (!after.empty() && !IsPathSeparator(after.front()) && !IsPathSeparator(folder.back())) return false;
  rest = after;
  return true;
}

bool PathWithin(std::u16string_view path, std::u16string_view folder, std::u16string_view& rest) {
  return PathBelow(path, folder, rest) && !ClimbsOut(rest);
}

}  // namespace glimmerlog
