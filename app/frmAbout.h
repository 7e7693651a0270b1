// The About box: the product logo, its name and notice, links to the maker's
// pages and an OK button. At most one exists at a time.
#ifndef GLIMMERLOG_APP_FRMABOUT_H
#define GLIMMERLOG_APP_FRMABOUT_H

#include <windows.h>

#include "base/winutil_win.h"

namespace glimmerlog {

enum AboutControl : int {
  IDC_AB_IMAGE1 = 401,
  IDC_AB_LABEL11,
  IDC_AB_LABEL13,
  IDC_AB_LABEL4,
  IDC_AB_LABEL1,
  IDC_AB_LABEL2,
  IDC_AB_FRAME1,
  IDC_AB_CMDEXIT,
};

class frmAbout {
 public:
  // Shows the box, modeless and without an owner; a box that is already open
  // is brought forward instead of making a second one.
  static void ShowAbout();
  // The open box, or null.
  static frmAbout* Current();
  // How many boxes were made so far (tests tell a fresh box by it).
  static int Created();

  HWND hwnd() const { return hwnd_; }
  void Label4_Click();
  void Label1_Click();
  void Label2_Click();
  void cmdExit_Click();

 private:
  frmAbout() = default;
  static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
  void CreateControls();

  HWND hwnd_ = nullptr;
  HWND links_[3] = {};
  UniqueHfont linkFont_, titleFont_, uiFont_;
  UniqueBitmap logo_;  // the picture control does not own what it shows
};

// The maker's pages, opened by the link labels and the Help menu.
extern const wchar_t kClearwickPage[];
extern const wchar_t kVantorelPage[];
extern const wchar_t kSupportPage[];

// Opens a web page through the shell, hidden, as the links do.
void OpenWebPage(HWND owner, const wchar_t* url);

}  // namespace glimmerlog

#endif
