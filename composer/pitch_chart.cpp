// The pitch test chart, drawn by the composer's renderers band by band.
#include "composer/pitch_chart.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "composer/params.h"
#include "composer/pixels.h"
#include "composer/render.h"
#include "framework/orvlib.h"

namespace composer {
namespace {

constexpr int kLabelMargin = 4;

// A run of the composer over a strip of flat pictures at the chart's width,
// one band high (one row more for PRINT, which leaves the output's last row
// as it was).
Params band_params(const PitchChart& chart, int rows) {
  Params p;
  p.width = p.prev_width = chart.width;
  p.height = p.prev_height = rows;
  p.pic_num = p.prev_pic_num = chart.views;
  p.view_num = p.prev_view_num = chart.views;
  p.scale = p.prev_scale = 100;
  p.pic_width = p.scaled_width = chart.width;
  p.src_height = p.scaled_height = rows;
  p.print_mode = chart.mode;
  p.subpixels = chart.mode == kPrint ? 1 : 3;
  p.rs = kNnTest;
  return p;
}

}  // namespace

std::vector<double> chart_pitches(double from, double to, double step) {
  std::vector<double> pitches;
  if (!std::isfinite(from) || !std::isfinite(to) || !std::isfinite(step) || from <= 0 ||
      step <= 0 || to < from)
    return pitches;
  double steps = std::floor((to - from) / step + 1e-3);
  for (int k = 0; k <= steps && int(pitches.size()) <= kMaxBands; ++k)
    pitches.push_back(from + k * step);
  return pitches;
}

int band_height(int count, int height) {
  if (count < 1) return 0;
  int band = (height - kBandGap * (count - 1)) / count;
  return band >= kMinBandHeight ? band : 0;
}

int smallest_chart_height(int count) {
  return count * kMinBandHeight + (count - 1) * kBandGap;
}

std::string pitch_label(double pitch) {
  char text[32];
  std::snprintf(text, sizeof text, "%.4f", pitch);
  return text;
}

void draw_label(std::vector<std::uint32_t>& pixels, int width, int height, int x, int y,
                const std::string& text) {
  const int box_w = 8 * int(text.size()) + 2 * kLabelMargin, box_h = 16 + 2 * kLabelMargin;
  for (int row = 0; row < box_h; ++row) {
    for (int col = 0; col < box_w; ++col) {
      int px = x + col, py = y + row;
      if (unsigned(px) >= unsigned(width) || unsigned(py) >= unsigned(height)) continue;
      int gx = col - kLabelMargin, gy = row - kLabelMargin;
      const unsigned char* glyph =
          gx >= 0 && gy >= 0 && gy < 16 && gx < 8 * int(text.size())
              ? ORV_ConsoleGlyph(static_cast<unsigned char>(text[std::size_t(gx / 8)]))
              : nullptr;
      bool lit = glyph && (glyph[gy] >> (7 - gx % 8) & 1);
      pixels[std::size_t(py) * width + px] = lit ? 0xFFFFFF : 0x000000;
    }
  }
}

bool render_pitch_chart(const PitchChart& chart, std::vector<std::uint32_t>& pixels,
                        std::string* error) {
  const int count = int(chart.pitches.size());
  const int band = band_height(count, chart.height);
  const int rows = chart.mode == kPrint ? band + 1 : band;
  if (band == 0 || chart.views < 2 || chart.width < 1) {
    *error = "the chart's bands do not fit";
    return false;
  }
  Params p = band_params(chart, rows);
  const std::size_t strip_width = std::size_t(chart.views) * std::size_t(chart.width);
  const std::uint64_t words =
      std::uint64_t(chart.width) * (std::uint64_t(chart.height) + 2 * rows) + strip_width * rows +
      6 * (3 * std::uint64_t(chart.width) + rows);
  if (words * 8 > ORV_MemoryBudget()) {
    *error = "not enough memory for the chart";
    return false;
  }
  // Flat pictures: black for the first half of the views, white for the second.
  std::vector<std::uint32_t> strip(strip_width * std::size_t(rows));
  for (std::size_t x = 0; x < strip_width; ++x)
    strip[x] = int(x / std::size_t(chart.width)) < chart.views / 2 ? 0x000000 : 0xFFFFFF;
  for (int y = 1; y < rows; ++y)
    std::copy(strip.begin(), strip.begin() + std::ptrdiff_t(strip_width),
              strip.begin() + std::ptrdiff_t(y * strip_width));
  const ORV_PixelBuffer strip_view =
      words_view(strip.data(), int(strip_width), rows, int(strip_width));
  std::vector<std::uint32_t> band_pixels(std::size_t(chart.width) * rows, 0u);
  const ORV_PixelBuffer out = words_view(band_pixels.data(), chart.width, rows, chart.width);
  const OwnedTables store(p);
  const Tables& t = store.tables;
  const Resampling resampling = plan_resampling(p);
  WorkSource samples;
  samples.resampling = &resampling;
  samples.source = strip_view;
  pixels.assign(std::size_t(chart.width) * chart.height, kBandGapColour);
  for (int k = 0; k < count; ++k) {
    p.pitch = chart.pitches[std::size_t(k)];
    if (chart.mode == kPrint) {
      render_print(p, t, strip_view, out);
    } else {
      build_beta_tables(p, t);
      Scroll scroll;
      compose_beta_placed(p, t, samples, place_output(p, scroll, chart.width, rows), out);
    }
    const int top = k * (band + kBandGap);
    std::copy(band_pixels.begin(), band_pixels.begin() + std::ptrdiff_t(band) * chart.width,
              pixels.begin() + std::ptrdiff_t(top) * chart.width);
    draw_label(pixels, chart.width, chart.height, 0, top, pitch_label(p.pitch));
  }
  return true;
}

}  // namespace composer
