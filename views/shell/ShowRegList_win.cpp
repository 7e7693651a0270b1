#include "app/frmViewer.h"
#include "registry/regAPI.h"
#include "registry/splitlist.h"
#include "views/shell/regrules.h"

namespace glimmerlog {

// Appends one line per accepted value of the key, in the registry's
// enumeration order. The view's tag chooses the rule: "run" and "open" filter,
// every other tag lists each readable value. It never clears the list or
// touches the status bar; a key that cannot be read adds nothing.
void frmViewer::ShowRegList(HKEY hKey, const std::wstring& strKey) {
  std::wstring names = GetRegValueNames(hKey, strKey);
  if (names == kRegFailure || names.empty()) return;
  const ListRule rule = ViewMode == L"run" ? ListRule::kRun : ViewMode == L"open" ? ListRule::kOpen : ListRule::kPlain;
  for (const std::wstring& name : SplitList(names, std::wstring(L","))) {
    if (Trim(name).empty()) continue;  // the trailing slot and the default value
    const std::wstring text = GetRegValue(hKey, strKey, name);
    if (text.empty() || text == kRegFailure) continue;
    if (auto line = ApplyListRule(rule, text)) AddLine(*line);
  }
}

}  // namespace glimmerlog
