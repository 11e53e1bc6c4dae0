// Block copy, fills, inversion and the nearest-palette-entry search.
#include <algorithm>
#include <cstring>
#include <new>

#include "platform/draw/raster.h"
#include "platform/draw/raster_internal.h"

namespace platform {

namespace {

// Intersects a rectangle with the bitmap; false when nothing is left.
bool clip_rect(const Bitmap& bitmap, int& x, int& y, int& w, int& h) {
  if (!bitmap.data || w <= 0 || h <= 0) return false;
  int x0 = std::max(x, 0), y0 = std::max(y, 0);
  long x1 = std::min<long>(long(x) + w, bitmap.width);
  long y1 = std::min<long>(long(y) + h, bitmap.height);
  if (x0 >= x1 || y0 >= y1) return false;
  x = x0;
  y = y0;
  w = int(x1 - x0);
  h = int(y1 - y0);
  return true;
}

// Moves one edge of a copy inwards when either side starts outside its bitmap.
void clip_start(int& d, int& s, int& n) {
  int shift = std::max(-d, -s);
  if (shift > 0) {
    d += shift;
    s += shift;
    n -= shift;
  }
}

void copy_row(std::uint8_t* d, const std::uint8_t* s, int w, int dbits, int sbits,
              const internal::PaletteRgb* lut, internal::NearestCache* nearest) {
  if (dbits == sbits) {
    std::memmove(d, s, std::size_t(w) * (dbits / 8));
  } else if (dbits == 32) {
    auto* d32 = reinterpret_cast<std::uint32_t*>(d);
    for (int i = 0; i < w; ++i) d32[i] = lut->rgb[s[i]];
  } else {
    auto* s32 = reinterpret_cast<const std::uint32_t*>(s);
    for (int i = 0; i < w; ++i) d[i] = nearest->index(s32[i]);
  }
}

}  // namespace

namespace internal {

std::unique_ptr<Bitmap> scratch_bitmap(int width, int height, int bits) {
  if (width <= 0 || height <= 0 || (bits != 8 && bits != 32)) return nullptr;
  auto bitmap = std::unique_ptr<Bitmap>(new (std::nothrow) Bitmap);
  if (!bitmap) return nullptr;
  bitmap->width = width;
  bitmap->height = height;
  bitmap->bits = bits;
  bitmap->stride = bitmap_stride(width, bits);
  bitmap->data.reset(new (std::nothrow) std::uint8_t[std::size_t(bitmap->stride) * height]());
  if (!bitmap->data) return nullptr;
  return bitmap;
}

}  // namespace internal

int nearest_palette_index(const std::array<PaletteEntry, 256>& palette, std::uint32_t rgb) {
  int r = int((rgb >> 16) & 0xFF), g = int((rgb >> 8) & 0xFF), b = int(rgb & 0xFF);
  int best = 0;
  int best_distance = 1 << 30;
  for (int i = 0; i < 256; ++i) {
    int dr = palette[i].red - r, dg = palette[i].green - g, db = palette[i].blue - b;
    int distance = dr * dr + dg * dg + db * db;
    if (distance < best_distance) {
      best_distance = distance;
      best = i;
      if (distance == 0) break;
    }
  }
  return best;
}

void blit_bitmap(Bitmap& dst, int x, int y, int w, int h, const Bitmap& src, int sx, int sy) {
  if (!dst.data || !src.data || w <= 0 || h <= 0) return;
  clip_start(x, sx, w);
  clip_start(y, sy, h);
  w = std::min({w, dst.width - x, src.width - sx});
  h = std::min({h, dst.height - y, src.height - sy});
  if (w <= 0 || h <= 0) return;
  std::unique_ptr<internal::PaletteRgb> lut;
  std::unique_ptr<internal::NearestCache> nearest;
  if (dst.bits == 32 && src.bits == 8) lut = std::make_unique<internal::PaletteRgb>(src.palette);
  if (dst.bits == 8 && src.bits == 32)
    nearest = std::make_unique<internal::NearestCache>(dst.palette);
  int dbytes = dst.bits / 8, sbytes = src.bits / 8;
  // Within one bitmap, copy bottom-up when moving down so no row is overwritten before it is read.
  bool upward = &dst == &src && y > sy;
  for (int k = 0; k < h; ++k) {
    int row = upward ? h - 1 - k : k;
    std::uint8_t* d = dst.data.get() + std::size_t(y + row) * dst.stride + std::size_t(x) * dbytes;
    const std::uint8_t* s =
        src.data.get() + std::size_t(sy + row) * src.stride + std::size_t(sx) * sbytes;
    copy_row(d, s, w, dst.bits, src.bits, lut.get(), nearest.get());
  }
}

void fill_bitmap_rect(Bitmap& dst, int x, int y, int w, int h, std::uint32_t rgb) {
  if (!clip_rect(dst, x, y, w, h)) return;
  if (dst.bits == 8) {
    auto index = std::uint8_t(nearest_palette_index(dst.palette, rgb));
    for (int row = y; row < y + h; ++row) std::memset(dst.row8(row) + x, index, std::size_t(w));
    return;
  }
  rgb &= 0x00FFFFFFu;
  for (int row = y; row < y + h; ++row) std::fill_n(dst.row32(row) + x, w, rgb);
}

void invert_bitmap_rect(Bitmap& dst, int x, int y, int w, int h) {
  if (!clip_rect(dst, x, y, w, h)) return;
  for (int row = y; row < y + h; ++row) {
    if (dst.bits == 8) {
      std::uint8_t* p = dst.row8(row) + x;
      for (int i = 0; i < w; ++i) p[i] = std::uint8_t(~p[i]);
    } else {
      std::uint32_t* p = dst.row32(row) + x;
      for (int i = 0; i < w; ++i) p[i] ^= 0x00FFFFFFu;
    }
  }
}

}  // namespace platform
