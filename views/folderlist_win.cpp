#include "views/folderlist.h"

#include <chrono>

#include "base/shell.h"
#include "base/winutil_win.h"
#include "views/folderreader.h"

namespace glimmerlog {

bool ListFolderEntries(ViewHost& host, const std::wstring& folder) {
  const uint64_t epoch = host.ListEpoch();
  FolderSource& folders = host.Folders();
  std::unique_ptr<FolderSource::Listing> listing = folders.List(AsU16(folder), nullptr);
  if (!listing) return true;

  auto lastSync = std::chrono::steady_clock::now();
  auto turn = [&]() {
    DoEvents();
    if (!host.OwnsList(epoch)) return false;
    const auto now = std::chrono::steady_clock::now();
    if (now - lastSync > std::chrono::milliseconds(50)) {
      host.SyncList(false);
      lastSync = now;
    }
    return true;
  };

  FolderEntry entry;
  bool more = listing->Next(entry);
  while (more) {
    const FolderLine line = ClassifyFolderEntry(folders, AsU16(folder), entry);
    if (line.counts) {
      if (!turn()) return false;
      if (line.listed) host.AddLine(std::u16string_view(line.path));
    }
    more = listing->Next(entry);
    if (!turn()) return false;
  }
  return true;
}

void OpenInShell(ViewHost& host, const std::wstring& text) {
  Shell().Open(host.Window(), text, L"", L"", SW_SHOWNORMAL);
}

}  // namespace glimmerlog
