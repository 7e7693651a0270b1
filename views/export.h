// Writing the list's lines to a file in five formats: tab-separated text,
// CSV (RFC 4180), one self-contained HTML page, JSON (RFC 8259) and JSON
// Lines (one object per line). All are UTF-8; text and CSV start with a
// byte-order mark so that a spreadsheet reads them right. Platform-free.
#ifndef GLIMMERLOG_VIEWS_EXPORT_H
#define GLIMMERLOG_VIEWS_EXPORT_H

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "base/utf8.h"

namespace glimmerlog {

enum class ExportFormat { kText, kCsv, kHtml, kJson, kJsonLines };

// A cell as the list shows it and, for a time, as ISO 8601
// ("2026-12-04T10:02:18+01:00" or "2026-12-04T09:02:18Z"). Text, CSV and
// HTML hold the text shown; JSON and JSON Lines the ISO form where there is
// one, and a number as a JSON number.
struct ExportCell {
  std::u16string shown;
  std::u16string iso;   // empty unless the cell is a time
  bool number = false;  // `shown` is a number's text
};

struct ExportDocument {
  std::u16string viewName;    // the HTML page's title and heading
  std::u16string source;      // what the view read
  std::u16string reportTime;  // when the report was made
  std::vector<std::u16string> columns;
  size_t rowCount = 0;
  // Fills the cells of row `row` (0 .. rowCount - 1), one per column.
  std::function<void(size_t row, std::vector<ExportCell>& cells)> row;
};

// Appends the document in the format to `out`.
void WriteExport(ExportFormat format, const ExportDocument& document, std::string& out);

}  // namespace glimmerlog

#endif
