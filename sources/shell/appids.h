// The programs behind well-known jump list AppIDs (the first part of a jump
// list's file name). Platform-free.
#ifndef GLIMMERLOG_SOURCES_SHELL_APPIDS_H
#define GLIMMERLOG_SOURCES_SHELL_APPIDS_H

#include <string_view>

namespace glimmerlog {

// The program's name for an AppID in hex (any case); null for one not in the
// table.
const char16_t* AppIdProgram(std::u16string_view appId);

}  // namespace glimmerlog

#endif
