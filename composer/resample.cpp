// The six resampling modes, each in its own arithmetic, and the blend.
#include "composer/resample.h"

#include <algorithm>
#include <cmath>

#include "composer/params.h"
#include "composer/pixels.h"
#include "composer/pool.h"

namespace composer {
namespace {

inline int channel(std::uint32_t c, int shift) {
  return int((c >> shift) & 0xFF);
}

constexpr int kShifts[3] = {16, 8, 0};

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

// Nearest: x = int(step·j). NN TEST: 16.16 steps added once per column.
std::vector<Axis> nearest_axes(int count, int src, bool fixed) {
  std::vector<Axis> out(std::size_t(std::max(count, 0)));
  const double step = double(src) / count;
  const std::uint32_t fixed_step = std::uint32_t(src) * 65536u / std::uint32_t(count);
  std::uint32_t sum = 0;
  for (int j = 0; j < count; ++j, sum += fixed_step)
    out[std::size_t(j)].whole = fixed ? int(sum >> 16) : int(j * step);
  return out;
}

// Interpolating modes: x = step·j (1, 2 and 4), or the running sum of j
// steps (3).
std::vector<Axis> interpolating_axes(int count, double step, bool running, bool with_cubic) {
  std::vector<Axis> out(std::size_t(std::max(count, 0)));
  double sum = 0;
  for (int j = 0; j < count; ++j, sum += step)
    out[std::size_t(j)] = axis(running ? sum : step * j, with_cubic);
  return out;
}

// Rounds a channel sum to 0..255. int(v + 0.5) equals floor(v + 0.5) for
// v + 0.5 >= 0, and both clamp to 0 below that, so no floor call is needed.
std::uint32_t rounded_channel(double v) {
  return std::uint32_t(std::clamp(int(v + 0.5), 0, 255));
}

// Where a pixel's neighbours come from: through the checked reads, or, when
// its whole footprint lies inside a 32-bit source, straight from the rows.
// Both give the same colours, so the arithmetic after them is the same.
struct CheckedReads {
  const ORV_PixelBuffer& source;
  std::uint32_t operator()(int x, int y) const { return colour_at(source, x, y); }
};
struct DirectReads {
  const ORV_PixelBuffer& source;
  std::uint32_t operator()(int x, int y) const { return row32(source, y)[x]; }
};

// Whether the footprint [x0, x1] x [y0, y1] can be read straight.
bool direct(const ORV_PixelBuffer& s, int x0, int y0, int x1, int y1) {
  return s.bits == 32 && x0 >= 0 && y0 >= 0 && x1 < s.width && y1 < s.height;
}

struct Neighbours {
  std::uint32_t p00, p10, p01, p11;
};

template <class Read>
Neighbours neighbours(const Read& read, int x0, int y0, int x1, int y1) {
  return {read(x0, y0), read(x1, y0), read(x0, y1), read(x1, y1)};
}

template <class Read>
std::uint32_t bilinear_rounded(const Read& read, const Axis& ax, const Axis& ay) {
  const double fx = ax.fraction, fy = ay.fraction;
  Neighbours n = neighbours(read, ax.whole, ay.whole, ax.whole + 1, ay.whole + 1);
  std::uint32_t out = 0;
  for (int shift : kShifts) {
    double v = (1 - fx) * (1 - fy) * channel(n.p00, shift) + fx * (1 - fy) * channel(n.p10, shift) +
               (1 - fx) * fy * channel(n.p01, shift) + fx * fy * channel(n.p11, shift);
    out |= rounded_channel(v) << shift;
  }
  return out;
}

template <class Read>
std::uint32_t bicubic(const Read& read, const Axis& ax, const Axis& ay) {
  const int x0 = ax.whole, y0 = ay.whole;
  double sum[3] = {0, 0, 0};
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) {
      const std::uint32_t p = read(x0 - 1 + c, y0 - 1 + r);
      const double weight = ay.cubic[r] * ax.cubic[c];  // as (wy · wx) · channel groups it
      for (int k = 0; k < 3; ++k) sum[k] += weight * channel(p, kShifts[k]);
    }
  }
  std::uint32_t out = 0;
  for (int k = 0; k < 3; ++k) out |= rounded_channel(sum[k]) << kShifts[k];
  return out;
}

template <class Read>
std::uint32_t bilinear_truncated(const Read& read, const Axis& ax, const Axis& ay) {
  const double fx = ax.fraction, fy = ay.fraction;
  Neighbours n = neighbours(read, ax.whole, ay.whole, ax.whole + 1, ay.whole + 1);
  std::uint32_t out = 0;
  for (int shift : kShifts) {
    int a = channel(n.p00, shift), b = channel(n.p10, shift), c = channel(n.p01, shift),
        d = channel(n.p11, shift);
    double v = a + fx * fy * (a - b - c + d) + fx * (b - a) + fy * (c - a);
    out |= (std::uint32_t(int(v)) & 0xFF) << shift;
  }
  return out;
}

template <class Read>
std::uint32_t bilinear_clamped(const Read& read, const Axis& ax, const Axis& ay,
                               const Resampling& r) {
  const int x0 = ax.whole, y0 = ay.whole;
  int x1 = std::min(x0 + 1, r.src_w - 1), y1 = std::min(y0 + 1, r.src_h - 1);
  const double fx = ax.fraction, fy = ay.fraction;
  Neighbours n = neighbours(read, x0, y0, x1, y1);
  std::uint32_t out = 0;
  for (int shift : kShifts) {
    double top = (1 - fx) * channel(n.p00, shift) + fx * channel(n.p10, shift);
    double bottom = (1 - fx) * channel(n.p01, shift) + fx * channel(n.p11, shift);
    out |= std::uint32_t(std::min(int((1 - fy) * top + fy * bottom + 0.5), 255)) << shift;
  }
  return out;
}

// One interpolated pixel, read straight where its footprint allows.
std::uint32_t interpolated(const Resampling& r, const ORV_PixelBuffer& source, const Axis& ax,
                           const Axis& ay) {
  const CheckedReads checked{source};
  const DirectReads straight{source};
  const int x = ax.whole, y = ay.whole;
  switch (r.mode) {
    case kBilinearOrv:
      return direct(source, x, y, x + 1, y + 1) ? bilinear_rounded(straight, ax, ay)
                                                : bilinear_rounded(checked, ax, ay);
    case kBicubicOrv:
      return direct(source, x - 1, y - 1, x + 2, y + 2) ? bicubic(straight, ax, ay)
                                                        : bicubic(checked, ax, ay);
    case kBilinear01:
      return direct(source, x, y, x + 1, y + 1) ? bilinear_truncated(straight, ax, ay)
                                                : bilinear_truncated(checked, ax, ay);
    default:
      return direct(source, x, y, x + 1, y + 1) ? bilinear_clamped(straight, ax, ay, r)
                                                : bilinear_clamped(checked, ax, ay, r);
  }
}

bool interpolating(int mode) {
  return mode != kNearest && mode != kNnTest;
}

}  // namespace

int work_width(const Params& p) {
  return p.subpixels * p.scaled_width * p.pic_num;
}

int work_height(const Params& p) {
  return p.subpixels > 0 ? p.scaled_height / p.subpixels : 0;
}

Resampling plan_resampling(const Params& p) {
  Resampling r;
  r.mode = p.rs;
  r.src_w = p.pic_width * p.pic_num;
  r.src_h = p.src_height;
  r.dst_w = work_width(p);
  r.dst_h = work_height(p);
  if (!r.usable()) return r;
  if (!interpolating(r.mode)) {
    r.columns = nearest_axes(r.dst_w, r.src_w, r.mode == kNnTest);
    r.rows = nearest_axes(r.dst_h, r.src_h, r.mode == kNnTest);
    r.source_columns.reserve(r.columns.size());
    for (const Axis& a : r.columns) r.source_columns.push_back(a.whole);
    return r;
  }
  const bool running = r.mode == kBilinear01, with_cubic = r.mode == kBicubicOrv;
  r.columns = interpolating_axes(r.dst_w, double(r.src_w) / r.dst_w, running, with_cubic);
  r.rows = interpolating_axes(r.dst_h, double(r.src_h) / r.dst_h, running, with_cubic);
  return r;
}

bool reads_source_directly(const Resampling& r, const ORV_PixelBuffer& source) {
  // Nearest columns and rows grow with j and stay below src_w and src_h.
  return !interpolating(r.mode) && r.usable() && source.pixels && source.bits == 32 &&
         r.src_w <= source.width && r.rows.front().whole >= 0 &&
         r.rows.back().whole < source.height && r.source_columns.front() >= 0;
}

void resample_row(const Resampling& r, const ORV_PixelBuffer& source, int i, int from, int to,
                  std::uint32_t* out) {
  const Axis& ay = r.rows[std::size_t(i)];
  if (!interpolating(r.mode)) {
    const int y = ay.whole;
    if (source.bits == 32 && inside(source, 0, y)) {
      const std::uint32_t* in = row32(source, y);
      for (int j = from; j < to; ++j) {
        int x = r.columns[std::size_t(j)].whole;
        out[j] = unsigned(x) < unsigned(source.width) ? in[x] : 0;
      }
      return;
    }
    for (int j = from; j < to; ++j) out[j] = colour_at(source, r.columns[std::size_t(j)].whole, y);
    return;
  }
  for (int j = from; j < to; ++j) out[j] = interpolated(r, source, r.columns[std::size_t(j)], ay);
}

void build_work_image(const Params& p, const ORV_PixelBuffer& source, std::uint32_t* work,
                      const ResampleProgress& progress) {
  const Resampling r = plan_resampling(p);
  if (!work || !r.usable()) return;
  auto rows = [&](const ORV_PixelBuffer& from, int begin, int end) {
    parallel_for(end - begin, 1, [&](int b, int e) {
      for (int i = begin + b; i < begin + e; ++i)
        resample_row(r, from, i, 0, r.dst_w, work + std::size_t(i) * std::size_t(r.dst_w));
    });
  };
  if (!interpolating(r.mode) || !progress) {
    rows(source, 0, r.dst_h);
    return;
  }
  // Bands of rows between progress reports, each read from the source the
  // last report gave.
  const int band = 16 * thread_count();
  ORV_PixelBuffer current = source;
  for (int begin = 0; begin < r.dst_h; begin += band) {
    int end = std::min(r.dst_h, begin + band);
    rows(current, begin, end);
    current = progress(end - 1, r.dst_h);
  }
}

}  // namespace composer
