// The integer HSV model: hue in whole degrees, saturation as the channel
// spread max - min (not a ratio), value as the largest channel.
#include "imaging/colour.h"

#include <algorithm>
#include <cstdint>

#include "framework/orvlib.h"

// The six cases are tested in this order, which also settles ties between
// channels; in each the numerator is at least 0, so the quotient is a floor.
void RgbToHsv(int colour, int* h, int* s, int* v) {
  const int r = (colour >> 16) & 0xFF, g = (colour >> 8) & 0xFF, b = colour & 0xFF;
  const int max = std::max(r, std::max(g, b)), min = std::min(r, std::min(g, b)), d = max - min;
  int hue = 0;
  if (d == 0)
    hue = 0;
  else if (max == r && min == b)
    hue = 60 * (g - b) / d;
  else if (max == g && min == b)
    hue = 60 * (g - r) / d + 60;
  else if (max == g && min == r)
    hue = 60 * (b - r) / d + 120;
  else if (max == b && min == r)
    hue = 60 * (b - g) / d + 180;
  else if (max == b && min == g)
    hue = 60 * (r - g) / d + 240;
  else
    hue = 60 * (r - b) / d + 300;  // max = r, min = g
  if (h) *h = hue;
  if (s) *s = d;
  if (v) *v = max;
}

int ORV_Hue(int colour) {
  int h = 0;
  RgbToHsv(colour, &h, nullptr, nullptr);
  return h;
}

int ORV_Saturation(int colour) {
  int s = 0;
  RgbToHsv(colour, nullptr, &s, nullptr);
  return s;
}

int ORV_Value(int colour) {
  int v = 0;
  RgbToHsv(colour, nullptr, nullptr, &v);
  return v;
}

// Nothing is clamped. The channels are worked out in 64 bits, which holds
// them for any int inputs, and added into the word modulo 2^32, so inputs
// far outside their ranges give a defined (if meaningless) word; within the
// ranges every channel is 0..255 and the sum is the plain colour word.
int ORV_HsvToRgb(int v, int s, int h) {
  using i64 = std::int64_t;
  const i64 m = std::max<i64>(i64(v) - s, 0);
  const i64 d = v - m;
  i64 r = 0, g = 0, b = 0;
  if (h <= 59) {
    r = v, g = m + d * h / 60, b = m;
  } else if (h <= 119) {
    r = m + d * (120 - h) / 60, g = v, b = m;
  } else if (h <= 179) {
    r = m, g = v, b = m + d * (h - 120) / 60;
  } else if (h <= 239) {
    r = m, g = m + d * (240 - h) / 60, b = v;
  } else if (h <= 299) {
    r = m + d * (h - 240) / 60, g = m, b = v;
  } else {
    r = v, g = m, b = m + d * (360 - i64(h)) / 60;
  }
  const std::uint64_t word = std::uint64_t(r) * 65536 + std::uint64_t(g) * 256 + std::uint64_t(b);
  return int(std::uint32_t(word));
}
