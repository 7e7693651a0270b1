#include "sources/ie/historyfiles.h"

#include <algorithm>

#include "base/ascii.h"
#include "sources/registry/registrysource.h"

namespace glimmerlog {

namespace {

constexpr uint32_t kDirectoryAttribute = 0x10;

// A shell folder without spaces around it and without final backslashes;
// empty when the profile names none.
std::u16string ShellFolderOf(ProfilePaths& paths, std::u16string_view name) {
  const std::u16string value = paths.ShellFolder(name);
  if (value == kRegFailureText) return {};
  std::u16string_view folder = value;
  while (!folder.empty() && folder.front() == u' ') folder.remove_prefix(1);
  while (!folder.empty() && (folder.back() == u' ' || folder.back() == u'\\')) folder.remove_suffix(1);
  return std::u16string(folder);
}

bool IsFile(FolderSource& folders, const std::u16string& path) {
  const uint32_t attributes = folders.Attributes(path);
  return attributes != FolderSource::kNoAttributes && !(attributes & kDirectoryAttribute);
}

// The index.dat of `container` and those of its period folders (MSHist01...).
void AddHistoryContainer(FolderSource& folders, const std::u16string& container, std::vector<std::u16string>& out) {
  if (const std::u16string file = container + u"\\index.dat"; IsFile(folders, file)) out.push_back(file);
  SourceStatus status = SourceStatus::kOk;
  std::unique_ptr<FolderSource::Listing> listing = folders.List(container + u"\\", &status);
  if (!listing) return;
  std::vector<std::u16string> periods;
  FolderEntry entry;
  while (listing->Next(entry)) {
    if ((entry.attributes & kDirectoryAttribute) && StartsWithIgnoringAsciiCase(entry.name, u"MSHist")) {
      periods.push_back(container + u"\\" + entry.name + u"\\index.dat");
    }
  }
  // Their names hold their dates: sorted, they come oldest first.
  std::sort(periods.begin(), periods.end());
  for (std::u16string& file : periods) {
    if (IsFile(folders, file)) out.push_back(std::move(file));
  }
}

}  // namespace

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

std::vector<std::u16string> CacheIndexFiles(ProfilePaths& paths, FolderSource& folders) {
  std::vector<std::u16string> files;
  if (const std::u16string history = ShellFolderOf(paths, u"History"); !history.empty()) {
    AddHistoryContainer(folders, history + u"\\History.IE5", files);
    AddHistoryContainer(folders, history + u"\\Low\\History.IE5", files);
  }
  if (const std::u16string cache = ShellFolderOf(paths, u"Cache"); !cache.empty()) {
    for (const char16_t* under : {u"\\Content.IE5\\index.dat", u"\\Low\\Content.IE5\\index.dat"}) {
      if (const std::u16string file = cache + under; IsFile(folders, file)) files.push_back(file);
    }
  }
  if (const std::u16string cookies = ShellFolderOf(paths, u"Cookies"); !cookies.empty()) {
    for (const char16_t* under : {u"\\index.dat", u"\\Low\\index.dat"}) {
      if (const std::u16string file = cookies + under; IsFile(folders, file)) files.push_back(file);
    }
  }
  return files;
}

}  // namespace glimmerlog
