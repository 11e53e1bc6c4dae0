// Helpers shared by the raster files: palette lookups for depth conversion.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/bitmap.h"
#include "platform/draw/raster.h"

namespace platform::internal {

// A zero-filled bitmap of the same kind (scratch copies; the drawing
// library does not rely on the window layer's allocator). nullptr when
// memory runs out.
std::unique_ptr<Bitmap> scratch_bitmap(int width, int height, int bits);

// 0x00RRGGBB for each index of a palette.
struct PaletteRgb {
  std::uint32_t rgb[256];
  explicit PaletteRgb(const std::array<PaletteEntry, 256>& palette) {
    for (int i = 0; i < 256; ++i) rgb[i] = palette_rgb(palette[i]);
  }
};

// Nearest-entry lookups remembered per colour: image areas repeat colours,
// and a full search costs 256 distance computations.
class NearestCache {
 public:
  explicit NearestCache(const std::array<PaletteEntry, 256>& palette)
      : palette_(palette), keys_(new std::uint32_t[kSize]), values_(new std::uint8_t[kSize]) {
    for (int i = 0; i < kSize; ++i) keys_[i] = 0xFFFFFFFFu;  // never a 0x00RRGGBB colour
  }
  std::uint8_t index(std::uint32_t rgb) {
    rgb &= 0x00FFFFFFu;
    std::uint32_t slot = (rgb * 2654435761u) >> (32 - kBits);
    if (keys_[slot] != rgb) {
      keys_[slot] = rgb;
      values_[slot] = std::uint8_t(nearest_palette_index(palette_, rgb));
    }
    return values_[slot];
  }

 private:
  static constexpr int kBits = 12;
  static constexpr int kSize = 1 << kBits;
  const std::array<PaletteEntry, 256>& palette_;
  std::unique_ptr<std::uint32_t[]> keys_;
  std::unique_ptr<std::uint8_t[]> values_;
};

}  // namespace platform::internal
