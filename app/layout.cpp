#include "app/layout.h"

namespace glimmerlog {

void ApplyResizeLayout(long sw, long sh, MainLayout& l) {
  // The list fills the area between the button row and the link labels.
  if (sw - 10 >= 0 && sh - 1100 >= 0) l.urls = {10, 500, sw - 10, sh - 1100};
  if (sw - 2400 >= 0) l.panel1Width = sw - 2400;
  l.pbar.top = sh - 210;
  if (sw - 3180 >= 0) l.pbar.width = sw - 3180;
  l.label1.top = sh - 500;
  l.label2.left = sw - 4000;
  l.label2.top = sh - 500;
  l.cancel.left = sw - 3100;
  l.cancel.top = sh - 230;
}

}  // namespace glimmerlog
