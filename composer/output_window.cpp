// The renderers on the desktop: image 0 in, image 2 out.
#include "composer/output_window.h"

#include <algorithm>

#include "composer/params.h"
#include "composer/pixels.h"
#include "composer/resample.h"
#include "framework/orvlib.h"

namespace composer {
namespace {

void show_progress(int row, int rows) {
  int x = 0, y = 0;
  ORV_GetTextCursor(&x, &y);
  ORV_SetTextCursor(0, y);
  ORV_Print("%4d/%4d", row, rows);
}

void end_progress() {
  int x = 0, y = 0;
  ORV_GetTextCursor(&x, &y);
  ORV_SetTextCursor(0, y);
  ORV_Print("         ");
}

std::uint32_t strip_pixel(int x, int y) {
  ORV_SelectImage(kStripImage);
  return std::uint32_t(ORV_GetPixel(x, y));
}

// write_diagonal through the pixel calls.
void diagonal_by_pixel_calls(std::uint32_t colour, int a, int r) {
  for (int row = 0; row < 3; ++row) {
    int s = a + row;
    std::uint32_t mask = channel_of_sub_pixel(s);
    ORV_SelectImage(kOutputImage);
    std::uint32_t old = std::uint32_t(ORV_GetPixel(s / 3, 3 * r + row));
    ORV_SetPixel(s / 3, 3 * r + row, int((old & ~mask) | (colour & mask)));
  }
}

}  // namespace

ORV_PixelBuffer image_buffer(int id) {
  ORV_PixelBuffer view;
  ORV_GetImageBuffer(id, &view);
  return view;
}

void build_work_image_from_source(const Params& p, std::uint32_t* work) {
  const bool counted = p.rs != kNearest && p.rs != kNnTest;
  ResampleProgress progress;
  if (counted) {
    // Printing lets the person close image 0: it is taken again after each count.
    progress = [](int row, int rows) {
      show_progress(row, rows);
      return image_buffer(kSourceImage);
    };
  }
  build_work_image(p, image_buffer(kSourceImage), work, progress);
  if (counted && work_width(p) > 0 && work_height(p) > 0 && p.pic_width * p.pic_num > 0 &&
      p.src_height > 0)
    end_progress();
}

void copy_to_output(const Params& p, const Buffers& b, Scroll& scroll) {
  const ORV_PixelBuffer out = image_buffer(kOutputImage);
  if (!out.pixels) return;
  const Placement at = place_output(p, scroll, out.width, out.height);
  ORV_SelectImage(kOutputImage);
  if (out.bits == 32) {
    copy_placed(p, b.display_buff, at, out);
  } else {
    // An 8-bit image 2 is not the composer's; it goes through the pixel calls.
    for (int y = 0; y < out.height; ++y) {
      bool rows = y >= at.y0 && y < at.ye;
      const std::uint32_t* from =
          rows ? b.display_buff + std::size_t(at.oy + y - at.y0) * p.scaled_width + at.sx : nullptr;
      for (int x = 0; x < out.width; ++x)
        ORV_SetPixel(x, y, rows && x >= at.x0 && x < at.xe ? int(from[x - at.x0]) : 0);
    }
  }
  ORV_DrawImage(kOutputImage);
}

void full_beta_redraw(Params& p, const Buffers& b, Scroll& scroll) {
  build_beta_tables(p, b.tables);
  build_beta_maps(p, b.tables, b.maps);
  beta_position_redraw(p, b, scroll);
}

void beta_position_redraw(const Params& p, const Buffers& b, Scroll& scroll) {
  WorkSource samples;
  samples.work = b.work;
  print_status(p);  // printing may let the person close image 2: it is looked up after
  const ORV_PixelBuffer out = image_buffer(kOutputImage);
  if (out.bits == 32) {
    // Composed straight into image 2's rows, only those it shows: the
    // pixels that composing into display_buff and copying would give.
    ORV_SelectImage(kOutputImage);
    compose_beta_placed(p, b.tables, samples, place_output(p, scroll, out.width, out.height), out);
    ORV_DrawImage(kOutputImage);
    return;
  }
  compose_beta(p, b.tables, samples, b.display_buff);
  copy_to_output(p, b, scroll);
}

void show_stable(Params& p) {
  const ORV_PixelBuffer out = image_buffer(kOutputImage);
  if (!out.pixels || p.view_num < 1) return;
  ORV_SelectImage(kOutputImage);
  ORV_FillBox(0, 0, out.width, out.height, 0, 0);
  const ORV_PixelBuffer strip = image_buffer(kStripImage);
  const std::vector<LensColumn> columns = render_stable(p, strip, out);
  if (strip.pixels) {
    // The walk goes column by column over the row groups, and each step
    // selects four times: its last two steps refill the selection stack.
    const int groups = p.scaled_height / 3, pw1 = strip.width / p.pic_num;
    const long long steps = (long long)columns.size() * std::max(groups, 0);
    for (long long step = std::max(0LL, steps - 2); step < steps; ++step) {
      std::size_t c = std::size_t(step / groups);
      int r = int(step % groups);
      const LensColumn& column = columns[c];
      std::uint32_t u = strip_pixel(column.picture * pw1 + column.k + 3 * r, 3 * r);
      std::uint32_t previous =
          c > 0
              ? stored_value(strip, columns[c - 1].picture * pw1 + columns[c - 1].k + 3 * r, 3 * r)
              : 0;
      diagonal_by_pixel_calls(column.blends ? blend(column.weight, u, previous) : u,
                              stable_sub_pixel(p, column, r), r);
    }
  }
  ORV_DrawImage(kOutputImage);
  print_status(p);
}

void show_print(Params& p, const Buffers& b) {
  const ORV_PixelBuffer out = image_buffer(kOutputImage);
  if (!out.pixels) return;
  const ORV_PixelBuffer strip = image_buffer(kStripImage);
  render_print(p, b.tables, strip, out);
  if (strip.pixels) {
    // A step reads the strip once or twice and writes one pixel: the last
    // four steps select at least eight times.
    const long long n = p.scaled_width, steps = n * std::max(p.scaled_height - 1, 0);
    for (long long step = std::max(0LL, steps - 4); step < steps; ++step) {
      int i = int(step / n), j = int(step % n);
      PrintStep s = print_step(p, b.tables, strip, i, j);
      strip_pixel(s.x1, i);
      if (s.second) strip_pixel(s.x2, i);
      ORV_SelectImage(kOutputImage);
      ORV_SetPixel(j, i, int(s.colour));
    }
  }
  ORV_DrawImage(kOutputImage);
  print_status(p);
}

}  // namespace composer
