// Folder listing shared by the Cookies and recent documents views.
#include <chrono>

#include "app/folderrules.h"
#include "app/frmViewer.h"

namespace glimmerlog {

// Lists the entries of `folder` (which ends in a backslash) as lines holding
// the folder and the entry's name, in the order the file system gives them:
// hidden and system files included, "." and "..", "index.dat" (exact case)
// and folders whose attribute number is 16 to 31 left out. A folder with the
// archive bit or any higher bit set is listed like a file.
//
// The event loop gets a turn at every entry, so another command may run
// meanwhile; once some other view has taken the list (or the window is gone)
// the listing stops and returns false, leaving the count to that view.
bool frmViewer::ListFolderEntries(const std::wstring& folder) {
  const uint64_t epoch = ListEpoch();
  WIN32_FIND_DATAW found{};
  UniqueFind find(
      FindFirstFileExW((folder + L"*.*").c_str(), FindExInfoStandard, &found, FindExSearchNameMatch, nullptr, 0));
  if (!find) return true;

  auto lastSync = std::chrono::steady_clock::now();
  auto turn = [&]() {
    DoEvents();
    if (!OwnsList(epoch)) return false;
    const auto now = std::chrono::steady_clock::now();
    if (now - lastSync > std::chrono::milliseconds(50)) {
      SyncList(false);
      lastSync = now;
    }
    return true;
  };

  do {
    const std::wstring name = found.cFileName;
    if (name != L"." && name != L"..") {  // the two never reach the list
      const std::wstring path = folder + name;
      // The attributes are read again by path, as the listing is judged by
      // them; should that fail, the enumeration's own record of the entry
      // stands in.
      DWORD attributes = GetFileAttributesW(path.c_str());
      if (attributes == INVALID_FILE_ATTRIBUTES) attributes = found.dwFileAttributes;
      if (!IsPlainFolder(attributes)) {
        if (!turn()) return false;
        if (!IsSkippedName(name)) AddLine(path);
      }
    }
    const bool more = FindNextFileW(find.get(), &found) != FALSE;
    if (!turn()) return false;
    if (!more) break;
  } while (true);
  return true;
}

}  // namespace glimmerlog
