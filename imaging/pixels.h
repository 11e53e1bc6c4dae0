// Pixels of the current image for the framework's drawing code: the calls
// that leave the pen where it is (the ORV_ ones that move it are in
// framework/orvlib.h), and the pen itself.
#pragma once

namespace orv {

// As ORV_SetPixel without moving the pen.
void plot_pixel(int x, int y, int colour);
// As ORV_GetPixel, but -1 for a point outside the image.
int read_pixel(int x, int y);
// As ORV_XorPixel without moving the pen.
void xor_plot_pixel(int x, int y);

struct Pen {
  int x = 0;
  int y = 0;
};
// The last point given to ORV_SetPixel or ORV_XorPixel, or the end of the last line.
Pen& pen();
// Back to a fresh process (tests).
void reset_pen_for_tests();

}  // namespace orv
