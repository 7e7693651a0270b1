// The view over the browser's cookie folder.
#include "base/winutil_win.h"
#include "views/browser/browserviews.h"
#include "views/folderlist.h"

namespace glimmerlog {

// On Vista and later the browser's protected mode keeps its cookies in the
// "Low" subfolder, and that is the one listed. A cookie folder that cannot be
// read from the registry, or is empty, gives an empty list at once, rather
// than a search relative to the current directory or drive.
void CookiesView::Load(ViewHost& host) {
  host.SetPanel(2, L"");
  host.StartView(Tag(), L"Cookies", 6000);
  const std::wstring value = AsWide(host.Profile().ShellFolder(u"Cookies"));
  if (value != AsWide(kRegFailureText) && !Trim(value).empty()) {
    std::wstring folder = Trim(value) + L"\\";
    if (host.State().osName == "Vista") folder += L"\\Low\\";
    if (!ListFolderEntries(host, folder)) return;
  }
  host.WriteCount();
}

std::wstring CookiesView::Source(ViewHost& host) const { return Trim(AsWide(host.Profile().ShellFolder(u"Cookies"))); }

void CookiesView::Activate(ViewHost& host, size_t line) { OpenInShell(host, host.LineText(line, 0)); }

}  // namespace glimmerlog
