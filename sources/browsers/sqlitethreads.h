// SQLite started with mutexes, so that threads may each use databases of
// their own at the same time. Platform-free.
#ifndef GLIMMERLOG_SOURCES_BROWSERS_SQLITETHREADS_H
#define GLIMMERLOG_SOURCES_BROWSERS_SQLITETHREADS_H

namespace glimmerlog {

// Gives SQLite its mutexes and starts it, the first time it is called (from
// any thread); false when SQLite could not start. Every use of SQLite comes
// after it.
bool StartSqlite();

}  // namespace glimmerlog

#endif
