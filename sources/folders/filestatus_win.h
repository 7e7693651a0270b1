// Why a file or folder of the live file system could not be read, from the
// system's error code, as the sources say it.
#ifndef GLIMMERLOG_SOURCES_FOLDERS_FILESTATUS_WIN_H
#define GLIMMERLOG_SOURCES_FOLDERS_FILESTATUS_WIN_H

#include <windows.h>

#include "sources/status.h"

namespace glimmerlog {

// A path that names nothing (no such file, folder or share, or a name no
// file can have) is missing; one that is there but kept from this user,
// or held open by a program that shares it with nobody, is denied; any
// other failure is taken for damage.
inline SourceStatus StatusOfFileError(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_NETPATH: return SourceStatus::kMissing;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: return SourceStatus::kDenied;
    default: return SourceStatus::kDamaged;
  }
}

}  // namespace glimmerlog

#endif
