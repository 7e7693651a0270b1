/*
** The operating-system layer of the program's SQLite build: a VFS that opens
** no file and makes no system call. SQLite reads databases only from memory
** (sqlite3_deserialize), whose VFS asks this one for randomness, the time and
** sleeping; every other request fails.
*/
#include <string.h>

#include "sqlite3.h"

static int noneOpen(sqlite3_vfs* vfs, const char* name, sqlite3_file* file, int flags, int* outFlags) {
  (void)vfs;
  (void)name;
  (void)flags;
  (void)outFlags;
  file->pMethods = 0; /* nothing to close */
  return SQLITE_CANTOPEN;
}

static int noneDelete(sqlite3_vfs* vfs, const char* name, int syncDir) {
  (void)vfs;
  (void)name;
  (void)syncDir;
  return SQLITE_IOERR_DELETE;
}

static int noneAccess(sqlite3_vfs* vfs, const char* name, int flags, int* result) {
  (void)vfs;
  (void)name;
  (void)flags;
  *result = 0; /* no file exists */
  return SQLITE_OK;
}

static int noneFullPathname(sqlite3_vfs* vfs, const char* name, int size, char* out) {
  (void)vfs;
  sqlite3_snprintf(size, out, "%s", name);
  return SQLITE_OK;
}

/* No seed from the system: random() and randomblob() are deterministic. */
static int noneRandomness(sqlite3_vfs* vfs, int size, char* out) {
  (void)vfs;
  memset(out, 0, (size_t)size);
  return size;
}

static int noneSleep(sqlite3_vfs* vfs, int microseconds) {
  (void)vfs;
  (void)microseconds;
  return 0;
}

/* No clock: 'now' in SQL is an error rather than a system call. */
static int noneCurrentTime(sqlite3_vfs* vfs, double* now) {
  (void)vfs;
  *now = 0;
  return SQLITE_ERROR;
}

static int noneCurrentTimeInt64(sqlite3_vfs* vfs, sqlite3_int64* now) {
  (void)vfs;
  *now = 0;
  return SQLITE_ERROR;
}

static int noneGetLastError(sqlite3_vfs* vfs, int size, char* out) {
  (void)vfs;
  if (size > 0) out[0] = 0;
  return 0;
}

static sqlite3_vfs none_vfs = {
    2,                    /* iVersion */
    (int)sizeof(sqlite3_file), /* szOsFile: opens none, but SQLite sets its methods */
    512,                  /* mxPathname */
    0,                    /* pNext */
    "none",               /* zName */
    0,                    /* pAppData */
    noneOpen,             /* xOpen */
    noneDelete,           /* xDelete */
    noneAccess,           /* xAccess */
    noneFullPathname,     /* xFullPathname */
    0,                    /* xDlOpen */
    0,                    /* xDlError */
    0,                    /* xDlSym */
    0,                    /* xDlClose */
    noneRandomness,       /* xRandomness */
    noneSleep,            /* xSleep */
    noneCurrentTime,      /* xCurrentTime */
    noneGetLastError,     /* xGetLastError */
    noneCurrentTimeInt64, /* xCurrentTimeInt64 */
    0,                    /* xSetSystemCall */
    0,                    /* xGetSystemCall */
    0,                    /* xNextSystemCall */
};

int sqlite3_os_init(void) { return sqlite3_vfs_register(&none_vfs, 1); }

int sqlite3_os_end(void) { return SQLITE_OK; }
