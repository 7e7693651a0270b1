// What the save dialog offers and what a typed name decides: the file name
// proposed for a view's lines, and the format a file name's extension names.
// Platform-free.
#ifndef GLIMMERLOG_APP_SAVENAME_H
#define GLIMMERLOG_APP_SAVENAME_H

#include <string>
#include <string_view>

#include "views/export.h"

namespace glimmerlog {

// "<view name> <yyyy-mm-dd>": the view's name with every character a
// Windows file name cannot hold (control characters, < > : " / \ | ? *)
// replaced by "-", and no space or dot at its end.
std::u16string SaveFileName(std::u16string_view viewName, int year, int month, int day);

// The format a file name's extension names (without regard to case):
// .txt and .tsv text, .csv, .htm and .html, .json, .jsonl and .ndjson; any
// other extension, or none, leaves `chosen`, the type the dialog shows.
ExportFormat FormatOfFileName(std::u16string_view path, ExportFormat chosen);

}  // namespace glimmerlog

#endif
