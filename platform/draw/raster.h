// Raster operations over bitmaps, without contexts: the pixel work behind
// the context calls of dc.h. Every function clips to the destination.
//
// Depth rules: 32-bit to 32-bit and 8-bit to 8-bit copy words or indices
// unchanged (8-bit to 8-bit ignores the palettes); 8-bit to 32-bit looks the
// index up in the source palette; 32-bit to 8-bit takes the nearest entry of
// the destination palette (squared RGB distance, lowest index on a tie).
#pragma once

#include <cstdint>

#include "platform/bitmap.h"

namespace platform {

// The palette entry nearest to a 0x00RRGGBB colour.
int nearest_palette_index(const std::array<PaletteEntry, 256>& palette, std::uint32_t rgb);
// The 0x00RRGGBB colour of a palette entry.
inline std::uint32_t palette_rgb(const PaletteEntry& e) {
  return (std::uint32_t(e.red) << 16) | (std::uint32_t(e.green) << 8) | e.blue;
}

// Copies w x h pixels; `dst` and `src` may be the same bitmap.
void blit_bitmap(Bitmap& dst, int x, int y, int w, int h, const Bitmap& src, int sx, int sy);

// Stretches (sx, sy, sw, sh) of `src` onto (x, y, w, h) of `dst` with the
// given stretch mode (3 nearest pixel, 4 area average). Negative extents
// mirror as described in dc.h. Source pixels are read clamped to the source
// bitmap, so a source rectangle reaching outside repeats the edge pixels.
// `dst` and `src` may be the same bitmap.
void stretch_bitmap(Bitmap& dst, int x, int y, int w, int h, const Bitmap& src, int sx, int sy,
                    int sw, int sh, int mode);

// Fills a rectangle with one colour (0x00RRGGBB; nearest entry on 8-bit).
void fill_bitmap_rect(Bitmap& dst, int x, int y, int w, int h, std::uint32_t rgb);
// Complements R, G and B of 32-bit pixels (the top byte is kept) or 8-bit indices.
void invert_bitmap_rect(Bitmap& dst, int x, int y, int w, int h);

}  // namespace platform
