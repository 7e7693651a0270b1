// The view over the browser's cookie folder.
#include "app/frmViewer.h"
#include "app/mainpro.h"
#include "registry/regAPI.h"

namespace glimmerlog {

// On Vista and later the browser's protected mode keeps its cookies in the
// "Low" subfolder, and that is the one listed. A cookie folder that cannot be
// read from the registry, or is empty, gives an empty list at once, rather
// than a search relative to the current directory or drive.
void frmViewer::mnuCookie_Click() {
  SetPanel(2, L"");
  StartView(L"cookies", L"Cookies", 6000);
  const std::wstring value = GetShellFolder(L"Cookies");
  if (value != kRegFailure && !Trim(value).empty()) {
    std::wstring folder = Trim(value) + L"\\";
    if (OsName == "Vista") folder += L"\\Low\\";
    if (!ListFolderEntries(folder)) return;
  }
  WriteCount();
}

}  // namespace glimmerlog
