// glimmerlog-report.exe: a console program; its arguments in UTF-16, taken
// as UTF-8 by the platform-free core and back to UTF-16 at every call.
#include <string>
#include <vector>

#include "base/winutil_win.h"
#include "report/systemplatform.h"

int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(glimmerlog::WideToUtf8(argv[i]));
  return glimmerlog::RunReport(args, *glimmerlog::MakeSystemReportPlatform());
}
