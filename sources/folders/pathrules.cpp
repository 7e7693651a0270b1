#include "sources/folders/pathrules.h"

#include "sources/hive/upcase.h"

namespace glimmerlog {

std::u16string_view WindowsPartName(std::u16string_view part) {
  size_t end = part.size();
  while (end > 0 && (part[end - 1] == u'.' || part[end - 1] == u' ')) --end;
  if (end > 0) return part.substr(0, end);
  size_t dots = 0;
  for (char16_t c : part) dots += c == u'.';
  return dots == 0 ? u"" : dots == 1 ? u"." : u"..";
}

bool ClimbsOut(std::u16string_view path) {
  for (size_t begin = 0; begin <= path.size();) {
    size_t end = begin;
    while (end < path.size() && !IsPathSeparator(path[end])) ++end;
    if (WindowsPartName(path.substr(begin, end - begin)) == u"..") return true;
    begin = end + 1;
  }
  return false;
}

bool NamesStream(std::u16string_view path) { return path.find(u':') != std::u16string_view::npos; }

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
  std::u16string_view after;
  if (!PathBelow(path, folder, after) || ClimbsOut(after) || NamesStream(after)) return false;
  rest = after;
  return true;
}

}  // namespace glimmerlog
