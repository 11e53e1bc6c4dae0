// A user program for looking at a pick on a desktop: ORV_Ready shows a
// colour ramp in image 0; each Start asks for a rectangle with ORV_PickRect
// and outlines the picked one in the drawing colour, until Stop or a cancel.
#include "framework/orvlib.h"

void ORV_Ready() {
  ORV_CreateImage(0, "pick", 420, 200, 320, 240, 100);
  for (int y = 0; y < 240; ++y)
    for (int x = 0; x < 320; ++x)
      ORV_SetPixel(x, y, (x * 255 / 319) << 16 | (y * 255 / 239) << 8 | 0x60);
  ORV_DrawImage(0);
}

int ORV_Main() {
  int x1, y1, x2, y2;
  while (ORV_PickRect(0, &x1, &y1, &x2, &y2) == 0) {
    ORV_Box(x1, y1, x2, y2);
    ORV_DrawImage(0);
  }
  return 0;
}
