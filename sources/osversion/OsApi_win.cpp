#include "sources/osversion/OsApi.h"

#include <windows.h>

#include "sources/osversion/osname.h"

namespace glimmerlog {

std::string GetOsName() {
  // The ANSI record is 148 bytes; its numeric fields start at zero so that a
  // call that fails leaves platform id 0 ("Failed"). The result of the call is
  // not examined for the same reason.
  OSVERSIONINFOA info{};
  static_assert(sizeof(info) == 148, "published size of OSVERSIONINFOA");
  info.dwOSVersionInfoSize = sizeof(info);
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#endif
  GetVersionExA(&info);
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
  return OsNameFromVersion(info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion);
}

}  // namespace glimmerlog
