// The views over the shell's most-recently-used keys: Run box, search and the
// Open/Save dialogs.
#include "app/frmViewer.h"
#include "app/mainpro.h"

namespace glimmerlog {

namespace {
constexpr wchar_t kExplorer[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\";
constexpr wchar_t kExplorerBar[] =
    L"Software\\Microsoft\\Internet Explorer\\Explorer Bars\\{C4EE31F3-4768-11D2-BE5C-00A0C9A83DA1}\\";
constexpr wchar_t kSearchAssistant[] = L"Software\\Microsoft\\Search Assistant\\ACMru\\";
}  // namespace

void frmViewer::mnurun_Click() {
  SetPanel(2, L"");
  SetPanel(1, L"DoubleCilck the line to run");
  StartView(L"run", L"Start Menu Run History", 4000);
  ShowRegList(HKEY_CURRENT_USER, std::wstring(kExplorer) + L"RunMRU");
  WriteCount();
}

// The search keys moved between Windows versions: 95 and 98 (and NT 4.0,
// named "98") keep two keys under Explorer, later versions six under the
// search bar and the search assistant. The view carries its own tag
// "search", which lists every readable value and which a double-click leaves
// alone: search terms, file patterns and computer names are nothing to open.
void frmViewer::mnuSearch_Click() {
  SetPanel(2, L"");
  SetPanel(1, L"Words, file names and computers searched for");
  StartView(L"search", L"Start Menu Search History", 4000);
  const std::wstring explorer = kExplorer, bar = kExplorerBar, assistant = kSearchAssistant;
  if (OsName == "95" || OsName == "98") {
    ShowRegList(HKEY_CURRENT_USER, explorer + L"Doc Find Spec MRU");
    ShowRegList(HKEY_CURRENT_USER, explorer + L"FindComputerMRU");
  } else {
    ShowRegList(HKEY_CURRENT_USER, bar + L"ComputerNameMRU");
    ShowRegList(HKEY_CURRENT_USER, bar + L"ContainingTextMRU");
    ShowRegList(HKEY_CURRENT_USER, bar + L"filesNamedMRU");
    ShowRegList(HKEY_CURRENT_USER, assistant + L"5603");
    ShowRegList(HKEY_CURRENT_USER, assistant + L"5604");
    ShowRegList(HKEY_CURRENT_USER, assistant + L"5647");
  }
  WriteCount();
}

void frmViewer::mnuOpen_Click() {
  SetPanel(2, L"");
  SetPanel(1, L"DoubleCilck the line to open the file");
  StartView(L"open", L"Open/Save History", 6000);
  ShowRegList(HKEY_CURRENT_USER, std::wstring(kExplorer) + L"ComDlg32\\OpenSaveMRU\\*");
  WriteCount();
}

}  // namespace glimmerlog
