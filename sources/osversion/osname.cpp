#include "sources/osversion/osname.h"

namespace glimmerlog {

// The rows are tried top to bottom. Windows NT 4.0 is deliberately named "98"
// so that every view treats it like Windows 98; every 6.x release is "Vista".
// A record the platform did not fill keeps platform id 0, which gives "Failed".
std::string OsNameFromVersion(uint32_t platformId, uint32_t major, uint32_t minor) {
  constexpr uint32_t kWindows9x = 1;
  constexpr uint32_t kWindowsNT = 2;
  if (platformId == kWindows9x) {
    if (minor == 0) return "95";
    if (minor == 10 || minor == 90) return "98";
    return "";
  }
  if (platformId == kWindowsNT) {
    switch (major) {
      case 3: return "Windows NT 3.51";
      case 4: return "98";
      case 5:
        if (minor == 0) return "2000";
        if (minor == 1) return "xp";
        return "";
      case 6: return "Vista";
      default: return "";
    }
  }
  return "Failed";
}

}  // namespace glimmerlog
