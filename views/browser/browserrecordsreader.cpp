#include "views/browser/browserrecordsreader.h"

#include <algorithm>
#include <numeric>
#include <string_view>
#include <vector>

#include "base/utf8.h"
#include "sources/browsers/browserhistory.h"
#include "sources/browsers/browserrecords.h"
#include "sources/browsers/livedatabase.h"
#include "views/browser/browserhistoryreader.h"

namespace glimmerlog {

namespace {

constexpr uint64_t kMaxBookmarksBytes = 256ull << 20;

// Where a record was read: its browser, profile and file.
struct Origin {
  std::u16string browser, profile, database;
};

// The records of one view with the origin of each.
template <typename Record>
struct Gathered {
  std::vector<Record> records;
  std::vector<size_t> originOf;  // index into origins, one per record
  std::vector<Origin> origins;
};

std::vector<BrowserProfile> Profiles(ViewSources& s) {
  const std::u16string local = s.localAppData.empty() ? s.paths.AppDataFolder(true) : s.localAppData;
  const std::u16string roaming = s.roamingAppData.empty() ? s.paths.AppDataFolder(false) : s.roamingAppData;
  return FindBrowserProfiles(s.folders, local, roaming, &s.paths);
}

// The profile's folder with a final backslash.
std::u16string FolderOf(const BrowserProfile& p) {
  const size_t slash = p.databasePath.find_last_of(u"\\/");
  return slash == std::u16string::npos ? std::u16string() : p.databasePath.substr(0, slash + 1);
}

enum class Kind { kDatabase, kJson };

// Reads one file of a profile with the reader `read`, adding what it reads
// and naming in the table's problems what it could not. A file that is not
// there is a problem only when it must be (the history the profile was
// found by). Returns how reading the file itself went.
template <typename Record, typename Reader>
SourceStatus ReadOne(ViewSources& s, const BrowserProfile& p, const std::u16string& path, Kind kind, bool optional,
                     Gathered<Record>& g, Table& table, Reader read) {
  std::vector<uint8_t> bytes;
  std::string note;
  const SourceStatus fileStatus =
      kind == Kind::kDatabase ? ReadLiveDatabase(s.folders, path, path + u"-wal", kMaxDatabaseBytes, bytes, nullptr, note)
                              : s.folders.ReadFile(path, bytes, kMaxBookmarksBytes);
  if (fileStatus == SourceStatus::kMissing && optional) return fileStatus;
  std::u16string problem = p.browser + u" " + BrowserProfileText(p) + u" (" + path + u")";
  if (fileStatus != SourceStatus::kOk) {
    // A running Chromium holds its cookie database open without sharing it.
    if (fileStatus == SourceStatus::kDenied && !s.paths.OtherProfile()) {
      problem += u": in use by the browser, or not readable by this user";
    }
    table.Problem(problem + u": " + AsciiText(StatusName(fileStatus)));
    return fileStatus;
  }
  const size_t before = g.records.size();
  std::string reason = note;
  const SourceStatus status = read(bytes, g.records, reason);
  if (g.records.size() > before) {
    g.origins.push_back({p.browser, BrowserProfileText(p), path});
    g.originOf.resize(g.records.size(), g.origins.size() - 1);
  }
  if (status != SourceStatus::kOk || !reason.empty()) {
    if (!reason.empty()) problem += u": " + Utf8ToU16(reason);
    if (status != SourceStatus::kOk) problem += u": " + AsciiText(StatusName(status));
    table.Problem(std::move(problem));
  }
  return fileStatus;
}

// The order of the lines: by `time` newest first, lines without one last,
// lines of one time in the order read.
template <typename Record, typename Time>
std::vector<size_t> NewestFirst(const std::vector<Record>& records, Time time) {
  std::vector<size_t> order(records.size());
  std::iota(order.begin(), order.end(), size_t{0});
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
    const uint64_t ta = time(records[a]), tb = time(records[b]);
    return ta != tb && (tb == 0 || (ta != 0 && ta > tb));
  });
  return order;
}

Table::Row& Count(Table::Row& row, int64_t value) {
  return value < 0 ? row.Empty() : row.Number(static_cast<double>(value));
}
Table::Row& YesNo(Table::Row& row, int value) { return value < 0 ? row.Empty() : row.Text(value ? u"Yes" : u"No"); }

std::u16string SourceText(const Origin& o, const char16_t* what) {
  return o.browser + u" " + what + u" (" + o.profile + u")";
}

// Reads `each` profile in turn, with progress per profile.
template <typename Each>
void EachProfile(ViewSources& s, Progress& progress, Each each) {
  const std::vector<BrowserProfile> profiles = Profiles(s);
  for (size_t i = 0; i < profiles.size(); ++i) {
    if (!progress.Step(i, profiles.size())) return;
    each(profiles[i]);
  }
}

}  // namespace

void ReadBrowserDownloads(ViewSources& s, Table& table, Progress& progress, Timeline* timeline) {
  table.columns = {{u"Started", 2200},     {u"Ended", 2200},    {u"Target Path", 5000}, {u"URL", 5000},
                   {u"Final URL", 5000},   {u"Referrer", 3000}, {u"Received", 1300},    {u"Total", 1300},
                   {u"State", 1400},       {u"Danger", 1800},   {u"Opened", 900},       {u"MIME Type", 2000},
                   {u"Browser", 1800},     {u"Profile", 1800},  {u"Database", 5000}};
  Gathered<BrowserDownload> g;
  EachProfile(s, progress, [&](const BrowserProfile& p) {
    if (!p.firefox) {
      ReadOne(s, p, p.databasePath, Kind::kDatabase, false, g, table, ReadChromiumDownloads);
      return;
    }
    ReadOne(s, p, p.databasePath, Kind::kDatabase, false, g, table, ReadFirefoxPlacesDownloads);
    ReadOne(s, p, FolderOf(p) + u"downloads.sqlite", Kind::kDatabase, true, g, table, ReadFirefoxDownloadsDatabase);
  });
  table.Reserve(g.records.size(), table.columns.size());
  for (size_t i : NewestFirst(g.records, [](const BrowserDownload& d) { return d.started; })) {
    const BrowserDownload& d = g.records[i];
    const Origin& o = g.origins[g.originOf[i]];
    if (timeline) {
      const std::u16string source = SourceText(o, u"downloads");
      timeline->Add({d.started, u"Download started", d.targetPath, d.url, source, d.targetPath});
      timeline->Add({d.ended, u"Download finished", d.targetPath, d.url, source, d.targetPath});
    }
    Table::Row row = table.AddRow();
    row.Time(d.started).Time(d.ended).Text(d.targetPath).Text(d.url).Text(d.finalUrl).Text(d.referrer);
    Count(row, d.received);
    Count(row, d.total);
    row.Text(d.state).Text(d.danger);
    YesNo(row, d.opened);
    row.Text(d.mimeType).Text(o.browser).Text(o.profile).Text(o.database).Target(d.targetPath);
  }
}

void ReadBrowserSearches(ViewSources& s, Table& table, Progress& progress, Timeline* timeline) {
  table.columns = {{u"Last Used", 2200},  {u"Term", 3000},       {u"Search Page", 5000},
                   {u"Title", 3000},      {u"Times Used", 1200}, {u"First Used", 2200},
                   {u"Browser", 1800},    {u"Profile", 1800},    {u"Database", 5000}};
  Gathered<BrowserSearch> g;
  EachProfile(s, progress, [&](const BrowserProfile& p) {
    if (!p.firefox) {
      ReadOne(s, p, p.databasePath, Kind::kDatabase, false, g, table, ReadChromiumSearches);
    } else {
      ReadOne(s, p, FolderOf(p) + u"formhistory.sqlite", Kind::kDatabase, true, g, table, ReadFirefoxSearches);
    }
  });
  table.Reserve(g.records.size(), table.columns.size());
  for (size_t i : NewestFirst(g.records, [](const BrowserSearch& r) { return r.lastUsed; })) {
    const BrowserSearch& r = g.records[i];
    const Origin& o = g.origins[g.originOf[i]];
    // A results page is opened again; an address that is no web page is not
    // handed to the shell.
    const std::u16string_view target = IsWebUrl(r.url) ? std::u16string_view(r.url) : std::u16string_view();
    if (timeline) {
      timeline->Add({r.lastUsed, u"Searched in the browser", r.term, r.url, SourceText(o, u"searches"),
                     std::u16string(target)});
    }
    Table::Row row = table.AddRow();
    row.Time(r.lastUsed).Text(r.term).Text(r.url).Text(r.title);
    Count(row, r.timesUsed);
    row.Time(r.firstUsed).Text(o.browser).Text(o.profile).Text(o.database).Target(target);
  }
}

void ReadBrowserCookies(ViewSources& s, Table& table, Progress& progress, Timeline* timeline) {
  table.columns = {{u"Host", 3000},      {u"Name", 2500},     {u"Path", 2000},      {u"Created", 2200},
                   {u"Last Accessed", 2200}, {u"Expires", 2200}, {u"Secure", 900},  {u"HTTP Only", 1000},
                   {u"Same Site", 1300}, {u"Browser", 1800},  {u"Profile", 1800},   {u"Database", 5000}};
  Gathered<BrowserCookie> g;
  EachProfile(s, progress, [&](const BrowserProfile& p) {
    const std::u16string folder = FolderOf(p);
    auto read = [&p](const std::vector<uint8_t>& db, std::vector<BrowserCookie>& out, std::string& reason) {
      return ReadCookies(db, p.firefox, out, reason);
    };
    if (p.firefox) {
      ReadOne(s, p, folder + u"cookies.sqlite", Kind::kDatabase, true, g, table, read);
      return;
    }
    // Since Chromium 96 in Network; before, beside the history.
    if (ReadOne(s, p, folder + u"Network\\Cookies", Kind::kDatabase, true, g, table, read) == SourceStatus::kMissing) {
      ReadOne(s, p, folder + u"Cookies", Kind::kDatabase, true, g, table, read);
    }
  });
  table.Reserve(g.records.size(), table.columns.size());
  for (size_t i : NewestFirst(g.records, [](const BrowserCookie& c) { return c.lastAccess; })) {
    const BrowserCookie& c = g.records[i];
    const Origin& o = g.origins[g.originOf[i]];
    // The site the cookie belongs to ("example.com" of ".example.com").
    std::u16string_view host = c.host;
    while (!host.empty() && host.front() == u'.') host.remove_prefix(1);
    std::u16string site;
    if (!host.empty()) {
      site = (c.secure == 1 ? u"https://" : u"http://") + std::u16string(host) + (c.path.empty() ? u"/" : c.path);
    }
    if (!IsWebUrl(site)) site.clear();
    if (timeline) {
      const std::u16string source = SourceText(o, u"cookies");
      timeline->Add({c.created, u"Cookie created", c.host, c.name, source, site});
      timeline->Add({c.lastAccess, u"Cookie last used", c.host, c.name, source, site});
    }
    Table::Row row = table.AddRow();
    row.Text(c.host).Text(c.name).Text(c.path).Time(c.created).Time(c.lastAccess).Time(c.expires);
    YesNo(row, c.secure);
    YesNo(row, c.httpOnly);
    row.Text(c.sameSite).Text(o.browser).Text(o.profile).Text(o.database).Target(site);
  }
}

void ReadBrowserBookmarks(ViewSources& s, Table& table, Progress& progress, Timeline* timeline) {
  table.columns = {{u"Added", 2200},   {u"Title", 3000},   {u"URL", 5000},     {u"Folder", 3000},
                   {u"Last Used", 2200}, {u"Browser", 1800}, {u"Profile", 1800}, {u"Database", 5000}};
  Gathered<BrowserBookmark> g;
  EachProfile(s, progress, [&](const BrowserProfile& p) {
    if (p.firefox) {
      ReadOne(s, p, p.databasePath, Kind::kDatabase, false, g, table, ReadFirefoxBookmarks);
      return;
    }
    ReadOne(s, p, FolderOf(p) + u"Bookmarks", Kind::kJson, true, g, table,
            [](const std::vector<uint8_t>& bytes, std::vector<BrowserBookmark>& out, std::string& reason) {
              return ReadChromiumBookmarks(
                  std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), out, reason);
            });
  });
  table.Reserve(g.records.size(), table.columns.size());
  for (size_t i : NewestFirst(g.records, [](const BrowserBookmark& b) { return b.added; })) {
    const BrowserBookmark& b = g.records[i];
    const Origin& o = g.origins[g.originOf[i]];
    const std::u16string_view target = IsWebUrl(b.url) ? std::u16string_view(b.url) : std::u16string_view();
    if (timeline) {
      timeline->Add({b.added, u"Bookmark added", b.url, b.title, SourceText(o, u"bookmarks"), std::u16string(target)});
    }
    table.AddRow()
        .Time(b.added)
        .Text(b.title)
        .Text(b.url)
        .Text(b.folder)
        .Time(b.lastUsed)
        .Text(o.browser)
        .Text(o.profile)
        .Text(o.database)
        .Target(target);
  }
}

}  // namespace glimmerlog
