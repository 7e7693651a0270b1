#include "sources/browsers/browserrecords.h"

#include <sqlite3.h>

#include <algorithm>
#include <map>
#include <new>

#include "base/ascii.h"
#include "base/json.h"
#include "base/utf8.h"
#include "sources/browsers/browserhistory.h"
#include "sources/browsers/sqlitememory.h"

namespace glimmerlog {

namespace {

constexpr int64_t kUnixEpochSeconds = 11644473600;  // 1601-01-01 to 1970-01-01
// Chromium stored download times in seconds since 1970 before schema 23;
// below this, a time is no count of microseconds since 1601.
constexpr int64_t kLowestMicrosecondTime = 100000000000;

void Append(std::string& text, const std::string& more) {
  if (more.empty()) return;
  if (!text.empty()) text += "; ";
  text += more;
}

std::u16string ColumnText(sqlite3_stmt* s, int column) {
  std::u16string out;
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(s, column));
  if (text) AppendUtf8AsUtf16(out, text, static_cast<size_t>(sqlite3_column_bytes(s, column)));
  return out;
}

bool IsNull(sqlite3_stmt* s, int column) { return sqlite3_column_type(s, column) == SQLITE_NULL; }
int64_t Int(sqlite3_stmt* s, int column) { return sqlite3_column_int64(s, column); }
int64_t IntOr(sqlite3_stmt* s, int column, int64_t otherwise) { return IsNull(s, column) ? otherwise : Int(s, column); }

std::u16string CodeText(const char16_t* const* names, size_t count, int64_t code, const char* unknown) {
  if (code >= 0 && static_cast<uint64_t>(code) < count) return names[code];
  return Utf8ToU16(std::string(unknown) + " " + std::to_string(code));
}

// Seconds since 1970 as FILETIME ticks; 0 for none or out of range.
uint64_t UnixSecondsToFileTime(int64_t seconds) {
  if (seconds == 0 || seconds < -kUnixEpochSeconds || seconds > 900000000000) return 0;
  return static_cast<uint64_t>(seconds + kUnixEpochSeconds) * 10000000;
}

uint64_t ChromiumDownloadTime(int64_t stored) {
  return stored > 0 && stored < kLowestMicrosecondTime ? UnixSecondsToFileTime(stored) : ChromiumTimeToFileTime(stored);
}

// The columns one query reads from a table: each is the column's name where
// the table has it, else NULL, and the ones missing are named in the note.
class Columns {
 public:
  Columns(MemoryDatabase& db, const char* table, const char* alias) : table_(table), alias_(alias) {
    names_ = db.Columns(table);
  }
  bool Exists() const { return !names_.empty(); }
  // MemoryDatabase gives the names in lower case; Firefox's have capitals.
  bool Has(const char* name) const {
    std::string lower(name);
    for (char& c : lower) c = FoldAscii(c);
    return std::find(names_.begin(), names_.end(), lower) != names_.end();
  }
  // The first of the names the table has (an older schema's name after the
  // newer one's); NULL, noted as missing under the first name, when none.
  std::string operator()(std::initializer_list<const char*> names) {
    for (const char* name : names) {
      if (Has(name)) return alias_ + "." + name;
    }
    Append(missing_, table_ + "." + *names.begin());
    return "NULL";
  }
  std::string operator()(const char* name) { return (*this)({name}); }
  const std::string& Missing() const { return missing_; }

 private:
  std::string table_, alias_;
  std::vector<std::string> names_;
  std::string missing_;
};

void NoteMissing(const std::string& missing, std::string& reason) {
  if (!missing.empty()) Append(reason, "unknown schema: no " + missing + "; listed what it holds");
}

// Opens the database and checks that `tables` are stored tables, and that
// the first of them is there (unless `optional`: then its absence only
// means there is nothing to list). False, with why in `reason` when there
// is one, when the reader cannot go on.
bool Prepare(MemoryDatabase& db, const std::vector<uint8_t>& bytes, std::initializer_list<const char*> tables,
             const char* what, std::string& reason, bool optional = false) {
  std::string why;
  if (!db.Open(bytes, why)) {
    Append(reason, "not a readable SQLite database (" + why + ")");
    return false;
  }
  const std::string notTable = db.NotATable(tables);
  if (!notTable.empty()) {
    Append(reason, std::string("not ") + what + " (" + notTable + ")");
    return false;
  }
  if (db.Columns(*tables.begin()).empty()) {
    if (optional && !db.OverBudget() && !db.OutOfMemory()) return false;
    Append(reason, db.OverBudget() || db.OutOfMemory()
                       ? db.Error()
                       : std::string("no table \"") + *tables.begin() + "\": not " + what);
    return false;
  }
  return true;
}

// Steps through the rows of `sql`, handing each to `row`; says in `reason`
// why it stopped early (the budget spent, memory, damage).
template <typename Row>
SourceStatus EachRow(MemoryDatabase& db, const std::string& sql, const char* what, std::string& reason, Row row) {
  Statement s(db, sql);
  if (!s) {
    Append(reason, std::string("the ") + what + " could not be queried (" + db.Error() + ")");
    return SourceStatus::kDamaged;
  }
  size_t read = 0;
  int rc;
  while ((rc = sqlite3_step(s.get())) == SQLITE_ROW) {
    row(s.get());
    ++read;
  }
  if (rc == SQLITE_DONE) return SourceStatus::kOk;
  const std::string count = std::to_string(read) + " " + what;
  if (db.OverBudget()) {
    Append(reason, db.Error() + "; listed the " + count + " read before");
  } else if (db.OutOfMemory()) {
    Append(reason, "out of memory; stopped after " + count);
  } else {
    Append(reason, "the database is damaged (" + db.Error() + "); stopped after " + count);
  }
  return SourceStatus::kDamaged;
}

// Runs one reader on one database; a failed allocation lets go of what it
// read of it, so that the memory serves the databases read after it.
template <typename Record, typename Query>
SourceStatus Guarded(std::vector<Record>& out, std::string& reason, Query query) {
  const size_t before = out.size();
  try {
    return query();
  } catch (const std::bad_alloc&) {
    out.erase(out.begin() + static_cast<std::ptrdiff_t>(before), out.end());
    Append(reason, "out of memory while it was read: none of its records are listed");
    return SourceStatus::kDamaged;
  }
}

constexpr const char16_t* kChromiumStates[] = {u"In progress", u"Complete", u"Cancelled", u"Interrupted",
                                               u"Interrupted"};
constexpr const char16_t* kChromiumDangers[] = {
    u"Not dangerous",    u"Dangerous file",  u"Dangerous URL",        u"Dangerous content",
    u"Maybe dangerous",  u"Uncommon",        u"Validated by the user", u"Dangerous host",
    u"Potentially unwanted", u"Allowed by policy"};
// nsIDownloadManager's states, shared by moz_downloads and the metadata
// annotation; -1 (not started) is listed first.
constexpr const char16_t* kFirefoxStates[] = {u"Not started", u"Downloading", u"Complete", u"Failed",
                                              u"Cancelled",   u"Paused",      u"Queued",   u"Blocked (parental controls)",
                                              u"Scanning",    u"Blocked (virus)", u"Blocked (policy)"};

std::u16string FirefoxState(int64_t state) {
  return state >= -1 && state < 10 ? kFirefoxStates[state + 1] : CodeText(nullptr, 0, state, "state");
}

int HexValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

}  // namespace

bool IsWebUrl(std::u16string_view url) {
  for (std::u16string_view scheme : {u"http://", u"https://", u"ftp://"}) {
    if (url.size() > scheme.size() && SameIgnoringAsciiCase(url.substr(0, scheme.size()), scheme)) return true;
  }
  return false;
}

std::u16string FileUrlToPath(std::u16string_view url) {
  constexpr std::u16string_view kScheme = u"file://";
  if (url.size() <= kScheme.size() || !SameIgnoringAsciiCase(url.substr(0, kScheme.size()), kScheme)) {
    return std::u16string(url);
  }
  std::u16string_view rest = url.substr(kScheme.size());
  // Percent escapes are bytes of UTF-8; the rest is text as it is.
  // "file:///C:/..." names a drive, "file://server/..." a share; a path
  // without a drive keeps its leading separator.
  std::string bytes;
  std::u16string path;
  if (rest.empty() || rest[0] != u'/') {
    path = u"\\\\";
  } else if (rest.size() >= 3 && rest[2] == u':') {
    rest.remove_prefix(1);
  }
  auto flush = [&] {
    if (!bytes.empty()) AppendUtf8AsUtf16(path, bytes.data(), bytes.size());
    bytes.clear();
  };
  for (size_t i = 0; i < rest.size(); ++i) {
    const char16_t c = rest[i];
    if (c == u'%' && i + 2 < rest.size() && HexValue(rest[i + 1]) >= 0 && HexValue(rest[i + 2]) >= 0) {
      bytes += static_cast<char>(HexValue(rest[i + 1]) * 16 + HexValue(rest[i + 2]));
      i += 2;
      continue;
    }
    flush();
    path += c == u'/' ? u'\\' : c;
  }
  flush();
  return path;
}

SourceStatus ReadChromiumDownloads(const std::vector<uint8_t>& database, std::vector<BrowserDownload>& out,
                                   std::string& reason) {
  return Guarded(out, reason, [&] {
    MemoryDatabase db;
    constexpr char kWhat[] = "a Chromium history database with downloads";
    if (!Prepare(db, database, {"downloads", "downloads_url_chains"}, kWhat, reason)) return SourceStatus::kDamaged;
    Columns d(db, "downloads", "d");
    Columns chains(db, "downloads_url_chains", "c");
    // The address asked for is the chain's first, the one answered its last;
    // before chains (schema 24), the one address of the download.
    std::string first, last;
    if (chains.Exists() && chains.Has("id") && chains.Has("chain_index") && chains.Has("url")) {
      first = "(SELECT c.url FROM downloads_url_chains AS c WHERE c.id = d.id ORDER BY c.chain_index LIMIT 1)";
      last = "(SELECT c.url FROM downloads_url_chains AS c WHERE c.id = d.id ORDER BY c.chain_index DESC LIMIT 1)";
      if (d.Has("url")) first = "COALESCE(" + first + ", d.url)";
    } else {
      first = d({"url"});
      last = "NULL";
    }
    const std::string sql = "SELECT " + d({"start_time"}) + ", " + d({"end_time"}) + ", " +
                            d({"target_path", "full_path"}) + ", " + first + ", " + last + ", " + d({"referrer"}) +
                            ", " + d({"received_bytes"}) + ", " + d({"total_bytes"}) + ", " + d({"state"}) + ", " +
                            d({"danger_type"}) + ", " + d({"opened"}) + ", " + d({"mime_type"}) + ", " +
                            (d.Has("current_path") ? "d.current_path" : "NULL") + " FROM downloads AS d";
    // Columns every schema since the first has are worth a note when gone;
    // those of later schemas are simply not there in older ones.
    std::string missing;
    for (const char* name : {"start_time", "received_bytes", "total_bytes", "state"}) {
      if (!d.Has(name)) Append(missing, std::string("downloads.") + name);
    }
    if (!d.Has("target_path") && !d.Has("full_path")) Append(missing, "downloads.target_path");
    NoteMissing(missing, reason);
    return EachRow(db, sql, "downloads", reason, [&](sqlite3_stmt* s) {
      BrowserDownload r;
      r.started = ChromiumDownloadTime(Int(s, 0));
      r.ended = ChromiumDownloadTime(Int(s, 1));
      r.targetPath = ColumnText(s, 2);
      if (r.targetPath.empty()) r.targetPath = ColumnText(s, 12);
      r.url = ColumnText(s, 3);
      r.finalUrl = ColumnText(s, 4);
      r.referrer = ColumnText(s, 5);
      r.received = IntOr(s, 6, -1);
      r.total = IntOr(s, 7, -1);
      if (!IsNull(s, 8)) r.state = CodeText(kChromiumStates, std::size(kChromiumStates), Int(s, 8), "state");
      if (!IsNull(s, 9)) r.danger = CodeText(kChromiumDangers, std::size(kChromiumDangers), Int(s, 9), "type");
      r.opened = IsNull(s, 10) ? -1 : Int(s, 10) != 0;
      r.mimeType = ColumnText(s, 11);
      out.push_back(std::move(r));
    });
  });
}

SourceStatus ReadFirefoxPlacesDownloads(const std::vector<uint8_t>& database, std::vector<BrowserDownload>& out,
                                        std::string& reason) {
  return Guarded(out, reason, [&] {
    MemoryDatabase db;
    constexpr char kWhat[] = "a Firefox places database";
    // A places database without annotations has no downloads to list.
    if (!Prepare(db, database, {"moz_annos", "moz_anno_attributes", "moz_places"}, kWhat, reason, true)) {
      return reason.empty() ? SourceStatus::kOk : SourceStatus::kDamaged;
    }
    Columns a(db, "moz_annos", "a");
    Columns names(db, "moz_anno_attributes", "n");
    Columns p(db, "moz_places", "p");
    if (!a.Has("place_id") || !a.Has("anno_attribute_id") || !names.Has("id") || !names.Has("name")) {
      Append(reason, "unknown schema: the annotations cannot be joined to their names; no downloads listed");
      return SourceStatus::kOk;
    }
    const std::string sql =
        "SELECT " + a({"dateAdded"}) + ", " + a({"content"}) + ", " + p({"url"}) +
        ", (SELECT m.content FROM moz_annos AS m JOIN moz_anno_attributes AS mn ON mn.id = m.anno_attribute_id"
        " WHERE m.place_id = a.place_id AND mn.name = 'downloads/metaData' LIMIT 1)"
        " FROM moz_annos AS a JOIN moz_anno_attributes AS n ON n.id = a.anno_attribute_id"
        " LEFT JOIN moz_places AS p ON p.id = a.place_id WHERE n.name = 'downloads/destinationFileURI'";
    NoteMissing(a.Missing() + (p.Missing().empty() || a.Missing().empty() ? "" : "; ") + p.Missing(), reason);
    return EachRow(db, sql, "downloads", reason, [&](sqlite3_stmt* s) {
      BrowserDownload r;
      r.started = FirefoxTimeToFileTime(Int(s, 0));
      r.targetPath = FileUrlToPath(ColumnText(s, 1));
      r.url = ColumnText(s, 2);
      // {"state":1,"endTime":1700000000000,"fileSize":1234,...}: end time in
      // milliseconds since 1970.
      const auto* meta = reinterpret_cast<const char*>(sqlite3_column_text(s, 3));
      JsonValue json;
      if (meta && ParseJson(std::string_view(meta, static_cast<size_t>(sqlite3_column_bytes(s, 3))), json) &&
          json.kind == JsonValue::Kind::kObject) {
        const double state = json.Number(u"state", -1000), end = json.Number(u"endTime", 0),
                     size = json.Number(u"fileSize", -1);
        if (state > -1000 && state < 1000) r.state = FirefoxState(static_cast<int64_t>(state));
        if (end > 0 && end < 1e15) r.ended = FirefoxTimeToFileTime(static_cast<int64_t>(end) * 1000);
        if (size >= 0 && size < 9e15) r.received = r.total = static_cast<int64_t>(size);
      }
      out.push_back(std::move(r));
    });
  });
}

SourceStatus ReadFirefoxDownloadsDatabase(const std::vector<uint8_t>& database, std::vector<BrowserDownload>& out,
                                          std::string& reason) {
  return Guarded(out, reason, [&] {
    MemoryDatabase db;
    if (!Prepare(db, database, {"moz_downloads"}, "a Firefox downloads database", reason)) return SourceStatus::kDamaged;
    Columns d(db, "moz_downloads", "d");
    const std::string sql = "SELECT " + d("startTime") + ", " + d("endTime") + ", " + d("target") + ", " +
                            d("source") + ", " + d("referrer") + ", " + d("currBytes") + ", " + d("maxBytes") + ", " +
                            d("state") + ", " + d("mimeType") + " FROM moz_downloads AS d";
    NoteMissing(d.Missing(), reason);
    return EachRow(db, sql, "downloads", reason, [&](sqlite3_stmt* s) {
      BrowserDownload r;
      r.started = FirefoxTimeToFileTime(Int(s, 0));
      r.ended = FirefoxTimeToFileTime(Int(s, 1));
      r.targetPath = FileUrlToPath(ColumnText(s, 2));
      r.url = ColumnText(s, 3);
      r.referrer = ColumnText(s, 4);
      r.received = IntOr(s, 5, -1);
      r.total = IntOr(s, 6, -1);
      if (!IsNull(s, 7)) r.state = FirefoxState(Int(s, 7));
      r.mimeType = ColumnText(s, 8);
      out.push_back(std::move(r));
    });
  });
}

SourceStatus ReadChromiumSearches(const std::vector<uint8_t>& database, std::vector<BrowserSearch>& out,
                                  std::string& reason) {
  return Guarded(out, reason, [&] {
    MemoryDatabase db;
    if (!Prepare(db, database, {"keyword_search_terms", "urls"}, "a Chromium history database with searches",
                 reason)) {
      return SourceStatus::kDamaged;
    }
    Columns k(db, "keyword_search_terms", "k");
    Columns u(db, "urls", "u");
    std::string sql = "SELECT " + k({"term", "lower_term"}) + ", ";
    if (u.Exists() && u.Has("id") && k.Has("url_id")) {
      sql += u("url") + ", " + u("title") + ", " + u("last_visit_time") +
             " FROM keyword_search_terms AS k LEFT JOIN urls AS u ON u.id = k.url_id";
    } else {
      NoteMissing(u.Exists() ? "keyword_search_terms.url_id" : "table urls", reason);
      sql += "NULL, NULL, NULL FROM keyword_search_terms AS k";
    }
    NoteMissing(k.Missing() + (k.Missing().empty() || u.Missing().empty() ? "" : "; ") + u.Missing(), reason);
    return EachRow(db, sql, "searches", reason, [&](sqlite3_stmt* s) {
      BrowserSearch r;
      r.term = ColumnText(s, 0);
      r.url = ColumnText(s, 1);
      r.title = ColumnText(s, 2);
      r.lastUsed = ChromiumTimeToFileTime(Int(s, 3));
      out.push_back(std::move(r));
    });
  });
}

SourceStatus ReadFirefoxSearches(const std::vector<uint8_t>& database, std::vector<BrowserSearch>& out,
                                 std::string& reason) {
  return Guarded(out, reason, [&] {
    MemoryDatabase db;
    if (!Prepare(db, database, {"moz_formhistory"}, "a Firefox form history", reason)) return SourceStatus::kDamaged;
    Columns f(db, "moz_formhistory", "f");
    if (!f.Has("fieldname")) {
      NoteMissing("moz_formhistory.fieldname", reason);
      return SourceStatus::kOk;  // nothing says which entries are searches
    }
    const std::string sql = "SELECT " + f("value") + ", " + f("timesUsed") + ", " + f("firstUsed") + ", " +
                            f("lastUsed") + " FROM moz_formhistory AS f WHERE f.fieldname = 'searchbar-history'";
    NoteMissing(f.Missing(), reason);
    return EachRow(db, sql, "searches", reason, [&](sqlite3_stmt* s) {
      BrowserSearch r;
      r.term = ColumnText(s, 0);
      r.timesUsed = IntOr(s, 1, -1);
      r.firstUsed = FirefoxTimeToFileTime(Int(s, 2));
      r.lastUsed = FirefoxTimeToFileTime(Int(s, 3));
      out.push_back(std::move(r));
    });
  });
}

namespace {

// Chromium: -1 unspecified, 0 none, 1 lax, 2 strict. Firefox: 0 none,
// 1 lax, 2 strict.
std::u16string SameSiteText(int64_t value) {
  switch (value) {
    case -1: return u"Unspecified";
    case 0: return u"None";
    case 1: return u"Lax";
    case 2: return u"Strict";
    default: return Utf8ToU16("value " + std::to_string(value));
  }
}

// Firefox's cookie expiry: seconds since 1970, in milliseconds from its
// cookie schema 14 on; a value past 10^11 cannot be seconds of any year a
// cookie may name (it would be after the year 5000).
uint64_t FirefoxExpiry(int64_t stored) {
  if (stored > kLowestMicrosecondTime) stored /= 1000;
  return UnixSecondsToFileTime(stored);
}

}  // namespace

SourceStatus ReadCookies(const std::vector<uint8_t>& database, bool firefox, std::vector<BrowserCookie>& out,
                         std::string& reason) {
  return Guarded(out, reason, [&] {
    MemoryDatabase db;
    const char* table = firefox ? "moz_cookies" : "cookies";
    if (!Prepare(db, database, {table}, firefox ? "a Firefox cookie database" : "a Chromium cookie database",
                 reason)) {
      return SourceStatus::kDamaged;
    }
    Columns c(db, table, "c");
    std::string sql;
    if (firefox) {
      sql = "SELECT " + c("host") + ", " + c("name") + ", " + c("path") + ", " + c("creationTime") + ", " +
            c("lastAccessed") + ", " + c("expiry") + ", " + c("isSecure") + ", " + c("isHttpOnly") + ", " +
            (c.Has("sameSite") ? "c.sameSite" : "NULL") + ", 1 FROM moz_cookies AS c";  // since Firefox 60
    } else {
      // Older schemas: secure and httponly; none before has samesite.
      sql = "SELECT " + c("host_key") + ", " + c("name") + ", " + c("path") + ", " + c("creation_utc") + ", " +
            c("last_access_utc") + ", " + c("expires_utc") + ", " + c({"is_secure", "secure"}) + ", " +
            c({"is_httponly", "httponly"}) + ", " + (c.Has("samesite") ? "c.samesite" : "NULL") + ", " +
            (c.Has("has_expires") ? "c.has_expires" : "1") + " FROM cookies AS c";
    }
    NoteMissing(c.Missing(), reason);
    return EachRow(db, sql, "cookies", reason, [&](sqlite3_stmt* s) {
      BrowserCookie r;
      r.host = ColumnText(s, 0);
      r.name = ColumnText(s, 1);
      r.path = ColumnText(s, 2);
      if (firefox) {
        r.created = FirefoxTimeToFileTime(Int(s, 3));
        r.lastAccess = FirefoxTimeToFileTime(Int(s, 4));
        r.expires = FirefoxExpiry(Int(s, 5));
      } else {
        r.created = ChromiumTimeToFileTime(Int(s, 3));
        r.lastAccess = ChromiumTimeToFileTime(Int(s, 4));
        r.expires = Int(s, 9) != 0 ? ChromiumTimeToFileTime(Int(s, 5)) : 0;
      }
      r.secure = IsNull(s, 6) ? -1 : Int(s, 6) != 0;
      r.httpOnly = IsNull(s, 7) ? -1 : Int(s, 7) != 0;
      if (!IsNull(s, 8)) r.sameSite = SameSiteText(Int(s, 8));
      out.push_back(std::move(r));
    });
  });
}

namespace {

// The names Firefox gives its root folders (their titles are these short
// names since Firefox 64, and may be empty).
std::u16string RootName(const std::u16string& guid, const std::u16string& title) {
  static constexpr struct {
    const char16_t* guid;
    const char16_t* name;
  } kRoots[] = {{u"menu________", u"Bookmarks Menu"},   {u"toolbar_____", u"Bookmarks Toolbar"},
                {u"unfiled_____", u"Other Bookmarks"},  {u"mobile______", u"Mobile Bookmarks"},
                {u"tags________", u"Tags"}};
  for (const auto& r : kRoots) {
    if (guid == r.guid) return r.name;
  }
  return title;
}

struct Folder {
  int64_t parent = 0;
  std::u16string name;
};

}  // namespace

SourceStatus ReadFirefoxBookmarks(const std::vector<uint8_t>& database, std::vector<BrowserBookmark>& out,
                                  std::string& reason) {
  return Guarded(out, reason, [&] {
    MemoryDatabase db;
    if (!Prepare(db, database, {"moz_bookmarks", "moz_places"}, "a Firefox places database with bookmarks", reason)) {
      return SourceStatus::kDamaged;
    }
    Columns b(db, "moz_bookmarks", "b");
    Columns p(db, "moz_places", "p");
    if (!b.Has("id") || !b.Has("type")) {
      NoteMissing("moz_bookmarks.type", reason);
      return SourceStatus::kOk;
    }
    // The folders first (type 2), for the paths of the bookmarks.
    std::map<int64_t, Folder> folders;
    const std::string folderSql = "SELECT b.id, " + b("parent") + ", " + b("title") + ", " +
                                  (b.Has("guid") ? "b.guid" : "NULL") + " FROM moz_bookmarks AS b WHERE b.type = 2";
    SourceStatus status = EachRow(db, folderSql, "folders", reason, [&](sqlite3_stmt* s) {
      folders[Int(s, 0)] = {Int(s, 1), RootName(ColumnText(s, 3), ColumnText(s, 2))};
    });
    if (status != SourceStatus::kOk) return status;
    auto pathOf = [&](int64_t parent) {
      std::vector<const std::u16string*> names;
      // A loop of parents ends the path at the folders seen once.
      for (auto f = folders.find(parent); f != folders.end() && names.size() <= folders.size();
           f = folders.find(f->second.parent)) {
        if (f->second.parent == 0 && f->second.name.empty()) break;  // the root of roots
        names.push_back(&f->second.name);
        if (f->second.parent == f->first) break;
      }
      std::u16string path;
      for (auto n = names.rbegin(); n != names.rend(); ++n) {
        if (!path.empty()) path += u'\\';
        path += **n;
      }
      return path;
    };
    std::string sql = "SELECT " + b("parent") + ", " + b("title") + ", " + b("dateAdded") + ", ";
    if (p.Exists() && b.Has("fk")) {
      sql += p("url") + ", " + p("last_visit_date") + ", " + p("title") +
             " FROM moz_bookmarks AS b LEFT JOIN moz_places AS p ON p.id = b.fk WHERE b.type = 1";
    } else {
      NoteMissing(p.Exists() ? "moz_bookmarks.fk" : "table moz_places", reason);
      sql += "NULL, NULL, NULL FROM moz_bookmarks AS b WHERE b.type = 1";
    }
    NoteMissing(b.Missing() + (b.Missing().empty() || p.Missing().empty() ? "" : "; ") + p.Missing(), reason);
    return EachRow(db, sql, "bookmarks", reason, [&](sqlite3_stmt* s) {
      BrowserBookmark r;
      r.folder = pathOf(Int(s, 0));
      // Since Firefox 62 the bookmark's own title; before, often the page's.
      r.title = IsNull(s, 1) ? ColumnText(s, 5) : ColumnText(s, 1);
      r.added = FirefoxTimeToFileTime(Int(s, 2));
      r.url = ColumnText(s, 3);
      r.lastUsed = FirefoxTimeToFileTime(Int(s, 4));
      out.push_back(std::move(r));
    });
  });
}

namespace {

// A Chromium time as the Bookmarks file writes it: microseconds since 1601
// as a decimal string.
uint64_t BookmarkTime(const JsonValue& node, std::u16string_view name) {
  const std::u16string_view text = node.Text(name);
  if (text.empty() || text.size() > 18) return 0;
  int64_t value = 0;
  for (char16_t c : text) {
    if (c < u'0' || c > u'9') return 0;
    value = value * 10 + (c - u'0');
  }
  return ChromiumTimeToFileTime(value);
}

struct BookmarkWalk {
  std::vector<BrowserBookmark>& out;
  size_t nodes = 0;

  // Nesting is bounded by the JSON reader's depth limit.
  void Node(const JsonValue& node, const std::u16string& folder) {
    if (node.kind != JsonValue::Kind::kObject) return;
    ++nodes;
    const std::u16string_view type = node.Text(u"type");
    if (type == u"url") {
      BrowserBookmark b;
      b.folder = folder;
      b.title = std::u16string(node.Text(u"name"));
      b.url = std::u16string(node.Text(u"url"));
      b.added = BookmarkTime(node, u"date_added");
      b.lastUsed = BookmarkTime(node, u"date_last_used");
      out.push_back(std::move(b));
      return;
    }
    const JsonValue* children = node.Find(u"children");
    if (!children || children->kind != JsonValue::Kind::kArray) return;
    for (const JsonValue& child : children->items) {
      const std::u16string_view name = child.Text(u"name");
      Node(child, child.Text(u"type") == u"url" ? folder
                  : folder.empty()              ? std::u16string(name)
                                                : folder + u'\\' + std::u16string(name));
    }
  }
};

}  // namespace

SourceStatus ReadChromiumBookmarks(std::string_view json, std::vector<BrowserBookmark>& out, std::string& reason) {
  return Guarded(out, reason, [&] {
    JsonValue root;
    std::string why;
    if (!ParseJson(json, root, &why)) {
      Append(reason, "not a bookmarks file (" + why + ")");
      return SourceStatus::kDamaged;
    }
    const JsonValue* roots = root.Find(u"roots");
    if (!roots || roots->kind != JsonValue::Kind::kObject) {
      Append(reason, "not a bookmarks file (no \"roots\")");
      return SourceStatus::kDamaged;
    }
    // The roots as the browser names them ("Bookmarks bar", "Other
    // bookmarks", "Mobile bookmarks"); a root without a name by its key.
    BookmarkWalk walk{out};
    for (const auto& [key, node] : roots->members) {
      if (node.kind != JsonValue::Kind::kObject) continue;  // "sync_transaction_version" and the like
      const std::u16string_view name = node.Text(u"name");
      walk.Node(node, name.empty() ? key : std::u16string(name));
    }
    return SourceStatus::kOk;
  });
}

}  // namespace glimmerlog
