// The report's platform on the system it was built for: the native build's
// (a profile folder copied to this machine) or Windows's (also the live
// user).
#ifndef GLIMMERLOG_REPORT_SYSTEMPLATFORM_H
#define GLIMMERLOG_REPORT_SYSTEMPLATFORM_H

#include <memory>

#include "report/report.h"

namespace glimmerlog {

std::unique_ptr<ReportPlatform> MakeSystemReportPlatform();

}  // namespace glimmerlog

#endif
