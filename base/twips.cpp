#include "base/twips.h"

namespace glimmerlog {

namespace {

long ScaleRounded(long value, long mul, long div) {
  const long long p = static_cast<long long>(value) * mul;
  const long long half = div / 2;
  return static_cast<long>(p >= 0 ? (p + half) / div : -((-p + half) / div));
}

}  // namespace

long TwipsToPixels(long twips, int dpi) { return ScaleRounded(twips, dpi, kTwipsPerInch); }
long PixelsToTwips(long pixels, int dpi) { return ScaleRounded(pixels, kTwipsPerInch, dpi); }

}  // namespace glimmerlog
