// A SQLite database that its program may be writing while it is read (a
// browser's history, Windows's activity cache): the database file and its
// write-ahead log read as bytes through a folder source, the log's committed
// frames laid over them in memory. Nothing is opened in place or created
// beside the files. Platform-free.
#ifndef GLIMMERLOG_SOURCES_BROWSERS_LIVEDATABASE_H
#define GLIMMERLOG_SOURCES_BROWSERS_LIVEDATABASE_H

#include <cstdint>
#include <string>
#include <vector>

#include "sources/folders/foldersource.h"
#include "sources/status.h"

namespace glimmerlog {

// The database at `path` (no larger than `limit`) with its log at `walPath`
// (`path` + "-wal" as SQLite names it; empty to read the file alone)
// applied, ready for MemoryDatabase. `withoutLog`, when given, gets
// the database file's own bytes as well (empty when no log was applied), so
// that a reader can tell the rows only the log holds. `note` says what
// became of the log when that is worth saying (it could not be read, it
// kept changing, a commit in it was refused); on failure, why the database
// could not be read.
SourceStatus ReadLiveDatabase(FolderSource& folders, const std::u16string& path, const std::u16string& walPath,
                              uint64_t limit,
                              std::vector<uint8_t>& database, std::vector<uint8_t>* withoutLog, std::string& note);

}  // namespace glimmerlog

#endif
