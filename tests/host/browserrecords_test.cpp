// Downloads, searches, cookies and bookmarks of the browsers: the Chromium
// histories of the test data against the peers' sqlite3 dumps of them
// (meta versions 16 to 33), the test data's other databases against the
// sqlite3 command on copies, and databases written here (the test data has
// no cookie database, form history, downloads.sqlite, Firefox download
// annotation or Bookmarks file) against the same command. Then the views over
// a profile folder: every profile read, and a database held by a running
// browser or refused named while the rest is listed.
#include "sources/browsers/browserrecords.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>

#include "base/utf8.h"
#include "sources/browsers/livedatabase.h"
#include "sources/folders/posixfolders.h"
#include "tests/host/sqlitecli.h"
#include "tests/support/sqlitebytes.h"
#include "views/browser/browserrecordsreader.h"

namespace glimmerlog {

void ReadSourcesList(ViewSources& sources, Table& table, Progress& progress, Timeline* timeline);

namespace {

const std::string kData = std::string(GL_TESTDATA_DIR) + "/";
const std::string kPeers = kData + "peer-output/browsers-extra/";
const char* const kExtra[] = {"hindsight-01-History", "hindsight-10-History", "hindsight-20-History",
                              "plaso-History-57.0.2987.133", "plaso-History-58.0.3029.96"};

using Row = std::map<std::string, std::string>;

// A peer's tab-separated dump: rows by column name; `ok` false when the
// peer said the table is not there.
std::vector<Row> ReadTsv(const std::string& path, bool* ok = nullptr) {
  std::ifstream in(path);
  std::vector<Row> rows;
  std::string line;
  std::vector<std::string> header;
  if (ok) *ok = false;
  if (!std::getline(in, line) || line.rfind("Error", 0) == 0) return rows;
  if (ok) *ok = true;
  for (std::stringstream cells(line); std::getline(cells, header.emplace_back(), '\t');) {}
  header.pop_back();
  while (std::getline(in, line)) {
    if (line.empty()) continue;
    Row row;
    std::stringstream cells(line);
    for (const std::string& name : header) std::getline(cells, row[name], '\t');
    rows.push_back(std::move(row));
  }
  return rows;
}

int MetaVersion(const std::string& summary) {
  std::ifstream in(summary);
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("meta version: ", 0) == 0) return std::stoi(line.substr(14));
  }
  return -1;
}

std::string U8(std::u16string_view s) { return Utf8Of(s); }
std::string Num(uint64_t n) { return std::to_string(n); }

bool HaveExtra() { return std::ifstream(kData + "browsers-extra/" + kExtra[0]).good(); }

// The peers' readme: meta versions up to 22 stored download times in Unix
// seconds, later ones microseconds since 1601.
uint64_t PeerDownloadTime(const std::string& stored, int metaVersion) {
  if (stored.empty() || stored == "0") return 0;
  const uint64_t v = std::stoull(stored);
  return metaVersion <= 22 ? (v + 11644473600ull) * 10000000ull : v * 10;
}

// The readers of the databases, each as one line a record in the form the
// peer's query gives: times as FILETIME, texts as UTF-8, '|' between.
enum Reader {
  kChromiumDownloads,  // started|target|url
  kChromiumSearches,   // last used|term|url
  kChromiumCookies,    // host|name|path|created|last access|expires
  kFirefoxCookies,
  kFirefoxSearches,    // term|times used|first used|last used
  kFirefoxDownloads,   // started|url|ended|received (download annotations)
  kDownloadsDatabase,  // the same from downloads.sqlite
  kFirefoxBookmarks,   // added|url
};

struct ReadLines {
  SourceStatus status = SourceStatus::kOk;
  std::string reason, lines;
  size_t rows = 0;
  std::vector<BrowserCookie> cookies;
  std::vector<BrowserDownload> downloads;
};

ReadLines ReadAsLines(Reader reader, const std::vector<uint8_t>& bytes) {
  ReadLines r;
  auto time = [](uint64_t t) { return t ? Num(t) : std::string(); };
  switch (reader) {
    case kChromiumDownloads:
    case kFirefoxDownloads:
    case kDownloadsDatabase:
      r.status = reader == kChromiumDownloads   ? ReadChromiumDownloads(bytes, r.downloads, r.reason)
                 : reader == kFirefoxDownloads ? ReadFirefoxPlacesDownloads(bytes, r.downloads, r.reason)
                                               : ReadFirefoxDownloadsDatabase(bytes, r.downloads, r.reason);
      for (const BrowserDownload& d : r.downloads) {
        r.lines += reader == kChromiumDownloads
                       ? time(d.started) + "|" + U8(d.targetPath) + "|" + U8(d.url) + "\n"
                       : time(d.started) + "|" + U8(d.url) + "|" + time(d.ended) + "|" +
                             (d.received >= 0 ? std::to_string(d.received) : "") + "\n";
      }
      r.rows = r.downloads.size();
      break;
    case kChromiumSearches:
    case kFirefoxSearches: {
      std::vector<BrowserSearch> searches;
      r.status = reader == kChromiumSearches ? ReadChromiumSearches(bytes, searches, r.reason)
                                             : ReadFirefoxSearches(bytes, searches, r.reason);
      for (const BrowserSearch& x : searches) {
        r.lines += reader == kChromiumSearches ? time(x.lastUsed) + "|" + U8(x.term) + "|" + U8(x.url) + "\n"
                                               : U8(x.term) + "|" + std::to_string(x.timesUsed) + "|" +
                                                     time(x.firstUsed) + "|" + time(x.lastUsed) + "\n";
      }
      r.rows = searches.size();
      break;
    }
    case kChromiumCookies:
    case kFirefoxCookies:
      r.status = ReadCookies(bytes, reader == kFirefoxCookies, r.cookies, r.reason);
      for (const BrowserCookie& k : r.cookies) {
        r.lines += U8(k.host) + "|" + U8(k.name) + "|" + U8(k.path) + "|" + Num(k.created) + "|" +
                   Num(k.lastAccess) + "|" + Num(k.expires) + "\n";
      }
      r.rows = r.cookies.size();
      break;
    case kFirefoxBookmarks: {
      std::vector<BrowserBookmark> bookmarks;
      r.status = ReadFirefoxBookmarks(bytes, bookmarks, r.reason);
      for (const BrowserBookmark& b : bookmarks) r.lines += time(b.added) + "|" + U8(b.url) + "\n";
      r.rows = bookmarks.size();
      break;
    }
  }
  return r;
}

// The peer's queries for what ReadAsLines gives.
constexpr char kNewDownloadsSql[] =
    "SELECT start_time * 10, target_path, (SELECT url FROM downloads_url_chains c WHERE c.id = d.id "
    "ORDER BY chain_index LIMIT 1) FROM downloads d ORDER BY rowid";
constexpr char kChromiumSearchesSql[] =
    "SELECT u.last_visit_time * 10, k.term, u.url FROM keyword_search_terms k LEFT JOIN urls u ON u.id = k.url_id";
constexpr char kChromiumCookieSql[] =
    "SELECT host_key, name, path, creation_utc * 10, last_access_utc * 10, "
    "CASE WHEN has_expires THEN expires_utc * 10 ELSE 0 END FROM cookies";
constexpr char kFirefoxCookieSql[] =
    "SELECT host, name, path, (creationTime + 11644473600000000) * 10, (lastAccessed + 11644473600000000) * 10, "
    "(CASE WHEN expiry > 100000000000 THEN expiry / 1000 ELSE expiry END + 11644473600) * 10000000 "
    "FROM moz_cookies";
constexpr char kFirefoxSearchesSql[] =
    "SELECT value, timesUsed, (firstUsed + 11644473600000000) * 10, (lastUsed + 11644473600000000) * 10 "
    "FROM moz_formhistory WHERE fieldname = 'searchbar-history'";
constexpr char kPlacesDownloadsSql[] =
    "SELECT (a.dateAdded + 11644473600000000) * 10, p.url, (json_extract(m.content, '$.endTime') * 1000 "
    "+ 11644473600000000) * 10, json_extract(m.content, '$.fileSize') FROM moz_annos a "
    "JOIN moz_places p ON p.id = a.place_id LEFT JOIN moz_annos m ON m.place_id = a.place_id "
    "AND m.anno_attribute_id = (SELECT id FROM moz_anno_attributes WHERE name = 'downloads/metaData') "
    "WHERE a.anno_attribute_id = (SELECT id FROM moz_anno_attributes WHERE name = 'downloads/destinationFileURI')";
constexpr char kFirefoxBookmarksSql[] =
    "SELECT (b.dateAdded + 11644473600000000) * 10, p.url FROM moz_bookmarks b LEFT JOIN moz_places p "
    "ON p.id = b.fk WHERE b.type = 1";

// A database copied aside (with its log, laid over as the views lay it,
// through a folder source) and its bytes as the readers get them.
std::vector<uint8_t> CopyAside(const std::string& from, bool wal, const std::string& dir, const std::string& name) {
  WriteBytes(dir + "/" + name, ReadBytes(from));
  std::vector<uint8_t> bytes = ReadBytes(dir + "/" + name);
  if (wal) {
    WriteBytes(dir + "/" + name + "-wal", ReadBytes(from + "-wal"));
    PosixFolderSource folders(dir);
    std::string note;
    const std::u16string file = Utf8ToU16(name);
    EXPECT_EQ(ReadLiveDatabase(folders, file, file + u"-wal", 1 << 30, bytes, nullptr, note), SourceStatus::kOk);
  }
  return bytes;
}

TEST(BrowserDownloads, ChromiumAsThePeersDumpedThem) {
  if (!HaveExtra()) GTEST_SKIP() << "test data not found at " << kData << "browsers-extra";
  for (const char* name : kExtra) {
    SCOPED_TRACE(name);
    const int version = MetaVersion(kPeers + name + ".summary.txt");
    ASSERT_GT(version, 0);
    bool chained = false;
    const std::vector<Row> downloads = ReadTsv(kPeers + name + ".downloads.tsv");
    const std::vector<Row> chains = ReadTsv(kPeers + name + ".downloads_url_chains.tsv", &chained);
    std::vector<BrowserDownload> ours;
    std::string reason;
    ASSERT_EQ(ReadChromiumDownloads(ReadBytes(kData + "browsers-extra/" + name), ours, reason), SourceStatus::kOk);
    EXPECT_EQ(reason, "");
    ASSERT_EQ(ours.size(), downloads.size());
    ASSERT_FALSE(ours.empty());
    for (size_t i = 0; i < ours.size(); ++i) {
      const Row& d = downloads[i];
      const BrowserDownload& o = ours[i];
      EXPECT_EQ(U8(o.targetPath), d.count("target_path") ? d.at("target_path") : d.at("full_path"));
      std::string first, last;
      long firstIndex = -1, lastIndex = -1;
      for (const Row& c : chains) {
        if (c.at("id") != d.at("id")) continue;
        const long index = std::stol(c.at("chain_index"));
        if (firstIndex < 0 || index < firstIndex) firstIndex = index, first = c.at("url");
        if (lastIndex < 0 || index > lastIndex) lastIndex = index, last = c.at("url");
      }
      EXPECT_EQ(U8(o.url), chained ? first : d.at("url"));
      EXPECT_EQ(U8(o.finalUrl), chained ? last : "");
      EXPECT_EQ(o.started, PeerDownloadTime(d.at("start_time"), version));
      EXPECT_EQ(o.ended, d.count("end_time") ? PeerDownloadTime(d.at("end_time"), version) : 0);
      EXPECT_EQ(std::to_string(o.received), d.at("received_bytes"));
      EXPECT_EQ(std::to_string(o.total), d.at("total_bytes"));
      EXPECT_EQ(o.opened, d.count("opened") ? std::stoi(d.at("opened")) : -1);
      EXPECT_EQ(U8(o.referrer), d.count("referrer") ? d.at("referrer") : "");
      EXPECT_EQ(U8(o.mimeType), d.count("mime_type") ? d.at("mime_type") : "");
      EXPECT_EQ(o.danger.empty(), !d.count("danger_type"));
      EXPECT_FALSE(o.state.empty());
    }
  }
}

TEST(BrowserSearches, ChromiumAsThePeersDumpedThem) {
  if (!HaveExtra()) GTEST_SKIP() << "test data not found at " << kData << "browsers-extra";
  const bool cli = HaveSqliteCli();
  TempFolder dir;
  size_t total = 0;
  for (const char* name : kExtra) {
    SCOPED_TRACE(name);
    const std::vector<Row> peer = ReadTsv(kPeers + name + ".keyword_search_terms.tsv");
    const std::vector<uint8_t> bytes = ReadBytes(kData + "browsers-extra/" + name);
    std::vector<BrowserSearch> ours;
    std::string reason;
    ASSERT_EQ(ReadChromiumSearches(bytes, ours, reason), SourceStatus::kOk);
    EXPECT_EQ(reason, "");
    ASSERT_EQ(ours.size(), peer.size());
    total += ours.size();
    for (size_t i = 0; i < ours.size(); ++i) {
      EXPECT_EQ(U8(ours[i].term), peer[i].at("term"));
      EXPECT_EQ(U8(ours[i].url), peer[i].at("url"));
      EXPECT_EQ(U8(ours[i].title), peer[i].at("title"));
    }
    if (!cli) continue;
    // The results page's last visit, which the dumps leave out.
    const std::string copy = dir.path() + "/" + name;
    WriteBytes(copy, bytes);
    std::string times;
    for (const BrowserSearch& s : ours) times += (s.lastUsed ? Num(s.lastUsed / 10) : "") + "\n";
    EXPECT_EQ(times, CliQuery(copy, "SELECT u.last_visit_time FROM keyword_search_terms k LEFT JOIN urls u "
                                    "ON u.id = k.url_id"));
  }
  EXPECT_EQ(total, 15u);  // three of the five have five each
}

// The other databases of the test data against the command on copies (with
// the log beside them where there is one): the rows' times (as FILETIME,
// converted in SQL) and texts, in order.
TEST(BrowserRecords, RealDatabasesAsSqliteReadsThem) {
  const std::string browsers = kData + "browsers/";
  if (!std::ifstream(browsers + "chromium/plaso-History")) GTEST_SKIP() << "test data not found at " << browsers;
  if (!HaveSqliteCli()) GTEST_SKIP() << "no sqlite3 command";
  constexpr char kOldDownloads[] =
      "SELECT (start_time + 11644473600) * 10000000, full_path, url FROM downloads ORDER BY rowid";
  const struct {
    const char* path;
    bool wal;
    Reader reader;
    const char* sql;
    size_t rows;
  } cases[] = {
      {"chromium/plaso-History", false, kChromiumDownloads, kOldDownloads, 2},
      {"chromium/dfirlabs-History-9.0.597.107", false, kChromiumDownloads, kOldDownloads, 1},
      {"chromium/plaso-History-59.0.3071.86", false, kChromiumDownloads, kNewDownloadsSql, 1},
      {"chromium/generated-chromium-156-History", false, kChromiumDownloads, kNewDownloadsSql, 0},
      {"chromium/plaso-History", false, kChromiumSearches, kChromiumSearchesSql, 3},
      {"firefox/plaso-places.sqlite", false, kFirefoxBookmarks, kFirefoxBookmarksSql, 91},
      {"firefox/dfirlabs-67.0/places.sqlite", true, kFirefoxBookmarks, kFirefoxBookmarksSql, 5},
      {"firefox/generated-esr-153/places.sqlite", true, kFirefoxBookmarks, kFirefoxBookmarksSql, 4},
      {"firefox/generated-esr-153/places.sqlite", true, kFirefoxDownloads, kPlacesDownloadsSql, 0},
  };
  TempFolder dir;
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    const std::string name = "db" + std::to_string(++n);
    const ReadLines ours = ReadAsLines(c.reader, CopyAside(browsers + c.path, c.wal, dir.path(), name));
    EXPECT_EQ(ours.status, SourceStatus::kOk);
    EXPECT_EQ(ours.reason, "");
    EXPECT_EQ(ours.rows, c.rows);
    EXPECT_EQ(ours.lines, CliQuery(dir.path() + "/" + name, c.sql));
  }
}

// Databases that Debian's Chromium and Firefox wrote here a moment ago,
// driven headless on pages of their own (tests/host/make_browser_databases.py
// says what each browser was made to write): today's schemas with a
// download, a search, cookies and bookmarks, each against the command's
// reading of the same file.
TEST(BrowserRecords, DatabasesTheBrowsersWrote) {
  if (!HaveSqliteCli()) GTEST_SKIP() << "no sqlite3 command";
  TempFolder dir;
  const std::string made = dir.path() + "/made";
  const int ran = std::system(("mkdir '" + made + "' && python3 '" GL_SOURCE_DIR
                                "/tests/host/make_browser_databases.py' '" + made + "' 2>'" + dir.path() +
                                "/err'").c_str());
  std::ifstream errors(dir.path() + "/err");
  const std::string said((std::istreambuf_iterator<char>(errors)), std::istreambuf_iterator<char>());
  if (WIFEXITED(ran) && WEXITSTATUS(ran) == 77) GTEST_SKIP() << "browsers to write them: " << said;
  ASSERT_EQ(ran, 0) << said;
  const struct {
    const char* path;
    Reader reader;
    const char* sql;
    size_t rows;
  } cases[] = {
      {"chromium/History", kChromiumDownloads, kNewDownloadsSql, 1},
      {"chromium/History", kChromiumSearches, kChromiumSearchesSql, 1},
      {"chromium/Cookies", kChromiumCookies, kChromiumCookieSql, 2},
      {"firefox/places.sqlite", kFirefoxDownloads, kPlacesDownloadsSql, 1},
      {"firefox/places.sqlite", kFirefoxBookmarks, kFirefoxBookmarksSql, 5},
      {"firefox/cookies.sqlite", kFirefoxCookies, kFirefoxCookieSql, 2},
      {"firefox/formhistory.sqlite", kFirefoxSearches, kFirefoxSearchesSql, 1},
  };
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    const std::string from = made + "/" + c.path, name = "db" + std::to_string(++n);
    const ReadLines ours = ReadAsLines(c.reader, CopyAside(from, std::ifstream(from + "-wal").good(), dir.path(), name));
    EXPECT_EQ(ours.status, SourceStatus::kOk);
    EXPECT_EQ(ours.reason, "");
    EXPECT_EQ(ours.rows, c.rows);
    EXPECT_EQ(ours.lines, CliQuery(dir.path() + "/" + name, c.sql));
    // What the pages set: a download that ended with all its bytes, and a
    // cookie only the server can read.
    for (const BrowserDownload& d : ours.downloads) {
      EXPECT_NE(d.ended, 0u);
      EXPECT_EQ(d.received, 5000);
    }
    for (const BrowserCookie& k : ours.cookies) {
      if (k.name == u"signin") EXPECT_EQ(k.httpOnly, 1);
    }
  }
}


// Databases of each schema written here, each against the command's reading
// of the same file: cookies of Chromium (today's, and before samesite with
// the old column names) and Firefox (expiry in seconds, and in
// milliseconds), the search bar's form history among other fields, and
// Firefox's downloads of both kinds. A cookie's value is never read.
TEST(BrowserRecords, WrittenDatabasesAsSqliteReadsThem) {
  if (!HaveSqliteCli()) GTEST_SKIP() << "no sqlite3 command";
  const struct {
    const char* name;
    Reader reader;
    const char* schema;
    const char* query;
    size_t rows;
  } cases[] = {
      {"Chromium cookies", kChromiumCookies,
       "CREATE TABLE meta(key LONGVARCHAR NOT NULL UNIQUE PRIMARY KEY, value LONGVARCHAR);"
       "INSERT INTO meta VALUES('version', '24');"
       "CREATE TABLE cookies(creation_utc INTEGER NOT NULL, host_key TEXT NOT NULL, top_frame_site_key TEXT NOT NULL,"
       " name TEXT NOT NULL, value TEXT NOT NULL, encrypted_value BLOB NOT NULL, path TEXT NOT NULL,"
       " expires_utc INTEGER NOT NULL, is_secure INTEGER NOT NULL, is_httponly INTEGER NOT NULL,"
       " last_access_utc INTEGER NOT NULL, has_expires INTEGER NOT NULL, is_persistent INTEGER NOT NULL,"
       " priority INTEGER NOT NULL, samesite INTEGER NOT NULL, source_scheme INTEGER NOT NULL,"
       " source_port INTEGER NOT NULL, last_update_utc INTEGER NOT NULL, source_type INTEGER NOT NULL,"
       " has_cross_site_ancestor INTEGER NOT NULL);"
       "INSERT INTO cookies VALUES(13350000000000000, '.example.org', '', 'sid', 'SECRET', x'763130', '/', "
       " 13390000000000000, 1, 1, 13360000000000000, 1, 1, 1, 2, 2, 443, 13360000000000000, 0, 0);"
       "INSERT INTO cookies VALUES(13350000000000001, 'm\xC3\xBCnchen.test', '', 'pref', 'SECRET', x'', '/a', "
       " 0, 0, 0, 13350000000000001, 0, 0, 1, -1, 1, 80, 0, 0, 0);",
       kChromiumCookieSql, 2},
      {"Chromium cookies before samesite", kChromiumCookies,
       "CREATE TABLE cookies (creation_utc INTEGER NOT NULL UNIQUE PRIMARY KEY, host_key TEXT NOT NULL,"
       " name TEXT NOT NULL, value TEXT NOT NULL, path TEXT NOT NULL, expires_utc INTEGER NOT NULL,"
       " secure INTEGER NOT NULL, httponly INTEGER NOT NULL, last_access_utc INTEGER NOT NULL,"
       " has_expires INTEGER DEFAULT 1, persistent INTEGER DEFAULT 1);"
       "INSERT INTO cookies VALUES(12990000000000000, 'www.example.com', 'id', 'SECRET', '/', 13000000000000000,"
       " 0, 1, 12995000000000000, 1, 1);",
       kChromiumCookieSql, 1},
      {"Firefox cookies", kFirefoxCookies,
       "CREATE TABLE moz_cookies (id INTEGER PRIMARY KEY, originAttributes TEXT NOT NULL DEFAULT '', name TEXT,"
       " value TEXT, host TEXT, path TEXT, expiry INTEGER, lastAccessed INTEGER, creationTime INTEGER,"
       " isSecure INTEGER, isHttpOnly INTEGER, inBrowserElement INTEGER DEFAULT 0, sameSite INTEGER DEFAULT 0,"
       " rawSameSite INTEGER DEFAULT 0, schemeMap INTEGER DEFAULT 0);"
       "INSERT INTO moz_cookies VALUES(1, '', 'a', 'SECRET', '.example.net', '/', 1800000000, 1700000000000000,"
       " 1690000000000000, 1, 0, 0, 2, 2, 2);"
       "INSERT INTO moz_cookies VALUES(2, '', 'b', 'SECRET', 'example.net', '/x', 1800000000000, 1700000000000001,"
       " 1690000000000001, 0, 1, 0, 1, 1, 1);",
       kFirefoxCookieSql, 2},
      {"Firefox form history", kFirefoxSearches,
       "CREATE TABLE moz_formhistory (id INTEGER PRIMARY KEY, fieldname TEXT NOT NULL, value TEXT NOT NULL,"
       " timesUsed INTEGER, firstUsed INTEGER, lastUsed INTEGER, guid TEXT);"
       "INSERT INTO moz_formhistory VALUES(1, 'searchbar-history', 'caf\xC3\xA9 lisbon', 3, 1690000000000000,"
       " 1700000000000000, 'g1');"
       "INSERT INTO moz_formhistory VALUES(2, 'email', 'someone@example.org', 1, 1690000000000000,"
       " 1690000000000000, 'g2');"
       "INSERT INTO moz_formhistory VALUES(3, 'searchbar-history', 'espresso', 1, 1695000000000000,"
       " 1695000000000000, 'g3');",
       kFirefoxSearchesSql, 2},
      {"Firefox download annotations", kFirefoxDownloads,
       "CREATE TABLE moz_places (id INTEGER PRIMARY KEY, url LONGVARCHAR, title LONGVARCHAR);"
       "CREATE TABLE moz_anno_attributes (id INTEGER PRIMARY KEY, name VARCHAR(32) UNIQUE NOT NULL);"
       "CREATE TABLE moz_annos (id INTEGER PRIMARY KEY, place_id INTEGER NOT NULL, anno_attribute_id INTEGER,"
       " content LONGVARCHAR, flags INTEGER DEFAULT 0, expiration INTEGER DEFAULT 0, type INTEGER DEFAULT 0,"
       " dateAdded INTEGER DEFAULT 0, lastModified INTEGER DEFAULT 0);"
       "INSERT INTO moz_places VALUES(1, 'https://dl.example.org/setup.exe', NULL),"
       " (2, 'https://dl.example.org/r%C3%A9sum%C3%A9.pdf', NULL);"
       "INSERT INTO moz_anno_attributes VALUES(1, 'downloads/destinationFileURI'), (2, 'downloads/metaData');"
       "INSERT INTO moz_annos VALUES(1, 1, 1, 'file:///C:/Users/demo/Downloads/setup.exe', 0, 4, 3,"
       " 1700000000000000, 1700000000000000);"
       "INSERT INTO moz_annos VALUES(2, 1, 2, '{\"state\":1,\"endTime\":1700000005000,\"fileSize\":4096}', 0, 4, 3,"
       " 1700000005000000, 1700000005000000);"
       "INSERT INTO moz_annos VALUES(3, 2, 1, 'file:///C:/Users/demo/Downloads/r%C3%A9sum%C3%A9%20(1).pdf', 0, 4,"
       " 3, 1700000100000000, 1700000100000000);",
       kPlacesDownloadsSql, 2},
      {"Firefox downloads.sqlite", kDownloadsDatabase,
       "CREATE TABLE moz_downloads (id INTEGER PRIMARY KEY, name TEXT, source TEXT, target TEXT, tempPath TEXT,"
       " startTime INTEGER, endTime INTEGER, state INTEGER, referrer TEXT, entityID TEXT, currBytes INTEGER"
       " NOT NULL DEFAULT 0, maxBytes INTEGER NOT NULL DEFAULT -1, mimeType TEXT, preferredApplication TEXT,"
       " preferredAction INTEGER NOT NULL DEFAULT 0, autoResume INTEGER NOT NULL DEFAULT 0);"
       "INSERT INTO moz_downloads VALUES(1, 'a.zip', 'http://old.example.com/a.zip',"
       " 'file:///C:/Documents%20and%20Settings/joe/Desktop/a.zip', '', 1300000000000000, 1300000060000000, 1,"
       " 'http://old.example.com/', '', 2048, 2048, 'application/zip', '', 0, 0);",
       "SELECT (startTime + 11644473600000000) * 10, source, (endTime + 11644473600000000) * 10, currBytes "
       "FROM moz_downloads",
       1},
  };
  const std::u16string kPaths[] = {u"C:\\Users\\demo\\Downloads\\setup.exe",
                                   u"C:\\Users\\demo\\Downloads\\r\u00E9sum\u00E9 (1).pdf",
                                   u"C:\\Documents and Settings\\joe\\Desktop\\a.zip"};
  TempFolder dir;
  int n = 0;
  size_t pathsSeen = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string error;
    const std::vector<uint8_t> bytes = MakeDatabase(c.schema, &error);
    ASSERT_FALSE(bytes.empty()) << error;
    const std::string copy = dir.path() + "/w" + std::to_string(++n);
    WriteBytes(copy, bytes);
    const ReadLines ours = ReadAsLines(c.reader, bytes);
    // Samesite as the browsers number it: 2 strict, 1 lax, -1 unspecified;
    // not stored before Chromium had the column.
    const std::vector<BrowserCookie>& cookies = ours.cookies;
    for (const BrowserCookie& k : cookies) {
      EXPECT_NE(k.secure, -1);
      EXPECT_NE(k.httpOnly, -1);
    }
    if (c.reader == kFirefoxCookies) {
      EXPECT_EQ(cookies[0].sameSite, u"Strict");
      EXPECT_EQ(cookies[1].sameSite, u"Lax");
    } else if (c.reader == kChromiumCookies && cookies.size() == 2) {
      EXPECT_EQ(cookies[0].sameSite, u"Strict");
      EXPECT_EQ(cookies[1].sameSite, u"Unspecified");
    } else if (c.reader == kChromiumCookies) {
      EXPECT_EQ(cookies[0].sameSite, u"");
    }
    for (const BrowserDownload& d : ours.downloads) {
      ASSERT_LT(pathsSeen, std::size(kPaths));
      EXPECT_EQ(d.targetPath, kPaths[pathsSeen++]);
    }
    EXPECT_EQ(ours.status, SourceStatus::kOk);
    EXPECT_EQ(ours.reason, "");
    EXPECT_EQ(ours.rows, c.rows);
    EXPECT_EQ(ours.lines, CliQuery(copy, c.query));
    EXPECT_EQ(ours.lines.find("SECRET"), std::string::npos);
  }
  EXPECT_EQ(pathsSeen, std::size(kPaths));
}

// What is no such database, or one that runs code of its own or would run
// for ever, is refused or stopped with a reason; a schema without a column
// lists what it holds and names the column.
TEST(BrowserRecords, RefusedStoppedOrReadInPart) {
  using Reader = SourceStatus (*)(const std::vector<uint8_t>&, std::string&);
  auto cookies = [](const std::vector<uint8_t>& b, std::string& r) {
    std::vector<BrowserCookie> out;
    return ReadCookies(b, false, out, r);
  };
  auto bookmarks = [](const std::vector<uint8_t>& b, std::string& r) {
    std::vector<BrowserBookmark> out;
    return ReadFirefoxBookmarks(b, out, r);
  };
  auto downloads = [](const std::vector<uint8_t>& b, std::string& r) {
    std::vector<BrowserDownload> out;
    return ReadChromiumDownloads(b, out, r);
  };
  auto placesDownloads = [](const std::vector<uint8_t>& b, std::string& r) {
    std::vector<BrowserDownload> out;
    return ReadFirefoxPlacesDownloads(b, out, r);
  };
  const struct {
    const char* name;
    Reader read;
    const char* sql;  // null: bytes that are no database
    uint64_t stepsPerByte;
    SourceStatus status;
    const char* reason;
  } cases[] = {
      {"not a database", +cookies, nullptr, 0, SourceStatus::kDamaged, "not a readable SQLite database"},
      {"a view in place of the table", +cookies,
       "CREATE TABLE t(x); CREATE VIEW cookies AS SELECT * FROM t, t, t;", 0, SourceStatus::kDamaged,
       "not a Chromium cookie database (cookies is a view)"},
      {"no such table", +downloads, "CREATE TABLE urls(id);", 0, SourceStatus::kDamaged,
       "no table \"downloads\": not a Chromium history database with downloads"},
      {"places without annotations: nothing to list", +placesDownloads, "CREATE TABLE moz_places(id, url);", 0,
       SourceStatus::kOk, ""},
      {"a column missing", +downloads,
       "CREATE TABLE downloads(id INTEGER PRIMARY KEY, full_path, url, start_time, received_bytes, total_bytes);"
       "INSERT INTO downloads VALUES(1, 'C:\\a', 'http://a.test/', 1370000000, 1, 1);",
       0, SourceStatus::kOk, "unknown schema: no downloads.state; listed what it holds"},
      {"a parent loop and a budget spent", +bookmarks,
       // Pages whose ids are all 1, each named by every bookmark: 9 million rows.
       "CREATE TABLE moz_places(id, url);"
       "CREATE TABLE moz_bookmarks(id INTEGER PRIMARY KEY, type, fk, parent, title, dateAdded);"
       "INSERT INTO moz_bookmarks VALUES(2, 2, NULL, 3, 'a', 0), (3, 2, NULL, 2, 'b', 0);"
       "WITH RECURSIVE c(x) AS (SELECT 10 UNION ALL SELECT x+1 FROM c WHERE x<3010)"
       " INSERT INTO moz_bookmarks SELECT x, 1, 1, 2, 'x', 1 FROM c;"
       "INSERT INTO moz_places SELECT 1, 'http://x.test/' || id FROM moz_bookmarks;",
       1, SourceStatus::kDamaged, "stopped: the query ran longer than a database of this size needs"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<uint8_t> bytes =
        c.sql ? MakeDatabase(c.sql) : std::vector<uint8_t>{'S', 'Q', 'L', 'i', 't', 'e', ' ', 'n', 'o'};
    std::string reason;
    SetStepsPerByteForTests(c.stepsPerByte);
    const SourceStatus status = c.read(bytes, reason);
    SetStepsPerByteForTests(0);
    EXPECT_EQ(status, c.status);
    if (*c.reason) EXPECT_NE(reason.find(c.reason), std::string::npos) << reason;
    if (!*c.reason) EXPECT_EQ(reason, "");
  }
}

// Chromium's Bookmarks file: folders as paths from their roots, nodes of
// every depth, and what is not such a file.
TEST(BrowserBookmarks, ChromiumBookmarksFile) {
  const std::string nested = std::string(200, '[') + std::string(200, ']');
  const struct {
    const char* name;
    std::string json;
    SourceStatus status;
    std::vector<std::pair<std::u16string, std::u16string>> folderAndTitle;
  } cases[] = {
      {"roots, subfolders and text outside ASCII",
       R"J({"checksum":"x","roots":{"bookmark_bar":{"children":[
           {"date_added":"13350000000000000","date_last_used":"13360000000000000","name":"Caf\u00e9 \u65e5","type":"url","url":"https://a.test/"},
           {"children":[{"children":[{"date_added":"1","name":"Deep","type":"url","url":"javascript:alert(1)"}],
             "name":"Inner","type":"folder"}],"name":"Travel","type":"folder"}],
         "name":"Bookmarks bar","type":"folder"},
         "other":{"children":[{"name":"Other one","type":"url","url":"https://b.test/","date_added":"not a number"}],"type":"folder"},
         "synced":{"children":[],"name":"Mobile bookmarks","type":"folder"}},
         "sync_metadata":"abc","version":1})J",
       SourceStatus::kOk,
       {{u"Bookmarks bar", u"Caf\u00e9 \u65e5"}, {u"Bookmarks bar\\Travel\\Inner", u"Deep"}, {u"other", u"Other one"}}},
      {"not JSON", "{\"roots\":", SourceStatus::kDamaged, {}},
      {"no roots", R"({"version":1})", SourceStatus::kDamaged, {}},
      {"roots of the wrong kind", R"({"roots":{"bookmark_bar":[1,2],"other":"x"}})", SourceStatus::kOk, {}},
      {"nested past the reader's depth", "{\"roots\":" + nested + "}", SourceStatus::kDamaged, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<BrowserBookmark> out;
    std::string reason;
    EXPECT_EQ(ReadChromiumBookmarks(c.json, out, reason), c.status);
    EXPECT_EQ(reason.empty(), c.status == SourceStatus::kOk) << reason;
    ASSERT_EQ(out.size(), c.folderAndTitle.size());
    for (size_t i = 0; i < out.size(); ++i) {
      EXPECT_EQ(out[i].folder, c.folderAndTitle[i].first);
      EXPECT_EQ(out[i].title, c.folderAndTitle[i].second);
    }
    if (!out.empty()) {
      EXPECT_EQ(out[0].added, 133500000000000000u);
      EXPECT_EQ(out[0].lastUsed, 133600000000000000u);
      EXPECT_EQ(out[2].added, 0u);
    }
  }
}

TEST(BrowserRecords, FileAddressesAndWebAddresses) {
  const std::pair<std::u16string, std::u16string> paths[] = {
      {u"file:///C:/Users/a/Downloads/x%20y.exe", u"C:\\Users\\a\\Downloads\\x y.exe"},
      {u"file://server/share/%E6%97%A5.txt", u"\\\\server\\share\\\u65e5.txt"},
      {u"file:///home/u/a.txt", u"\\home\\u\\a.txt"},
      {u"FILE:///D:/%ZZ%4", u"D:\\%ZZ%4"},
      {u"C:\\already\\a path", u"C:\\already\\a path"},
  };
  for (const auto& [url, path] : paths) EXPECT_EQ(FileUrlToPath(url), path) << U8(url);
  for (const char16_t* web : {u"http://a.test/", u"HTTPS://a.test", u"ftp://f.test/x"}) EXPECT_TRUE(IsWebUrl(web));
  for (const char16_t* other : {u"file:///C:/x.exe", u"javascript:alert(1)", u"C:\\x.exe", u"https://", u"place:x"}) {
    EXPECT_FALSE(IsWebUrl(other)) << U8(other);
  }
}


// A profile's folders where one file is held open by its browser, which
// shares it with nobody (the system says access denied).
class HeldFile final : public FolderSource {
 public:
  HeldFile(FolderSource& inner, std::u16string held) : inner_(inner), held_(std::move(held)) {}
  std::unique_ptr<Listing> List(std::u16string_view folder, SourceStatus* status) override {
    return inner_.List(folder, status);
  }
  uint32_t Attributes(const std::u16string& path) override { return inner_.Attributes(path); }
  SourceStatus ReadFile(const std::u16string& path, std::vector<uint8_t>& bytes, uint64_t limit) override {
    if (path == held_) return SourceStatus::kDenied;
    return inner_.ReadFile(path, bytes, limit);
  }

 private:
  FolderSource& inner_;
  std::u16string held_;
};

class Paths final : public ProfilePaths {
 public:
  explicit Paths(bool other) : other_(other) {}
  std::u16string ShellFolder(std::u16string_view) override { return kRegFailureText; }
  bool OtherProfile() const override { return other_; }

 private:
  bool other_;
};

struct NoRegistry final : RegistrySource {
  SourceStatus ValueNames(std::u16string_view, std::vector<std::u16string>&) override { return SourceStatus::kMissing; }
  SourceStatus SubKeys(std::u16string_view, std::vector<std::u16string>&) override { return SourceStatus::kMissing; }
  SourceStatus ReadValue(std::u16string_view, std::u16string_view, RegistryData&) override {
    return SourceStatus::kMissing;
  }
  SourceStatus LastWriteTime(std::u16string_view, uint64_t&) override { return SourceStatus::kMissing; }
};

void Put(const std::string& root, const std::string& relative, const std::vector<uint8_t>& bytes) {
  const std::string path = root + "/" + relative;
  std::system(("mkdir -p '" + path.substr(0, path.rfind('/')) + "'").c_str());
  WriteBytes(path, bytes);
}
std::vector<uint8_t> Bytes(const std::string& text) { return std::vector<uint8_t>(text.begin(), text.end()); }

// Each view over two Chrome profiles and a Firefox one: every profile read,
// newest first, dated traces in the timeline; the cookie database a running
// Chrome holds named "in use" (in the view and in Sources) and one that is a
// view refused, while the other profiles' lines are listed.
TEST(BrowserRecordsViews, EveryProfileReadAndWhatFailedNamed) {
  TempFolder dir;
  const std::string chrome = "AppData/Local/Google/Chrome/User Data/";
  const std::string firefox = "AppData/Roaming/Mozilla/Firefox/Profiles/ab12.default/";
  const std::string history =
      "CREATE TABLE urls(id INTEGER PRIMARY KEY, url, title, last_visit_time);"
      "CREATE TABLE visits(id INTEGER PRIMARY KEY, url, visit_time, transition);"
      "CREATE TABLE keyword_search_terms(keyword_id, url_id, lower_term, term);"
      "CREATE TABLE downloads(id INTEGER PRIMARY KEY, target_path, start_time, end_time, received_bytes,"
      " total_bytes, state, danger_type, opened, referrer, mime_type);"
      "CREATE TABLE downloads_url_chains(id, chain_index, url, PRIMARY KEY(id, chain_index));"
      "INSERT INTO urls VALUES(1, 'https://search.test/?q=tea', 'tea - Search', 13350000000000000);";
  Put(dir.path(), chrome + "Default/History",
      MakeDatabase(history +
                   "INSERT INTO keyword_search_terms VALUES(2, 1, 'tea', 'Tea');"
                   "INSERT INTO downloads VALUES(1, 'C:\\Users\\u\\Downloads\\old.zip', 13300000000000000,"
                   " 13300000050000000, 10, 10, 1, 0, 1, '', 'application/zip');"
                   "INSERT INTO downloads VALUES(2, 'C:\\Users\\u\\Downloads\\new.exe', 13360000000000000, 0, 5, 99,"
                   " 4, 1, 0, 'https://ref.test/', '');"
                   "INSERT INTO downloads_url_chains VALUES(2, 1, 'https://cdn.test/new.exe'),"
                   " (2, 0, 'https://get.test/new'), (1, 0, 'https://get.test/old.zip');"));
  const std::string cookies =
      "CREATE TABLE cookies(creation_utc, host_key, name, value, path, expires_utc, is_secure, is_httponly,"
      " last_access_utc, has_expires, samesite);";
  Put(dir.path(), chrome + "Default/Network/Cookies",
      MakeDatabase(cookies + "INSERT INTO cookies VALUES(13340000000000000, '.shop.test', 'cart', 'v', '/', 0, 1, 0,"
                             " 13345000000000000, 0, 1);"));
  Put(dir.path(), chrome + "Default/Bookmarks",
      Bytes(R"({"roots":{"bookmark_bar":{"name":"Bookmarks bar","type":"folder","children":[)"
            R"({"type":"url","name":"Tea","url":"https://tea.test/","date_added":"13200000000000000"}]}}})"));
  Put(dir.path(), chrome + "Profile 1/History", MakeDatabase(history));
  Put(dir.path(), chrome + "Profile 1/Network/Cookies", MakeDatabase(cookies));
  Put(dir.path(), firefox + "places.sqlite",
      MakeDatabase("CREATE TABLE moz_places(id INTEGER PRIMARY KEY, url, title, last_visit_date);"
                   "CREATE TABLE moz_historyvisits(id INTEGER PRIMARY KEY, place_id, visit_date, visit_type);"
                   "CREATE TABLE moz_bookmarks(id INTEGER PRIMARY KEY, type, fk, parent, title, dateAdded, guid);"
                   "CREATE TABLE moz_anno_attributes(id INTEGER PRIMARY KEY, name);"
                   "CREATE TABLE moz_annos(id INTEGER PRIMARY KEY, place_id, anno_attribute_id, content, dateAdded);"
                   "INSERT INTO moz_places VALUES(1, 'https://fox.test/', 'Fox', 1700000000000000);"
                   "INSERT INTO moz_bookmarks VALUES(1, 2, NULL, 0, '', 0, 'root________'),"
                   " (2, 2, NULL, 1, 'toolbar', 0, 'toolbar_____'), (3, 1, 1, 2, 'Fox', 1690000000000000, 'b');"
                   "INSERT INTO moz_anno_attributes VALUES(1, 'downloads/destinationFileURI');"
                   "INSERT INTO moz_annos VALUES(1, 1, 1, 'file:///C:/Users/u/Downloads/fox.pdf', 1695000000000000);"));
  Put(dir.path(), firefox + "cookies.sqlite", MakeDatabase("CREATE TABLE t(x); CREATE VIEW moz_cookies AS SELECT x FROM t;"));

  const std::u16string held = u"AppData\\Local\\Google\\Chrome\\User Data\\Profile 1\\Network\\Cookies";
  for (const bool other : {false, true}) {
    SCOPED_TRACE(other ? "another profile" : "the signed-in user's");
    PosixFolderSource disk(dir.path());
    HeldFile folders(disk, held);
    Paths paths(other);
    NoRegistry registry;
    ViewSources sources(registry, folders, paths, "10", u"AppData\\Local", u"AppData\\Roaming");
    Progress progress;
    const struct {
      ViewReader read;
      size_t rows;
      std::vector<std::u16string> firstCells;  // of the first line
      std::vector<std::u16string> problems;
      size_t events;
    } views[] = {
        {&ReadBrowserDownloads, 3,
         {u"", u"", u"C:\\Users\\u\\Downloads\\new.exe", u"https://get.test/new", u"https://cdn.test/new.exe"}, {}, 4},
        {&ReadBrowserSearches, 1, {u"", u"Tea", u"https://search.test/?q=tea", u"tea - Search"}, {}, 1},
        {&ReadBrowserCookies, 1, {u".shop.test", u"cart", u"/"},
         {u"Google Chrome Profile 1 (" + held + u")" +
              (other ? u"" : u": in use by the browser, or not readable by this user") + u": access denied",
          u"Firefox ab12.default (AppData\\Roaming\\Mozilla\\Firefox\\Profiles\\ab12.default\\cookies.sqlite): not a "
          u"Firefox cookie database (moz_cookies is a view): damaged"},
         2},
        {&ReadBrowserBookmarks, 2, {u"", u"Fox", u"https://fox.test/", u"Bookmarks Toolbar"}, {}, 2},
    };
    for (const auto& v : views) {
      Table table;
      v.read(sources, table, progress, nullptr);
      EXPECT_EQ(table.RowCount(), v.rows);
      EXPECT_EQ(table.problems, v.problems);
      for (size_t c = 0; c < v.firstCells.size(); ++c) {
        if (!v.firstCells[c].empty()) EXPECT_EQ(table.Cell(0, c).text, v.firstCells[c]) << "column " << c;
      }
      Timeline timeline;
      Table scratch;
      v.read(sources, scratch, progress, &timeline);
      EXPECT_EQ(timeline.Size(), v.events);
    }
    // The downloads newest first, the Firefox one between; its file is the
    // line's target.
    Table downloads;
    ReadBrowserDownloads(sources, downloads, progress, nullptr);
    EXPECT_EQ(downloads.TargetOf(1), u"C:\\Users\\u\\Downloads\\fox.pdf");
    EXPECT_EQ(downloads.Cell(2, 2).text, u"C:\\Users\\u\\Downloads\\old.zip");
    // Sources names the held database with why.
    Table list;
    ReadSourcesList(sources, list, progress, nullptr);
    bool named = false;
    for (size_t r = 0; r < list.RowCount(); ++r) {
      if (list.Cell(r, 1).text != held) continue;
      named = true;
      const std::u16string status(list.Cell(r, 2).text);
      EXPECT_EQ(status.rfind(u"access denied", 0), 0u);
      EXPECT_EQ(status.find(u"in use by the browser") != std::u16string::npos, !other) << U8(status);
    }
    EXPECT_TRUE(named);
  }
}

}  // namespace
}  // namespace glimmerlog
