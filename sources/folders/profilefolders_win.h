// Another user's profile folder read through this system's file system: a
// profile of this computer, a copy of one, or one on a mounted disk image.
// Junctions and symbolic links in it are followed only where they stay in
// it; none leads to this computer's own folders or to any other place.
#ifndef GLIMMERLOG_SOURCES_FOLDERS_PROFILEFOLDERS_WIN_H
#define GLIMMERLOG_SOURCES_FOLDERS_PROFILEFOLDERS_WIN_H

#include <memory>
#include <string>

#include "sources/folders/foldersource.h"

namespace glimmerlog {

// `folder`: the profile folder ("E:\Users\bob"), as the other paths given to
// the source begin. Only paths within it are read; anything else is
// missing:
//  - a path is opened without following its last part; a reparse point
//    there (junction, mount point, symbolic link) is read for its target,
//    which is opened only when it lies in the folder, and anything whose
//    target cannot be told is refused;
//  - what is opened must lie in the folder where the system says it is
//    (its final path), so a link on the way that leads out, or one the
//    file system does not show as a reparse point, is refused as well;
//  - in a listing, an entry that leads out is given as what it is, a link
//    (FILE_ATTRIBUTE_REPARSE_POINT with the directory or archive bit), with
//    no times and no size unless they are its own; Attributes gives none
//    for it, unless the system gives the link's own.
std::unique_ptr<FolderSource> OpenProfileFolders(std::u16string folder);

}  // namespace glimmerlog

#endif
