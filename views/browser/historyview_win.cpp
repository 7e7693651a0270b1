// The Internet history view and the address bar history view.
#include "app/frmViewer.h"

#include "registry/regAPI.h"
#include "registry/splitlist.h"
#include "views/browser/CURLHistory.h"

namespace glimmerlog {

void frmViewer::mnuRefresh_Click(int /*index*/) {
  SetPanel(1, L"DoubleCilck the line to view contents");
  ViewMode = L"cache";
  // A failed refresh keeps what the object already holds.
  if (history_) history_->Refresh(L"http", 0);
  ClearColumns();
  ClearItems();
  AddColumn(1, L"Title", 3000);
  AddColumn(2, L"URL", 5000);
  AddColumn(3, L"Last Visited", 2000);
  AddColumn(4, L"Last Updated", 2000);
  AddColumn(5, L"Expires", 2000);
  if (history_) {
    for (const auto& item : history_->NewEnum()) {
      // The times go to the list as they are; it writes them in the user's
      // format only for the lines it shows.
      const size_t line = AddLine(item->Title());
      SetSubItem(line, 1, item->URL());
      SetSubItemTime(line, 2, item->LastVisitedUtc());
      SetSubItemTime(line, 3, item->LastUpdatedUtc());
      SetSubItemTime(line, 4, item->ExpiresUtc());
    }
  }
  WriteCount();
}

// Lists every value of TypedURLs as it reads, with no filter: a value that
// cannot be read as text shows as "error440", an empty one as an empty line.
// Only values without a name (the default value) are left out. A key that is
// missing or has no values leaves the list empty and writes a count of 0.
void frmViewer::mnuSep_Click() {
  SetPanel(1, L"DoubleCilck the line to link to the URL");
  StartView(L"url", L"URLs", 4000);
  const std::wstring key = L"Software\\Microsoft\\Internet Explorer\\TypedURLs";
  std::wstring names = GetRegValueNames(HKEY_CURRENT_USER, key);
  if (names != kRegFailure && !names.empty()) {
    for (const std::wstring& name : SplitList(names, std::wstring(L","))) {
      if (Trim(name).empty()) continue;
      AddLine(GetRegValue(HKEY_CURRENT_USER, key, name));
    }
  }
  WriteCount();
}

}  // namespace glimmerlog
