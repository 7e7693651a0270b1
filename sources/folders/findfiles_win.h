// Listing a folder and reading a whole file through the file system's own
// calls: the parts the folder sources of this system share.
#ifndef GLIMMERLOG_SOURCES_FOLDERS_FINDFILES_WIN_H
#define GLIMMERLOG_SOURCES_FOLDERS_FINDFILES_WIN_H

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "base/file_win.h"
#include "sources/folders/foldersource.h"

namespace glimmerlog {

// The entries of `folder` (which ends in a backslash) as FindFirstFileEx
// gives them; null, with the reason, when it cannot be listed.
std::unique_ptr<FolderSource::Listing> FindEntries(std::u16string_view folder, SourceStatus* status);

// The whole of an open file, as FolderSource::ReadFile says: a pipe or a
// device is refused, a file over `limit` is not read, and a file that
// shrinks while it is read keeps what was there.
SourceStatus ReadWholeFile(ReadOnlyFile& file, std::vector<uint8_t>& bytes, uint64_t limit);

}  // namespace glimmerlog

#endif
