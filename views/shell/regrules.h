// Which registry values the list loader turns into lines, and how.
#ifndef GLIMMERLOG_VIEWS_SHELL_REGRULES_H
#define GLIMMERLOG_VIEWS_SHELL_REGRULES_H

#include <optional>

namespace glimmerlog {

enum class ListRule {
  kRun,    // Run box entries: "command\1"; listed without the two-character suffix
  kOpen,   // Open/Save entries: only full paths (they hold a colon)
  kPlain,  // every readable value as it is
};

// The line a value's text gives under a rule, or nothing. Texts that are
// empty or the failure text are filtered before this.
//
// A Run entry must hold a backslash; its last two characters (the "\1" the
// shell appends) are cut. An entry of a single backslash has nothing to cut
// and gives no line, without stopping the rest of the key.
template <class String>
std::optional<String> ApplyListRule(ListRule rule, const String& text) {
  using Char = typename String::value_type;
  switch (rule) {
    case ListRule::kRun:
      if (text.find(Char('\\')) == String::npos || text.size() < 2) return std::nullopt;
      return text.substr(0, text.size() - 2);
    case ListRule::kOpen:
      if (text.find(Char(':')) == String::npos) return std::nullopt;
      return text;
    case ListRule::kPlain: break;
  }
  return text;
}

}  // namespace glimmerlog

#endif
