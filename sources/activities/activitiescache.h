// Windows Timeline (Windows 10 1803 to 11): the apps, documents and pages a
// user worked with, as the activity cache keeps them in
// AppData\Local\ConnectedDevicesPlatform\<account>\ActivitiesCache.db, an
// SQLite database whose newest rows are often only in its write-ahead log.
// Read as the browsers' databases are (livedatabase.h): in memory, the log
// laid over, only tables read, nothing opened in place. Platform-free.
#ifndef GLIMMERLOG_SOURCES_ACTIVITIES_ACTIVITIESCACHE_H
#define GLIMMERLOG_SOURCES_ACTIVITIES_ACTIVITIESCACHE_H

#include <cstdint>
#include <string>
#include <vector>

#include "sources/folders/foldersource.h"
#include "sources/status.h"

namespace glimmerlog {

struct Activity {
  std::u16string id;        // the row's Id in hex
  int64_t type = 0;         // ActivityType: 5 opened, 6 in use, 10 clipboard, 16 copy and paste, ...
  std::u16string app;       // the program: a path (known folders by name) or an app's id
  std::u16string platform;  // the AppId entry the program was taken from: "windows_win32", ...
  std::u16string appName;   // the name the app gave itself (appDisplayName)
  std::u16string text;      // what the activity was: the document, page or title (displayText)
  std::u16string content;   // what it opens: contentUri, else description
  uint64_t start = 0, end = 0, lastModified = 0, expires = 0;  // FILETIME, UTC; 0 for none
  int64_t activeSeconds = -1;  // the time the user spent in it; -1 when not stored
  bool fromLog = false;        // only the write-ahead log holds this row as it is
};

// The activity caches of a profile: every ActivitiesCache.db under the local
// application data folder's ConnectedDevicesPlatform folder, one per account.
std::vector<std::u16string> FindActivityCaches(FolderSource& folders, const std::u16string& localAppData);

// The Activity table's rows of one cache, in StartTime order. kDamaged, with
// the reason, for a file that is not such a database; `note` also says what
// became of its log when that matters.
SourceStatus ReadActivityCache(FolderSource& folders, const std::u16string& path, std::vector<Activity>& out,
                               std::string& note);

// The name Windows Timeline's documentation gives an ActivityType.
std::u16string ActivityTypeName(int64_t type);

}  // namespace glimmerlog

#endif
