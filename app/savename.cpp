#include "app/savename.h"

#include <cstdio>

#include "base/ascii.h"

namespace glimmerlog {

std::u16string SaveFileName(std::u16string_view viewName, int year, int month, int day) {
  std::u16string name;
  for (char16_t c : viewName) {
    const bool forbidden = c < 0x20 || c == u'<' || c == u'>' || c == u':' || c == u'"' || c == u'/' || c == u'\\' ||
                           c == u'|' || c == u'?' || c == u'*';
    name += forbidden ? u'-' : c;
  }
  // Windows drops a final dot or space from a name: "Data." would save as
  // "Data", so the name offered has none.
  while (!name.empty() && (name.back() == u'.' || name.back() == u' ')) name.pop_back();
  char date[32];
  std::snprintf(date, sizeof(date), "%04d-%02d-%02d", year, month, day);
  if (!name.empty()) name += u' ';
  for (const char* p = date; *p; ++p) name += static_cast<char16_t>(*p);
  return name;
}

ExportFormat FormatOfFileName(std::u16string_view path, ExportFormat chosen) {
  const size_t dot = path.rfind(u'.');
  const size_t slash = path.find_last_of(u"\\/");
  if (dot == std::u16string_view::npos || (slash != std::u16string_view::npos && dot < slash)) return chosen;
  std::u16string ext(path.substr(dot + 1));
  for (char16_t& c : ext) c = FoldAscii(c);
  static const struct {
    const char16_t* ext;
    ExportFormat format;
  } kExtensions[] = {
      {u"txt", ExportFormat::kText},        {u"tsv", ExportFormat::kText},         {u"csv", ExportFormat::kCsv},
      {u"htm", ExportFormat::kHtml},        {u"html", ExportFormat::kHtml},        {u"json", ExportFormat::kJson},
      {u"jsonl", ExportFormat::kJsonLines}, {u"ndjson", ExportFormat::kJsonLines},
  };
  for (const auto& e : kExtensions) {
    if (ext == e.ext) return e.format;
  }
  return chosen;
}

}  // namespace glimmerlog
