#include "views/export.h"

#include <cstdio>

namespace glimmerlog {

namespace {

constexpr char kBom[] = "\xEF\xBB\xBF";

const std::u16string& ValueOf(const ExportCell& cell, bool iso) {
  return iso && !cell.iso.empty() ? cell.iso : cell.shown;
}

// A number's text as JSON writes a number: an optional minus, digits with
// no leading zero, an optional fraction and exponent. Infinity and NaN have
// no JSON form and stay strings.
bool IsJsonNumber(std::u16string_view t) {
  size_t i = 0;
  auto digits = [&] {
    const size_t from = i;
    while (i < t.size() && t[i] >= u'0' && t[i] <= u'9') ++i;
    return i - from;
  };
  if (i < t.size() && t[i] == u'-') ++i;
  const size_t whole = i;
  if (digits() == 0 || (t[whole] == u'0' && i - whole > 1)) return false;
  if (i < t.size() && t[i] == u'.') {
    ++i;
    if (digits() == 0) return false;
  }
  if (i < t.size() && (t[i] == u'e' || t[i] == u'E')) {
    ++i;
    if (i < t.size() && (t[i] == u'+' || t[i] == u'-')) ++i;
    if (digits() == 0) return false;
  }
  return i == t.size();
}

// Text: a tab or line break inside a cell would start another cell or row,
// so it is written as a space.
void TextField(std::u16string_view text, std::string& out) {
  const size_t from = out.size();
  AppendUtf8(text, out);
  for (size_t i = from; i < out.size(); ++i) {
    if (out[i] == '\t' || out[i] == '\r' || out[i] == '\n') out[i] = ' ';
  }
}

void CsvField(std::u16string_view text, std::string& out) {
  bool quote = false;
  for (char16_t c : text) quote = quote || c == u',' || c == u'"' || c == u'\r' || c == u'\n';
  if (!quote) {
    AppendUtf8(text, out);
    return;
  }
  out += '"';
  const size_t from = out.size();
  AppendUtf8(text, out);
  // Each quote doubled, from the end so that positions hold.
  for (size_t i = out.size(); i-- > from;) {
    if (out[i] == '"') out.insert(out.begin() + static_cast<std::ptrdiff_t>(i), '"');
  }
  out += '"';
}

void HtmlText(std::u16string_view text, std::string& out) {
  ForEachCodePoint(text, [&](char32_t cp, bool lone) {
    switch (cp) {
      case '&': out += "&amp;"; return;
      case '<': out += "&lt;"; return;
      case '>': out += "&gt;"; return;
      case '"': out += "&quot;"; return;
      case '\'': out += "&#39;"; return;
      default: break;
    }
    // NUL, other control characters and lone surrogates are no characters
    // of an HTML document.
    if (lone || cp == 0 || (cp < 0x20 && cp != '\t' && cp != '\n' && cp != '\r') || (cp >= 0x7F && cp < 0xA0)) {
      out += "\xEF\xBF\xBD";
      return;
    }
    AppendCodePoint(cp, out);
  });
}

void JsonString(std::u16string_view text, std::string& out) {
  out += '"';
  char escape[8];
  ForEachCodePoint(text, [&](char32_t cp, bool lone) {
    if (lone) {
      std::snprintf(escape, sizeof(escape), "\\u%04X", static_cast<unsigned>(cp));
      out += escape;
      return;
    }
    switch (cp) {
      case '"': out += "\\\""; return;
      case '\\': out += "\\\\"; return;
      case '\n': out += "\\n"; return;
      case '\r': out += "\\r"; return;
      case '\t': out += "\\t"; return;
      default: break;
    }
    if (cp < 0x20) {
      std::snprintf(escape, sizeof(escape), "\\u%04X", static_cast<unsigned>(cp));
      out += escape;
      return;
    }
    AppendCodePoint(cp, out);
  });
  out += '"';
}

// JSON objects want distinct keys: a repeated column name gets " (2)" etc.
std::vector<std::u16string> DistinctKeys(const std::vector<std::u16string>& columns) {
  std::vector<std::u16string> keys;
  for (const std::u16string& c : columns) {
    std::u16string key = c;
    for (int n = 2;; ++n) {
      bool taken = false;
      for (const std::u16string& k : keys) taken = taken || k == key;
      if (!taken) break;
      const std::string suffix = " (" + std::to_string(n) + ")";
      key = c + std::u16string(suffix.begin(), suffix.end());
    }
    keys.push_back(key);
  }
  return keys;
}

constexpr char kHtmlStyle[] =
    "body{font-family:Segoe UI,Tahoma,sans-serif;font-size:10pt;margin:1.5em}"
    "table{border-collapse:collapse}th,td{border:1px solid #bbb;padding:2px 6px;text-align:left;"
    "vertical-align:top;white-space:pre-wrap;word-break:break-all}th{background:#e8eef8}"
    "p{margin:.2em 0}";

}  // namespace

void WriteExport(ExportFormat format, const ExportDocument& doc, std::string& out) {
  std::vector<ExportCell> cells;
  const size_t width = doc.columns.size();
  auto rowCells = [&](size_t r) {
    cells.resize(width);
    for (ExportCell& cell : cells) {
      cell.shown.clear();
      cell.iso.clear();
      cell.number = false;
    }
    if (doc.row) doc.row(r, cells);
    cells.resize(width);
  };
  switch (format) {
    case ExportFormat::kText:
    case ExportFormat::kCsv: {
      const bool csv = format == ExportFormat::kCsv;
      auto field = [&](std::u16string_view t) { csv ? CsvField(t, out) : TextField(t, out); };
      const char separator = csv ? ',' : '\t';
      out += kBom;
      for (size_t c = 0; c < width; ++c) {
        if (c) out += separator;
        field(doc.columns[c]);
      }
      out += "\r\n";
      for (size_t r = 0; r < doc.rowCount; ++r) {
        rowCells(r);
        for (size_t c = 0; c < width; ++c) {
          if (c) out += separator;
          field(cells[c].shown);
        }
        out += "\r\n";
      }
      break;
    }
    case ExportFormat::kHtml: {
      out += "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>";
      HtmlText(doc.viewName, out);
      out += "</title><style>";
      out += kHtmlStyle;
      out += "</style></head>\n<body>\n<h1>";
      HtmlText(doc.viewName, out);
      out += "</h1>\n<p>Source: ";
      HtmlText(doc.source, out);
      out += "</p>\n<p>Report made: ";
      HtmlText(doc.reportTime, out);
      out += "</p>\n<p>Lines: " + std::to_string(doc.rowCount) + "</p>\n<table>\n<tr>";
      for (const std::u16string& c : doc.columns) {
        out += "<th>";
        HtmlText(c, out);
        out += "</th>";
      }
      out += "</tr>\n";
      for (size_t r = 0; r < doc.rowCount; ++r) {
        rowCells(r);
        out += "<tr>";
        for (const ExportCell& cell : cells) {
          out += "<td>";
          HtmlText(cell.shown, out);
          out += "</td>";
        }
        out += "</tr>\n";
      }
      out += "</table>\n</body></html>\n";
      break;
    }
    case ExportFormat::kJson:
    case ExportFormat::kJsonLines: {
      // JSON Lines: one object per line, no array around them.
      const bool lines = format == ExportFormat::kJsonLines;
      const std::vector<std::u16string> keys = DistinctKeys(doc.columns);
      if (!lines) out += "[";
      for (size_t r = 0; r < doc.rowCount; ++r) {
        rowCells(r);
        out += lines ? "{" : r ? ",\n{" : "\n{";
        for (size_t c = 0; c < width; ++c) {
          if (c) out += ", ";
          JsonString(keys[c], out);
          out += ": ";
          if (cells[c].number && IsJsonNumber(cells[c].shown)) {
            AppendUtf8(cells[c].shown, out);
          } else {
            JsonString(ValueOf(cells[c], true), out);
          }
        }
        out += lines ? "}\n" : "}";
      }
      if (!lines) out += "\n]\n";
      break;
    }
  }
}

}  // namespace glimmerlog
