#include "views/shell/reglist.h"

#include "sources/registry/splitlist.h"

namespace glimmerlog {

namespace {
bool OnlySpaces(const std::u16string& s) { return s.find_first_not_of(u' ') == std::u16string::npos; }
}  // namespace

std::vector<std::u16string> RegListLines(RegistrySource& registry, std::u16string_view key, ListRule rule) {
  std::vector<std::u16string> lines;
  std::u16string names = registry.GetRegValueNames(key);
  if (names == kRegFailureText || names.empty()) return lines;
  for (const std::u16string& name : SplitList(names, std::u16string(u","))) {
    if (OnlySpaces(name)) continue;
    const std::u16string text = registry.GetRegValue(key, name);
    if (text.empty() || text == kRegFailureText) continue;
    if (auto line = ApplyListRule(rule, text)) lines.push_back(std::move(*line));
  }
  return lines;
}

}  // namespace glimmerlog
