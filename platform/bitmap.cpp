// Bitmap allocation.
#include "platform/bitmap.h"

#include <new>

namespace platform {

std::unique_ptr<Bitmap> create_bitmap(int width, int height, int bits) {
  if (width <= 0 || height <= 0 || (bits != 32 && bits != 8)) return nullptr;
  if (width > 32768 || height > 32768) return nullptr;
  auto bitmap = std::make_unique<Bitmap>();
  bitmap->width = width;
  bitmap->height = height;
  bitmap->bits = bits;
  bitmap->stride = bitmap_stride(width, bits);
  std::size_t size = std::size_t(bitmap->stride) * std::size_t(height);
  bitmap->data.reset(new (std::nothrow) std::uint8_t[size]());
  if (!bitmap->data) return nullptr;
  return bitmap;
}

}  // namespace platform
