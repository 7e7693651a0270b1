// The small modal dialog in which the user confirms or picks the cache index
// file to scan. Its result is left in IndexDatPath.
#ifndef GLIMMERLOG_VIEWS_BROWSER_FRMINDEXFILE_WIN_H
#define GLIMMERLOG_VIEWS_BROWSER_FRMINDEXFILE_WIN_H

#include <windows.h>
#include <commdlg.h>

#include <string>

#include "base/winutil_win.h"
#include "sources/folders/foldersource.h"

namespace glimmerlog {

enum IndexFileControl : int {
  IDC_IF_LABEL1 = 301,
  IDC_IF_COMMAND3,  // Browse
  IDC_IF_TEXT1,
  IDC_IF_COMMAND4,  // Use Default
  IDC_IF_COMMAND1,  // OK
  IDC_IF_COMMAND2,  // Cancel
};

class frmindexfile {
 public:
  // Shows the dialog over `owner` and returns when it has closed.
  static void ShowModal(HWND owner);

  void Form_Load();
  void Command1_Click();  // OK
  void Command2_Click();  // Cancel
  void Command3_Click();  // Browse
  void Command4_Click();  // Use Default

  HWND hwnd() const { return hwnd_; }
  std::wstring Text1() const;
  void SetText1(const std::wstring& text);

  // Called once the dialog is up, before the user can act (tests drive it).
  using ShownHook = void (*)(frmindexfile& dialog);
  static void SetShownHook(ShownHook hook);
  // The platform's open-file dialog; tests replace it.
  using OpenFileDialog = BOOL(WINAPI*)(OPENFILENAMEW* request);
  static void SetOpenFileDialog(OpenFileDialog dialog);

 private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  void CreateControls();
  void Close();

  HWND hwnd_ = nullptr;
  UniqueHfont font_;
};

// The cache folder's default index file: the folder from the registry with
// "\Low\Content.IE5\index.dat" on Vista and later (when `versionAware`), or
// "\Content.IE5\index.dat"; empty when the folder cannot be read. With
// another user's profile shown, its own cache folder and Windows version.
std::wstring DefaultIndexDatPath(bool versionAware);
// The profile whose cache the chooser proposes; null for the signed-in
// user's. `paths` must outlive its use here.
void SetIndexDatProfile(ProfilePaths* paths, const std::string& osName);

}  // namespace glimmerlog

#endif
