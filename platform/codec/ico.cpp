// Icon and cursor files: the largest entry is decoded, whether it holds a
// device-independent bitmap with its AND mask or a whole PNG file. The result
// is always 32-bit, transparent parts laid over black.
#include <algorithm>

#include "platform/codec/codec_internal.h"
#include "platform/codec/dib.h"
#include "platform/codec/memory_budget.h"

namespace platform::codec {

namespace {

constexpr std::size_t kDirHeader = 6, kDirEntry = 16;

struct IconEntry {
  std::size_t offset = 0;
  std::size_t size = 0;
};

// The entry with the most pixels, the deepest among equals.
bool pick_entry(const std::uint8_t* data, std::size_t size, IconEntry& best) {
  unsigned count = get_u16le(data + 4);
  std::int64_t best_area = -1;
  int best_bits = -1;
  for (unsigned i = 0; i < count; ++i) {
    std::size_t at = kDirHeader + std::size_t(i) * kDirEntry;
    if (at + kDirEntry > size) break;
    const std::uint8_t* e = data + at;
    std::int64_t w = e[0] == 0 ? 256 : e[0], h = e[1] == 0 ? 256 : e[1];
    int bits = get_u16le(e + 6);
    std::size_t bytes = get_u32le(e + 8), offset = get_u32le(e + 12);
    if (offset < kDirHeader || offset >= size || bytes == 0) continue;
    if (w * h > best_area || (w * h == best_area && bits > best_bits)) {
      best_area = w * h;
      best_bits = bits;
      best.offset = offset;
      best.size = std::min(bytes, size - offset);
    }
  }
  return best_area > 0;
}

// OutOfMemory, with the picture as it was, when the 32-bit copy does not fit.
CodecStatus to_32_bits(Picture& picture) {
  if (picture.bits == 32) return CodecStatus::Ok;
  if (!fits_memory_budget(std::uint64_t(picture.indices.size()) * 4))
    return CodecStatus::OutOfMemory;
  std::vector<std::uint32_t> pixels(picture.indices.size());
  for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = picture_colour(picture, i);
  picture.pixels.swap(pixels);
  std::vector<std::uint8_t>().swap(picture.indices);
  std::vector<std::uint32_t>().swap(picture.palette);
  picture.bits = 32;
  return CodecStatus::Ok;
}

// Lays the pixels over black: by the alpha channel when a 32-bit entry has
// one, otherwise by the AND mask (a set bit is transparent), whose rows are
// all there.
void apply_transparency(const DibInfo& info, const std::uint8_t* mask, Picture& picture) {
  bool has_alpha = false;
  if (info.bits == 32)
    for (std::uint32_t px : picture.pixels) has_alpha = has_alpha || (px >> 24) != 0;
  if (has_alpha) {
    for (std::uint32_t& px : picture.pixels) {
      unsigned a = px >> 24;
      px = rgb_word(over_black((px >> 16) & 255, a), over_black((px >> 8) & 255, a),
                    over_black(px & 255, a));
    }
    return;
  }
  for (std::uint32_t& px : picture.pixels) px &= 0xFFFFFF;
  std::size_t stride = std::size_t((picture.width + 31) / 32) * 4;
  for (int r = 0; r < picture.height; ++r) {
    const std::uint8_t* row = mask + std::size_t(r) * stride;
    int y = picture.height - 1 - r;
    for (int x = 0; x < picture.width; ++x)
      if ((row[x / 8] >> (7 - x % 8)) & 1) picture.pixels[std::size_t(y) * picture.width + x] = 0;
  }
}

CodecStatus decode_icon_dib(const std::uint8_t* data, std::size_t size, Picture& out) {
  DibInfo info;
  CodecStatus result = parse_dib_header(data, size, info);
  if (result != CodecStatus::Ok) return result;
  // The header counts the colour bitmap and the mask together.
  if (info.top_down || info.height < 2) return CodecStatus::NotDecodable;
  info.height /= 2;
  info.keep_alpha = info.bits == 32;
  result = decode_dib_pixels(info, data, size, out);
  if (result != CodecStatus::Ok) return result;
  // The AND mask follows the colour rows and is part of every entry.
  std::int64_t stride = ((info.width * info.bits + 31) / 32) * 4;
  std::size_t mask_at = info.pixel_offset + std::size_t(stride) * info.height;
  std::size_t mask_size = std::size_t((info.width + 31) / 32) * 4 * std::size_t(info.height);
  if (mask_at > size || size - mask_at < mask_size) return CodecStatus::NotDecodable;
  result = to_32_bits(out);
  if (result != CodecStatus::Ok) return result;
  apply_transparency(info, data + mask_at, out);
  return CodecStatus::Ok;
}

}  // namespace

CodecStatus decode_ico(const std::uint8_t* data, std::size_t size, Picture& out) {
  if (size < kDirHeader + kDirEntry || get_u16le(data) != 0) return CodecStatus::NotDecodable;
  IconEntry entry;
  if (!pick_entry(data, size, entry)) return CodecStatus::NotDecodable;
  const std::uint8_t* p = data + entry.offset;
  if (detect_picture_format(p, entry.size) == PictureFormat::Png) {
    CodecStatus result = decode_png(p, entry.size, out);
    if (result == CodecStatus::Ok) result = to_32_bits(out);
    return result;
  }
  return decode_icon_dib(p, entry.size, out);
}

}  // namespace platform::codec
