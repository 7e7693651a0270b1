// The Internet history view and the address bar history view.
#include "base/winutil_win.h"
#include "sources/registry/splitlist.h"
#include "views/browser/browserviews.h"
#include "views/folderlist.h"

namespace glimmerlog {

void HistoryView::Load(ViewHost& host) {
  host.SetPanel(1, L"DoubleCilck the line to view contents");
  host.SetTag(Tag());
  // A failed refresh keeps what the object already holds.
  if (history_) history_->Refresh(L"http", 0);
  host.ClearColumns();
  host.ClearItems();
  host.AddColumn(1, L"Title", 3000);
  host.AddColumn(2, L"URL", 5000);
  host.AddColumn(3, L"Last Visited", 2000);
  host.AddColumn(4, L"Last Updated", 2000);
  host.AddColumn(5, L"Expires", 2000);
  if (history_) {
    for (const auto& item : history_->NewEnum()) {
      // The times go to the list as they are; it writes them in the user's
      // format only for the lines it shows.
      const size_t line = host.AddLine(item->Title());
      host.SetSubItem(line, 1, item->URL());
      host.SetSubItemTime(line, 2, item->LastVisitedUtc());
      host.SetSubItemTime(line, 3, item->LastUpdatedUtc());
      host.SetSubItemTime(line, 4, item->ExpiresUtc());
    }
  }
  host.WriteCount();
}

// Opens the line's address (its second column).
void HistoryView::Activate(ViewHost& host, size_t line) { OpenInShell(host, host.LineText(line, 1)); }

// Lists every value of TypedURLs as it reads, with no filter: a value that
// cannot be read as text shows as "error440", an empty one as an empty line.
// Only values without a name (the default value) are left out. A key that is
// missing or has no values leaves the list empty and writes a count of 0.
void AddressBarView::Load(ViewHost& host) {
  host.SetPanel(1, L"DoubleCilck the line to link to the URL");
  host.StartView(Tag(), L"URLs", 4000);
  const std::u16string key = u"Software\\Microsoft\\Internet Explorer\\TypedURLs";
  RegistrySource& registry = host.Registry();
  std::u16string names = registry.GetRegValueNames(key);
  if (names != kRegFailureText && !names.empty()) {
    for (const std::u16string& name : SplitList(names, std::u16string(u","))) {
      if (name.find_first_not_of(u' ') == std::u16string::npos) continue;
      host.AddLine(AsWide(registry.GetRegValue(key, name)));
    }
  }
  host.WriteCount();
}

void AddressBarView::Activate(ViewHost& host, size_t line) { OpenInShell(host, host.LineText(line, 0)); }

}  // namespace glimmerlog
