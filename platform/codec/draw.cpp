// Drawing a decoded picture into a bitmap at its own size, and taking a
// bitmap's pixels as a picture for encoding.
#include <algorithm>
#include <array>

#include "platform/codec/codec_internal.h"

namespace platform {

using namespace codec;

namespace {

std::uint32_t entry_colour(const PaletteEntry& e) {
  return rgb_word(e.red, e.green, e.blue);
}

// The index of the target palette entry nearest to a colour (squared
// distance in RGB, the lowest index among equals).
std::uint8_t nearest_entry(const Bitmap& target, std::uint32_t colour) {
  int r = (colour >> 16) & 255, g = (colour >> 8) & 255, b = colour & 255;
  int best = 0;
  int best_distance = 1 << 30;
  for (int i = 0; i < 256 && best_distance > 0; ++i) {
    const PaletteEntry& e = target.palette[i];
    int dr = e.red - r, dg = e.green - g, db = e.blue - b;
    int distance = dr * dr + dg * dg + db * db;
    if (distance < best_distance) best_distance = distance, best = i;
  }
  return std::uint8_t(best);
}

// Remembers recent colour lookups; a picture rarely has many colours per row.
class NearestCache {
 public:
  explicit NearestCache(const Bitmap& target) : target_(target) { keys_.fill(0xFFFFFFFFu); }
  std::uint8_t get(std::uint32_t colour) {
    std::size_t slot = (colour * 2654435761u) >> 20;
    if (keys_[slot] != colour) keys_[slot] = colour, values_[slot] = nearest_entry(target_, colour);
    return values_[slot];
  }

 private:
  const Bitmap& target_;
  std::array<std::uint32_t, 4096> keys_;
  std::array<std::uint8_t, 4096> values_{};
};

// For an 8-bit picture: each source index to a target index. An index keeps
// its number when the target has the same colour there.
std::array<std::uint8_t, 256> index_map(const Picture& picture, const Bitmap& target) {
  std::array<std::uint8_t, 256> map{};
  for (int i = 0; i < 256; ++i) {
    std::uint32_t colour = i < int(picture.palette.size()) ? picture.palette[i] & 0xFFFFFF : 0;
    map[i] =
        entry_colour(target.palette[i]) == colour ? std::uint8_t(i) : nearest_entry(target, colour);
  }
  return map;
}

}  // namespace

CodecStatus draw_picture(Bitmap& target, int x, int y, const Picture& picture) {
  if (!picture_is_valid(picture) || !target.data || (target.bits != 8 && target.bits != 32) ||
      target.width <= 0 || target.height <= 0)
    return CodecStatus::BadArgument;
  std::int64_t x0 = std::max<std::int64_t>(x, 0), y0 = std::max<std::int64_t>(y, 0);
  std::int64_t x1 = std::min<std::int64_t>(std::int64_t(x) + picture.width, target.width);
  std::int64_t y1 = std::min<std::int64_t>(std::int64_t(y) + picture.height, target.height);
  if (x0 >= x1 || y0 >= y1) return CodecStatus::Ok;
  std::array<std::uint8_t, 256> map{};
  if (target.bits == 8 && picture.bits == 8) map = index_map(picture, target);
  NearestCache cache(target);
  for (std::int64_t ty = y0; ty < y1; ++ty) {
    std::size_t src = std::size_t(ty - y) * picture.width + std::size_t(x0 - x);
    for (std::int64_t tx = x0; tx < x1; ++tx, ++src) {
      if (target.bits == 32)
        target.row32(int(ty))[tx] = picture_colour(picture, src);
      else if (picture.bits == 8)
        target.row8(int(ty))[tx] = map[picture.indices[src]];
      else
        target.row8(int(ty))[tx] = cache.get(picture.pixels[src] & 0xFFFFFF);
    }
  }
  return CodecStatus::Ok;
}

CodecStatus picture_from_bitmap(const Bitmap& bitmap, Picture& out) {
  clear_picture(out);
  if (!bitmap.data || (bitmap.bits != 8 && bitmap.bits != 32) || bitmap.width <= 0 ||
      bitmap.height <= 0 || bitmap.width > kMaxPictureSide || bitmap.height > kMaxPictureSide)
    return CodecStatus::BadArgument;
  try {
    if (prepare_picture(out, bitmap.width, bitmap.height, bitmap.bits) != CodecStatus::Ok)
      return CodecStatus::OutOfMemory;
    for (int y = 0; y < bitmap.height; ++y) {
      std::size_t row = std::size_t(y) * bitmap.width;
      for (int x = 0; x < bitmap.width; ++x) {
        if (bitmap.bits == 8)
          out.indices[row + x] = bitmap.row8(y)[x];
        else
          out.pixels[row + x] = bitmap.row32(y)[x] & 0xFFFFFF;
      }
    }
    if (bitmap.bits == 8)
      for (const PaletteEntry& e : bitmap.palette)
        out.palette.push_back(0xFF000000u | entry_colour(e));
  } catch (const std::bad_alloc&) {
    clear_picture(out);
    return CodecStatus::OutOfMemory;
  }
  return CodecStatus::Ok;
}

}  // namespace platform
