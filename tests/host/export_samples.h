// A table of hostile text for the export writers' tests.
#ifndef GLIMMERLOG_TESTS_HOST_EXPORT_SAMPLES_H
#define GLIMMERLOG_TESTS_HOST_EXPORT_SAMPLES_H

#include <string>
#include <vector>

#include "views/export.h"

namespace glimmerlog::test {

inline ExportDocument HostileDocument(std::vector<std::vector<ExportCell>>& rows) {
  const std::u16string big(100000, u'x');
  rows = {
      {{u"a,b", u""}, {u"say \"hi\"", u""}, {u"line1\r\nline2\nline3", u""}},
      {{u"tab\there", u""}, {u"<script>alert('x')</script> & \"q\"", u""}, {std::u16string(u"nul\0end", 7), u""}},
      {{u"lone \xD800 high", u""}, {u"lone \xDC00 low", u""}, {u"pair \xD83D\xDE00 ok", u""}},
      {{u"\u202Eright-to-left\u202C mark", u""}, {u"4.12.2026 10:02", u"2026-12-04T10:02:18+01:00"}, {big, u""}},
      {{u"-1.5e+300", u"", true}, {u" spaced ", u""}, {u"\u00e9\u4e2d\u0645", u""}},
  };
  ExportDocument doc;
  doc.viewName = u"Test <View>";
  doc.source = u"C:\\Users\\a&b\\index.dat";
  doc.reportTime = u"2026-12-07T12:00:00+00:00";
  doc.columns = {u"Title, first", u"Title, first", u"When \"\u00e9\""};
  doc.rowCount = rows.size();
  doc.row = [&rows](size_t r, std::vector<ExportCell>& cells) { cells = rows[r]; };
  return doc;
}

}  // namespace glimmerlog::test

#endif
