// The pitch test chart: one horizontal band per candidate pitch, each the
// composer's own render (PRINT or BETA) of a strip of flat pictures, black
// for the first half of the views and white for the second, with the pitch
// written at the band's left edge. Printed and looked at through the lens
// sheet, the band that turns from black to white all at once as the print
// is tilted has the sheet's real pitch on that printer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace composer {

constexpr int kMinBandHeight = 48;
constexpr int kBandGap = 4;
constexpr int kMaxBands = 200;
constexpr int kDefaultChartWidth = 1200;
constexpr std::uint32_t kBandGapColour = 0x808080;

struct PitchChart {
  std::vector<double> pitches;
  int views = 2;
  int mode = 2;  // kPrint or kBeta
  int width = kDefaultChartWidth;
  int height = 0;
};

// from, from + step, ... up to `to` (a last step within a thousandth of a
// step of it counts), at most kMaxBands + 1 of them (more than kMaxBands:
// too many); empty unless 0 < from <= to and step > 0, all finite.
std::vector<double> chart_pitches(double from, double to, double step);
// The height of each of `count` bands with their gaps in `height` rows;
// 0 when they would be lower than kMinBandHeight.
int band_height(int count, int height);
// The height of `count` bands of kMinBandHeight with their gaps.
int smallest_chart_height(int count);
// How a band names its pitch.
std::string pitch_label(double pitch);
// Text in the built-in 8 x 16 face, white on a black box 4 pixels wider
// each way, the box's top-left corner at (x, y); clipped to the picture.
void draw_label(std::vector<std::uint32_t>& pixels, int width, int height, int x, int y,
                const std::string& text);

// The chart, row-major 0x00RRGGBB, from the renderers over pixel buffers (no
// windows). False with `error` when it does not fit or memory runs short.
bool render_pitch_chart(const PitchChart& chart, std::vector<std::uint32_t>& pixels,
                        std::string* error);

}  // namespace composer
