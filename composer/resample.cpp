// The six resampling modes, each in its own arithmetic, and the blend.
#include "composer/resample.h"

#include <algorithm>
#include <cmath>
#include <vector>

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

// Image 0 as the resampling reads it: 0x00RRGGBB through the palette of
// an 8-bit image, 0 outside it or when image 0 is gone. Taken again after
// anything that may let the person close image 0 (the progress print).
struct Source {
  const std::uint8_t* base = nullptr;
  std::size_t stride = 0;
  int width = 0;
  int height = 0;
  const platform::PaletteEntry* palette = nullptr;  // 8-bit images only

  static Source of_image_0() {
    Source s;
    orv::ImageRecord* r = orv::image_in_use(0);
    if (!r) return s;
    s.base = orv::image_pixels(0);
    s.stride = std::size_t(r->dib->stride);
    s.width = r->width;
    s.height = r->height;
    if (r->bits != 32) s.palette = r->dib->palette.data();
    return s;
  }
  std::uint32_t operator()(int x, int y) const {
    if (unsigned(x) >= unsigned(width) || unsigned(y) >= unsigned(height)) return 0;
    const std::uint8_t* row = base + std::size_t(y) * stride;
    if (!palette) return reinterpret_cast<const std::uint32_t*>(row)[x];
    const platform::PaletteEntry& e = palette[row[x]];
    return std::uint32_t(e.red) << 16 | std::uint32_t(e.green) << 8 | e.blue;
  }
};

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

// Each work row reads one source row at the columns the mode's x steps
// give; those are worked out once per build, in the mode's own arithmetic.
void nearest_rows(const Size& s, const std::vector<int>& columns, const std::vector<int>& rows,
                  std::uint32_t* work) {
  const Source source = Source::of_image_0();
  for (int i = 0; i < s.dst_h; ++i) {
    std::uint32_t* out = work + std::size_t(i) * s.dst_w;
    int y = rows[std::size_t(i)];
    if (!source.palette && unsigned(y) < unsigned(source.height)) {
      const auto* in = reinterpret_cast<const std::uint32_t*>(source.base + std::size_t(y) * source.stride);
      for (int j = 0; j < s.dst_w; ++j) {
        int x = columns[std::size_t(j)];
        out[j] = unsigned(x) < unsigned(source.width) ? in[x] : 0;
      }
      continue;
    }
    for (int j = 0; j < s.dst_w; ++j) out[j] = source(columns[std::size_t(j)], y);
  }
}

void nearest(const Size& s, std::uint32_t* work) {
  double sx = double(s.src_w) / s.dst_w, sy = double(s.src_h) / s.dst_h;
  std::vector<int> columns(std::size_t(s.dst_w)), rows(std::size_t(s.dst_h));
  for (int j = 0; j < s.dst_w; ++j) columns[std::size_t(j)] = int(j * sx);
  for (int i = 0; i < s.dst_h; ++i) rows[std::size_t(i)] = int(i * sy);
  nearest_rows(s, columns, rows, work);
}

// 16.16 steps, added once per column and once per row.
void nearest_fixed(const Size& s, std::uint32_t* work) {
  std::uint32_t xs = std::uint32_t(s.src_w) * 65536u / std::uint32_t(s.dst_w);
  std::uint32_t ys = std::uint32_t(s.src_h) * 65536u / std::uint32_t(s.dst_h);
  std::vector<int> columns(std::size_t(s.dst_w)), rows(std::size_t(s.dst_h));
  std::uint32_t xx = 0, yy = 0;
  for (int j = 0; j < s.dst_w; ++j, xx += xs) columns[std::size_t(j)] = int(xx >> 16);
  for (int i = 0; i < s.dst_h; ++i, yy += ys) rows[std::size_t(i)] = int(yy >> 16);
  nearest_rows(s, columns, rows, work);
}

struct Neighbours {
  std::uint32_t p00, p10, p01, p11;
};

Neighbours neighbours(const Source& source, int x0, int y0, int x1, int y1) {
  return {source(x0, y0), source(x1, y0), source(x0, y1), source(x1, y1)};
}

// A source coordinate split into its whole part and fraction, worked out
// once per column and once per row in the mode's arithmetic (x = rx·j for
// modes 1, 2 and 4, running sums for mode 3) and shared by every pixel.
struct Axis {
  int whole = 0;
  double fraction = 0;
  double cubic[4] = {0, 0, 0, 0};  // mode 2's weights of the four neighbours
};

double cubic(double t) {
  if (t < 1) return 1 - 2 * t * t + t * t * t;
  if (t < 2) return 4 - 8 * t + 5 * t * t - t * t * t;
  return 0;
}

Axis axis(double x, bool with_cubic) {
  Axis a;
  a.whole = int(x);
  a.fraction = x - a.whole;
  if (with_cubic) {
    double f = a.fraction;
    const double w[4] = {cubic(1 + f), cubic(f), cubic(1 - f), cubic(2 - f)};
    std::copy(w, w + 4, a.cubic);
  }
  return a;
}

// Rounds a channel sum to 0..255. int(v + 0.5) equals floor(v + 0.5) for
// v + 0.5 >= 0, and both clamp to 0 below that, so no floor call is needed.
std::uint32_t rounded_channel(double v) {
  return std::uint32_t(std::clamp(int(v + 0.5), 0, 255));
}

std::uint32_t bilinear_rounded(const Source& source, const Axis& ax, const Axis& ay) {
  const int x0 = ax.whole, y0 = ay.whole;
  const double fx = ax.fraction, fy = ay.fraction;
  Neighbours n = neighbours(source, x0, y0, x0 + 1, y0 + 1);
  std::uint32_t out = 0;
  for (int shift : kShifts) {
    double v = (1 - fx) * (1 - fy) * channel(n.p00, shift) + fx * (1 - fy) * channel(n.p10, shift) +
               (1 - fx) * fy * channel(n.p01, shift) + fx * fy * channel(n.p11, shift);
    out |= rounded_channel(v) << shift;
  }
  return out;
}

std::uint32_t bicubic(const Source& source, const Axis& ax, const Axis& ay) {
  const int x0 = ax.whole, y0 = ay.whole;
  const double* wx = ax.cubic;
  const double* wy = ay.cubic;
  double sum[3] = {0, 0, 0};
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) {
      std::uint32_t p = source(x0 - 1 + c, y0 - 1 + r);
      for (int k = 0; k < 3; ++k) sum[k] += wy[r] * wx[c] * channel(p, kShifts[k]);
    }
  }
  std::uint32_t out = 0;
  for (int k = 0; k < 3; ++k) out |= rounded_channel(sum[k]) << kShifts[k];
  return out;
}

std::uint32_t bilinear_truncated(const Source& source, const Axis& ax, const Axis& ay) {
  const int x0 = ax.whole, y0 = ay.whole;
  const double fx = ax.fraction, fy = ay.fraction;
  Neighbours n = neighbours(source, x0, y0, x0 + 1, y0 + 1);
  std::uint32_t out = 0;
  for (int shift : kShifts) {
    int a = channel(n.p00, shift), b = channel(n.p10, shift), c = channel(n.p01, shift),
        d = channel(n.p11, shift);
    double v = a + fx * fy * (a - b - c + d) + fx * (b - a) + fy * (c - a);
    out |= (std::uint32_t(int(v)) & 0xFF) << shift;
  }
  return out;
}

std::uint32_t bilinear_clamped(const Source& source, const Axis& ax, const Axis& ay,
                               const Size& s) {
  const int x0 = ax.whole, y0 = ay.whole;
  int x1 = std::min(x0 + 1, s.src_w - 1), y1 = std::min(y0 + 1, s.src_h - 1);
  const double fx = ax.fraction, fy = ay.fraction;
  Neighbours n = neighbours(source, x0, y0, x1, y1);
  std::uint32_t out = 0;
  for (int shift : kShifts) {
    double top = (1 - fx) * channel(n.p00, shift) + fx * channel(n.p10, shift);
    double bottom = (1 - fx) * channel(n.p01, shift) + fx * channel(n.p11, shift);
    out |= std::uint32_t(std::min(int((1 - fy) * top + fy * bottom + 0.5), 255)) << shift;
  }
  return out;
}

// The axis of every column: x = step·j, or (running) the sum of j steps.
std::vector<Axis> axes(int count, double step, bool running, bool with_cubic) {
  std::vector<Axis> out(std::size_t(std::max(count, 0)));
  double sum = 0;
  for (int j = 0; j < count; ++j, sum += step)
    out[std::size_t(j)] = axis(running ? sum : step * j, with_cubic);
  return out;
}

template <class Pixel>
void fill_row(std::uint32_t* out, const std::vector<Axis>& columns, Pixel pixel) {
  for (std::size_t j = 0; j < columns.size(); ++j) out[j] = pixel(columns[j]);
}

// Modes 1 to 4: x and y from products (1, 2, 4) or running sums (3), a
// progress counter after every row.
void interpolated(const Size& s, int mode, std::uint32_t* work) {
  const double rx = double(s.src_w) / s.dst_w, ry = double(s.src_h) / s.dst_h;
  const bool running = mode == kBilinear01, with_cubic = mode == kBicubicOrv;
  const std::vector<Axis> columns = axes(s.dst_w, rx, running, with_cubic);
  double y_sum = 0;
  for (int i = 0; i < s.dst_h; ++i, y_sum += ry) {
    const Source source = Source::of_image_0();
    const Axis ay = axis(running ? y_sum : ry * i, with_cubic);
    std::uint32_t* out = work + std::size_t(i) * s.dst_w;
    switch (mode) {
      case kBilinearOrv:
        fill_row(out, columns, [&](const Axis& ax) { return bilinear_rounded(source, ax, ay); });
        break;
      case kBicubicOrv:
        fill_row(out, columns, [&](const Axis& ax) { return bicubic(source, ax, ay); });
        break;
      case kBilinear01:
        fill_row(out, columns, [&](const Axis& ax) { return bilinear_truncated(source, ax, ay); });
        break;
      default:
        fill_row(out, columns, [&](const Axis& ax) { return bilinear_clamped(source, ax, ay, s); });
        break;
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
