// Twips arithmetic of the main window: unit conversion and the resize rules.
#ifndef GLIMMERLOG_APP_LAYOUT_H
#define GLIMMERLOG_APP_LAYOUT_H

namespace glimmerlog {

constexpr long kTwipsPerInch = 1440;

struct TwipRect {
  long left = 0, top = 0, width = 0, height = 0;
  bool operator==(const TwipRect& o) const {
    return left == o.left && top == o.top && width == o.width && height == o.height;
  }
};

// Rounds to the nearest pixel (or twip), halves away from zero.
long TwipsToPixels(long twips, int dpi);
long PixelsToTwips(long pixels, int dpi);

// What the resize handler moves. Every field holds the current geometry on
// entry and the new one on return.
struct MainLayout {
  TwipRect urls, pbar, label1, label2, cancel;
  long panel1Width = 0;
};

// Lays the main window out for a client area of sw x sh twips. Each rule is
// applied on its own: one that would give a negative width or height (a very
// small or minimized window) is skipped and leaves its control as it was,
// while the other rules still apply.
void ApplyResizeLayout(long sw, long sh, MainLayout& layout);

}  // namespace glimmerlog

#endif
