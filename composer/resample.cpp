// The six resampling modes, each in its own arithmetic, and the blend.
#include "composer/resample.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "composer/lanes.h"
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

// Eight work columns [j, j + 8) of one row at a time, for a 32-bit source
// whose rows the footprint needs all exist (`rows` points at rows y0 − 1 to
// y0 + 2, those of them the mode reads). A block whose footprint leaves the
// source in some column is done pixel by pixel. Every lane does the
// per-pixel arithmetic above in the same order: the same colours.
struct RowBlock {
  const Resampling& r;
  const ORV_PixelBuffer& source;
  const Axis& ay;
  const std::uint32_t* rows[4];  // source rows y0 − 1, y0, y0 + 1, y0 + 2
  int x0[8];
  // Bicubic: the channels of the sixteen neighbours of column `neighbours_of`
  // as doubles, kept while an enlargement repeats that column.
  int neighbours_of = -1;
  Doubles4 neighbours[4][3];  // [row][channel], the four columns in the lanes

  // The words at column x0 + dx of source row y0 + dy, one per lane.
  [[gnu::always_inline]] Words8 at(int dx, int dy) const {
    const std::uint32_t* row = rows[dy + 1];
    if (x0[0] == x0[7]) return Words8{} + row[x0[0] + dx];  // one column for all eight
    return Words8{row[x0[0] + dx], row[x0[1] + dx], row[x0[2] + dx], row[x0[3] + dx],
                  row[x0[4] + dx], row[x0[5] + dx], row[x0[6] + dx], row[x0[7] + dx]};
  }
};

[[gnu::always_inline]] inline Doubles8 eight(const std::vector<double>& values, int j) {
  Doubles8 v;
  std::memcpy(&v, values.data() + j, sizeof v);
  return v;
}

[[gnu::always_inline]] inline Doubles8 column_fractions(const Resampling& r, int j) {
  return eight(r.column_fraction, j);
}

[[gnu::always_inline]] inline Words8 bilinear_rounded8(const RowBlock& b, int j) {
  const Doubles8 fx = column_fractions(b.r, j);
  const Doubles8 fy = splat8(b.ay.fraction), gy = splat8(1 - b.ay.fraction);
  const Words8 p00 = b.at(0, 0), p10 = b.at(1, 0), p01 = b.at(0, 1), p11 = b.at(1, 1);
  const Doubles8 w00 = (1 - fx) * gy, w10 = fx * gy, w01 = (1 - fx) * fy, w11 = fx * fy;
  Doubles8 value[3];
  for (int k = 0; k < 3; ++k)
    value[k] = w00 * channel8(p00, kShifts[k]) + w10 * channel8(p10, kShifts[k]) +
               w01 * channel8(p01, kShifts[k]) + w11 * channel8(p11, kShifts[k]);
  return rounded_colours8(value);
}

// When the eight columns share one source column (an enlargement makes
// runs of them), the sixteen neighbours are the same for every lane and
// their channels are read once, as long as the column repeats.
[[gnu::always_inline]] inline bool shares_neighbours(RowBlock& b) {
  const bool shared = b.x0[0] == b.x0[7];
  if (shared && b.neighbours_of != b.x0[0]) {
    b.neighbours_of = b.x0[0];
    for (int r = 0; r < 4; ++r) {
      Words4 words;
      std::memcpy(&words, b.rows[r] + b.x0[0] - 1, sizeof words);
      for (int k = 0; k < 3; ++k) b.neighbours[r][k] = channel4(words, kShifts[k]);
    }
  }
  return shared;
}

// Bicubic for eight columns from j, for processors with registers of eight
// doubles (AVX-512). Each lane's sum runs over the sixteen taps in order.
[[gnu::always_inline]] inline Words8 bicubic8_wide(RowBlock& b, int j) {
  Doubles8 across[4];  // the columns' weights
  for (int c = 0; c < 4; ++c) across[c] = eight(b.r.column_cubic[c], j);
  Doubles8 sum[3] = {};
  // Each form unrolled whole, with no test inside: the sums stay in
  // registers and the taps run back to back.
  auto add_taps = [&](auto sample) {
#pragma GCC unroll 4
    for (int r = 0; r < 4; ++r) {
#pragma GCC unroll 4
      for (int c = 0; c < 4; ++c) {
        const Doubles8 weight = b.ay.cubic[r] * across[c];
        const auto p = sample(r, c);
        for (int k = 0; k < 3; ++k) sum[k] += weight * p(k);
      }
    }
  };
  if (shares_neighbours(b))
    add_taps([&](int r, int c) { return [&, r, c](int k) { return b.neighbours[r][k][c]; }; });
  else
    add_taps([&](int r, int c) {
      const Words8 p = b.at(c - 1, r - 1);
      return [p](int k) { return channel8(p, kShifts[k]); };
    });
  return rounded_colours8(sum);
}

// The same in halves of four lanes, for AVX2 and the base instruction set:
// vectors of eight doubles carried over sixteen steps were kept in memory
// for AVX2, and moved through general registers.
[[gnu::always_inline]] inline Words8 bicubic8(RowBlock& b, int j) {
  Doubles4 sum[2][3] = {};
  auto add_taps = [&](auto samples) {
    for (int r = 0; r < 4; ++r) {
      for (int c = 0; c < 4; ++c) {
        const double* column = b.r.column_cubic[c].data() + j;
        const auto p = samples(r, c);
        for (int h = 0; h < 2; ++h) {
          Doubles4 weight;
          std::memcpy(&weight, column + 4 * h, sizeof weight);
          weight = splat4(b.ay.cubic[r]) * weight;
          for (int k = 0; k < 3; ++k) sum[h][k] += weight * p(h, k);
        }
      }
    }
  };
  if (shares_neighbours(b))
    add_taps([&](int r, int c) {
      return [&, r, c](int, int k) { return splat4(b.neighbours[r][k][c]); };
    });
  else
    add_taps([&](int r, int c) {
      const Words8 p = b.at(c - 1, r - 1);
      return [p](int h, int k) { return channel4(half(p, h), kShifts[k]); };
    });
  Doubles8 whole[3];
  for (int k = 0; k < 3; ++k) whole[k] = join(sum[0][k], sum[1][k]);
  return rounded_colours8(whole);
}

[[gnu::always_inline]] inline Words8 bilinear_truncated8(const RowBlock& b, int j) {
  const Doubles8 fx = column_fractions(b.r, j);
  const Doubles8 fy = splat8(b.ay.fraction);
  const Words8 p00 = b.at(0, 0), p10 = b.at(1, 0), p01 = b.at(0, 1), p11 = b.at(1, 1);
  Doubles8 value[3];
  for (int k = 0; k < 3; ++k) {
    const int shift = kShifts[k];
    const Ints8 a = Ints8((p00 >> shift) & 0xFF), bb = Ints8((p10 >> shift) & 0xFF),
                c = Ints8((p01 >> shift) & 0xFF), d = Ints8((p11 >> shift) & 0xFF);
    value[k] = __builtin_convertvector(a, Doubles8) +
               fx * fy * __builtin_convertvector(a - bb - c + d, Doubles8) +
               fx * __builtin_convertvector(bb - a, Doubles8) +
               fy * __builtin_convertvector(c - a, Doubles8);
  }
  return colours8(value);
}

// The clamped second column and row stay inside the source here, so the
// block reads x0 + 1 and y0 + 1 unless they are clamped back onto x0, y0.
[[gnu::always_inline]] inline Words8 bilinear_clamped8(const RowBlock& b, int j, const Words8& p10,
                                                       const Words8& p11) {
  const Doubles8 fx = column_fractions(b.r, j);
  const Doubles8 fy = splat8(b.ay.fraction), gy = splat8(1 - b.ay.fraction);
  const Words8 p00 = b.at(0, 0), p01 = b.at(0, 1);
  Words8 out = {};
  for (int shift : kShifts) {
    const Doubles8 top = (1 - fx) * channel8(p00, shift) + fx * channel8(p10, shift);
    const Doubles8 bottom = (1 - fx) * channel8(p01, shift) + fx * channel8(p11, shift);
    Ints8 v = __builtin_convertvector(gy * top + fy * bottom + 0.5, Ints8);
    v = v > 255 ? 255 : v;
    out |= Words8(v) << shift;
  }
  return out;
}

// The rows of the footprint for work row i, or false when the row is done
// pixel by pixel (a source not of 32 bits). A row outside the source reads
// as `zeros`, a row of black as wide as the source, as the per-pixel reads
// read black there; without it such a row is done pixel by pixel too.
bool footprint_rows(const Resampling& r, const ORV_PixelBuffer& s, const Axis& ay,
                    const std::uint32_t* zeros, const std::uint32_t* rows[4]) {
  if (s.bits != 32 || !s.pixels) return false;
  const int y0 = ay.whole;
  const bool cubic = r.mode == kBicubicOrv;
  const int first = cubic ? y0 - 1 : y0, last = cubic ? y0 + 2 : y0 + 1;
  int y1 = y0 + 1;
  if (r.mode == kBilinear02) y1 = std::min(y1, r.src_h - 1);
  for (int dy = -1; dy <= 2; ++dy) {
    const int y = dy == 1 ? y1 : y0 + dy;
    rows[dy + 1] = nullptr;
    if (y < first || y > last) continue;
    rows[dy + 1] = unsigned(y) < unsigned(s.height) ? row32(s, y) : zeros;
    if (!rows[dy + 1]) return false;
  }
  return true;
}

// kWide: bicubic in registers of eight doubles (the only mode built so).
template <bool kWide>
[[gnu::always_inline]] inline void interpolate_row_in(const Resampling& r,
                                                      const ORV_PixelBuffer& source, int i,
                                                      int from, int to, const std::uint32_t* zeros,
                                                      std::uint32_t* out) {
  const Axis& ay = r.rows[std::size_t(i)];
  RowBlock b{r, source, ay, {}, {}};
  int j = from;
  if (footprint_rows(r, source, ay, zeros, b.rows)) {
    const bool cubic = r.mode == kBicubicOrv;
    // The work image is far larger than the cache and read only once the
    // resampling is done: rows are written past the cache where aligned.
    const bool stream = reinterpret_cast<std::uintptr_t>(out + j) % 16 == 0;
    for (; j + 8 <= to; j += 8) {
      const int first = r.columns[std::size_t(j)].whole, last = r.columns[std::size_t(j + 7)].whole;
      // Columns grow with j, so the block's footprint is [first − 1, last + 2] at most.
      if ((cubic ? first - 1 : first) < 0 || (cubic ? last + 2 : last + 1) >= source.width) {
        for (int l = j; l < j + 8; ++l)
          out[l] = interpolated(r, source, r.columns[std::size_t(l)], ay);
        continue;
      }
      for (int l = 0; l < 8; ++l) b.x0[l] = r.columns[std::size_t(j + l)].whole;
      Words8 c;
      switch (kWide ? kBicubicOrv : r.mode) {
        case kBilinearOrv:
          c = bilinear_rounded8(b, j);
          break;
        case kBicubicOrv:
          c = kWide ? bicubic8_wide(b, j) : bicubic8(b, j);
          break;
        case kBilinear01:
          c = bilinear_truncated8(b, j);
          break;
        default: {
          RowBlock clamped = b;
          for (int l = 0; l < 8; ++l) clamped.x0[l] = std::min(b.x0[l] + 1, r.src_w - 1);
          c = bilinear_clamped8(b, j, clamped.at(0, 0), clamped.at(0, 1));
        }
      }
      if (stream)
        stream_store(c, out + j);
      else
        std::memcpy(out + j, &c, sizeof c);
    }
    if (stream) __builtin_ia32_sfence();  // seen by whoever joins this thread next
  }
  for (; j < to; ++j) out[j] = interpolated(r, source, r.columns[std::size_t(j)], ay);
}

[[gnu::target("avx512f")]] void interpolate_row_wide(const Resampling& r,
                                                     const ORV_PixelBuffer& source, int i, int from,
                                                     int to, const std::uint32_t* zeros,
                                                     std::uint32_t* out) {
  interpolate_row_in<true>(r, source, i, from, to, zeros, out);
}

[[gnu::target_clones("avx2", "default")]] void interpolate_row_narrow(const Resampling& r,
                                                                      const ORV_PixelBuffer& source,
                                                                      int i, int from, int to,
                                                                      const std::uint32_t* zeros,
                                                                      std::uint32_t* out) {
  interpolate_row_in<false>(r, source, i, from, to, zeros, out);
}

// Bicubic's sums are carried in registers of eight doubles where the
// processor has them. The bilinear modes stay on AVX2 even then: built for
// AVX-512 they came out a third slower.
void interpolate_row(const Resampling& r, const ORV_PixelBuffer& source, int i, int from, int to,
                     std::uint32_t* out) {
  // The first and last rows' footprints reach past the source, where they
  // read a row of black. It is never written, so a large one stays on the
  // system's shared zero pages however many threads hold one.
  struct ZeroRow {
    std::uint32_t* words = nullptr;
    int width = 0;
    ~ZeroRow() { std::free(words); }
  };
  thread_local ZeroRow zeros;
  if (zeros.width < source.width) {
    std::free(zeros.words);
    zeros.words = static_cast<std::uint32_t*>(std::calloc(std::size_t(source.width), 4));
    zeros.width = zeros.words ? source.width : 0;
  }
  if (r.mode == kBicubicOrv && wide_lanes())
    interpolate_row_wide(r, source, i, from, to, zeros.words, out);
  else
    interpolate_row_narrow(r, source, i, from, to, zeros.words, out);
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
    r.column_step = double(r.src_w) / r.dst_w;
    r.column_fixed_step = std::uint32_t(r.src_w) * 65536u / std::uint32_t(r.dst_w);
    r.source_columns.reserve(r.columns.size());
    for (const Axis& a : r.columns) r.source_columns.push_back(a.whole);
    return r;
  }
  const bool running = r.mode == kBilinear01, with_cubic = r.mode == kBicubicOrv;
  r.columns = interpolating_axes(r.dst_w, double(r.src_w) / r.dst_w, running, with_cubic);
  r.rows = interpolating_axes(r.dst_h, double(r.src_h) / r.dst_h, running, with_cubic);
  for (const Axis& a : r.columns) {
    r.column_fraction.push_back(a.fraction);
    for (int c = 0; c < 4; ++c) r.column_cubic[c].push_back(a.cubic[c]);
  }
  return r;
}

std::uint32_t resample_pixel(const Resampling& r, const ORV_PixelBuffer& source, int i, int j) {
  const Axis &ay = r.rows[std::size_t(i)], &ax = r.columns[std::size_t(j)];
  return interpolating(r.mode) ? interpolated(r, source, ax, ay)
                               : colour_at(source, ax.whole, ay.whole);
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
  interpolate_row(r, source, i, from, to, out);
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
