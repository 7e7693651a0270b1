#include "views/recent/recentviews.h"

#include "base/winutil_win.h"
#include "views/folderlist.h"

namespace glimmerlog {

void RecentDocsView::Load(ViewHost& host) {
  host.SetPanel(2, L"");
  host.StartView(Tag(), L"Recent Documents", 6000);
  const std::wstring folder = AsWide(host.Profile().ShellFolder(u"Recent"));
  // The backslash is appended whether or not the value ends in one, and the
  // lines show the path as formed.
  if (folder != AsWide(kRegFailureText) && !folder.empty() && !ListFolderEntries(host, folder + L"\\")) return;
  host.WriteCount();
}

std::wstring RecentDocsView::Source(ViewHost& host) const { return AsWide(host.Profile().ShellFolder(u"Recent")); }

void RecentDocsView::Activate(ViewHost& host, size_t line) { OpenInShell(host, host.LineText(line, 0)); }

}  // namespace glimmerlog
