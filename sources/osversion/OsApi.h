// Identification of the running Windows version.
#ifndef GLIMMERLOG_SOURCES_OSVERSION_OSAPI_H
#define GLIMMERLOG_SOURCES_OSVERSION_OSAPI_H

#include <string>

namespace glimmerlog {

// Asks the platform for its version record once and names it (see
// OsNameFromVersion).
std::string GetOsName();

}  // namespace glimmerlog

#endif
