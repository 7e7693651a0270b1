#include "sources/ie/historyfiles.h"

#include "sources/registry/registrysource.h"

namespace glimmerlog {

std::vector<std::u16string> HistoryFilesIn(std::u16string_view historyFolder, FolderSource& folders) {
  while (!historyFolder.empty() && historyFolder.front() == u' ') historyFolder.remove_prefix(1);
  while (!historyFolder.empty() && (historyFolder.back() == u' ' || historyFolder.back() == u'\\')) {
    historyFolder.remove_suffix(1);
  }
  if (historyFolder.empty()) return {};
  const std::u16string folder(historyFolder);
  std::vector<std::u16string> files{folder + u"\\History.IE5\\index.dat"};
  std::u16string low = folder + u"\\Low\\History.IE5\\index.dat";
  if (folders.Attributes(low) != FolderSource::kNoAttributes) files.push_back(std::move(low));
  return files;
}

std::vector<std::u16string> HistoryFiles(ProfilePaths& paths, FolderSource& folders) {
  const std::u16string folder = paths.ShellFolder(u"History");
  if (folder == kRegFailureText) return {};
  return HistoryFilesIn(folder, folders);
}

}  // namespace glimmerlog
