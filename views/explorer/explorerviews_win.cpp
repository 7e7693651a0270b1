// The views over Explorer's traces and the activity timeline.
#include "views/explorer/explorerviews.h"

#include "base/shell.h"
#include "base/utf8.h"
#include "base/winutil_win.h"
#include "views/browser/CURLHistory_win.h"
#include "views/explorer/explorerreaders.h"
#include "views/folderlist.h"
#include "views/viewreaders.h"

namespace glimmerlog {

namespace {

constexpr wchar_t kExplorerKey[] = L"HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\";

bool Exists(ViewHost& host, const std::u16string& path) {
  return host.Folders().Attributes(path) != FolderSource::kNoAttributes;
}

// Percent-encodes what is not a letter or digit, for a search-ms: query.
std::wstring QueryText(const std::u16string& term) {
  const std::string utf8 = Utf8Of(term);
  std::wstring query;
  for (const unsigned char b : utf8) {
    if ((b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z')) {
      query += static_cast<wchar_t>(b);
    } else {
      wchar_t hex[4];
      swprintf(hex, 4, L"%%%02X", b);
      query += hex;
    }
  }
  return query;
}

}  // namespace

std::wstring RecentFilesView::Source(ViewHost& /*host*/) const { return std::wstring(kExplorerKey) + L"RecentDocs"; }
void RecentFilesView::Read(ViewHost& host, Table& table) { ReadRecentFiles(host.Registry(), table); }
void RecentFilesView::Open(ViewHost& host, const std::u16string& target) {
  const std::u16string folder = ProfileFolder(host.Profile(), u"Recent");
  if (folder.empty()) return;
  const std::u16string shortcut = folder + target;
  if (Exists(host, shortcut)) OpenInShell(host, AsWide(shortcut));
}

std::wstring OpenSave7View::Source(ViewHost& /*host*/) const {
  return std::wstring(kExplorerKey) + L"ComDlg32\\OpenSavePidlMRU, " + kExplorerKey + L"ComDlg32\\LastVisitedPidlMRU";
}
void OpenSave7View::Read(ViewHost& host, Table& table) { ReadOpenSaveHistory(host.Registry(), table); }
// Opens the file where the shell can find it; a path that names no place in
// the file system (a control panel item, a web address) is left alone.
void OpenSave7View::Open(ViewHost& host, const std::u16string& target) {
  const std::u16string path = ResolveShellPath(host.Profile(), target);
  if (!path.empty()) OpenInShell(host, AsWide(path));
}

std::wstring ExplorerSearchView::Source(ViewHost& /*host*/) const {
  return std::wstring(kExplorerKey) + L"WordWheelQuery";
}
void ExplorerSearchView::Read(ViewHost& host, Table& table) { ReadExplorerSearches(host.Registry(), table); }
void ExplorerSearchView::Open(ViewHost& host, const std::u16string& target) {
  OpenInShell(host, L"search-ms:query=" + QueryText(target));
}

std::wstring ExplorerAddressView::Source(ViewHost& /*host*/) const {
  return std::wstring(kExplorerKey) + L"TypedPaths";
}
void ExplorerAddressView::Read(ViewHost& host, Table& table) { ReadExplorerAddresses(host.Registry(), table); }

std::wstring TypedTimesView::Source(ViewHost& /*host*/) const {
  return L"HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer\\TypedURLs, TypedURLsTime";
}
void TypedTimesView::Read(ViewHost& host, Table& table) { ReadTypedAddressTimes(host.Registry(), table); }

std::wstring UserAssistView::Source(ViewHost& /*host*/) const { return std::wstring(kExplorerKey) + L"UserAssist"; }
void UserAssistView::Read(ViewHost& host, Table& table) { ReadUserAssist(host.Registry(), table); }
// Shows the program selected in its folder; when the file is gone, the
// folder alone; when that is gone too, nothing.
void UserAssistView::Open(ViewHost& host, const std::u16string& target) {
  std::u16string path;
  if (!host.Profile().MapToProfile(target, path)) return;  // outside the profile shown
  if (Exists(host, path)) {
    ShowInFolder(host, AsWide(path));
    return;
  }
  const size_t slash = path.rfind(u'\\');
  if (slash != std::u16string::npos && Exists(host, path.substr(0, slash + 1))) {
    OpenInShell(host, AsWide(path.substr(0, slash + 1)));
  }
}

TimelineView::TimelineView() = default;
TimelineView::~TimelineView() = default;

std::wstring TimelineView::Source(ViewHost& /*host*/) const {
  return L"the browser's history store, the browser profiles, the Explorer keys of HKEY_CURRENT_USER, the Recent "
         L"and Cookies folders";
}

void TimelineView::Read(ViewHost& host, Table& table) {
  Timeline timeline;
  if (!historyTried_) {
    historyTried_ = true;
    history_ = CURLHistory::Create();
  }
  if (history_) {
    history_->Refresh(L"http", 0);
    for (const auto& item : history_->NewEnum()) {
      const FILETIME& t = item->LastVisitedUtc();
      const std::u16string url(AsU16(item->URL()));
      timeline.Add({uint64_t{t.dwHighDateTime} << 32 | t.dwLowDateTime, u"Page visited", url,
                    std::u16string(AsU16(item->Title())), u"Internet history", url});
    }
  } else {
    timeline.Problem(u"Internet history: the history store could not be opened");
  }
  ProfilePaths& paths = host.Profile();
  AddTimelineEvents(host.Registry(), host.Folders(), paths, paths.AppDataFolder(true), paths.AppDataFolder(false),
                    timeline);
  timeline.ToTable(table);
}

}  // namespace glimmerlog
