// A user program for looking at image windows on a desktop: the same
// 128 x 96 picture as a 32-bit image (top row) and an 8-bit one (bottom
// row), each at zoom 100 and 200, in nearest-pixel and in averaging mode.
// The picture alternates between two ramps pixel by pixel, so a window that
// averaged where it should copy would show a smooth ramp instead of a comb.
#include "framework/orvlib.h"

namespace {

constexpr int kWidth = 128, kHeight = 96;
constexpr int kNearest = 3, kAveraging = 4;

void fill(bool eight_bit) {
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      bool odd = (x + y) & 1;
      int level = odd ? 2 * x : 255 - 2 * x;
      ORV_SetPixel(x, y, eight_bit ? level : (level << 16 | (2 * y) << 8 | (odd ? 255 : 0)));
    }
}

// Four windows in a row from (0, top): 100 nearest, 100 averaging, 200
// nearest, 200 averaging.
void open_row(int first_id, int top, bool eight_bit) {
  const int lefts[4] = {0, 160, 320, 620};
  for (int k = 0; k < 4; ++k) {
    int id = first_id + k;
    const char* title = eight_bit ? "grey" : "colour";
    if (eight_bit)
      ORV_CreateImage8(id, title, lefts[k], top, kWidth, kHeight, k < 2 ? 100 : 200);
    else
      ORV_CreateImage(id, title, lefts[k], top, kWidth, kHeight, k < 2 ? 100 : 200);
    fill(eight_bit);
    ORV_SetImageStretchMode(k % 2 ? kAveraging : kNearest, id);
    ORV_UpdateImageTitle(id);
    ORV_DrawImage(id);
  }
}

}  // namespace

void ORV_Ready() {
  open_row(0, 0, false);
  open_row(4, 300, true);
}

int ORV_Main() {
  return 0;
}
