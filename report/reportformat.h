// The report's lines in its formats, a profile at a time: the head written
// once before the first lines, each profile's lines (formatted on the thread
// that read it), and the tail. Platform-free.
#ifndef GLIMMERLOG_REPORT_REPORTFORMAT_H
#define GLIMMERLOG_REPORT_REPORTFORMAT_H

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "report/report.h"
#include "views/table.h"
#include "views/timeline.h"

namespace glimmerlog {

// Whose lines they are: the user (and SID, where known), the computer.
struct LineLabels {
  std::u16string user, sid, host;
};

struct FormatSettings {
  ReportFormat format = ReportFormat::kText;
  // txt, csv and json: each line begins with User, SID and Host (several
  // profiles or a volume); the other formats always name them.
  bool labelled = false;
  bool timesketchCsv = false;  // the timeline platform's CSV rather than its JSON Lines
  bool timeline = false;       // the table is the activity timeline (Time, Kind, What, Detail, Source)
  std::u16string viewName;
  const char* lineEnd = "\r\n";  // of txt
  uint64_t since = 0, until = 0;  // FILETIME, both included; 0 for no end
  // A time as ISO 8601 with its offset (UTC as "Z", or local).
  std::function<std::u16string(uint64_t)> iso;
};

// What the timeline platform's timestamp_desc says of a time kind that is
// a key's ("Key Last Written (most recent entry)"); empty for kOwn.
const char16_t* TimeKindText(TimeKind kind);

// The head: txt's and csv's header line, json's "[", the timeline
// platform's CSV header; nothing for the line formats.
std::string FormatHead(const FormatSettings& settings, const std::vector<std::u16string>& columns);

// The lines of one profile's table (with each line's time kind for the
// timeline), appended to `out`; returns how many records were written. In
// json each record begins "\n{" and records are joined by ","; the caller
// puts a "," between two profiles' records.
size_t FormatLines(const FormatSettings& settings, const Table& table, const std::vector<TimeKind>* kinds,
                   const LineLabels& labels, std::string& out);

// The tail: json's "\n]\n"; nothing for the others.
std::string FormatTail(const FormatSettings& settings);

}  // namespace glimmerlog

#endif
