// The view over the Windows "Recent" folder.
#include "app/frmViewer.h"
#include "registry/regAPI.h"

namespace glimmerlog {

void frmViewer::mnuRecDoc_Click() {
  SetPanel(2, L"");
  StartView(L"recdoc", L"Recent Documents", 6000);
  const std::wstring folder = GetShellFolder(L"Recent");
  // The backslash is appended whether or not the value ends in one, and the
  // lines show the path as formed.
  if (folder != kRegFailure && !folder.empty() && !ListFolderEntries(folder + L"\\")) return;
  WriteCount();
}

}  // namespace glimmerlog
