// Pixels of the current image for the framework's drawing code: the calls
// that leave the pen where it is (the ORV_ ones that move it are in
// framework/orvlib.h), and the pen itself.
#pragma once

// As ORV_SetPixel without moving the pen.
void PlotPixel(int x, int y, int colour);
// As ORV_GetPixel, but -1 for a point outside the image.
int ReadPixel(int x, int y);
// As ORV_XorPixel without moving the pen.
void XorPlotPixel(int x, int y);

namespace orv {

struct Pen {
  int x = 0;
  int y = 0;
};
// The last point given to ORV_SetPixel or ORV_XorPixel, or the end of the last line.
Pen& pen();
// Back to a fresh process (tests).
void reset_pen_for_tests();

}  // namespace orv
