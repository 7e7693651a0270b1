#include "views/folderreader.h"

#include "views/folderrules.h"

namespace glimmerlog {

FolderLine ClassifyFolderEntry(FolderSource& folders, std::u16string_view folder, const FolderEntry& entry) {
  FolderLine line;
  if (entry.name == u"." || entry.name == u"..") return line;  // the two never reach the list
  line.path.assign(folder);
  line.path += entry.name;
  uint32_t attributes = folders.Attributes(line.path);
  if (attributes == FolderSource::kNoAttributes) attributes = entry.attributes;
  line.counts = !IsPlainFolder(attributes);
  line.listed = line.counts && !IsSkippedName(entry.name);
  return line;
}

}  // namespace glimmerlog
