#include "sources/activities/activitiescache.h"

#include <sqlite3.h>

#include <algorithm>
#include <set>

#include "base/ascii.h"
#include "base/json.h"
#include "base/utf8.h"
#include "sources/browsers/livedatabase.h"
#include "sources/browsers/sqlitememory.h"
#include "sources/shell/knownfolders.h"

namespace glimmerlog {

namespace {

constexpr uint64_t kMaxCacheBytes = 1024ull * 1024 * 1024;
constexpr int64_t kUnixEpoch = 11644473600;  // seconds from 1601 to 1970
constexpr int64_t kMaxUnixSeconds = 910692730085;  // the last second a FILETIME holds

uint64_t UnixToFileTime(int64_t seconds) {
  if (seconds <= 0 || seconds > kMaxUnixSeconds - kUnixEpoch) return 0;
  return static_cast<uint64_t>(seconds + kUnixEpoch) * 10000000;
}

void Append(std::string& text, const std::string& more) {
  if (more.empty()) return;
  if (!text.empty()) text += "; ";
  text += more;
}

std::string Blob(sqlite3_stmt* s, int column) {
  const void* p = sqlite3_column_blob(s, column);
  return p ? std::string(static_cast<const char*>(p), static_cast<size_t>(sqlite3_column_bytes(s, column)))
           : std::string();
}

std::u16string Hex(const std::string& bytes) {
  static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
  std::u16string out;
  for (unsigned char b : bytes) {
    out += kDigits[b >> 4];
    out += kDigits[b & 15];
  }
  return out;
}

// A program's path as the AppId stores it, its leading known-folder GUID
// named ("{1AC14E77-...}\cmd.exe" is System\cmd.exe).
std::u16string ProgramPath(std::u16string_view application) {
  if (application.size() > 38 && application[0] == u'{' && application[37] == u'}') {
    if (const char16_t* name = KnownFolderName(application.substr(0, 38))) {
      return std::u16string(name) + std::u16string(application.substr(38));
    }
  }
  return std::u16string(application);
}

// The program from the AppId's list of {application, platform}: a desktop
// program's path first, then a packaged app's id, then any other that names
// one.
void TakeApp(const std::string& json, Activity& a) {
  JsonValue list;
  if (!ParseJson(json, list) || list.kind != JsonValue::Kind::kArray) return;
  static constexpr std::u16string_view kPreferred[] = {u"windows_win32", u"x_exe_path", u"windows_universal"};
  for (std::u16string_view platform : kPreferred) {
    for (const JsonValue& entry : list.items) {
      if (entry.Text(u"platform") == platform && !entry.Text(u"application").empty()) {
        a.app = ProgramPath(entry.Text(u"application"));
        a.platform = std::u16string(platform);
        return;
      }
    }
  }
  for (const JsonValue& entry : list.items) {
    const std::u16string_view platform = entry.Text(u"platform");
    if (!entry.Text(u"application").empty() && platform != u"packageId" && platform != u"alternateId") {
      a.app = ProgramPath(entry.Text(u"application"));
      a.platform = std::u16string(platform);
      return;
    }
  }
}

// What the payload says of the activity; some payloads are not JSON (the
// system's own rows), and say nothing here.
void TakePayload(const std::string& json, Activity& a) {
  JsonValue payload;
  if (!ParseJson(json, payload) || payload.kind != JsonValue::Kind::kObject) return;
  a.appName = std::u16string(payload.Text(u"appDisplayName"));
  a.text = std::u16string(payload.Text(u"displayText"));
  a.content = std::u16string(payload.Text(u"contentUri"));
  if (a.content.empty()) a.content = std::u16string(payload.Text(u"description"));
  const double seconds = payload.Number(u"activeDurationSeconds", -1);
  if (seconds >= 0 && seconds < 1e12) a.activeSeconds = static_cast<int64_t>(seconds);
}

// Each row as (Id, LastModifiedTime): the rows of the database file alone,
// so that those the log added or changed can be told.
std::set<std::pair<std::string, int64_t>> RowKeys(const std::vector<uint8_t>& bytes) {
  std::set<std::pair<std::string, int64_t>> keys;
  MemoryDatabase db;
  std::string why;
  if (bytes.empty() || !db.Open(bytes, why) || !db.NotATable({"Activity"}).empty()) return keys;
  Statement s(db, "SELECT Id, LastModifiedTime FROM Activity");
  while (s && sqlite3_step(s.get()) == SQLITE_ROW) keys.emplace(Blob(s.get(), 0), sqlite3_column_int64(s.get(), 1));
  return keys;
}

SourceStatus QueryCache(const std::vector<uint8_t>& bytes, const std::vector<uint8_t>& withoutLog,
                        std::vector<Activity>& out, std::string& note) {
  MemoryDatabase db;
  std::string why;
  if (!db.Open(bytes, why)) {
    Append(note, "not a readable SQLite database (" + why + ")");
    return SourceStatus::kDamaged;
  }
  // Only the stored table is read; the cache's own views (SmartLookup) are
  // left alone.
  const std::string notTable = db.NotATable({"Activity"});
  if (!notTable.empty()) {
    Append(note, "not an activity cache (" + notTable + ")");
    return SourceStatus::kDamaged;
  }
  const std::vector<std::string> columns = db.Columns("activity");
  if (columns.empty()) {
    Append(note, db.OverBudget() || db.OutOfMemory() ? db.Error() : "no table \"Activity\": not an activity cache");
    return SourceStatus::kDamaged;
  }
  // Columns an older schema lacks are read as NULL.
  auto column = [&](const char* name) {
    std::string lower(name);
    for (char& c : lower) c = FoldAscii(c);
    return std::find(columns.begin(), columns.end(), lower) != columns.end() ? std::string(name)
                                                                             : std::string("NULL");
  };
  const std::string sql = "SELECT Id, ActivityType, AppId, Payload, " + column("StartTime") + ", " +
                          column("EndTime") + ", " + column("LastModifiedTime") + ", " + column("ExpirationTime") +
                          " FROM Activity ORDER BY " + column("StartTime") + ", Id";
  const std::set<std::pair<std::string, int64_t>> inFile = RowKeys(withoutLog);
  Statement s(db, sql);
  int step = s ? sqlite3_step(s.get()) : SQLITE_ERROR;
  for (; step == SQLITE_ROW; step = sqlite3_step(s.get())) {
    Activity a;
    const std::string id = Blob(s.get(), 0);
    a.id = Hex(id);
    a.type = sqlite3_column_int64(s.get(), 1);
    TakeApp(Blob(s.get(), 2), a);
    TakePayload(Blob(s.get(), 3), a);
    a.start = UnixToFileTime(sqlite3_column_int64(s.get(), 4));
    a.end = UnixToFileTime(sqlite3_column_int64(s.get(), 5));
    const int64_t modified = sqlite3_column_int64(s.get(), 6);
    a.lastModified = UnixToFileTime(modified);
    a.expires = UnixToFileTime(sqlite3_column_int64(s.get(), 7));
    a.fromLog = !withoutLog.empty() && !inFile.count({id, modified});
    out.push_back(std::move(a));
  }
  if (step != SQLITE_DONE) {
    Append(note, db.Error());
    return SourceStatus::kDamaged;
  }
  return SourceStatus::kOk;
}

}  // namespace

std::vector<std::u16string> FindActivityCaches(FolderSource& folders, const std::u16string& localAppData) {
  std::vector<std::u16string> found;
  if (localAppData.empty()) return found;
  std::u16string root = localAppData;
  if (root.back() != u'\\') root += u'\\';
  root += u"ConnectedDevicesPlatform\\";
  std::unique_ptr<FolderSource::Listing> listing = folders.List(root, nullptr);
  if (!listing) return found;
  constexpr uint32_t kDirectory = 0x10, kReparsePoint = 0x400;
  FolderEntry entry;
  std::vector<std::u16string> accounts;
  while (listing->Next(entry)) {
    if (!(entry.attributes & kDirectory) || (entry.attributes & kReparsePoint)) continue;
    if (entry.name == u"." || entry.name == u"..") continue;
    accounts.push_back(entry.name);
  }
  std::sort(accounts.begin(), accounts.end());
  for (const std::u16string& account : accounts) {
    const std::u16string path = root + account + u"\\ActivitiesCache.db";
    if (folders.Attributes(path) != FolderSource::kNoAttributes) found.push_back(path);
  }
  return found;
}

SourceStatus ReadActivityCache(FolderSource& folders, const std::u16string& path, std::vector<Activity>& out,
                               std::string& note) {
  note.clear();
  const size_t before = out.size();
  try {
    std::vector<uint8_t> bytes, withoutLog;
    const SourceStatus status = ReadLiveDatabase(folders, path, path + u"-wal", kMaxCacheBytes, bytes, &withoutLog, note);
    if (status != SourceStatus::kOk) return status;
    return QueryCache(bytes, withoutLog, out, note);
  } catch (const std::bad_alloc&) {
    out.resize(before);
    Append(note, "out of memory while it was read: none of its activities are listed");
    return SourceStatus::kDamaged;
  }
}

std::u16string ActivityTypeName(int64_t type) {
  switch (type) {
    case 2: return u"Notification";
    case 5: return u"Opened";
    case 6: return u"In use";
    case 10: return u"Clipboard";
    case 11: case 12: case 15: return u"System";
    case 16: return u"Copy and paste";
    default: {
      std::u16string text = u"Type ";
      const std::string digits = std::to_string(type);
      text.append(digits.begin(), digits.end());
      return text;
    }
  }
}

}  // namespace glimmerlog
