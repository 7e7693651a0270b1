// Writing the list's lines to a file in four formats: tab-separated text,
// CSV (RFC 4180), one self-contained HTML page, and JSON (RFC 8259). All are
// UTF-8; text and CSV start with a byte-order mark so that a spreadsheet
// reads them right. Platform-free.
#ifndef GLIMMERLOG_VIEWS_EXPORT_H
#define GLIMMERLOG_VIEWS_EXPORT_H

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "base/utf8.h"

namespace glimmerlog {

enum class ExportFormat { kText, kCsv, kHtml, kJson };

// A cell as the list shows it and, for a time, as ISO 8601 with the UTC
// offset of that date ("2026-12-04T10:02:18+01:00"). Text and HTML hold the
// text shown; CSV and JSON hold the ISO form where there is one.
struct ExportCell {
  std::u16string shown;
  std::u16string iso;  // empty unless the cell is a time
  // `shown` is a number as JSON writes one ("12", "0.5"), for writers that
  // write numbers bare (the report's JSON); WriteExport writes it as text.
  bool number = false;
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

// One cell's text as each format writes it, appended to `out`: tab-separated
// text (tabs and line breaks as spaces), a CSV field (quoted when it must
// be), a JSON string (quoted, escaped; a lone surrogate as \uXXXX).
void TextField(std::u16string_view text, std::string& out);
void CsvField(std::u16string_view text, std::string& out);
void JsonString(std::u16string_view text, std::string& out);

// The columns as JSON keys: a repeated name gets " (2)", " (3)"...
std::vector<std::u16string> DistinctKeys(const std::vector<std::u16string>& columns);

// Appends the document in the format to `out`.
void WriteExport(ExportFormat format, const ExportDocument& document, std::string& out);

}  // namespace glimmerlog

#endif
