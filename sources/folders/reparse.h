// Where a reparse point of a Windows volume leads, read from its reparse
// data (the REPARSE_DATA_BUFFER that FSCTL_GET_REPARSE_POINT gives), and
// whether that lies within a folder: the decision behind reading another
// profile on Windows without being led out of it. Platform-free.
#ifndef GLIMMERLOG_SOURCES_FOLDERS_REPARSE_H
#define GLIMMERLOG_SOURCES_FOLDERS_REPARSE_H

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace glimmerlog {

// Junctions and volume mount points, and symbolic links.
constexpr uint32_t kReparseTagMountPoint = 0xA0000003, kReparseTagSymlink = 0xA000000C;

// The path a reparse point at `linkPath` (a path of a drive, "C:\...", or of
// a share, "\\server\share\...") leads to, as a path of the same kind with
// its "." and ".." parts resolved (parts read as WindowsPartName reads
// them). False when it cannot be told: another tag than the two above, a
// volume named by its GUID rather than a drive, a target that climbs above
// its drive or share or names a stream, or data that is cut short or does
// not hold together.
bool ReparseTarget(const uint8_t* data, size_t size, std::u16string_view linkPath, std::u16string& target);

// True when ReparseTarget finds where the reparse point leads and that
// place lies within one of `folders` (PathWithin); `target` then holds it.
bool ReparseLeadsWithin(const uint8_t* data, size_t size, std::u16string_view linkPath,
                        std::initializer_list<std::u16string_view> folders, std::u16string& target);

// A path as GetFinalPathNameByHandle gives it ("\\?\C:\x",
// "\\?\UNC\server\share\x") in the form other paths have ("C:\x",
// "\\server\share\x"); any other path as it is.
std::u16string DosPath(std::u16string_view finalPath);

}  // namespace glimmerlog

#endif
