#include "views/browser/browserhistoryview_win.h"

#include "base/winutil_win.h"
#include "views/browser/browserhistoryreader.h"

namespace glimmerlog {

std::wstring BrowserHistoryView::Source(ViewHost& host) const {
  return L"the browser profiles under " + AsWide(host.Profile().AppDataFolder(true)) + L" and " +
         AsWide(host.Profile().AppDataFolder(false));
}

void BrowserHistoryView::Read(ViewHost& host, Table& table) {
  ReadBrowserHistoryTable(host.Folders(), host.Profile().AppDataFolder(true), host.Profile().AppDataFolder(false),
                          table, nullptr, &host.Profile());
}

}  // namespace glimmerlog
