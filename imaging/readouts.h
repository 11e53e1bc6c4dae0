// The measurements of the image window's Information submenu: the clicked
// pixel in six colour models, row profiles as curves, and chroma scatter
// diagrams, each plot in a new image window.
#pragma once

#include <string>

namespace orv {

// The commands, by their menu command numbers.
constexpr int kCommandInfoPixel = 1015;
constexpr int kCommandInfoLineRgb = 1016;
constexpr int kCommandInfoLineHsv = 1017;
constexpr int kCommandInfoLineYCrCb = 1018;
constexpr int kCommandInfoLineCrCb = 1021;
constexpr int kCommandInfoAreaCrCb = 1022;
constexpr int kCommandInfoLineLumi = 1070;

// Worker thread: runs measurement `command` on image `id`, picking its
// point, row or rectangle there. False for a number that is not one of them.
bool run_information_command(int command, int id);

// What "Pixel" prints for value v at (x, y): the six colour models of a
// colour word, or for an 8-bit image the palette index as it is.
std::string pixel_readout(int x, int y, int v, bool eight_bit);

}  // namespace orv
