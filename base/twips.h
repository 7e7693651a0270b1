// Twips, the unit of the windows' layouts (1/1440 inch), and their
// conversion to pixels at a screen's density.
#ifndef GLIMMERLOG_BASE_TWIPS_H
#define GLIMMERLOG_BASE_TWIPS_H

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

}  // namespace glimmerlog

#endif
