// Identification of the running Windows version.
#ifndef GLIMMERLOG_APP_OSAPI_H
#define GLIMMERLOG_APP_OSAPI_H

#include <string>

namespace glimmerlog {

// Asks the platform for its version record once and names it (see
// OsNameFromVersion).
std::string GetOsName();

}  // namespace glimmerlog

#endif
