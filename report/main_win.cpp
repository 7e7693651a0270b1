// glimmerlog-report.exe: a console program; its arguments in UTF-16, taken
// as UTF-8 by the platform-free core and back to UTF-16 at every call.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "base/winutil_win.h"
#include "report/systemplatform.h"

// Running out of memory ends the report as a source it could not read does.
int wmain(int argc, wchar_t** argv) {
  try {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.push_back(glimmerlog::WideToUtf8(argv[i]));
    return glimmerlog::RunReport(args, *glimmerlog::MakeSystemReportPlatform());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "glimmerlog-report: %s\n", e.what());
    return glimmerlog::kReportUnreadable;
  }
}
