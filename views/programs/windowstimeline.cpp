// Windows Timeline: the activities of every activity cache of the profile
// (one per account that signed in), one line each, oldest first as Windows
// keeps them. Platform-free.
#include "base/utf8.h"
#include "sources/activities/activitiescache.h"
#include "views/viewdef.h"

namespace glimmerlog {

namespace {

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

// What a double-click opens: a file's path from its file URI (the cache
// adds the volume and object ids as a query, and escapes as URIs do), a web
// address as it is.
std::u16string Openable(const std::u16string& content) {
  constexpr std::u16string_view kFile = u"file:///";
  if (content.compare(0, kFile.size(), kFile) != 0) return content;
  std::string bytes;
  for (size_t i = kFile.size(); i < content.size() && content[i] != u'?' && content[i] != u'#'; ++i) {
    const char16_t c = content[i];
    if (c == u'%' && i + 2 < content.size() && HexDigit(content[i + 1]) >= 0 && HexDigit(content[i + 2]) >= 0) {
      bytes += static_cast<char>(HexDigit(content[i + 1]) * 16 + HexDigit(content[i + 2]));
      i += 2;
    } else if (c == u'/') {
      bytes += '\\';
    } else {
      AppendUtf8(std::u16string_view(&c, 1), bytes);
    }
  }
  return Utf8ToU16(bytes);
}

}  // namespace

void ReadWindowsTimeline(ViewSources& sources, Table& table, Progress& progress, Timeline* timeline) {
  table.columns = {{u"Start", 2200},   {u"End", 2200},      {u"Active (s)", 1000}, {u"Type", 1200},
                   {u"Program", 3500}, {u"What", 3500},     {u"Opens", 3500},      {u"Platform", 1500},
                   {u"Row From", 1500}, {u"Account", 2000}, {u"Id", 2800}};
  const std::u16string local = sources.localAppData.empty() ? sources.paths.AppDataFolder(true) : sources.localAppData;
  const std::vector<std::u16string> caches = FindActivityCaches(sources.folders, local);
  for (size_t i = 0; i < caches.size(); ++i) {
    if (!progress.Step(i, caches.size())) return;
    const std::u16string& path = caches[i];
    std::vector<Activity> activities;
    std::string note;
    const SourceStatus status = ReadActivityCache(sources.folders, path, activities, note);
    if (status != SourceStatus::kOk || !note.empty()) {
      table.Problem(path + u": " + Utf8ToU16(note.empty() ? StatusName(status) : note));
    }
    // The account's folder: "L.<name>" for a local account, else an id.
    const size_t end = path.rfind(u'\\');
    const size_t start = end == std::u16string::npos ? 0 : path.rfind(u'\\', end - 1) + 1;
    const std::u16string account = end == std::u16string::npos ? std::u16string() : path.substr(start, end - start);
    for (const Activity& a : activities) {
      Table::Row row = table.AddRow();
      row.Time(a.start).Time(a.end);
      if (a.activeSeconds >= 0) {
        row.Number(static_cast<double>(a.activeSeconds));
      } else {
        row.Empty();
      }
      row.Text(ActivityTypeName(a.type))
          .Text(a.appName.empty() ? a.app : a.appName + u" (" + a.app + u")")
          .Text(a.text)
          .Text(a.content)
          .Text(a.platform)
          .Text(a.fromLog ? u"write-ahead log" : u"database")
          .Text(account)
          .Text(a.id)
          .Target(Openable(a.content));
      if (timeline && a.start) {
        const std::u16string what = !a.text.empty() ? a.text : !a.appName.empty() ? a.appName : a.app;
        timeline->Add({a.start, u"Windows Timeline: " + ActivityTypeName(a.type), what, a.app, path, a.content});
      }
    }
  }
}

}  // namespace glimmerlog
