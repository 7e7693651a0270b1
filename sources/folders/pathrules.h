// Where a path lies, for the paths a profile's own Windows recorded and that
// are read here in its place: whether one lies in a folder, and whether one
// could lead out of the folder it starts in. Names are matched as Windows
// matches file names, without regard to case; '\' and '/' both separate.
// Platform-free.
#ifndef GLIMMERLOG_SOURCES_FOLDERS_PATHRULES_H
#define GLIMMERLOG_SOURCES_FOLDERS_PATHRULES_H

#include <string_view>

namespace glimmerlog {

inline bool IsPathSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

// A part of a path as Windows opens it: dots and spaces at its end are no
// part of a name, so "name. " opens "name". A part of dots and spaces only
// is read as "." when it has one dot and as ".." when it has more ("...",
// ".. ", ". ."), so that it counts as climbing; one of spaces only is empty.
std::u16string_view WindowsPartName(std::u16string_view part);

// True when a part of `path` is read as ".." (see WindowsPartName).
bool ClimbsOut(std::u16string_view path);

// True when `path` holds a colon: after a drive, that names a stream of a
// file ("name:stream", "folder::$INDEX_ALLOCATION"), not a file of a folder.
bool NamesStream(std::u16string_view path);

// True when `path` is `folder` itself or lies below it, and no part after
// the folder is read as ".." or names a stream: the folder's name matches
// the beginning of the path, and a separator follows it unless the folder
// ends in one. `rest` is then what follows the folder: empty, or the rest
// of the path from its separator on (after the folder's own final
// separator, when it has one). False for an empty folder.
bool PathWithin(std::u16string_view path, std::u16string_view folder, std::u16string_view& rest);

// The same without the ".." and stream rules, for a reader that resolves
// ".." itself and keeps it inside the folder. `rest` is left alone when
// false.
bool PathBelow(std::u16string_view path, std::u16string_view folder, std::u16string_view& rest);

}  // namespace glimmerlog

#endif
