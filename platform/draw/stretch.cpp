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
// weight); the row pass sums each source row horizontally and rounds to 8
// fraction bits ((sum + 2^5) >> 6), the column pass sums those vertically
// and rounds to the nearest level ((sum + 2^21) >> 22), so each channel ends
// within about 1/100 of a level of the exact average.
//
// Tables of source positions and weights are built once per call, the
// pixel loops step through them row by row. Each source row's row pass is
// computed once and kept while destination rows use it. Both passes run on
// SSE2 16-bit lanes (one pixel's channels side by side, two taps paired for
// a multiply-add); halving on both axes reduces to (a + b + c + d + 2) / 4
// per channel, which gives the same result directly.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// Both passes work on SSE2 registers (part of every x86-64): a pixel's
// four channels as 16-bit lanes, two taps interleaved, so that one
// multiply-add (pmaddwd) gives w0·c0 + w1·c1 per channel in 32 bits. Weights
// are at most 2^14 and fit the signed 16-bit lanes.

// Tap pairs of one axis: `pairs` pairs for every destination pixel (an odd or
// short tap list padded with weight 0), each pair's two weights packed as
// w0 | w1 << 16.
struct PairAxis {
  int pairs = 0;
  std::vector<int> source;            // two per pair
  std::vector<std::uint32_t> weight;  // one per pair
};

PairAxis pair_axis(const AreaAxis& ax, int count) {
  PairAxis paired;
  int taps = 0;
  for (int k = 0; k < count; ++k) {
    taps = std::max(taps, ax.start[std::size_t(k) + 1] - ax.start[std::size_t(k)]);
  }
  paired.pairs = (taps + 1) / 2;
  paired.source.resize(std::size_t(count) * paired.pairs * 2);
  paired.weight.resize(std::size_t(count) * paired.pairs);
  for (int k = 0; k < count; ++k) {
    int first = ax.start[std::size_t(k)], n = ax.start[std::size_t(k) + 1] - first;
    for (int t = 0; t < paired.pairs * 2; ++t) {
      std::size_t at = std::size_t(k) * paired.pairs * 2 + t;
      paired.source[at] = ax.source[std::size_t(first + std::min(t, n - 1))];
      std::uint32_t w = t < n ? std::uint32_t(ax.weight[std::size_t(first + t)]) : 0;
      paired.weight[at / 2] |= w << (16 * (t & 1));
    }
  }
  return paired;
}

// Row values are channel sums with 8 fraction bits, 0 .. 255·256, stored
// minus 2^15 so that they fit signed 16-bit lanes for the column pass.
constexpr int kRowBias = 1 << 15;

inline std::uint32_t source_pixel32(const std::uint8_t* row, int x) {
  std::uint32_t p;
  std::memcpy(&p, row + std::size_t(x) * 4, 4);
  return p;
}

// Row pass of one source row: for each destination column the weighted sums
// of its four channels (the fourth is dropped at the end), rounded to 8
// fraction bits, biased; four int16 per column. `out` has room for an even
// number of columns.
#if defined(__SSE2__)
template <int SrcBits, int Pairs>
void area_row_pairs(const std::uint8_t* row, const internal::PaletteRgb* lut, const PairAxis& ax,
                    int count, std::int16_t* out) {
  const int pairs = Pairs > 0 ? Pairs : ax.pairs;
  const int* source = ax.source.data();
  const std::uint32_t* weight = ax.weight.data();
  const __m128i zero = _mm_setzero_si128();
  const __m128i round =
      _mm_set1_epi32((1 << (kWeightBits - 8 - 1)) - (kRowBias << (kWeightBits - 8)));
  auto column = [&]() {
    __m128i sum = round;
    for (int p = 0; p < pairs; ++p, source += 2, ++weight) {
      std::uint32_t a, b;
      if constexpr (SrcBits == 32) {
        a = source_pixel32(row, source[0]);
        b = source_pixel32(row, source[1]);
      } else {
        a = lut->rgb[row[source[0]]];
        b = lut->rgb[row[source[1]]];
      }
      // Bytes a0 b0 a1 b1 .. widened to 16 bits: each channel's two taps side by side.
      __m128i ab = _mm_unpacklo_epi8(
          _mm_unpacklo_epi8(_mm_cvtsi32_si128(int(a)), _mm_cvtsi32_si128(int(b))), zero);
      sum = _mm_add_epi32(sum, _mm_madd_epi16(ab, _mm_set1_epi32(int(*weight))));
    }
    // Arithmetic shift: the bias is a multiple of 2^6, so this is the
    // rounded sum's shift minus the bias.
    return _mm_srai_epi32(sum, kWeightBits - 8);
  };
  int k = 0;
  for (; k + 2 <= count; k += 2) {
    __m128i lo = column();
    __m128i hi = column();
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * k), _mm_packs_epi32(lo, hi));
  }
  if (k < count) {
    __m128i lo = column();
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * k), _mm_packs_epi32(lo, zero));
  }
}

#else
// The same arithmetic one channel at a time, for targets without SSE2.
template <int SrcBits, int Pairs>
void area_row_pairs(const std::uint8_t* row, const internal::PaletteRgb* lut, const PairAxis& ax,
                    int count, std::int16_t* out) {
  const int pairs = Pairs > 0 ? Pairs : ax.pairs;
  const int* source = ax.source.data();
  const std::uint32_t* weight = ax.weight.data();
  const std::int32_t round = (1 << (kWeightBits - 8 - 1)) - (kRowBias << (kWeightBits - 8));
  for (int k = 0; k < count; ++k) {
    std::int32_t sum[4] = {round, round, round, round};
    for (int p = 0; p < pairs; ++p, source += 2, ++weight) {
      std::uint32_t a = SrcBits == 32 ? source_pixel32(row, source[0]) : lut->rgb[row[source[0]]];
      std::uint32_t b = SrcBits == 32 ? source_pixel32(row, source[1]) : lut->rgb[row[source[1]]];
      auto wa = std::int32_t(*weight & 0xFFFF), wb = std::int32_t(*weight >> 16);
      for (int c = 0; c < 4; ++c)
        sum[c] +=
            std::int32_t((a >> (8 * c)) & 0xFF) * wa + std::int32_t((b >> (8 * c)) & 0xFF) * wb;
    }
    for (int c = 0; c < 4; ++c)
      out[4 * k + c] = std::int16_t(std::clamp(sum[c] >> (kWeightBits - 8), -32768, 32767));
  }
  if (count % 2) std::fill(out + 4 * count, out + 4 * count + 4, std::int16_t(0));
}

#endif

template <int SrcBits>
void area_row(const std::uint8_t* row, const internal::PaletteRgb* lut, const PairAxis& ax,
              int count, std::int16_t* out) {
  switch (ax.pairs) {
    case 1:
      return area_row_pairs<SrcBits, 1>(row, lut, ax, count, out);
    case 2:
      return area_row_pairs<SrcBits, 2>(row, lut, ax, count, out);
    default:
      return area_row_pairs<SrcBits, 0>(row, lut, ax, count, out);
  }
}

// Column pass of one destination row: `pairs` pairs of biased row values
// with packed weights. The vertical weights sum to 2^14, so the bias adds
// up to exactly 2^15 · 2^14, given back before rounding. Writes `count`
// pixels 0x00RRGGBB.
#if defined(__SSE2__)
void area_column(const std::int16_t* const* rows, const std::uint32_t* weights, int pairs,
                 int count, std::uint32_t* out) {
  constexpr int kShift = kWeightBits + 8;
  const __m128i offset = _mm_set1_epi32((kRowBias << kWeightBits) + (1 << (kShift - 1)));
  const __m128i rgb = _mm_set1_epi32(0x00FFFFFF);
  // Four pixels: two registers of each row.
  auto four = [&](int k) {
    __m128i s0 = offset, s1 = offset, s2 = offset, s3 = offset;
    for (int p = 0; p < pairs; ++p) {
      const __m128i w = _mm_set1_epi32(int(weights[p]));
      const std::int16_t* r0 = rows[2 * p] + 4 * k;
      const std::int16_t* r1 = rows[2 * p + 1] + 4 * k;
      __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r0));
      __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r1));
      __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r0 + 8));
      __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r1 + 8));
      s0 = _mm_add_epi32(s0, _mm_madd_epi16(_mm_unpacklo_epi16(a, b), w));
      s1 = _mm_add_epi32(s1, _mm_madd_epi16(_mm_unpackhi_epi16(a, b), w));
      s2 = _mm_add_epi32(s2, _mm_madd_epi16(_mm_unpacklo_epi16(c, d), w));
      s3 = _mm_add_epi32(s3, _mm_madd_epi16(_mm_unpackhi_epi16(c, d), w));
    }
    __m128i lo = _mm_packs_epi32(_mm_srli_epi32(s0, kShift), _mm_srli_epi32(s1, kShift));
    __m128i hi = _mm_packs_epi32(_mm_srli_epi32(s2, kShift), _mm_srli_epi32(s3, kShift));
    return _mm_and_si128(_mm_packus_epi16(lo, hi), rgb);
  };
  int k = 0;
  for (; k + 4 <= count; k += 4) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k), four(k));
  }
  if (k < count) {
    alignas(16) std::uint32_t tail[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(tail), four(k));
    std::memcpy(out + k, tail, std::size_t(count - k) * 4);
  }
}

#else
void area_column(const std::int16_t* const* rows, const std::uint32_t* weights, int pairs,
                 int count, std::uint32_t* out) {
  constexpr int kShift = kWeightBits + 8;
  const std::uint32_t offset = (std::uint32_t(kRowBias) << kWeightBits) + (1u << (kShift - 1));
  for (int k = 0; k < count; ++k) {
    std::uint32_t pixel = 0;
    for (int c = 0; c < 3; ++c) {
      std::uint32_t sum = offset;  // wraps as the 32-bit lanes do
      for (int p = 0; p < pairs; ++p) {
        auto wa = std::int32_t(weights[p] & 0xFFFF), wb = std::int32_t(weights[p] >> 16);
        sum += std::uint32_t(rows[2 * p][4 * k + c] * wa + rows[2 * p + 1][4 * k + c] * wb);
      }
      pixel |= std::min<std::uint32_t>(sum >> kShift, 255) << (8 * c);
    }
    out[k] = pixel;
  }
}

#endif

// Exact halving of a row: destination column k reads source columns 2k and
// 2k + 1 (from source[0] on, none clamped) with weights 2^13 each.
bool halves(const PairAxis& ax, int count) {
  if (ax.pairs != 1) return false;
  constexpr std::uint32_t kHalfHalf = (kWeightOne / 2) | (kWeightOne / 2) << 16;
  for (int k = 0; k < count; ++k) {
    if (ax.weight[std::size_t(k)] != kHalfHalf) return false;
    if (ax.source[2 * std::size_t(k)] != ax.source[0] + 2 * k) return false;
    if (ax.source[2 * std::size_t(k) + 1] != ax.source[0] + 2 * k + 1) return false;
  }
  return true;
}

// Both axes halving: every weight product is 2^26, the row pass gives
// exactly 2^7 times the sum of two pixels, and the column pass's rounding
// leaves (a + b + c + d + 2) / 4 per channel. `r0` and `r1` start at the
// first source column.
// Destination pixel k of two halved rows: (a + b + c + d + 2) / 4 per channel.
inline std::uint32_t halve_one(const std::uint8_t* r0, const std::uint8_t* r1, int k) {
  std::uint32_t p[4] = {source_pixel32(r0, 2 * k), source_pixel32(r0, 2 * k + 1),
                        source_pixel32(r1, 2 * k), source_pixel32(r1, 2 * k + 1)};
  std::uint32_t v = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    std::uint32_t sum = 2;
    for (std::uint32_t q : p) sum += (q >> shift) & 0xFF;
    v |= (sum >> 2) << shift;
  }
  return v;
}

#if defined(__SSE2__)
void halve_rows(const std::uint8_t* r0, const std::uint8_t* r1, int count, std::uint32_t* out) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i two = _mm_set1_epi16(2);
  // Two destination pixels from four source pixels of each row.
  auto pair = [&](int k) {
    __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r0 + 8 * std::size_t(k)));
    __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r1 + 8 * std::size_t(k)));
    __m128i lo = _mm_add_epi16(_mm_unpacklo_epi8(a, zero), _mm_unpacklo_epi8(b, zero));
    __m128i hi = _mm_add_epi16(_mm_unpackhi_epi8(a, zero), _mm_unpackhi_epi8(b, zero));
    __m128i sum = _mm_add_epi16(_mm_unpacklo_epi64(lo, hi), _mm_unpackhi_epi64(lo, hi));
    return _mm_srli_epi16(_mm_add_epi16(sum, two), 2);
  };
  const __m128i rgb = _mm_set1_epi32(0x00FFFFFF);
  int k = 0;
  for (; k + 4 <= count; k += 4) {
    __m128i v = _mm_and_si128(_mm_packus_epi16(pair(k), pair(k + 2)), rgb);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k), v);
  }
  for (; k < count; ++k) out[k] = halve_one(r0, r1, k);
}

#else
void halve_rows(const std::uint8_t* r0, const std::uint8_t* r1, int count, std::uint32_t* out) {
  for (int k = 0; k < count; ++k) out[k] = halve_one(r0, r1, k);
}

#endif

// Row passes of recently used source rows: consecutive destination rows
// share their border rows (shrinking) or all rows (enlarging), and each
// destination row's source rows follow the previous one's, so as many slots
// as a destination row has taps compute every source row once.
struct RowCache {
  std::vector<std::vector<std::int16_t>> rows;
  std::vector<int> source_row;
  std::vector<char> wanted;
};

template <int SrcBits>
void area_rows(Bitmap& dst, const AxisRange& xr, const AxisRange& yr, const Bitmap& src,
               const PairAxis& ax, const AreaAxis& ay) {
  std::unique_ptr<internal::PaletteRgb> lut;
  std::unique_ptr<internal::NearestCache> nearest;
  if (SrcBits == 8) lut = std::make_unique<internal::PaletteRgb>(src.palette);
  if (dst.bits == 8) nearest = std::make_unique<internal::NearestCache>(dst.palette);
  int taps = 0;
  for (int k = 0; k < yr.count; ++k) {
    taps = std::max(taps, ay.start[std::size_t(k) + 1] - ay.start[std::size_t(k)]);
  }
  // Room for whole groups of four columns (the column pass reads them).
  const std::size_t columns = (std::size_t(xr.count) + 3) / 4 * 4;
  RowCache cache;
  cache.rows.assign(std::size_t(taps), std::vector<std::int16_t>(columns * 4));
  cache.source_row.assign(std::size_t(taps), -1);
  cache.wanted.assign(std::size_t(taps), 0);
  std::vector<const std::int16_t*> rows;
  std::vector<std::uint32_t> weights;
  std::vector<std::uint32_t> line(dst.bits == 8 ? std::size_t(xr.count) : 0);
  const bool halving = SrcBits == 32 && halves(ax, xr.count);
  for (int k = 0; k < yr.count; ++k) {
    const int first = ay.start[std::size_t(k)], last = ay.start[std::size_t(k) + 1];
    if (halving && last - first == 2 && ay.weight[std::size_t(first)] == kWeightOne / 2 &&
        ay.weight[std::size_t(first) + 1] == kWeightOne / 2) {
      const int y = yr.first + k;
      std::uint32_t* out = dst.bits == 32 ? dst.row32(y) + xr.first : line.data();
      const std::size_t offset = std::size_t(ax.source[0]) * 4;
      halve_rows(src.row8(ay.source[std::size_t(first)]) + offset,
                 src.row8(ay.source[std::size_t(first) + 1]) + offset, xr.count, out);
      if (dst.bits == 8) {
        std::uint8_t* d = dst.row8(y) + xr.first;
        for (int i = 0; i < xr.count; ++i) d[i] = nearest->index(line[std::size_t(i)]);
      }
      continue;
    }
    // Keep the slots holding rows this destination row uses; fill free ones.
    for (std::size_t slot = 0; slot < cache.rows.size(); ++slot) {
      cache.wanted[slot] = 0;
      for (int t = first; t < last; ++t) {
        if (cache.source_row[slot] == ay.source[std::size_t(t)]) cache.wanted[slot] = 1;
      }
    }
    rows.clear();
    weights.clear();
    for (int t = first; t < last; ++t) {
      const int y = ay.source[std::size_t(t)];
      std::size_t slot = 0;
      while (slot < cache.rows.size() && !(cache.wanted[slot] && cache.source_row[slot] == y)) {
        ++slot;
      }
      if (slot == cache.rows.size()) {
        slot = 0;
        while (cache.wanted[slot]) ++slot;
        area_row<SrcBits>(src.row8(y), lut.get(), ax, xr.count, cache.rows[slot].data());
        cache.source_row[slot] = y;
        cache.wanted[slot] = 1;
      }
      rows.push_back(cache.rows[slot].data());
      auto w = std::uint32_t(ay.weight[std::size_t(t)]);
      if ((t - first) % 2 == 0) {
        weights.push_back(w);
      } else {
        weights.back() |= w << 16;
      }
    }
    if (rows.size() % 2) rows.push_back(rows.back());  // weight 0
    const int y = yr.first + k;
    if (dst.bits == 32) {
      area_column(rows.data(), weights.data(), int(weights.size()), xr.count,
                  dst.row32(y) + xr.first);
    } else {
      area_column(rows.data(), weights.data(), int(weights.size()), xr.count, line.data());
      std::uint8_t* d = dst.row8(y) + xr.first;
      for (int i = 0; i < xr.count; ++i) d[i] = nearest->index(line[std::size_t(i)]);
    }
  }
}

void stretch_area(Bitmap& dst, const AxisRange& xr, const AxisRange& yr, int w, int h,
                  const Bitmap& src, int sx, int sy, int sw, int sh) {
  PairAxis ax = pair_axis(area_axis(xr, w, sx, sw, src.width), xr.count);
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
  // Enlarging by whole factors puts every destination pixel inside one
  // source pixel: its area average is that pixel, which the nearest-pixel
  // copy gives directly (zoom 200 of an image window, say).
  bool whole_factors = std::abs(w) % std::abs(sw) == 0 && std::abs(h) % std::abs(sh) == 0;
  if (mode == 4 && !(whole_factors && !indices)) {
    stretch_area(dst, xr, yr, w, h, *source, sx, sy, sw, sh);
  } else {
    stretch_nearest(dst, xr, yr, w, h, *source, sx, sy, sw, sh);
  }
}

}  // namespace platform
