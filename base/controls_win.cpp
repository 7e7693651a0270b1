#include "base/controls_win.h"

namespace glimmerlog {

HWND CreateChild(HWND parent, const ChildSpec& def, int dpi, HFONT font, DWORD exStyle) {
  const TwipRect& t = def.rect;
  HWND control = CreateWindowExW(
      exStyle, def.className, def.caption, WS_CHILD | WS_VISIBLE | def.style, TwipsToPixels(t.left, dpi),
      TwipsToPixels(t.top, dpi), TwipsToPixels(t.width, dpi), TwipsToPixels(t.height, dpi), parent,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(def.id)), GetModuleHandleW(nullptr), nullptr);
  if (control && font) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return control;
}

int WindowDpi(HWND hwnd) {
  HDC dc = GetDC(hwnd);
  const int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 96;
  if (dc) ReleaseDC(hwnd, dc);
  return dpi > 0 ? dpi : 96;
}

HFONT MakeFont(const wchar_t* face, int hundredthsOfPoints, int dpi, bool underline) {
  LOGFONTW lf{};
  lf.lfHeight = -MulDiv(hundredthsOfPoints, dpi, 7200);
  lf.lfWeight = FW_NORMAL;
  lf.lfUnderline = underline ? TRUE : FALSE;
  lf.lfCharSet = DEFAULT_CHARSET;
  lstrcpynW(lf.lfFaceName, face, LF_FACESIZE);
  return CreateFontIndirectW(&lf);
}

HFONT MakeMessageFont() {
  NONCLIENTMETRICSW ncm{};
  ncm.cbSize = sizeof(ncm);
  if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(ncm), &ncm, 0)) return nullptr;
  return CreateFontIndirectW(&ncm.lfMessageFont);
}

void SizeDialogAndCentre(HWND dialog, long clientWidthTwips, long clientHeightTwips) {
  const int dpi = WindowDpi(dialog);
  RECT frame{0, 0, TwipsToPixels(clientWidthTwips, dpi), TwipsToPixels(clientHeightTwips, dpi)};
  AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongW(dialog, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongW(dialog, GWL_EXSTYLE)));
  RECT over{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  if (HWND owner = GetWindow(dialog, GW_OWNER)) GetWindowRect(owner, &over);
  const int w = frame.right - frame.left, h = frame.bottom - frame.top;
  SetWindowPos(dialog, nullptr, over.left + ((over.right - over.left) - w) / 2,
               over.top + ((over.bottom - over.top) - h) / 2, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace glimmerlog
