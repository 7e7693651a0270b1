// The history of today's browsers: the Chromium family (Edge, Chrome,
// Chromium, Brave, Vivaldi, Opera) and Firefox, found under the user's
// application data folders and read one record per visit. Platform-free, over
// a FolderSource: the database and its write-ahead log are read as bytes, the
// log's committed frames laid over them in memory, and SQLite reads that copy
// read-only. Nothing is written to or created in the profile.
#ifndef GLIMMERLOG_SOURCES_BROWSERS_BROWSERHISTORY_H
#define GLIMMERLOG_SOURCES_BROWSERS_BROWSERHISTORY_H

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "sources/folders/foldersource.h"
#include "sources/status.h"

namespace glimmerlog {

struct BrowserProfile {
  std::u16string browser;       // "Microsoft Edge", "Google Chrome", "Chromium", "Brave", "Vivaldi", "Opera", "Firefox"
  std::u16string profile;       // the profile's folder name ("Default", "Profile 1", "abcd1234.default-release")
  std::u16string displayName;   // the name the browser shows for it, when its files give one
  std::u16string databasePath;  // "...\History" or "...\places.sqlite"
  std::u16string walPath;       // databasePath + "-wal"
  bool firefox = false;
};

// How the visit came, from Chromium's core transition type
// (visits.transition & 0xFF) or Firefox's moz_historyvisits.visit_type.
enum class VisitKind : uint8_t {
  kUnknown,
  kLink,
  kTyped,
  kBookmark,
  kAutoSubframe,    // Chromium: a frame the page loaded itself
  kManualSubframe,  // Chromium: a link followed inside a frame
  kGenerated,       // Chromium: a suggestion from the address bar chosen
  kStartPage,       // Chromium: opened at start-up or by another program
  kFormSubmit,
  kReload,
  kKeyword,           // Chromium: a search keyword
  kKeywordGenerated,  // Chromium: the visit a keyword search generated
  kEmbed,             // Firefox: an embedded item
  kPermanentRedirect,
  kTemporaryRedirect,
  kDownload,
  kFramedLink,  // Firefox: a link followed inside a frame
};
const char16_t* VisitKindName(VisitKind kind);  // "Link", "Typed", ...; "" for kUnknown
VisitKind ChromiumVisitKind(int64_t transition);
VisitKind FirefoxVisitKind(int64_t visitType);

struct BrowserVisit {
  uint64_t visitTime = 0;  // FILETIME ticks, UTC; 0 when not set or out of range
  std::u16string title;
  std::u16string url;
  int64_t visitCount = 0;  // the page's visit count as the browser keeps it
  VisitKind kind = VisitKind::kUnknown;
  uint32_t transition = 0;  // the stored value the kind comes from
  // The browser, profile and database the visit was read from (one object
  // shared by all the visits of one read).
  std::shared_ptr<const BrowserProfile> source;
};

// Browser times to FILETIME ticks (UTC). Chromium: microseconds since
// 1601-01-01; Firefox: microseconds since 1970-01-01. 0 stays 0 (not set);
// times before 1601 or past what a FILETIME can hold give 0.
uint64_t ChromiumTimeToFileTime(int64_t microseconds);
uint64_t FirefoxTimeToFileTime(int64_t microseconds);

// The profiles of every known browser that has a history database under the
// user's local and roaming application data folders (with or without a
// trailing backslash): the Chromium family's profile folders (Default,
// Profile N, and those the browser's Local State names), Opera's one folder,
// and Firefox's profiles from profiles.ini and its Profiles folder. Browsers
// in order of the list above, profiles in name order. With `paths` (another
// user's profile), a folder profiles.ini names outside the application data
// folder is mapped into that profile, or left out; a ".." never leads out.
std::vector<BrowserProfile> FindBrowserProfiles(FolderSource& folders, std::u16string_view localAppData,
                                                std::u16string_view roamingAppData, ProfilePaths* paths = nullptr);

// Reads the visits of one profile's history database and appends them to
// `visits`, in the database's own order. The database is read whole (up to
// kMaxDatabaseBytes) with its write-ahead log applied, when one lies beside it.
//   kOk: read; `reason` is empty, or says what was left out (an unusable log,
//        columns a schema lacks) while the rest was read.
//   kMissing / kDenied: the database could not be read; nothing added.
//   kDamaged: not a history database, or damaged: `reason` says why; the
//        visits read before the damage are kept.
SourceStatus ReadBrowserHistory(FolderSource& folders, const BrowserProfile& profile, std::vector<BrowserVisit>& visits,
                                std::string& reason);

// The same over bytes already read, with the log already applied.
SourceStatus ReadHistoryDatabase(const std::vector<uint8_t>& database, bool firefox,
                                 const std::shared_ptr<const BrowserProfile>& source, std::vector<BrowserVisit>& visits,
                                 std::string& reason);

constexpr uint64_t kMaxDatabaseBytes = 1024ull * 1024 * 1024;

}  // namespace glimmerlog

#endif
