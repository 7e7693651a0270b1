// The folder views' reader: what each entry of a folder gives, judged by
// the rules of folderrules.h. Platform-free.
#ifndef GLIMMERLOG_VIEWS_FOLDERREADER_H
#define GLIMMERLOG_VIEWS_FOLDERREADER_H

#include <string>
#include <string_view>

#include "sources/folders/foldersource.h"

namespace glimmerlog {

struct FolderLine {
  bool counts = false;  // not "." or "..", and not a plain folder: the view gives a turn for it
  bool listed = false;  // and it becomes a line
  std::u16string path;  // the folder and the entry's name
};

// `folder` ends in a backslash. The entry's attributes are read again by
// path, as the listing is judged by them; should that fail, the listing's
// own record of the entry stands in.
FolderLine ClassifyFolderEntry(FolderSource& folders, std::u16string_view folder, const FolderEntry& entry);

}  // namespace glimmerlog

#endif
