// SQLite's mutexes for a build whose operating-system layer is the program's
// own (SQLITE_OS_OTHER): SQLite brings none for such a build, so they are
// given here, on the C++ library's mutexes, before SQLite first starts. The
// build is multi-threaded (SQLITE_THREADSAFE=2): the report reads profiles
// on several threads, each with databases of its own, and SQLite's shared
// state (its start, the page cache, the in-memory databases' list) is then
// guarded by these.
#include "sources/browsers/sqlitethreads.h"

#include <sqlite3.h>

#include <mutex>
#include <new>

struct sqlite3_mutex {
  std::recursive_mutex lock;
};

namespace glimmerlog {

namespace {

// SQLITE_MUTEX_STATIC_MAIN (2) to SQLITE_MUTEX_STATIC_VFS3 (13).
constexpr int kFirstStatic = SQLITE_MUTEX_STATIC_MAIN, kLastStatic = 13;
sqlite3_mutex g_static[kLastStatic - kFirstStatic + 1];

int Init() { return SQLITE_OK; }
int End() { return SQLITE_OK; }

sqlite3_mutex* Alloc(int kind) {
  if (kind == SQLITE_MUTEX_FAST || kind == SQLITE_MUTEX_RECURSIVE) return new (std::nothrow) sqlite3_mutex;
  if (kind < kFirstStatic || kind > kLastStatic) return nullptr;
  return &g_static[kind - kFirstStatic];
}

void Free(sqlite3_mutex* m) {
  if (m < g_static || m > g_static + (kLastStatic - kFirstStatic)) delete m;
}

void Enter(sqlite3_mutex* m) { m->lock.lock(); }
int Try(sqlite3_mutex* m) { return m->lock.try_lock() ? SQLITE_OK : SQLITE_BUSY; }
void Leave(sqlite3_mutex* m) { m->lock.unlock(); }
// Only SQLite's debug builds ask these, in assertions.
int Held(sqlite3_mutex*) { return 1; }
int NotHeld(sqlite3_mutex*) { return 1; }

const sqlite3_mutex_methods kMethods = {&Init, &End, &Alloc, &Free, &Enter, &Try, &Leave, &Held, &NotHeld};

}  // namespace

bool StartSqlite() {
  // Once, whichever thread comes first; the others wait for it.
  static const bool started = [] {
    // Refused once SQLite runs: started without them (a test's own use of
    // it, with no connection left open), it is stopped and started again.
    if (sqlite3_config(SQLITE_CONFIG_MUTEX, &kMethods) != SQLITE_OK) {
      sqlite3_shutdown();
      sqlite3_config(SQLITE_CONFIG_MUTEX, &kMethods);
    }
    return sqlite3_initialize() == SQLITE_OK;
  }();
  return started;
}

}  // namespace glimmerlog
