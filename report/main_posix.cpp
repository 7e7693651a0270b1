// glimmerlog-report on the native build: arguments as the system gives them.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "report/systemplatform.h"

// Running out of memory ends the report as a source it could not read does.
int main(int argc, char** argv) {
  try {
    const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    return glimmerlog::RunReport(args, *glimmerlog::MakeSystemReportPlatform());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "glimmerlog-report: %s\n", e.what());
    return glimmerlog::kReportUnreadable;
  }
}
