// libFuzzer target for the readers of browser downloads, searches, cookies
// and bookmarks: database bytes read by SQLite in memory, and Chromium's
// Bookmarks file read as JSON.
//
// Byte 0 chooses the reader (its low 4 bits, modulo their count) and, with
// bit 4, edits of a well-formed seed for that reader rather than raw bytes.
// Edits: 3 bytes offset, 1 byte length, the bytes, again and again. The
// seeds: a small database of each schema with a few rows of each kind, and
// a Bookmarks file with nested folders.
#include <cstdlib>
#include <string>
#include <vector>

#include "sources/browsers/browserrecords.h"
#include "tests/support/sqlitebytes.h"

namespace {

using namespace glimmerlog;

enum Reader {
  kChromiumDownloads,
  kPlacesDownloads,
  kDownloadsDatabase,
  kChromiumSearches,
  kFirefoxSearches,
  kChromiumCookies,
  kFirefoxCookies,
  kFirefoxBookmarks,
  kBookmarksFile,
  kReaders
};

const char* SeedSql(int reader) {
  switch (reader) {
    case kChromiumDownloads:
    case kChromiumSearches:
      return "PRAGMA page_size=1024;"
             "CREATE TABLE urls(id INTEGER PRIMARY KEY, url, title, last_visit_time);"
             "CREATE TABLE keyword_search_terms(keyword_id, url_id, lower_term, term);"
             "CREATE TABLE downloads(id INTEGER PRIMARY KEY, target_path, start_time, end_time, received_bytes,"
             " total_bytes, state, danger_type, opened, referrer, mime_type, current_path, url);"
             "CREATE TABLE downloads_url_chains(id, chain_index, url, PRIMARY KEY(id, chain_index));"
             "INSERT INTO urls VALUES(1, 'https://s.test/?q=a', 'a', 13350000000000000);"
             "INSERT INTO keyword_search_terms VALUES(2, 1, 'a', 'A'), (2, 7, 'b', 'B');"
             "INSERT INTO downloads VALUES(1, 'C:\\x.zip', 1370000000, 13300000000000000, 1, 2, 1, 0, 1, '', 'a/b',"
             " '', 'http://u.test/'), (2, NULL, -5, 9223372036854775807, -1, NULL, 99, 77, 1, 'r', '', 'C:\\y', NULL);"
             "INSERT INTO downloads_url_chains VALUES(1, 0, 'http://a.test/'), (1, 3, 'http://b.test/');";
    case kPlacesDownloads:
    case kFirefoxBookmarks:
      return "PRAGMA page_size=1024;"
             "CREATE TABLE moz_places(id INTEGER PRIMARY KEY, url, title, last_visit_date);"
             "CREATE TABLE moz_bookmarks(id INTEGER PRIMARY KEY, type, fk, parent, title, dateAdded, guid);"
             "CREATE TABLE moz_anno_attributes(id INTEGER PRIMARY KEY, name);"
             "CREATE TABLE moz_annos(id INTEGER PRIMARY KEY, place_id, anno_attribute_id, content, dateAdded);"
             "INSERT INTO moz_places VALUES(1, 'https://f.test/', 'F', 1700000000000000), (2, 'http://g.test/', 'G', 0);"
             "INSERT INTO moz_bookmarks VALUES(1, 2, NULL, 0, '', 0, 'root________'),"
             " (2, 2, NULL, 1, 'menu', 0, 'menu________'), (3, 2, NULL, 2, 'Sub', 0, 's'), (4, 1, 1, 3, 'F', 1, 'b'),"
             " (5, 1, 2, 2, NULL, 2, 'c'), (6, 2, NULL, 6, 'loop', 0, 'l'), (7, 1, 2, 6, 'x', 3, 'd');"
             "INSERT INTO moz_anno_attributes VALUES(1, 'downloads/destinationFileURI'), (2, 'downloads/metaData');"
             "INSERT INTO moz_annos VALUES(1, 1, 1, 'file:///C:/a%20b.exe', 1700000000000000),"
             " (2, 1, 2, '{\"state\":1,\"endTime\":1700000005000,\"fileSize\":4096}', 0),"
             " (3, 2, 1, 'file://srv/share/%E6%97%A5', 1), (4, 2, 2, '{\"state\":-7,\"endTime\":1e300}', 0);";
    case kDownloadsDatabase:
      return "PRAGMA page_size=1024;"
             "CREATE TABLE moz_downloads(id INTEGER PRIMARY KEY, source, target, startTime, endTime, state, referrer,"
             " currBytes, maxBytes, mimeType);"
             "INSERT INTO moz_downloads VALUES(1, 'http://o.test/a', 'file:///C:/a', 1300000000000000,"
             " 1300000060000000, 1, '', 5, 5, 'x/y'), (2, NULL, 'file:///', -1, 0, 12, NULL, NULL, -1, NULL);";
    case kFirefoxSearches:
      return "PRAGMA page_size=1024;"
             "CREATE TABLE moz_formhistory(id INTEGER PRIMARY KEY, fieldname, value, timesUsed, firstUsed, lastUsed);"
             "INSERT INTO moz_formhistory VALUES(1, 'searchbar-history', 'a', 1, 1, 2), (2, 'q', 'b', 1, 1, 1),"
             " (3, 'searchbar-history', x'FF00', NULL, NULL, 9223372036854775807);";
    case kChromiumCookies:
      return "PRAGMA page_size=1024;"
             "CREATE TABLE cookies(creation_utc, host_key, name, value, path, expires_utc, is_secure, is_httponly,"
             " last_access_utc, has_expires, samesite);"
             "INSERT INTO cookies VALUES(13340000000000000, '.a.test', 'n', 'v', '/', 0, 1, 0, 13345000000000000,"
             " 0, 1), (1, 'b', 'm', 'w', '/p', 13400000000000000, 0, 1, 2, 1, -3);";
    case kFirefoxCookies:
      return "PRAGMA page_size=1024;"
             "CREATE TABLE moz_cookies(id INTEGER PRIMARY KEY, name, value, host, path, expiry, lastAccessed,"
             " creationTime, isSecure, isHttpOnly, sameSite);"
             "INSERT INTO moz_cookies VALUES(1, 'a', 'v', '.f.test', '/', 1800000000, 1700000000000000, 1, 1, 0, 2),"
             " (2, 'b', 'w', 'g', '/', 1800000000000, -1, 9223372036854775807, 0, 1, 5);";
  }
  return nullptr;
}

const char kBookmarks[] =
    R"J({"roots":{"bookmark_bar":{"name":"Bar","type":"folder","children":[)J"
    R"J({"type":"url","name":"A","url":"https://a.test/","date_added":"13350000000000000","date_last_used":"1"},)J"
    R"J({"type":"folder","name":"F","children":[{"type":"url","name":"B","url":"javascript:x()"}]}]},)J"
    R"J("other":{"type":"folder","children":[]},"synced":[1]},"version":1})J";

void Run(int reader, const std::vector<uint8_t>& bytes) {
  std::string reason;
  std::vector<BrowserDownload> downloads;
  std::vector<BrowserSearch> searches;
  std::vector<BrowserCookie> cookies;
  std::vector<BrowserBookmark> bookmarks;
  SourceStatus status = SourceStatus::kOk;
  switch (reader) {
    case kChromiumDownloads: status = ReadChromiumDownloads(bytes, downloads, reason); break;
    case kPlacesDownloads: status = ReadFirefoxPlacesDownloads(bytes, downloads, reason); break;
    case kDownloadsDatabase: status = ReadFirefoxDownloadsDatabase(bytes, downloads, reason); break;
    case kChromiumSearches: status = ReadChromiumSearches(bytes, searches, reason); break;
    case kFirefoxSearches: status = ReadFirefoxSearches(bytes, searches, reason); break;
    case kChromiumCookies: status = ReadCookies(bytes, false, cookies, reason); break;
    case kFirefoxCookies: status = ReadCookies(bytes, true, cookies, reason); break;
    case kFirefoxBookmarks: status = ReadFirefoxBookmarks(bytes, bookmarks, reason); break;
    case kBookmarksFile:
      status = ReadChromiumBookmarks(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
                                     bookmarks, reason);
      break;
  }
  // A failure always says why.
  if (status != SourceStatus::kOk && reason.empty()) std::abort();
  // A path made from a file address never grows past the address's length
  // plus the two backslashes of a share.
  for (const BrowserDownload& d : downloads) {
    if (FileUrlToPath(d.targetPath).size() > d.targetPath.size() + 2) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const int reader = (data[0] & 15) % kReaders;
  if (!(data[0] & 16)) {
    Run(reader, std::vector<uint8_t>(data + 1, data + size));
    return 0;
  }
  static std::vector<uint8_t> seeds[kReaders];
  std::vector<uint8_t>& seed = seeds[reader];
  if (seed.empty()) {
    seed = reader == kBookmarksFile ? std::vector<uint8_t>(kBookmarks, kBookmarks + sizeof kBookmarks - 1)
                                    : MakeDatabase(SeedSql(reader));
    if (seed.empty()) std::abort();
  }
  std::vector<uint8_t> edited = seed;
  for (size_t pos = 1; pos + 4 <= size;) {
    const size_t at = (data[pos] | data[pos + 1] << 8 | data[pos + 2] << 16) % edited.size();
    const size_t n = data[pos + 3];
    pos += 4;
    for (size_t i = 0; i < n && pos < size; ++i, ++pos) edited[(at + i) % edited.size()] = data[pos];
  }
  Run(reader, edited);
  return 0;
}
