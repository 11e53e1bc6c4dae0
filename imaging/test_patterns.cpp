// The six test patterns painted into the whole current image: RGB, HSV, the
// three chroma planes (YCrCb, Yuv, YIQ) and the grey ramps.
//
// Every pixel goes through ORV_SetPixel, row by row from the top and left to
// right, so the pen ends on the last pixel and an 8-bit image keeps the low
// byte of each colour (its blue part) as the index. The grey ramps are drawn
// as vertical lines instead. A current image that is not in use has no rows
// or columns, and nothing is drawn into it.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "framework/image/image_table.h"
#include "framework/orvlib.h"

namespace {

using i64 = std::int64_t;

struct Size {
  int w = 0, h = 0;
};

// The current image's size; false when there is nothing to draw on.
bool drawable(Size& size) {
  const orv::CurrentPixels& view = orv::current_pixels();
  size = {view.width, view.height};
  return size.w > 0 && size.h > 0;
}

int word(i64 r, i64 g, i64 b) {
  return int(r << 16 | g << 8 | b);
}

// The weights of the vertical (cv) and the horizontal (ch) chroma coordinate
// in one channel, scaled by 65536.
struct Axes {
  int cv, ch;
};
struct ChromaPattern {
  Axes r, g, b;
};

constexpr ChromaPattern kYCrCb{{91881, 0}, {-46793, -22544}, {0, 116130}};
constexpr ChromaPattern kYuv{{74711, 0}, {-38076, -25952}, {0, 132973}};
constexpr ChromaPattern kYiq{{62187, 42998}, {-17334, -44872}, {-73859, 118292}};

// Black at the centre, the hue turning around it and the luma growing with
// the distance (past 255 toward the corners, where the channels saturate).
void paint_chroma(const ChromaPattern& p) {
  Size s;
  if (!drawable(s)) return;
  auto channel = [](i64 luma_term, const Axes& a, i64 cv, i64 ch) {
    return std::clamp<i64>((luma_term + a.cv * cv + a.ch * ch + 32768) / 65536, 0, 255);
  };
  std::vector<i64> ch(std::size_t(s.w));  // a division per column, not per pixel
  for (int x = 0; x < s.w; ++x) ch[std::size_t(x)] = (i64(x) - s.w / 2) * 255 / s.w;
  for (int y = 0; y < s.h; ++y) {
    const i64 cv = -((i64(y) - s.h / 2) * 255 / s.h);  // positive above the middle row
    for (int x = 0; x < s.w; ++x) {
      const i64 cx = ch[std::size_t(x)];
      const i64 luma = i64(std::sqrt(5.0 * double(cv * cv + cx * cx)));
      const i64 luma_term = 65536 * luma;
      ORV_SetPixel(x, y,
                   word(channel(luma_term, p.r, cv, cx), channel(luma_term, p.g, cv, cx),
                        channel(luma_term, p.b, cv, cx)));
    }
  }
}

}  // namespace

void ORV_TestPatternRgb() {
  Size s;
  if (!drawable(s)) return;
  // Red by column and blue by x + y, each divided out once.
  std::vector<i64> red(std::size_t(s.w)), blue(std::size_t(s.w) + std::size_t(s.h));
  for (int x = 0; x < s.w; ++x) red[std::size_t(x)] = i64(255) * x / s.w;
  for (std::size_t k = 0; k < blue.size(); ++k)
    blue[k] = 255 - i64(255) * i64(k) / i64(blue.size());
  for (int y = 0; y < s.h; ++y) {
    const i64 g = i64(255) * y / s.h;
    for (int x = 0; x < s.w; ++x)
      ORV_SetPixel(x, y, word(red[std::size_t(x)], g, blue[std::size_t(x) + std::size_t(y)]));
  }
}

// The upper n = h / 2 rows fade from white into the full hues, the rest from
// the full hues to black. An image of a single row has no upper half and its
// lower half would fade over n = 0 rows: it gets the one row where the two
// halves meet, the full hues at saturation and value 255.
void ORV_TestPatternHsv() {
  Size s;
  if (!drawable(s)) return;
  const int n = s.h / 2;
  std::vector<int> hue(std::size_t(s.w));
  for (int x = 0; x < s.w; ++x) hue[std::size_t(x)] = int(i64(359) * x / s.w);
  for (int y = 0; y < s.h; ++y) {
    int sat = 255, value = 255;
    if (y < n)
      sat = int(i64(255) * y / n);
    else if (n > 0)
      value = int(255 - (i64(y) - n) * 255 / n);
    for (int x = 0; x < s.w; ++x) ORV_SetPixel(x, y, ORV_HsvToRgb(value, sat, hue[std::size_t(x)]));
  }
}

void ORV_TestPatternYCrCb() {
  paint_chroma(kYCrCb);
}

void ORV_TestPatternYuv() {
  paint_chroma(kYuv);
}

void ORV_TestPatternYiq() {
  paint_chroma(kYiq);
}

// Rows 0..h/2-1 ramp from black to white, rows h/2..h-1 from white to black.
// An image of one row has no upper half: it shows the lower ramp.
void ORV_TestPatternGrey() {
  const orv::CurrentPixels& view = orv::current_pixels();
  const int w = view.width, h = view.height;
  if (view.bits == 8) {
    unsigned char ramp[256 * 4];
    for (int i = 0; i < 256; ++i) {
      ramp[4 * i] = ramp[4 * i + 1] = ramp[4 * i + 2] = std::uint8_t(i);
      ramp[4 * i + 3] = 0;
    }
    ORV_SetPalette(ramp, 256);
  }
  for (int x = 0; x < w; ++x) {
    const int g = int(i64(255) * x / w);
    if (h / 2 > 0) ORV_Line(g * 0x010101, x, 0, x, h / 2 - 1);
    ORV_Line((255 - g) * 0x010101, x, h / 2, x, h - 1);
  }
}
