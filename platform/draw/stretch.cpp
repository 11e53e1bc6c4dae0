// Stretched copies: nearest pixel (mode 3) and area average (mode 4).
//
// Both modes see destination pixel i of an extent of n pixels (i counted
// from the origin pixel in the extent's direction) as the interval
// [i, i + 1) and map it linearly onto the source extent of m pixels, so it
// covers source positions [i·m/n, (i + 1)·m/n).
//
// Nearest pixel takes the source pixel under the centre of that interval:
// j = floor((2i + 1)·m / (2n)). Enlarging 2 -> 5 gives 0 0 1 1 1 (the centre
// of pixel 2 falls exactly on the border and takes the right pixel);
// shrinking 5 -> 2 gives 1 3.
//
// Area average weights every source pixel by how much of it the interval
// covers, separately per axis; a pixel's weight is the product of its two
// axis weights. Shrinking 5 -> 2 gives (2a + 2b + c)/5 and (c + 2d + 2e)/5;
// enlarging 2 -> 5 gives a, a, (a + b)/2, b, b. Per axis the weights are
// scaled to sum to 2^14 (rounded; the rounding remainder goes to the largest
// weight); the row pass keeps 8 fraction bits, so each channel ends within
// about 1/100 of a level of the exact average before rounding to nearest.
//
// Tables of source positions and weights are built once per call, the
// pixel loops step through them row by row.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <vector>

#include "platform/draw/raster.h"
#include "platform/draw/raster_internal.h"

namespace platform {

namespace {

constexpr int kWeightBits = 14;
constexpr int kWeightOne = 1 << kWeightBits;

// The clipped destination range of one axis: coordinates first .. first + count - 1.
struct AxisRange {
  int first = 0;
  int count = 0;
  int origin = 0;
  int dir = 1;
};

bool axis_range(int d, int extent, int limit, AxisRange& range) {
  long long n = std::llabs(static_cast<long long>(extent));
  long long lo = extent > 0 ? d : d - n + 1;
  long long hi = extent > 0 ? d + n - 1 : d;
  lo = std::max<long long>(lo, 0);
  hi = std::min<long long>(hi, limit - 1);
  if (lo > hi) return false;
  range.first = int(lo);
  range.count = int(hi - lo + 1);
  range.origin = d;
  range.dir = extent > 0 ? 1 : -1;
  return true;
}

// Index i of destination coordinate c within its extent.
inline long long extent_index(const AxisRange& range, int c) {
  return range.dir > 0 ? (long long)c - range.origin : (long long)range.origin - c;
}

inline int clamp_source(long long s, int limit) {
  return int(std::clamp<long long>(s, 0, limit - 1));
}

// Source coordinate per destination coordinate of the range.
std::vector<int> nearest_axis(const AxisRange& range, int n, int s, int sext, int slimit) {
  long long m = std::llabs(static_cast<long long>(sext));
  int sdir = sext > 0 ? 1 : -1;
  std::vector<int> source(std::size_t(range.count));
  for (int k = 0; k < range.count; ++k) {
    long long i = extent_index(range, range.first + k);
    long long j = ((2 * i + 1) * m) / (2LL * std::llabs(static_cast<long long>(n)));
    source[std::size_t(k)] = clamp_source(s + sdir * j, slimit);
  }
  return source;
}

// Area weights of one axis: taps start[k] .. start[k + 1] - 1 feed destination k.
struct AreaAxis {
  std::vector<int> start;
  std::vector<int> source;
  std::vector<int> weight;
};

AreaAxis area_axis(const AxisRange& range, int n, int s, int sext, int slimit) {
  long long d = std::llabs(static_cast<long long>(n));
  long long m = std::llabs(static_cast<long long>(sext));
  int sdir = sext > 0 ? 1 : -1;
  AreaAxis axis;
  axis.start.reserve(std::size_t(range.count) + 1);
  for (int k = 0; k < range.count; ++k) {
    axis.start.push_back(int(axis.weight.size()));
    long long i = extent_index(range, range.first + k);
    // In units of 1/d source pixel the interval is [i·m, (i + 1)·m), source pixel j is [j·d, (j +
    // 1)·d).
    long long lo = i * m, hi = (i + 1) * m;
    std::size_t first_tap = axis.weight.size();
    int total = 0;
    for (long long j = lo / d; j * d < hi; ++j) {
      long long cover = std::min((j + 1) * d, hi) - std::max(j * d, lo);
      int w = int((cover * kWeightOne + m / 2) / m);
      axis.source.push_back(clamp_source(s + sdir * j, slimit));
      axis.weight.push_back(w);
      total += w;
    }
    auto largest = std::max_element(axis.weight.begin() + long(first_tap), axis.weight.end());
    *largest += kWeightOne - total;
  }
  axis.start.push_back(int(axis.weight.size()));
  return axis;
}

inline std::uint32_t source_rgb(const std::uint8_t* row, int x, int bits,
                                const internal::PaletteRgb* lut) {
  return bits == 32 ? reinterpret_cast<const std::uint32_t*>(row)[x] : lut->rgb[row[x]];
}

template <int DstBits, int SrcBits>
void nearest_rows(Bitmap& dst, const AxisRange& xr, const AxisRange& yr, const Bitmap& src,
                  const std::vector<int>& xs, const std::vector<int>& ys) {
  std::unique_ptr<internal::PaletteRgb> lut;
  std::unique_ptr<internal::NearestCache> nearest;
  if (DstBits == 32 && SrcBits == 8) lut = std::make_unique<internal::PaletteRgb>(src.palette);
  if (DstBits == 8 && SrcBits == 32)
    nearest = std::make_unique<internal::NearestCache>(dst.palette);
  constexpr int kBytes = DstBits / 8;
  std::uint8_t* previous = nullptr;
  for (int k = 0; k < yr.count; ++k) {
    std::uint8_t* d =
        dst.data.get() + std::size_t(yr.first + k) * dst.stride + std::size_t(xr.first) * kBytes;
    // Enlarging repeats source rows: copy the row just made instead of sampling again.
    if (previous && ys[std::size_t(k)] == ys[std::size_t(k) - 1]) {
      std::memcpy(d, previous, std::size_t(xr.count) * kBytes);
      previous = d;
      continue;
    }
    const std::uint8_t* s = src.data.get() + std::size_t(ys[std::size_t(k)]) * src.stride;
    const int* map = xs.data();
    if constexpr (DstBits == 32 && SrcBits == 32) {
      auto* d32 = reinterpret_cast<std::uint32_t*>(d);
      auto* s32 = reinterpret_cast<const std::uint32_t*>(s);
      for (int i = 0; i < xr.count; ++i) d32[i] = s32[map[i]];
    } else if constexpr (DstBits == 8 && SrcBits == 8) {
      for (int i = 0; i < xr.count; ++i) d[i] = s[map[i]];
    } else if constexpr (DstBits == 32) {
      auto* d32 = reinterpret_cast<std::uint32_t*>(d);
      for (int i = 0; i < xr.count; ++i) d32[i] = lut->rgb[s[map[i]]];
    } else {
      auto* s32 = reinterpret_cast<const std::uint32_t*>(s);
      for (int i = 0; i < xr.count; ++i) d[i] = nearest->index(s32[map[i]]);
    }
    previous = d;
  }
}

void stretch_nearest(Bitmap& dst, const AxisRange& xr, const AxisRange& yr, int w, int h,
                     const Bitmap& src, int sx, int sy, int sw, int sh) {
  std::vector<int> xs = nearest_axis(xr, w, sx, sw, src.width);
  std::vector<int> ys = nearest_axis(yr, h, sy, sh, src.height);
  if (dst.bits == 32 && src.bits == 32) nearest_rows<32, 32>(dst, xr, yr, src, xs, ys);
  if (dst.bits == 32 && src.bits == 8) nearest_rows<32, 8>(dst, xr, yr, src, xs, ys);
  if (dst.bits == 8 && src.bits == 32) nearest_rows<8, 32>(dst, xr, yr, src, xs, ys);
  if (dst.bits == 8 && src.bits == 8) nearest_rows<8, 8>(dst, xr, yr, src, xs, ys);
}

// The row pass's form of the horizontal weights: the same number of taps
// for every column (short columns padded with zero weights), so the tap
// loop runs the same length each time instead of mispredicting.
struct PaddedAxis {
  int taps = 0;
  std::vector<int> source;
  std::vector<std::uint32_t> weight;
};

PaddedAxis pad_axis(const AreaAxis& ax, int count) {
  PaddedAxis padded;
  for (int k = 0; k < count; ++k) {
    padded.taps = std::max(padded.taps, ax.start[std::size_t(k) + 1] - ax.start[std::size_t(k)]);
  }
  padded.source.resize(std::size_t(count) * padded.taps);
  padded.weight.resize(std::size_t(count) * padded.taps);
  for (int k = 0; k < count; ++k) {
    int first = ax.start[std::size_t(k)], n = ax.start[std::size_t(k) + 1] - first;
    for (int t = 0; t < padded.taps; ++t) {
      std::size_t at = std::size_t(k) * padded.taps + t;
      padded.source[at] = ax.source[std::size_t(first + std::min(t, n - 1))];
      padded.weight[at] = t < n ? std::uint32_t(ax.weight[std::size_t(first + t)]) : 0;
    }
  }
  return padded;
}

// Row pass: per destination column, the weighted channel sums of one source
// row with 8 fraction bits (at most 255·256, so the column pass fits 32 bits).
template <int SrcBits, int Taps>
void area_row_taps(const std::uint8_t* row, const internal::PaletteRgb* lut, const PaddedAxis& ax,
                   int count, std::uint32_t* out) {
  constexpr int kShift = kWeightBits - 8;
  constexpr std::uint32_t kHalf = 1u << (kShift - 1);
  const int taps = Taps > 0 ? Taps : ax.taps;
  const int* source = ax.source.data();
  const std::uint32_t* weight = ax.weight.data();
  for (int k = 0; k < count; ++k, source += taps, weight += taps, out += 3) {
    std::uint32_t r = kHalf, g = kHalf, b = kHalf;
    for (int t = 0; t < taps; ++t) {
      std::uint32_t p = source_rgb(row, source[t], SrcBits, lut);
      r += weight[t] * ((p >> 16) & 0xFF);
      g += weight[t] * ((p >> 8) & 0xFF);
      b += weight[t] * (p & 0xFF);
    }
    out[0] = r >> kShift;
    out[1] = g >> kShift;
    out[2] = b >> kShift;
  }
}

template <int SrcBits>
void area_row(const std::uint8_t* row, const internal::PaletteRgb* lut, const PaddedAxis& ax,
              int count, std::uint32_t* out) {
  switch (ax.taps) {
    case 1:
      return area_row_taps<SrcBits, 1>(row, lut, ax, count, out);
    case 2:
      return area_row_taps<SrcBits, 2>(row, lut, ax, count, out);
    case 3:
      return area_row_taps<SrcBits, 3>(row, lut, ax, count, out);
    default:
      return area_row_taps<SrcBits, 0>(row, lut, ax, count, out);
  }
}

// Row passes of the two source rows most recently used: consecutive
// destination rows share their border rows (shrinking) or both rows (enlarging).
struct RowCache {
  std::vector<std::uint32_t> rows[2];
  int source_row[2] = {-1, -1};
  int last = 0;
};

template <int SrcBits>
const std::uint32_t* cached_row(RowCache& cache, const Bitmap& src, const internal::PaletteRgb* lut,
                                const PaddedAxis& ax, int count, int y) {
  for (int slot = 0; slot < 2; ++slot) {
    if (cache.source_row[slot] == y) {
      cache.last = slot;
      return cache.rows[slot].data();
    }
  }
  int slot = 1 - cache.last;
  area_row<SrcBits>(src.row8(y), lut, ax, count, cache.rows[slot].data());
  cache.source_row[slot] = y;
  cache.last = slot;
  return cache.rows[slot].data();
}

template <int SrcBits>
void area_rows(Bitmap& dst, const AxisRange& xr, const AxisRange& yr, const Bitmap& src,
               const PaddedAxis& ax, const AreaAxis& ay) {
  std::unique_ptr<internal::PaletteRgb> lut;
  std::unique_ptr<internal::NearestCache> nearest;
  if (SrcBits == 8) lut = std::make_unique<internal::PaletteRgb>(src.palette);
  if (dst.bits == 8) nearest = std::make_unique<internal::NearestCache>(dst.palette);
  const std::size_t n3 = std::size_t(xr.count) * 3;
  RowCache cache;
  cache.rows[0].resize(n3);
  cache.rows[1].resize(n3);
  std::vector<std::uint32_t> acc(n3);
  constexpr int kShift = kWeightBits + 8;
  for (int k = 0; k < yr.count; ++k) {
    int first = ay.start[std::size_t(k)];
    for (int t = first; t < ay.start[std::size_t(k) + 1]; ++t) {
      const std::uint32_t* row =
          cached_row<SrcBits>(cache, src, lut.get(), ax, xr.count, ay.source[std::size_t(t)]);
      auto w = std::uint32_t(ay.weight[std::size_t(t)]);
      std::uint32_t* sum = acc.data();
      if (t == first) {
        for (std::size_t c = 0; c < n3; ++c) sum[c] = w * row[c];
      } else {
        for (std::size_t c = 0; c < n3; ++c) sum[c] += w * row[c];
      }
    }
    int y = yr.first + k;
    const std::uint32_t* a = acc.data();
    constexpr std::uint32_t kHalf = 1u << (kShift - 1);
    if (dst.bits == 32) {
      std::uint32_t* d = dst.row32(y) + xr.first;
      for (int i = 0; i < xr.count; ++i, a += 3) {
        d[i] = (((a[0] + kHalf) >> kShift) << 16) | (((a[1] + kHalf) >> kShift) << 8) |
               ((a[2] + kHalf) >> kShift);
      }
    } else {
      std::uint8_t* d = dst.row8(y) + xr.first;
      for (int i = 0; i < xr.count; ++i, a += 3) {
        d[i] = nearest->index((((a[0] + kHalf) >> kShift) << 16) |
                              (((a[1] + kHalf) >> kShift) << 8) | ((a[2] + kHalf) >> kShift));
      }
    }
  }
}

void stretch_area(Bitmap& dst, const AxisRange& xr, const AxisRange& yr, int w, int h,
                  const Bitmap& src, int sx, int sy, int sw, int sh) {
  PaddedAxis ax = pad_axis(area_axis(xr, w, sx, sw, src.width), xr.count);
  AreaAxis ay = area_axis(yr, h, sy, sh, src.height);
  if (src.bits == 32) area_rows<32>(dst, xr, yr, src, ax, ay);
  if (src.bits == 8) area_rows<8>(dst, xr, yr, src, ax, ay);
}

// A copy of a bitmap, so that a stretch within one bitmap reads unchanged pixels.
std::unique_ptr<Bitmap> clone_bitmap(const Bitmap& src) {
  auto copy = internal::scratch_bitmap(src.width, src.height, src.bits);
  if (!copy) return nullptr;
  std::memcpy(copy->data.get(), src.data.get(), std::size_t(src.stride) * src.height);
  copy->palette = src.palette;
  return copy;
}

}  // namespace

void stretch_bitmap(Bitmap& dst, int x, int y, int w, int h, const Bitmap& src, int sx, int sy,
                    int sw, int sh, int mode) {
  if (!dst.data || !src.data || w == 0 || h == 0 || sw == 0 || sh == 0) return;
  if (src.width <= 0 || src.height <= 0) return;
  // Extents beyond this are mistakes, and would overflow the index arithmetic.
  constexpr int kMaxExtent = 1 << 20;
  for (int e : {w, h, sw, sh}) {
    if (e > kMaxExtent || e < -kMaxExtent) return;
  }
  // Same size, same direction, source inside its bitmap: both modes give
  // the source pixels unchanged, which a block copy does fastest (except an
  // average between two 8-bit bitmaps, which maps colours between palettes).
  bool inside = sx >= 0 && sy >= 0 && sx + sw <= src.width && sy + sh <= src.height;
  bool indices = mode == 4 && dst.bits == 8 && src.bits == 8;
  if (w == sw && h == sh && w > 0 && h > 0 && inside && !indices) {
    blit_bitmap(dst, x, y, w, h, src, sx, sy);
    return;
  }
  AxisRange xr, yr;
  if (!axis_range(x, w, dst.width, xr) || !axis_range(y, h, dst.height, yr)) return;
  std::unique_ptr<Bitmap> copy;
  const Bitmap* source = &src;
  if (&dst == &src) {
    copy = clone_bitmap(src);
    if (!copy) return;
    source = copy.get();
  }
  if (mode == 4) {
    stretch_area(dst, xr, yr, w, h, *source, sx, sy, sw, sh);
  } else {
    stretch_nearest(dst, xr, yr, w, h, *source, sx, sy, sw, sh);
  }
}

}  // namespace platform
