// Reading and writing pixels of a buffer view (framework/orvlib.h's
// ORV_PixelBuffer) as the composer's arithmetic needs them: no window, no
// current image, no pixel calls.
#pragma once

#include <cstddef>
#include <cstdint>

#include "framework/orvlib.h"

namespace composer {

// A view of width x height 32-bit words, rows `stride_words` apart.
inline ORV_PixelBuffer words_view(std::uint32_t* pixels, int width, int height, int stride_words) {
  ORV_PixelBuffer view;
  view.pixels = reinterpret_cast<unsigned char*>(pixels);
  view.width = width;
  view.height = height;
  view.stride = stride_words * 4;
  view.bits = pixels ? 32 : 0;
  return view;
}

inline bool inside(const ORV_PixelBuffer& b, int x, int y) {
  return b.pixels && unsigned(x) < unsigned(b.width) && unsigned(y) < unsigned(b.height);
}

inline std::uint32_t* row32(const ORV_PixelBuffer& b, int y) {
  return reinterpret_cast<std::uint32_t*>(b.pixels + std::size_t(y) * std::size_t(b.stride));
}

// The stored value, as the pixel calls read it: the word, an 8-bit image's
// index, 0 outside.
inline std::uint32_t stored_value(const ORV_PixelBuffer& b, int x, int y) {
  if (!inside(b, x, y)) return 0;
  if (b.bits == 32) return row32(b, y)[x];
  return b.pixels[std::size_t(y) * std::size_t(b.stride) + std::size_t(x)];
}

// Stores a value as the pixel calls write it (an 8-bit image keeps the low
// byte); outside is ignored.
inline void store_value(const ORV_PixelBuffer& b, int x, int y, std::uint32_t value) {
  if (!inside(b, x, y)) return;
  if (b.bits == 32)
    row32(b, y)[x] = value;
  else
    b.pixels[std::size_t(y) * std::size_t(b.stride) + std::size_t(x)] = std::uint8_t(value);
}

// The colour 0x00RRGGBB: an 8-bit image's index through its palette; 0 outside.
inline std::uint32_t colour_at(const ORV_PixelBuffer& b, int x, int y) {
  std::uint32_t value = stored_value(b, x, y);
  if (b.bits == 32 || !inside(b, x, y) || !b.palette) return value;
  const unsigned char* e = b.palette + 4 * value;  // blue, green, red, 0
  return std::uint32_t(e[2]) << 16 | std::uint32_t(e[1]) << 8 | e[0];
}

}  // namespace composer
