// The six resampling modes, each in its own arithmetic, and the blend.
#include "composer/resample.h"

#include <algorithm>
#include <cmath>

#include "composer/params.h"
#include "framework/image/image_table.h"
#include "framework/orvlib.h"

namespace composer {
namespace {

struct Size {
  int src_w, src_h, dst_w, dst_h;
};

inline int channel(std::uint32_t c, int shift) {
  return int((c >> shift) & 0xFF);
}

constexpr int kShifts[3] = {16, 8, 0};

// Image 0's colour at (x, y), through the palette of an 8-bit image; 0
// outside it or when image 0 is gone.
std::uint32_t source_colour(int x, int y) {
  orv::ImageRecord* r = orv::image_in_use(0);
  if (!r || unsigned(x) >= unsigned(r->width) || unsigned(y) >= unsigned(r->height)) return 0;
  const std::uint8_t* row = orv::image_pixels(0) + std::size_t(y) * std::size_t(r->dib->stride);
  if (r->bits == 32) return reinterpret_cast<const std::uint32_t*>(row)[x];
  const platform::PaletteEntry& e = r->dib->palette[row[x]];
  return std::uint32_t(e.red) << 16 | std::uint32_t(e.green) << 8 | e.blue;
}

void show_progress(int i, int rows) {
  int x = 0, y = 0;
  ORV_GetTextCursor(&x, &y);
  ORV_SetTextCursor(0, y);
  ORV_Print("%4d/%4d", i, rows);
}

void end_progress() {
  int x = 0, y = 0;
  ORV_GetTextCursor(&x, &y);
  ORV_SetTextCursor(0, y);
  ORV_Print("         ");
}

void nearest(const Size& s, std::uint32_t* work) {
  double sx = double(s.src_w) / s.dst_w, sy = double(s.src_h) / s.dst_h;
  for (int i = 0; i < s.dst_h; ++i) {
    int y = int(i * sy);
    for (int j = 0; j < s.dst_w; ++j)
      work[std::size_t(i) * s.dst_w + j] = source_colour(int(j * sx), y);
  }
}

// 16.16 steps, added once per column and once per row.
void nearest_fixed(const Size& s, std::uint32_t* work) {
  std::uint32_t xs = std::uint32_t(s.src_w) * 65536u / std::uint32_t(s.dst_w);
  std::uint32_t ys = std::uint32_t(s.src_h) * 65536u / std::uint32_t(s.dst_h);
  std::uint32_t yy = 0;
  for (int i = 0; i < s.dst_h; ++i, yy += ys) {
    std::uint32_t xx = 0;
    for (int j = 0; j < s.dst_w; ++j, xx += xs)
      work[std::size_t(i) * s.dst_w + j] = source_colour(int(xx >> 16), int(yy >> 16));
  }
}

struct Neighbours {
  std::uint32_t p00, p10, p01, p11;
};

Neighbours neighbours(int x0, int y0, int x1, int y1) {
  return {source_colour(x0, y0), source_colour(x1, y0), source_colour(x0, y1),
          source_colour(x1, y1)};
}

std::uint32_t bilinear_rounded(double x, double y) {
  int x0 = int(x), y0 = int(y);
  double fx = x - x0, fy = y - y0;
  Neighbours n = neighbours(x0, y0, x0 + 1, y0 + 1);
  std::uint32_t out = 0;
  for (int shift : kShifts) {
    double v = (1 - fx) * (1 - fy) * channel(n.p00, shift) + fx * (1 - fy) * channel(n.p10, shift) +
               (1 - fx) * fy * channel(n.p01, shift) + fx * fy * channel(n.p11, shift);
    out |= std::uint32_t(std::clamp(int(std::floor(v + 0.5)), 0, 255)) << shift;
  }
  return out;
}

double cubic(double t) {
  if (t < 1) return 1 - 2 * t * t + t * t * t;
  if (t < 2) return 4 - 8 * t + 5 * t * t - t * t * t;
  return 0;
}

std::uint32_t bicubic(double x, double y) {
  int x0 = int(x), y0 = int(y);
  double fx = x - x0, fy = y - y0;
  const double wx[4] = {cubic(1 + fx), cubic(fx), cubic(1 - fx), cubic(2 - fx)};
  const double wy[4] = {cubic(1 + fy), cubic(fy), cubic(1 - fy), cubic(2 - fy)};
  double sum[3] = {0, 0, 0};
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) {
      std::uint32_t p = source_colour(x0 - 1 + c, y0 - 1 + r);
      for (int k = 0; k < 3; ++k) sum[k] += wy[r] * wx[c] * channel(p, kShifts[k]);
    }
  }
  std::uint32_t out = 0;
  for (int k = 0; k < 3; ++k)
    out |= std::uint32_t(std::clamp(int(std::floor(sum[k] + 0.5)), 0, 255)) << kShifts[k];
  return out;
}

std::uint32_t bilinear_truncated(double x, double y) {
  int x0 = int(x), y0 = int(y);
  double fx = x - x0, fy = y - y0;
  Neighbours n = neighbours(x0, y0, x0 + 1, y0 + 1);
  std::uint32_t out = 0;
  for (int shift : kShifts) {
    int a = channel(n.p00, shift), b = channel(n.p10, shift), c = channel(n.p01, shift),
        d = channel(n.p11, shift);
    double v = a + fx * fy * (a - b - c + d) + fx * (b - a) + fy * (c - a);
    out |= (std::uint32_t(int(v)) & 0xFF) << shift;
  }
  return out;
}

std::uint32_t bilinear_clamped(double x, double y, const Size& s) {
  int x0 = int(x), y0 = int(y);
  int x1 = std::min(x0 + 1, s.src_w - 1), y1 = std::min(y0 + 1, s.src_h - 1);
  double fx = x - x0, fy = y - y0;
  Neighbours n = neighbours(x0, y0, x1, y1);
  std::uint32_t out = 0;
  for (int shift : kShifts) {
    double top = (1 - fx) * channel(n.p00, shift) + fx * channel(n.p10, shift);
    double bottom = (1 - fx) * channel(n.p01, shift) + fx * channel(n.p11, shift);
    out |= std::uint32_t(std::min(int((1 - fy) * top + fy * bottom + 0.5), 255)) << shift;
  }
  return out;
}

// Modes 1 to 4: x and y from products (1, 2, 4) or running sums (3), a
// progress counter after every row.
void interpolated(const Size& s, int mode, std::uint32_t* work) {
  const double rx = double(s.src_w) / s.dst_w, ry = double(s.src_h) / s.dst_h;
  double y_sum = 0;
  for (int i = 0; i < s.dst_h; ++i, y_sum += ry) {
    double x_sum = 0;
    for (int j = 0; j < s.dst_w; ++j, x_sum += rx) {
      double x = rx * j, y = ry * i;
      std::uint32_t& out = work[std::size_t(i) * s.dst_w + j];
      switch (mode) {
        case kBilinearOrv:
          out = bilinear_rounded(x, y);
          break;
        case kBicubicOrv:
          out = bicubic(x, y);
          break;
        case kBilinear01:
          out = bilinear_truncated(x_sum, y_sum);
          break;
        default:
          out = bilinear_clamped(x, y, s);
          break;
      }
    }
    show_progress(i, s.dst_h);
  }
  end_progress();
}

}  // namespace

int work_width(const Params& p) {
  return p.subpixels * p.scaled_width * p.pic_num;
}

int work_height(const Params& p) {
  return p.subpixels > 0 ? p.scaled_height / p.subpixels : 0;
}

void build_work_image(const Params& p, std::uint32_t* work) {
  Size s{p.pic_width * p.pic_num, p.src_height, work_width(p), work_height(p)};
  if (!work || s.dst_w <= 0 || s.dst_h <= 0 || s.src_w <= 0 || s.src_h <= 0) return;
  switch (p.rs) {
    case kNearest:
      nearest(s, work);
      break;
    case kNnTest:
      nearest_fixed(s, work);
      break;
    default:
      interpolated(s, p.rs, work);
      break;
  }
}

std::uint32_t blend(double w, std::uint32_t a, std::uint32_t b) {
  std::uint32_t out = 0;
  for (int shift : kShifts)
    out |= std::uint32_t(int((1 - w) * channel(a, shift) + w * channel(b, shift))) << shift;
  return out;
}

}  // namespace composer
