#include "sources/browsers/browserhistory.h"

#include <sqlite3.h>

#include <algorithm>
#include <limits>
#include <new>

#include "sources/browsers/sqlitememory.h"
#include "base/utf8.h"
#include "sources/browsers/livedatabase.h"
#include "sources/browsers/walapply.h"

namespace glimmerlog {

namespace {

constexpr int64_t kFileTimeMax = std::numeric_limits<int64_t>::max();  // what FILETIME conversions accept
constexpr int64_t kUnixEpochMicroseconds = 11644473600000000;          // 1601-01-01 to 1970-01-01

// The tables and columns of one browser's schema that every version since
// the first has kept.
struct Schema {
  const char* visits;     // table of visits
  const char* visitTime;  // its time column
  const char* visitKind;  // its transition or type column
  const char* visitPage;  // its column naming the page's row
  const char* pages;      // table of pages, whose INTEGER PRIMARY KEY the visits name
  const char* pageUrl;
  const char* pageTitle;
  const char* pageCount;   // visit count
  const char* versionSql;  // the schema version, for the note on an unknown schema
};

constexpr Schema kChromium{"visits", "visit_time",  "transition",
                           "url",    "urls",        "url",
                           "title",  "visit_count", "SELECT value FROM meta WHERE key='version'"};
constexpr Schema kFirefox{"moz_historyvisits",  "visit_date", "visit_type", "place_id",
                          "moz_places",         "url",        "title",      "visit_count",
                          "PRAGMA user_version"};

bool Has(const std::vector<std::string>& columns, const char* name) {
  return std::find(columns.begin(), columns.end(), name) != columns.end();
}

void Append(std::string& text, const std::string& more) {
  if (more.empty()) return;
  if (!text.empty()) text += "; ";
  text += more;
}

void AppendText(std::u16string& out, sqlite3_stmt* s, int column) {
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(s, column));
  if (text) AppendUtf8AsUtf16(out, text, static_cast<size_t>(sqlite3_column_bytes(s, column)));
}

}  // namespace

const char16_t* VisitKindName(VisitKind kind) {
  switch (kind) {
    case VisitKind::kUnknown: return u"";
    case VisitKind::kLink: return u"Link";
    case VisitKind::kTyped: return u"Typed";
    case VisitKind::kBookmark: return u"Bookmark";
    case VisitKind::kAutoSubframe: return u"Frame";
    case VisitKind::kManualSubframe: return u"Link in frame";
    case VisitKind::kGenerated: return u"Suggestion";
    case VisitKind::kStartPage: return u"Start page";
    case VisitKind::kFormSubmit: return u"Form";
    case VisitKind::kReload: return u"Reload";
    case VisitKind::kKeyword: return u"Keyword";
    case VisitKind::kKeywordGenerated: return u"Keyword search";
    case VisitKind::kEmbed: return u"Embedded";
    case VisitKind::kPermanentRedirect: return u"Permanent redirect";
    case VisitKind::kTemporaryRedirect: return u"Temporary redirect";
    case VisitKind::kDownload: return u"Download";
    case VisitKind::kFramedLink: return u"Link in frame";
  }
  return u"";
}

VisitKind ChromiumVisitKind(int64_t transition) {
  static constexpr VisitKind kCore[] = {
      VisitKind::kLink,           VisitKind::kTyped,     VisitKind::kBookmark,         VisitKind::kAutoSubframe,
      VisitKind::kManualSubframe, VisitKind::kGenerated, VisitKind::kStartPage,        VisitKind::kFormSubmit,
      VisitKind::kReload,         VisitKind::kKeyword,   VisitKind::kKeywordGenerated,
  };
  const auto core = static_cast<size_t>(transition & 0xFF);
  return core < sizeof kCore / sizeof kCore[0] ? kCore[core] : VisitKind::kUnknown;
}

VisitKind FirefoxVisitKind(int64_t visitType) {
  switch (visitType) {
    case 1: return VisitKind::kLink;
    case 2: return VisitKind::kTyped;
    case 3: return VisitKind::kBookmark;
    case 4: return VisitKind::kEmbed;
    case 5: return VisitKind::kPermanentRedirect;
    case 6: return VisitKind::kTemporaryRedirect;
    case 7: return VisitKind::kDownload;
    case 8: return VisitKind::kFramedLink;
    case 9: return VisitKind::kReload;
    default: return VisitKind::kUnknown;
  }
}

uint64_t ChromiumTimeToFileTime(int64_t microseconds) {
  if (microseconds <= 0 || microseconds > kFileTimeMax / 10) return 0;
  return static_cast<uint64_t>(microseconds) * 10;
}

uint64_t FirefoxTimeToFileTime(int64_t microseconds) {
  if (microseconds == 0 || microseconds < -kUnixEpochMicroseconds) return 0;
  if (microseconds > kFileTimeMax / 10 - kUnixEpochMicroseconds) return 0;
  return static_cast<uint64_t>(microseconds + kUnixEpochMicroseconds) * 10;
}

namespace {

// A failed allocation while one database was read: its visits are let go,
// so that the memory they held serves the databases read after it.
SourceStatus OutOfMemory(std::vector<BrowserVisit>& visits, size_t before, std::string& reason) {
  visits.resize(before);
  Append(reason, "out of memory while it was read: none of its visits are listed");
  return SourceStatus::kDamaged;
}

SourceStatus QueryHistory(const std::vector<uint8_t>& database, bool firefox,
                          const std::shared_ptr<const BrowserProfile>& source, std::vector<BrowserVisit>& visits,
                          std::string& reason) {
  const Schema& schema = firefox ? kFirefox : kChromium;
  MemoryDatabase db;
  std::string why;
  if (!db.Open(database, why)) {
    Append(reason, "not a readable SQLite database (" + why + ")");
    return SourceStatus::kDamaged;
  }
  // Only stored tables are read: a view or a virtual table in their place
  // would run the database's own query.
  const std::string notTable = db.NotATable({schema.visits, schema.pages});
  if (!notTable.empty()) {
    Append(reason, "not a browser history (" + notTable + ")");
    return SourceStatus::kDamaged;
  }
  const std::vector<std::string> visitColumns = db.Columns(schema.visits);
  if (visitColumns.empty() && (db.OverBudget() || db.OutOfMemory())) {
    Append(reason, db.Error());
    return SourceStatus::kDamaged;
  }
  if (visitColumns.empty()) {
    Append(reason, std::string("no table \"") + schema.visits + "\": not a " + (firefox ? "Firefox" : "Chromium") +
                       " history database");
    return SourceStatus::kDamaged;
  }
  const std::vector<std::string> pageColumns = db.Columns(schema.pages);

  // Columns the schema lacks are read as NULL, and named in the note.
  std::string missing;
  auto column = [&](const std::vector<std::string>& columns, const char* table, const char* alias, const char* name) {
    if (Has(columns, name)) return std::string(alias) + "." + name;
    Append(missing, std::string(table) + "." + name);
    return std::string("NULL");
  };
  const bool joinPages = !pageColumns.empty() && Has(visitColumns, schema.visitPage);
  std::string sql = "SELECT " + column(visitColumns, schema.visits, "v", schema.visitTime) + ", " +
                    column(visitColumns, schema.visits, "v", schema.visitKind) + ", ";
  if (joinPages) {
    sql += column(pageColumns, schema.pages, "p", schema.pageUrl) + ", " +
           column(pageColumns, schema.pages, "p", schema.pageTitle) + ", " +
           column(pageColumns, schema.pages, "p", schema.pageCount) + " FROM " + schema.visits + " AS v LEFT JOIN " +
           schema.pages + " AS p ON p.id = v." + schema.visitPage;
  } else {
    Append(missing, pageColumns.empty() ? std::string("table ") + schema.pages
                                        : std::string(schema.visits) + "." + schema.visitPage);
    sql += std::string("NULL, NULL, NULL FROM ") + schema.visits + " AS v";
  }
  if (!missing.empty()) {
    const int64_t version = db.QueryInt(schema.versionSql, -1);
    Append(reason, "unknown schema" + (version >= 0 ? " (version " + std::to_string(version) + ")" : std::string()) +
                       ": no " + missing + "; listed what it holds");
  }

  Statement s(db, sql);
  if (!s) {
    Append(reason, "the history could not be queried (" + db.Error() + ")");
    return SourceStatus::kDamaged;
  }
  const size_t before = visits.size();
  int rc;
  while ((rc = sqlite3_step(s.get())) == SQLITE_ROW) {
    visits.emplace_back();
    BrowserVisit& v = visits.back();
    const int64_t time = sqlite3_column_int64(s.get(), 0);
    const int64_t kind = sqlite3_column_int64(s.get(), 1);
    v.visitTime = firefox ? FirefoxTimeToFileTime(time) : ChromiumTimeToFileTime(time);
    v.kind = firefox ? FirefoxVisitKind(kind) : ChromiumVisitKind(kind);
    v.transition = static_cast<uint32_t>(kind);
    AppendText(v.url, s.get(), 2);
    AppendText(v.title, s.get(), 3);
    v.visitCount = sqlite3_column_int64(s.get(), 4);
    v.source = source;
  }
  if (rc != SQLITE_DONE) {
    const std::string read = std::to_string(visits.size() - before) + " visits";
    if (db.OverBudget()) {
      Append(reason, db.Error() + "; listed the " + read + " read before");
    } else if (db.OutOfMemory()) {
      Append(reason, "out of memory; stopped after " + read);
    } else {
      Append(reason, "the database is damaged (" + db.Error() + "); stopped after " + read);
    }
    return SourceStatus::kDamaged;
  }
  return SourceStatus::kOk;
}

}  // namespace

SourceStatus ReadHistoryDatabase(const std::vector<uint8_t>& database, bool firefox,
                                 const std::shared_ptr<const BrowserProfile>& source, std::vector<BrowserVisit>& visits,
                                 std::string& reason) {
  const size_t before = visits.size();
  try {
    return QueryHistory(database, firefox, source, visits, reason);
  } catch (const std::bad_alloc&) {
    return OutOfMemory(visits, before, reason);
  }
}

namespace {

SourceStatus ReadProfileHistory(FolderSource& folders, const BrowserProfile& profile, std::vector<BrowserVisit>& visits,
                                std::string& reason) {
  std::vector<uint8_t> database;
  const SourceStatus status = ReadLiveDatabase(folders, profile.databasePath, profile.walPath, kMaxDatabaseBytes,
                                               database, nullptr, reason);
  if (status != SourceStatus::kOk) {
    reason = std::string("the history database could not be read (") + StatusName(status) + ")";
    return status;
  }
  return ReadHistoryDatabase(database, profile.firefox, std::make_shared<const BrowserProfile>(profile), visits,
                             reason);
}

}  // namespace

SourceStatus ReadBrowserHistory(FolderSource& folders, const BrowserProfile& profile, std::vector<BrowserVisit>& visits,
                                std::string& reason) {
  reason.clear();
  const size_t before = visits.size();
  try {
    return ReadProfileHistory(folders, profile, visits, reason);
  } catch (const std::bad_alloc&) {
    return OutOfMemory(visits, before, reason);
  }
}

}  // namespace glimmerlog
