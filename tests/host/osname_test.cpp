#include "sources/osversion/osname.h"

#include <gtest/gtest.h>

namespace glimmerlog {
namespace {

struct VersionRow {
  uint32_t platform, major, minor;
  const char* name;
};

TEST(OsName, NamesEveryRowOfTheTable) {
  const VersionRow rows[] = {
      {1, 4, 0, "95"},
      {1, 9, 0, "95"},  // 9x: the major version is not looked at
      {1, 4, 10, "98"},
      {1, 4, 90, "98"},
      {1, 0, 10, "98"},
      {1, 4, 1, ""},
      {1, 4, 91, ""},
      {2, 3, 51, "Windows NT 3.51"},
      {2, 3, 0, "Windows NT 3.51"},
      {2, 4, 0, "98"},
      {2, 4, 99, "98"},  // NT 4.0 is treated like 98
      {2, 5, 0, "2000"},
      {2, 5, 1, "xp"},
      {2, 5, 2, ""},
      {2, 6, 0, "Vista"},
      {2, 6, 1, "Vista"},
      {2, 6, 3, "Vista"},
      {2, 7, 0, ""},
      {2, 10, 0, ""},
      {2, 2, 0, ""},
      {0, 0, 0, "Failed"},
      {0, 5, 1, "Failed"},
      {3, 6, 0, "Failed"},
      {0xFFFFFFFF, 6, 0, "Failed"},
  };
  for (const auto& r : rows) {
    EXPECT_EQ(OsNameFromVersion(r.platform, r.major, r.minor), r.name)
        << "platform " << r.platform << " version " << r.major << "." << r.minor;
  }
}

}  // namespace
}  // namespace glimmerlog
