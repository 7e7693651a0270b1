// glimmerlog-report on the native build: arguments as the system gives them.
#include <string>
#include <vector>

#include "report/systemplatform.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  return glimmerlog::RunReport(args, *glimmerlog::MakeSystemReportPlatform());
}
