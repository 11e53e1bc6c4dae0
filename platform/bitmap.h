// Top-down pixel buffers: 32-bit words 0x00RRGGBB (stride = width words) or
// 8-bit palette indices (rows padded to a multiple of 4 bytes) with a
// 256-entry palette. The pixel memory never moves while the bitmap lives, so
// callers may keep its address.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace platform {

struct PaletteEntry {
  std::uint8_t blue = 0;
  std::uint8_t green = 0;
  std::uint8_t red = 0;
  std::uint8_t reserved = 0;
};

struct Bitmap {
  int width = 0;
  int height = 0;
  int bits = 32;   // 32 or 8
  int stride = 0;  // bytes per row
  std::unique_ptr<std::uint8_t[]> data;
  std::array<PaletteEntry, 256> palette{};

  std::uint32_t* row32(int y) {
    return reinterpret_cast<std::uint32_t*>(data.get() + std::size_t(y) * stride);
  }
  const std::uint32_t* row32(int y) const {
    return reinterpret_cast<const std::uint32_t*>(data.get() + std::size_t(y) * stride);
  }
  std::uint8_t* row8(int y) { return data.get() + std::size_t(y) * stride; }
  const std::uint8_t* row8(int y) const { return data.get() + std::size_t(y) * stride; }
};

// Bytes per row for the given width and depth.
inline int bitmap_stride(int width, int bits) {
  return bits == 8 ? (width + 3) & ~3 : width * 4;
}

// A zero-filled bitmap, or nullptr for bad sizes or depths or when memory runs out.
std::unique_ptr<Bitmap> create_bitmap(int width, int height, int bits);

}  // namespace platform
