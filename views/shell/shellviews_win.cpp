// The views over the shell's most-recently-used keys: Run box, search and the
// Open/Save dialogs.
#include "views/shell/shellviews.h"

#include "base/shell.h"
#include "base/winutil_win.h"
#include "views/folderlist.h"
#include "views/shell/reglist.h"

namespace glimmerlog {

namespace {
constexpr wchar_t kExplorer[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\";
constexpr wchar_t kExplorerBar[] =
    L"Software\\Microsoft\\Internet Explorer\\Explorer Bars\\{C4EE31F3-4768-11D2-BE5C-00A0C9A83DA1}\\";
constexpr wchar_t kSearchAssistant[] = L"Software\\Microsoft\\Search Assistant\\ACMru\\";
}  // namespace

void ShowRegList(ViewHost& host, HKEY /*hKey*/, const std::wstring& strKey) {
  const std::wstring& tag = host.Tag();
  const ListRule rule = tag == L"run" ? ListRule::kRun : tag == L"open" ? ListRule::kOpen : ListRule::kPlain;
  for (const std::u16string& line : RegListLines(host.Registry(), AsU16(strKey), rule)) {
    host.AddLine(std::u16string_view(line));
  }
}

void RunView::Load(ViewHost& host) {
  host.SetPanel(2, L"");
  host.SetPanel(1, L"DoubleCilck the line to run");
  host.StartView(Tag(), L"Start Menu Run History", 4000);
  ShowRegList(host, HKEY_CURRENT_USER, std::wstring(kExplorer) + L"RunMRU");
  host.WriteCount();
}

// Runs the line as a command line.
// Another user's commands are never run here.
void RunView::Activate(ViewHost& host, size_t line) {
  if (host.Profile().OtherProfile()) {
    host.SetPanel(1, L"Commands of another profile are not run: " + host.LineText(line, 0));
    return;
  }
  Shell().Run(host.LineText(line, 0));
}

// The search keys moved between Windows versions: 95 and 98 (and NT 4.0,
// named "98") keep two keys under Explorer, later versions six under the
// search bar and the search assistant. The view carries its own tag
// "search", which lists every readable value and which a double-click leaves
// alone: search terms, file patterns and computer names are nothing to open.
void SearchView::Load(ViewHost& host) {
  host.SetPanel(2, L"");
  host.SetPanel(1, L"Words, file names and computers searched for");
  host.StartView(Tag(), L"Start Menu Search History", 4000);
  const std::wstring explorer = kExplorer, bar = kExplorerBar, assistant = kSearchAssistant;
  const std::string& os = host.State().osName;
  if (os == "95" || os == "98") {
    ShowRegList(host, HKEY_CURRENT_USER, explorer + L"Doc Find Spec MRU");
    ShowRegList(host, HKEY_CURRENT_USER, explorer + L"FindComputerMRU");
  } else {
    ShowRegList(host, HKEY_CURRENT_USER, bar + L"ComputerNameMRU");
    ShowRegList(host, HKEY_CURRENT_USER, bar + L"ContainingTextMRU");
    ShowRegList(host, HKEY_CURRENT_USER, bar + L"filesNamedMRU");
    ShowRegList(host, HKEY_CURRENT_USER, assistant + L"5603");
    ShowRegList(host, HKEY_CURRENT_USER, assistant + L"5604");
    ShowRegList(host, HKEY_CURRENT_USER, assistant + L"5647");
  }
  host.WriteCount();
}

void OpenSaveView::Load(ViewHost& host) {
  host.SetPanel(2, L"");
  host.SetPanel(1, L"DoubleCilck the line to open the file");
  host.StartView(Tag(), L"Open/Save History", 6000);
  ShowRegList(host, HKEY_CURRENT_USER, std::wstring(kExplorer) + L"ComDlg32\\OpenSaveMRU\\*");
  host.WriteCount();
}

void OpenSaveView::Activate(ViewHost& host, size_t line) { OpenInShell(host, host.LineText(line, 0)); }

}  // namespace glimmerlog
