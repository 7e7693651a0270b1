// The views over the shell's most-recently-used keys: the Run box, searches
// and the Open/Save dialogs; and the list loader they share.
#ifndef GLIMMERLOG_VIEWS_SHELL_SHELLVIEWS_H
#define GLIMMERLOG_VIEWS_SHELL_SHELLVIEWS_H

#include <string>

#include "views/view.h"

namespace glimmerlog {

// Appends one line per accepted value of the key, in the registry's
// enumeration order. The view's tag chooses the rule: "run" and "open"
// filter, every other tag lists each readable value. It never clears the
// list or touches the status bar; a key that cannot be read adds nothing.
// `hKey` is the root, HKEY_CURRENT_USER: the user's registry that the
// host's source reads.
void ShowRegList(ViewHost& host, HKEY hKey, const std::wstring& strKey);

// Commands typed into the Run box; double-click runs the line.
class RunView final : public View {
 public:
  const wchar_t* Name() const override { return L"Run History"; }
  std::wstring Source(ViewHost& /*host*/) const override {
    return L"HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RunMRU";
  }
  const wchar_t* Tag() const override { return L"run"; }
  void Load(ViewHost& host) override;
  void Activate(ViewHost& host, size_t line) override;
};

// Words, file names and computers searched for; nothing to open.
class SearchView final : public View {
 public:
  const wchar_t* Name() const override { return L"Search History"; }
  std::wstring Source(ViewHost& /*host*/) const override {
    return L"the search histories of the shell (HKEY_CURRENT_USER)";
  }
  const wchar_t* Tag() const override { return L"search"; }
  void Load(ViewHost& host) override;
};

// Files chosen in the Open and Save dialogs; double-click opens the file.
class OpenSaveView final : public View {
 public:
  const wchar_t* Name() const override { return L"Open/Save"; }
  std::wstring Source(ViewHost& /*host*/) const override {
    return L"HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ComDlg32\\OpenSaveMRU\\*";
  }
  const wchar_t* Tag() const override { return L"open"; }
  void Load(ViewHost& host) override;
  void Activate(ViewHost& host, size_t line) override;
};

}  // namespace glimmerlog

#endif
