// Creation of child controls at twip positions, shared by the windows.
#ifndef GLIMMERLOG_BASE_CONTROLS_WIN_H
#define GLIMMERLOG_BASE_CONTROLS_WIN_H

#include <windows.h>

#include "base/twips.h"

namespace glimmerlog {

struct ChildSpec {
  int id;
  const wchar_t* className;
  const wchar_t* caption;
  DWORD style;  // besides WS_CHILD | WS_VISIBLE
  TwipRect rect;
};

// Makes the control at its twip rectangle converted with `dpi`, in `font`.
HWND CreateChild(HWND parent, const ChildSpec& def, int dpi, HFONT font, DWORD exStyle = 0);

// Dots per inch of the window's screen.
int WindowDpi(HWND hwnd);

// Gives a dialog a client area of the given twips at its screen's DPI and
// centres it over its owner (or the screen).
void SizeDialogAndCentre(HWND dialog, long clientWidthTwips, long clientHeightTwips);

// A font of the given face and size (in hundredths of a point) for `dpi`.
HFONT MakeFont(const wchar_t* face, int hundredthsOfPoints, int dpi, bool underline);
// The system's message font, as dialogs use it.
HFONT MakeMessageFont();

}  // namespace glimmerlog

#endif
