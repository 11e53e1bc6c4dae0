// A user program for the picture exchange with other programs on a desktop:
// image 0 holds four coloured blocks and is also written as the JPEG file
// named by the first argument; images 1, 2 and 3 start black. While it runs
// it says once when image 1 equals image 0, when image 2 is within JPEG
// rounding of it and when image 3 equals it, so that a script can paste
// into the first two and drop a file on the third from other programs.
#include <cstdio>
#include <cstdlib>

#include "framework/orvlib.h"

namespace {

constexpr int kWidth = 64;
constexpr int kHeight = 32;

int block_colour(int x, int y) {
  static const int colours[4] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00};
  return colours[(x >= kWidth / 2) + 2 * (y >= kHeight / 2)];
}

// Whether every pixel of image id is within `tolerance` of image 0 in each
// channel; with a tolerance, pixels next to a block edge (where JPEG blurs
// the colours) are left out.
bool matches(int id, int tolerance) {
  ORV_SelectImage(id);
  bool same = true;
  for (int y = 0; y < kHeight && same; ++y)
    for (int x = 0; x < kWidth && same; ++x) {
      if (tolerance > 0 && (std::abs(2 * x + 1 - kWidth) < 8 || std::abs(2 * y + 1 - kHeight) < 8))
        continue;
      int got = ORV_GetPixel(x, y), want = block_colour(x, y);
      for (int shift : {0, 8, 16})
        if (std::abs(((got >> shift) & 0xFF) - ((want >> shift) & 0xFF)) > tolerance) same = false;
    }
  ORV_RestoreImage();
  return same;
}

}  // namespace

void ORV_Ready() {
  ORV_CreateImage(0, "source", 20, 20, kWidth, kHeight, 200);
  ORV_CreateImage(1, "png-target", 20, 200, kWidth, kHeight, 200);
  ORV_CreateImage(2, "jpeg-target", 20, 380, kWidth, kHeight, 200);
  ORV_CreateImage(3, "drop-target", 20, 560, kWidth, kHeight, 200);
  ORV_SelectImage(0);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) ORV_SetPixel(x, y, block_colour(x, y));
  if (ORV_ArgCount() > 1 && ORV_SaveImageFile(kWidth, kHeight, 1, ORV_Arg(1), 0) != 0)
    std::printf("cannot write %s\n", ORV_Arg(1));
  for (int id = 0; id < 4; ++id) ORV_DrawImage(id);
  std::printf("ready\n");
  std::fflush(stdout);
}

int ORV_Main() {
  std::printf("started\n");
  std::fflush(stdout);
  bool png = false, jpeg = false, drop = false;
  while (!orv_stop_req.load() && !(png && jpeg && drop)) {
    ORV_Wait(50);
    if (!png && matches(1, 0)) {
      png = true;
      std::printf("png paste same\n");
    }
    if (!jpeg && matches(2, 3)) {
      jpeg = true;
      std::printf("jpeg paste close\n");
    }
    if (!drop && matches(3, 0)) {
      drop = true;
      std::printf("drop same\n");
    }
    std::fflush(stdout);
  }
  return 0;
}
