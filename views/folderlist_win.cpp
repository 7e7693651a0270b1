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

namespace {
bool IsWebAddress(const std::wstring& text) {
  for (const wchar_t* scheme : {L"http://", L"https://", L"ftp://"}) {
    if (_wcsnicmp(text.c_str(), scheme, wcslen(scheme)) == 0) return true;
  }
  return false;
}
}  // namespace

void OpenInShell(ViewHost& host, const std::wstring& text) {
  ProfilePaths& profile = host.Profile();
  if (!profile.OtherProfile() || IsWebAddress(text)) {
    Shell().Open(host.Window(), text, L"", L"", SW_SHOWNORMAL);
    return;
  }
  // Another user's files are shown, not opened: a shortcut or a program of
  // theirs would run here, on this computer. A path that lies outside their
  // profile names this computer's file, and is left alone.
  std::u16string mapped;
  if (!profile.MapToProfile(AsU16(text), mapped) || host.Folders().Attributes(mapped) == FolderSource::kNoAttributes) {
    host.SetPanel(1, L"Not in the profile shown: " + text);
    return;
  }
  ShowInFolder(host, AsWide(mapped));
}

void ShowInFolder(ViewHost& host, const std::wstring& path) {
  Shell().Open(host.Window(), L"explorer.exe", (L"/select,\"" + path + L"\"").c_str(), L"", SW_SHOWNORMAL);
}

}  // namespace glimmerlog
