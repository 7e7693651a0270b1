// What today's browsers keep besides their visits: downloads, search terms,
// cookies (never their values) and bookmarks, read from the bytes of their
// databases (write-ahead log already laid over) and of Chromium's Bookmarks
// file. Platform-free; nothing is written.
//
// Every reader over a database reads only ordinary tables (a view or a
// virtual table in their place is refused), runs its query under the step
// budget of MemoryDatabase, lists what it can when a table lacks columns
// and says which, and lets go of the records of a database it could not
// finish for want of memory.
//   kOk: read; `reason` is empty or says what was left out.
//   kDamaged: not such a database, or damaged: `reason` says why; the
//        records read before the damage are kept.
#ifndef GLIMMERLOG_SOURCES_BROWSERS_BROWSERRECORDS_H
#define GLIMMERLOG_SOURCES_BROWSERS_BROWSERRECORDS_H

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "sources/status.h"

namespace glimmerlog {

struct BrowserDownload {
  uint64_t started = 0, ended = 0;  // FILETIME, UTC; 0 when not stored
  std::u16string targetPath;        // where the file was saved
  std::u16string url;               // the address asked for (the URL chain's first)
  std::u16string finalUrl;          // the address it came from (the chain's last)
  std::u16string referrer, mimeType;
  std::u16string state;   // "Complete", "Cancelled", ...; "state N" for a code not known
  std::u16string danger;  // Chromium's danger type as a name; empty when not stored
  int64_t received = -1, total = -1;  // bytes; -1 when not stored
  int opened = -1;                    // 1 opened from the browser, 0 not, -1 not stored
};

// Chromium's History (`downloads`, with `downloads_url_chains` where the
// schema has it). Chromium History databases up to schema 22 stored the
// times in seconds since 1970, later ones in microseconds since 1601; a
// stored time below 10^11 cannot be the latter (it would fall on the first
// day of 1601) and is read as the former.
SourceStatus ReadChromiumDownloads(const std::vector<uint8_t>& database, std::vector<BrowserDownload>& out,
                                   std::string& reason);
// Firefox since its download annotations: those of places.sqlite
// (downloads/destinationFileURI, with downloads/metaData's JSON).
SourceStatus ReadFirefoxPlacesDownloads(const std::vector<uint8_t>& database, std::vector<BrowserDownload>& out,
                                        std::string& reason);
// Older Firefox versions: downloads.sqlite's moz_downloads.
SourceStatus ReadFirefoxDownloadsDatabase(const std::vector<uint8_t>& database, std::vector<BrowserDownload>& out,
                                          std::string& reason);

struct BrowserSearch {
  uint64_t lastUsed = 0, firstUsed = 0;  // FILETIME, UTC
  std::u16string term;
  std::u16string url, title;  // Chromium: the results page
  int64_t timesUsed = -1;     // Firefox: as the form history counts; -1 when not stored
};

// Chromium: keyword_search_terms with the results page's address, title and
// last visit from `urls`.
SourceStatus ReadChromiumSearches(const std::vector<uint8_t>& database, std::vector<BrowserSearch>& out,
                                  std::string& reason);
// Firefox: formhistory.sqlite's entries of the search bar
// (fieldname "searchbar-history").
SourceStatus ReadFirefoxSearches(const std::vector<uint8_t>& database, std::vector<BrowserSearch>& out,
                                 std::string& reason);

struct BrowserCookie {
  std::u16string host, name, path;
  uint64_t created = 0, lastAccess = 0, expires = 0;  // FILETIME, UTC; expires 0: ends with the session
  int secure = -1, httpOnly = -1;                     // 1, 0; -1 when not stored
  std::u16string sameSite;                            // "None", "Lax", "Strict", "Unspecified"; empty when not stored
};

// Chromium's Cookies (`cookies`) or Firefox's cookies.sqlite (`moz_cookies`).
// Values are never read.
SourceStatus ReadCookies(const std::vector<uint8_t>& database, bool firefox, std::vector<BrowserCookie>& out,
                         std::string& reason);

struct BrowserBookmark {
  uint64_t added = 0, lastUsed = 0;  // FILETIME, UTC
  std::u16string folder;             // its folders from the root, joined by backslashes
  std::u16string title, url;
};

// Firefox: moz_bookmarks' bookmarks (not folders or separators) with their
// pages from moz_places; "last used" is the page's last visit.
SourceStatus ReadFirefoxBookmarks(const std::vector<uint8_t>& database, std::vector<BrowserBookmark>& out,
                                  std::string& reason);
// Chromium's Bookmarks file (JSON): every "url" node under "roots", in the
// file's order; a folder's path starts with its root's name.
SourceStatus ReadChromiumBookmarks(std::string_view json, std::vector<BrowserBookmark>& out, std::string& reason);

// A file address as a Windows path ("file:///C:/a%20b" gives "C:\a b",
// "file://server/share/x" gives "\\server\share\x"); anything else as it is.
std::u16string FileUrlToPath(std::u16string_view url);

// Whether a double-click may hand this address to the shell: only web
// addresses (http, https, ftp), never a file, a script or a program.
bool IsWebUrl(std::u16string_view url);

}  // namespace glimmerlog

#endif
