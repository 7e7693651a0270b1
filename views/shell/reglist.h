// The list loader's reader: the lines that a registry key's values give
// under a rule, read through a registry source. Platform-free.
#ifndef GLIMMERLOG_VIEWS_SHELL_REGLIST_H
#define GLIMMERLOG_VIEWS_SHELL_REGLIST_H

#include <string>
#include <string_view>
#include <vector>

#include "sources/registry/registrysource.h"
#include "views/shell/regrules.h"

namespace glimmerlog {

// One line per accepted value of the key, in the registry's enumeration
// order: the names come from GetRegValueNames (so the listing ends at a name
// of 20 characters or more), names that are empty or spaces are skipped (the
// default value and the list's last slot), and values that read as empty or
// as the failure text are left out. A key that cannot be read gives none.
std::vector<std::u16string> RegListLines(RegistrySource& registry, std::u16string_view key, ListRule rule);

}  // namespace glimmerlog

#endif
