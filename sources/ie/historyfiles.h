// Where a profile keeps the browser's Internet history and cache: the cache
// files that the history store reads, and every cache index file. Platform-free.
#ifndef GLIMMERLOG_SOURCES_IE_HISTORYFILES_H
#define GLIMMERLOG_SOURCES_IE_HISTORYFILES_H

#include <string>
#include <string_view>
#include <vector>

#include "sources/folders/foldersource.h"

namespace glimmerlog {

// History.IE5\index.dat under `historyFolder`, then the same under its
// "Low" folder when `folders` has that file: on Vista and later the
// browser's protected mode keeps a history of its own there. Spaces around
// the folder and its final backslashes do not count; none for an empty one.
std::vector<std::u16string> HistoryFilesIn(std::u16string_view historyFolder, FolderSource& folders);

// The same under the profile's "History" shell folder; none when the
// profile names none.
std::vector<std::u16string> HistoryFiles(ProfilePaths& paths, FolderSource& folders);

// Every cache index file of the profile that is there: the history files
// (History.IE5 and its MSHist01... period folders, also under "Low"), the
// page cache's (Content.IE5 under the "Cache" shell folder, and under its
// "Low") and the cookies' (index.dat in the "Cookies" shell folder and its
// "Low"), in that order.
std::vector<std::u16string> CacheIndexFiles(ProfilePaths& paths, FolderSource& folders);

}  // namespace glimmerlog

#endif
