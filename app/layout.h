// The main window's resize rules, in twips.
#ifndef GLIMMERLOG_APP_LAYOUT_H
#define GLIMMERLOG_APP_LAYOUT_H

#include "base/twips.h"

namespace glimmerlog {

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
