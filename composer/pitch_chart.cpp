// The pitch test chart, drawn by the composer's renderers band by band.
#include "composer/pitch_chart.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "composer/main_loop.h"
#include "composer/params.h"
#include "framework/image/image_table.h"
#include "framework/orvlib.h"
#include "platform/draw/font.h"

namespace composer {
namespace {

constexpr int kLabelMargin = 4;

// `count` flat pictures of width x height side by side as image id: black
// for the first half, white for the second.
bool make_flat_strip(int id, int count, int width, int height) {
  if (ORV_CreateImageFL(id, "pitch chart strip", 0, 0, count * width, height, 100) != 0)
    return false;
  const orv::ImageRecord& r = orv::image_record(id);
  for (int y = 0; y < height; ++y) {
    auto* row = reinterpret_cast<std::uint32_t*>(orv::image_pixels(id) +
                                                 std::size_t(y) * std::size_t(r.dib->stride));
    for (int x = 0; x < count * width; ++x) row[x] = x / width < count / 2 ? 0x000000 : 0xFFFFFF;
  }
  return true;
}

// A run of the composer over the strip at the chart's width, one band high
// (one row more for PRINT, which leaves image 2's last row as it was).
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

void destroy_chart_images() {
  for (int id : {kSourceImage, kStripImage, kOutputImage}) ORV_DestroyImage(id);
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
      const std::uint8_t* glyph =
          gx >= 0 && gy >= 0 && gy < 16 && gx < 8 * int(text.size())
              ? platform::builtin_glyph(char32_t(static_cast<unsigned char>(text[std::size_t(gx / 8)])))
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
  pixels.assign(std::size_t(chart.width) * chart.height, kBandGapColour);
  if (!make_flat_strip(kSourceImage, chart.views, chart.width, rows) ||
      !make_flat_strip(kStripImage, chart.views, chart.width, rows) ||
      ORV_CreateImageFL(kOutputImage, "pitch chart band", 0, 0, chart.width, rows, 100) != 0) {
    destroy_chart_images();
    *error = "the chart's images could not be made";
    return false;
  }
  Params p = band_params(chart, rows);
  Run run;
  bool made = allocate_buffers(p, run.buffers) == nullptr;
  for (int k = 0; made && k < count; ++k) {
    p.pitch = chart.pitches[std::size_t(k)];
    redraw(p, run, true);
    const orv::ImageRecord& out = orv::image_record(kOutputImage);
    const int top = k * (band + kBandGap);
    for (int y = 0; y < band; ++y) {
      const auto* from = reinterpret_cast<const std::uint32_t*>(
          orv::image_pixels(kOutputImage) + std::size_t(y) * std::size_t(out.dib->stride));
      std::copy(from, from + chart.width, pixels.begin() + std::ptrdiff_t(top + y) * chart.width);
    }
    draw_label(pixels, chart.width, chart.height, 0, top, pitch_label(p.pitch));
  }
  free_buffers(run.buffers);
  destroy_chart_images();
  if (!made) *error = "out of memory";
  return made;
}

}  // namespace composer
