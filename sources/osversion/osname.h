// Short name of the Windows version, chosen from the platform id and version
// numbers of the platform's version record.
#ifndef GLIMMERLOG_SOURCES_OSVERSION_OSNAME_H
#define GLIMMERLOG_SOURCES_OSVERSION_OSNAME_H

#include <cstdint>
#include <string>

namespace glimmerlog {

// Returns "95", "98", "Windows NT 3.51", "2000", "xp", "Vista", "Failed" or "".
std::string OsNameFromVersion(uint32_t platformId, uint32_t major, uint32_t minor);

}  // namespace glimmerlog

#endif
