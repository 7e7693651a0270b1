#include "report/reportformat.h"

#include <cmath>
#include <cstdio>
#include <utility>

#include "base/isotime.h"
#include "base/utf8.h"
#include "views/export.h"

namespace glimmerlog {

namespace {

constexpr char kBom[] = "\xEF\xBB\xBF";
const std::vector<std::u16string> kLabelColumns = {u"User", u"SID", u"Host"};

bool InRange(const FormatSettings& s, uint64_t time) {
  return (s.since == 0 || time >= s.since) && (s.until == 0 || time <= s.until);
}

// "%.15g", as the window and the text formats write numbers.
std::u16string NumberCell(double value) {
  char text[64];
  std::snprintf(text, sizeof(text), "%.15g", value);
  return AsciiText(text);
}

// A caption as an attribute name: "Last Visited" gives "last_visited".
std::u16string Snake(std::u16string_view caption) {
  std::u16string out;
  for (char16_t c : caption) {
    const bool word = (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z');
    if (word) {
      out += c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c;
    } else if (!out.empty() && out.back() != u'_') {
      out += u'_';
    }
  }
  while (!out.empty() && out.back() == u'_') out.pop_back();
  return out.empty() ? u"column" : out;
}

// Keeps a row: the timeline's by its time; a view's when one of its times
// is in the range (with no range, every row).
bool KeepRow(const FormatSettings& s, const Table& table, size_t row) {
  if (s.since == 0 && s.until == 0) return true;
  for (size_t c = 0; c < table.columns.size(); ++c) {
    const StoredCell cell = table.CellInPlace(row, c);
    if (cell.kind == TableCell::Kind::kTime && InRange(s, cell.time)) return true;
    if (s.timeline) break;
  }
  return false;
}

// One cell for the text formats and JSON.
ExportCell CellOf(const FormatSettings& s, const Table& table, size_t row, size_t column) {
  ExportCell out;
  const TableCell cell = table.Cell(row, column);
  switch (cell.kind) {
    case TableCell::Kind::kText: out.shown = cell.text; break;
    case TableCell::Kind::kTime:
      out.iso = s.iso(cell.time);
      out.shown = out.iso;
      break;
    case TableCell::Kind::kNumber:
      out.shown = NumberCell(cell.number);
      out.number = std::isfinite(cell.number);
      break;
    case TableCell::Kind::kEmpty: break;
  }
  return out;
}

void JsonValue(const ExportCell& cell, std::string& out) {
  if (cell.number) {
    AppendUtf8(cell.shown, out);
  } else {
    JsonString(cell.shown, out);
  }
}

void JsonPair(std::u16string_view key, const ExportCell& value, std::string& out) {
  if (out.back() != '{') out += ", ";
  JsonString(key, out);
  out += ": ";
  JsonValue(value, out);
}

ExportCell TextCell(std::u16string text) {
  ExportCell c;
  c.shown = std::move(text);
  return c;
}

ExportCell NumberOf(int64_t value) {
  ExportCell c;
  c.shown = AsciiText(std::to_string(value));
  c.number = true;
  return c;
}

// The keys of a JSON record: the labels, then the view's columns (and the
// timeline's time kind).
std::vector<std::u16string> JsonKeys(const FormatSettings& s, const std::vector<TableColumn>& columns) {
  std::vector<std::u16string> names;
  if (s.labelled || s.format == ReportFormat::kJsonLines) names = kLabelColumns;
  for (const TableColumn& c : columns) names.push_back(c.caption);
  if (s.timeline) names.push_back(u"Time Kind");
  return DistinctKeys(names);
}

// One dated event of a line for TLN and the timeline platform.
struct Event {
  uint64_t time;
  size_t column;       // the time's column
  TimeKind kind;
  std::u16string desc;  // what the time means
};

std::vector<Event> EventsOf(const FormatSettings& s, const Table& table, const std::vector<TimeKind>* kinds,
                            size_t row) {
  std::vector<Event> events;
  for (size_t c = 0; c < table.columns.size(); ++c) {
    const StoredCell cell = table.CellInPlace(row, c);
    if (cell.kind != TableCell::Kind::kTime || !cell.time || !InRange(s, cell.time)) {
      if (s.timeline) break;
      continue;
    }
    Event e{cell.time, c, TimeKind::kOwn, {}};
    if (s.timeline) {
      e.kind = kinds && row < kinds->size() ? (*kinds)[row] : TimeKind::kOwn;
      e.desc = e.kind == TimeKind::kOwn ? std::u16string(table.Cell(row, 1).text) : TimeKindText(e.kind);
    } else {
      // A view's "Key Time" is its list key's, shown at the most recent entry.
      const std::u16string& caption = table.columns[c].caption;
      e.kind = caption == u"Key Time" ? TimeKind::kKeyMostRecent : TimeKind::kOwn;
      e.desc = e.kind == TimeKind::kOwn ? caption : TimeKindText(e.kind);
    }
    events.push_back(std::move(e));
    if (s.timeline) break;
  }
  return events;
}

// The line's texts, the time's own column left out, for a message.
std::u16string Message(const FormatSettings& s, const Table& table, size_t row, size_t timeColumn) {
  if (s.timeline) {
    // Kind: What (Detail)
    std::u16string m = std::u16string(table.Cell(row, 1).text) + u": " + std::u16string(table.Cell(row, 2).text);
    const TableCell detail = table.Cell(row, 3);
    if (!detail.text.empty()) m += u" (" + std::u16string(detail.text) + u")";
    return m;
  }
  std::u16string m = s.viewName + u":";
  for (size_t c = 0; c < table.columns.size(); ++c) {
    const TableCell cell = table.Cell(row, c);
    if (c == timeColumn || cell.kind != TableCell::Kind::kText || cell.text.empty()) continue;
    m += u" " + std::u16string(cell.text);
    break;
  }
  return m;
}

// TLN's fields hold no "|" and no line break.
std::u16string TlnField(std::u16string text) {
  for (char16_t& c : text) {
    if (c == u'|') c = u'\u00A6';
    if (c == u'\r' || c == u'\n') c = u' ';
  }
  return text;
}

// The timeline platform wants an offset, also for UTC.
std::u16string WithOffset(std::u16string iso) {
  if (!iso.empty() && iso.back() == u'Z') {
    iso.pop_back();
    iso += u"+00:00";
  }
  return iso;
}

std::vector<std::u16string> TimesketchKeys(const FormatSettings& s, const std::vector<TableColumn>& columns) {
  std::vector<std::u16string> names = {u"message", u"datetime", u"timestamp_desc", u"timestamp", u"time_kind",
                                       u"user",    u"sid",      u"host"};
  for (size_t c = s.timeline ? 1 : 0; c < columns.size(); ++c) names.push_back(Snake(columns[c].caption));
  return DistinctKeys(names);
}

}  // namespace

const char16_t* TimeKindText(TimeKind kind) {
  switch (kind) {
    case TimeKind::kKeyMostRecent: return u"Key Last Written (most recent entry)";
    case TimeKind::kKeyWritten: return u"Key Last Written";
    case TimeKind::kOwn: break;
  }
  return u"";
}

std::string FormatHead(const FormatSettings& s, const std::vector<std::u16string>& columns) {
  std::string out;
  switch (s.format) {
    case ReportFormat::kText:
    case ReportFormat::kCsv: {
      const bool csv = s.format == ReportFormat::kCsv;
      std::vector<std::u16string> names;
      if (s.labelled) names = kLabelColumns;
      names.insert(names.end(), columns.begin(), columns.end());
      if (csv) out += kBom;
      for (size_t c = 0; c < names.size(); ++c) {
        if (c) out += csv ? ',' : '\t';
        csv ? CsvField(names[c], out) : TextField(names[c], out);
      }
      out += csv ? "\r\n" : s.lineEnd;
      break;
    }
    case ReportFormat::kJson: out += "["; break;
    case ReportFormat::kTimesketch:
      if (s.timesketchCsv) {
        std::vector<TableColumn> shape;
        for (const std::u16string& c : columns) shape.push_back({c});
        const std::vector<std::u16string> keys = TimesketchKeys(s, shape);
        for (size_t c = 0; c < keys.size(); ++c) {
          if (c) out += ',';
          CsvField(keys[c], out);
        }
        out += "\r\n";
      }
      break;
    case ReportFormat::kJsonLines:
    case ReportFormat::kTln: break;
  }
  return out;
}

std::string FormatTail(const FormatSettings& s) { return s.format == ReportFormat::kJson ? "\n]\n" : std::string(); }

size_t FormatLines(const FormatSettings& s, const Table& table, const std::vector<TimeKind>* kinds,
                   const LineLabels& labels, std::string& out) {
  size_t written = 0;
  const size_t width = table.columns.size();
  switch (s.format) {
    case ReportFormat::kText:
    case ReportFormat::kCsv: {
      const bool csv = s.format == ReportFormat::kCsv;
      const char separator = csv ? ',' : '\t';
      auto field = [&](std::u16string_view t) { csv ? CsvField(t, out) : TextField(t, out); };
      for (size_t r = 0; r < table.RowCount(); ++r) {
        if (!KeepRow(s, table, r)) continue;
        if (s.labelled) {
          for (const std::u16string* l : {&labels.user, &labels.sid, &labels.host}) {
            field(*l);
            out += separator;
          }
        }
        for (size_t c = 0; c < width; ++c) {
          if (c) out += separator;
          const ExportCell cell = CellOf(s, table, r, c);
          field(csv && !cell.iso.empty() ? cell.iso : cell.shown);
        }
        out += csv ? "\r\n" : s.lineEnd;
        ++written;
      }
      break;
    }
    case ReportFormat::kJson:
    case ReportFormat::kJsonLines: {
      const std::vector<std::u16string> keys = JsonKeys(s, table.columns);
      const bool lines = s.format == ReportFormat::kJsonLines;
      for (size_t r = 0; r < table.RowCount(); ++r) {
        if (!KeepRow(s, table, r)) continue;
        if (!lines) out += written ? ",\n" : "\n";
        out += '{';
        size_t k = 0;
        if (s.labelled || lines) {
          JsonPair(keys[k++], TextCell(labels.user), out);
          JsonPair(keys[k++], TextCell(labels.sid), out);
          JsonPair(keys[k++], TextCell(labels.host), out);
        }
        for (size_t c = 0; c < width; ++c) JsonPair(keys[k++], CellOf(s, table, r, c), out);
        if (s.timeline) {
          const TimeKind kind = kinds && r < kinds->size() ? (*kinds)[r] : TimeKind::kOwn;
          JsonPair(keys[k++], TextCell(kind == TimeKind::kOwn ? u"Event" : TimeKindText(kind)), out);
        }
        out += lines ? "}\n" : "}";
        ++written;
      }
      break;
    }
    case ReportFormat::kTimesketch: {
      const std::vector<std::u16string> keys = TimesketchKeys(s, table.columns);
      for (size_t r = 0; r < table.RowCount(); ++r) {
        for (const Event& e : EventsOf(s, table, kinds, r)) {
          std::vector<ExportCell> values = {
              TextCell(Message(s, table, r, e.column)),
              TextCell(WithOffset(s.iso(e.time))),
              TextCell(e.desc),
              NumberOf(UnixSeconds(e.time) * 1000000 + static_cast<int64_t>(e.time % 10000000 / 10)),
              TextCell(e.kind == TimeKind::kOwn ? u"Event" : TimeKindText(e.kind)),
              TextCell(labels.user),
              TextCell(labels.sid),
              TextCell(labels.host)};
          for (size_t c = s.timeline ? 1 : 0; c < width; ++c) {
            ExportCell cell = CellOf(s, table, r, c);
            if (!cell.iso.empty()) cell.shown = WithOffset(cell.iso);
            values.push_back(std::move(cell));
          }
          if (s.timesketchCsv) {
            for (size_t c = 0; c < values.size(); ++c) {
              if (c) out += ',';
              CsvField(values[c].shown, out);
            }
            out += "\r\n";
          } else {
            out += '{';
            for (size_t c = 0; c < values.size(); ++c) JsonPair(keys[c], values[c], out);
            out += "}\n";
          }
          ++written;
        }
      }
      break;
    }
    case ReportFormat::kTln: {
      for (size_t r = 0; r < table.RowCount(); ++r) {
        for (const Event& e : EventsOf(s, table, kinds, r)) {
          const std::u16string source = s.timeline ? std::u16string(table.Cell(r, 4).text) : s.viewName;
          std::u16string description = Message(s, table, r, e.column);
          if (!s.timeline) description += u" (" + table.columns[e.column].caption + u")";
          if (e.kind != TimeKind::kOwn) description += u" [" + std::u16string(TimeKindText(e.kind)) + u"]";
          out += std::to_string(UnixSeconds(e.time));
          for (const std::u16string* f : {&source, &labels.host, &labels.user, &std::as_const(description)}) {
            out += '|';
            AppendUtf8(TlnField(*f), out);
          }
          out += '\n';
          ++written;
        }
      }
      break;
    }
  }
  return written;
}

}  // namespace glimmerlog
