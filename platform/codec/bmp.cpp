// BMP files and packed device-independent bitmaps: decoding of every common
// header (OS/2 core and 2.x, 40-byte, V4, V5), 1/4/8/16/24/32 bits, colour
// masks (an alpha mask lays the pixels over black) and RLE4/RLE8; encoding as 24-bit or 8-bit
// files; the clipboard's packed layout.
#include <algorithm>
#include <bit>

#include "platform/codec/codec_internal.h"
#include "platform/codec/dib.h"

namespace platform::codec {

namespace {

constexpr std::uint32_t kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitfields = 3,
                        kBiAlphaBitfields = 6;
constexpr std::size_t kFileHeaderSize = 14;

std::int64_t row_bytes(std::int64_t width, int bits) {
  return ((width * bits + 31) / 32) * 4;
}

// Reads the colour table: entries of 4 bytes (blue, green, red, reserved), or
// 3 bytes after an OS/2 core header. The words get alpha 0xFF.
void read_palette(const DibInfo& info, const std::uint8_t* table, Picture& out) {
  int entry = info.core_header ? 3 : 4;
  out.palette.resize(std::size_t(info.palette_entries));
  for (int i = 0; i < info.palette_entries; ++i) {
    const std::uint8_t* p = table + std::size_t(i) * entry;
    out.palette[i] = 0xFF000000u | rgb_word(p[2], p[1], p[0]);
  }
}

// One colour channel taken out of a pixel through its mask and scaled to 0..255.
struct Channel {
  std::uint32_t mask = 0;
  int shift = 0;
  std::uint64_t max = 0;
  explicit Channel(std::uint32_t m) : mask(m) {
    if (m == 0) return;
    shift = std::countr_zero(m);
    max = m >> shift;
  }
  unsigned get(std::uint32_t px) const {
    if (max == 0) return 0;
    return unsigned(((std::uint64_t((px & mask) >> shift) * 255) + max / 2) / max);
  }
};

void decode_indexed_rows(const DibInfo& info, const std::uint8_t* pixels, Picture& out) {
  std::int64_t stride = row_bytes(info.width, info.bits);
  for (int r = 0; r < info.height; ++r) {
    const std::uint8_t* src = pixels + r * stride;
    int y = info.top_down ? r : info.height - 1 - r;
    std::uint8_t* dst = out.indices.data() + std::size_t(y) * info.width;
    int per_byte = 8 / info.bits;
    unsigned mask = (1u << info.bits) - 1;
    for (int x = 0; x < info.width; ++x) {
      int shift = 8 - info.bits * (x % per_byte + 1);
      dst[x] = std::uint8_t((src[x / per_byte] >> shift) & mask);
    }
  }
}

void decode_direct_rows(const DibInfo& info, const std::uint8_t* pixels, Picture& out) {
  std::int64_t stride = row_bytes(info.width, info.bits);
  Channel red(info.masks[0]), green(info.masks[1]), blue(info.masks[2]), alpha(info.masks[3]);
  for (int r = 0; r < info.height; ++r) {
    const std::uint8_t* src = pixels + r * stride;
    int y = info.top_down ? r : info.height - 1 - r;
    std::uint32_t* dst = out.pixels.data() + std::size_t(y) * info.width;
    for (int x = 0; x < info.width; ++x) {
      if (info.bits == 24) {
        const std::uint8_t* p = src + 3 * x;
        dst[x] = rgb_word(p[2], p[1], p[0]);
        continue;
      }
      std::uint32_t px = info.bits == 16 ? get_u16le(src + 2 * x) : get_u32le(src + 4 * x);
      unsigned cr = red.get(px), cg = green.get(px), cb = blue.get(px);
      if (info.keep_alpha) {
        dst[x] = rgb_word(cr, cg, cb) | (std::uint32_t(alpha.get(px)) << 24);
      } else if (info.has_alpha) {
        unsigned a = alpha.get(px);
        dst[x] = rgb_word(over_black(cr, a), over_black(cg, a), over_black(cb, a));
      } else {
        dst[x] = rgb_word(cr, cg, cb);
      }
    }
  }
}

// Run-length coded rows (RLE8 or RLE4), bottom-up. Pixels that the codes skip
// stay index 0; runs past the row end are cut off. Running out of data before
// the end-of-bitmap code is a truncated file unless every row was reached.
CodecStatus decode_rle(const DibInfo& info, const std::uint8_t* p, std::size_t size, Picture& out) {
  const bool four = info.compression == kBiRle4;
  std::size_t pos = 0;
  std::int64_t x = 0, y = 0;
  auto put = [&](unsigned index) {
    if (x < info.width && y < info.height)
      out.indices[std::size_t(info.height - 1 - y) * info.width + std::size_t(x)] =
          std::uint8_t(index);
    ++x;
  };
  while (pos + 2 <= size) {
    unsigned count = p[pos], value = p[pos + 1];
    pos += 2;
    if (count > 0) {
      for (unsigned i = 0; i < count && x < info.width; ++i)
        put(four ? (i % 2 == 0 ? value >> 4 : value & 15) : value);
      continue;
    }
    if (value == 0) {  // end of line
      x = 0;
      ++y;
    } else if (value == 1) {  // end of bitmap
      return CodecStatus::Ok;
    } else if (value == 2) {  // delta
      if (pos + 2 > size) break;
      x += p[pos];
      y += p[pos + 1];
      pos += 2;
    } else {  // absolute run of `value` pixels, padded to 16 bits
      std::size_t bytes = four ? (value + 1) / 2 : value;
      if (pos + bytes > size) break;
      for (unsigned i = 0; i < value; ++i) {
        unsigned b = p[pos + (four ? i / 2 : i)];
        put(four ? (i % 2 == 0 ? b >> 4 : b & 15) : b);
      }
      pos += (bytes + 1) & ~std::size_t(1);
    }
    if (y >= info.height) return CodecStatus::Ok;
  }
  return y >= info.height ? CodecStatus::Ok : CodecStatus::NotDecodable;
}

bool valid_masks(const DibInfo& info) {
  if (info.bits != 16 && info.bits != 32) return false;
  std::uint32_t limit = info.bits == 16 ? 0xFFFFu : 0xFFFFFFFFu;
  for (std::uint32_t m : info.masks)
    if ((m & ~limit) != 0) return false;
  return true;
}

}  // namespace

CodecStatus parse_dib_header(const std::uint8_t* data, std::size_t size, DibInfo& info) {
  info = DibInfo{};
  if (size < 12) return CodecStatus::NotDecodable;
  std::uint32_t header = get_u32le(data);
  std::int64_t height = 0;
  if (header == 12) {  // OS/2 core header: 16-bit sizes, 3-byte colour table entries
    info.core_header = true;
    info.width = get_u16le(data + 4);
    height = get_u16le(data + 6);
    info.bits = get_u16le(data + 10);
  } else if (header >= 16 && header <= 124 && header <= size) {
    info.width = get_i32le(data + 4);
    height = get_i32le(data + 8);
    info.bits = get_u16le(data + 14);
    if (header >= 20) info.compression = get_u32le(data + 16);
    if (header >= 36) info.colours_used = get_u32le(data + 32);
    bool os2 = header != 40 && header != 52 && header != 56 && header != 108 && header != 124;
    // OS/2 2.x reuses 3 and 4 for Huffman 1D and RLE24, which are not read.
    if (os2 && info.compression >= 3) return CodecStatus::NotDecodable;
    if (header >= 52) {
      info.masks[0] = get_u32le(data + 40);
      info.masks[1] = get_u32le(data + 44);
      info.masks[2] = get_u32le(data + 48);
    }
    if (header >= 56) info.masks[3] = get_u32le(data + 52);
  } else {
    return CodecStatus::NotDecodable;
  }
  info.header_size = header;
  info.top_down = height < 0;
  if (height < 0) height = -height;
  if (info.width <= 0 || height <= 0) return CodecStatus::NotDecodable;
  if (info.width > kMaxPictureSide || height > kMaxPictureSide) return CodecStatus::TooLarge;
  info.height = int(height);

  std::size_t masks_after = 0;
  switch (info.compression) {
    case kBiRgb:
      if (info.bits != 1 && info.bits != 4 && info.bits != 8 && info.bits != 16 &&
          info.bits != 24 && info.bits != 32)
        return CodecStatus::NotDecodable;
      if (info.bits == 16) {
        info.masks[0] = 0x7C00, info.masks[1] = 0x03E0, info.masks[2] = 0x001F, info.masks[3] = 0;
      } else if (info.bits == 32) {
        info.masks[0] = 0xFF0000, info.masks[1] = 0xFF00, info.masks[2] = 0xFF;
        info.masks[3] = 0xFF000000u;
      }
      break;
    case kBiRle8:
    case kBiRle4:
      if (info.bits != (info.compression == kBiRle8 ? 8 : 4) || info.top_down)
        return CodecStatus::NotDecodable;
      break;
    case kBiBitfields:
    case kBiAlphaBitfields:
      if (header == 40) masks_after = info.compression == kBiBitfields ? 12 : 16;
      if (header + masks_after > size) return CodecStatus::NotDecodable;
      if (masks_after > 0) {
        for (std::size_t i = 0; i < masks_after / 4; ++i)
          info.masks[i] = get_u32le(data + 40 + 4 * i);
        if (masks_after == 12) info.masks[3] = 0;
      }
      if (!valid_masks(info)) return CodecStatus::NotDecodable;
      // Only masks that the file gives count: the fourth byte of a 32-bit
      // BI_RGB pixel is not alpha.
      info.has_alpha = info.masks[3] != 0;
      break;
    default:  // embedded JPEG or PNG, or unknown
      return CodecStatus::NotDecodable;
  }

  if (info.colours_used > 256) return CodecStatus::NotDecodable;
  if (info.bits <= 8)
    info.palette_entries = info.colours_used != 0 ? int(info.colours_used) : 1 << info.bits;
  else
    info.palette_entries = int(info.colours_used);
  info.palette_offset = header + masks_after;
  info.pixel_offset =
      info.palette_offset + std::size_t(info.palette_entries) * (info.core_header ? 3 : 4);
  return CodecStatus::Ok;
}

CodecStatus decode_dib_pixels(const DibInfo& info, const std::uint8_t* data, std::size_t size,
                              Picture& out) {
  if (info.bits <= 8) {
    if (info.palette_offset + std::size_t(info.palette_entries) * (info.core_header ? 3 : 4) > size)
      return CodecStatus::NotDecodable;
  }
  if (info.pixel_offset > size) return CodecStatus::NotDecodable;
  const std::uint8_t* pixels = data + info.pixel_offset;
  std::size_t available = size - info.pixel_offset;
  bool rle = info.compression == kBiRle8 || info.compression == kBiRle4;
  CodecStatus result = check_picture_size(info.width, info.height, available, rle ? kRatioRle : 0);
  if (result != CodecStatus::Ok) return result;
  if (!rle) {
    std::int64_t needed =
        row_bytes(info.width, info.bits) * (info.height - 1) + (info.width * info.bits + 7) / 8;
    if (needed > std::int64_t(available)) return CodecStatus::NotDecodable;
  }
  result = prepare_picture(out, int(info.width), info.height, info.bits <= 8 ? 8 : 32);
  if (result != CodecStatus::Ok) return result;
  if (info.bits <= 8) read_palette(info, data + info.palette_offset, out);
  if (rle) return decode_rle(info, pixels, available, out);
  if (info.bits <= 8)
    decode_indexed_rows(info, pixels, out);
  else
    decode_direct_rows(info, pixels, out);
  return CodecStatus::Ok;
}

CodecStatus decode_dib(const std::uint8_t* data, std::size_t size, Picture& out) {
  DibInfo info;
  CodecStatus result = parse_dib_header(data, size, info);
  if (result != CodecStatus::Ok) return result;
  return decode_dib_pixels(info, data, size, out);
}

CodecStatus decode_bmp(const std::uint8_t* data, std::size_t size, Picture& out) {
  if (size < kFileHeaderSize || data[0] != 'B' || data[1] != 'M') return CodecStatus::NotDecodable;
  const std::uint8_t* dib = data + kFileHeaderSize;
  std::size_t dib_size = size - kFileHeaderSize;
  DibInfo info;
  CodecStatus result = parse_dib_header(dib, dib_size, info);
  if (result != CodecStatus::Ok) return result;
  // The file header's pixel offset wins when it is sane: writers may leave
  // gaps or shorten the colour table (common after OS/2 core headers).
  std::uint32_t offset = get_u32le(data + 10);
  if (offset >= kFileHeaderSize + info.palette_offset && offset < size) {
    std::size_t pixel_offset = offset - kFileHeaderSize;
    if (info.bits <= 8 && pixel_offset < info.pixel_offset) {
      std::size_t entry = info.core_header ? 3 : 4;
      info.palette_entries = int((pixel_offset - info.palette_offset) / entry);
      if (info.palette_entries == 0) return CodecStatus::NotDecodable;
    }
    info.pixel_offset = pixel_offset;
  }
  return decode_dib_pixels(info, dib, dib_size, out);
}

namespace {

// The 40-byte info header; a negative height writes rows top-down.
void put_info_header(std::vector<std::uint8_t>& v, int width, int height, int bits,
                     std::uint32_t image_size, int resolution, std::uint32_t colours) {
  put_u32le(v, 40);
  put_u32le(v, std::uint32_t(width));
  put_u32le(v, std::uint32_t(height));
  put_u16le(v, 1);
  put_u16le(v, unsigned(bits));
  put_u32le(v, kBiRgb);
  put_u32le(v, image_size);
  put_u32le(v, std::uint32_t(resolution));
  put_u32le(v, std::uint32_t(resolution));
  put_u32le(v, colours);
  put_u32le(v, 0);
}

void put_palette(std::vector<std::uint8_t>& v, const std::vector<std::uint32_t>& palette) {
  for (std::uint32_t c : palette) {
    v.push_back(std::uint8_t(c));
    v.push_back(std::uint8_t(c >> 8));
    v.push_back(std::uint8_t(c >> 16));
    v.push_back(0);
  }
}

// Pixel rows bottom row first, padded to 4 bytes: 24-bit or 8-bit.
void put_rows(std::vector<std::uint8_t>& v, const Picture& picture) {
  int bits = picture.bits == 8 ? 8 : 24;
  std::size_t stride = std::size_t(row_bytes(picture.width, bits));
  std::size_t start = v.size();
  v.resize(start + stride * std::size_t(picture.height), 0);
  for (int y = 0; y < picture.height; ++y) {
    std::uint8_t* dst = v.data() + start + std::size_t(picture.height - 1 - y) * stride;
    std::size_t row = std::size_t(y) * picture.width;
    for (int x = 0; x < picture.width; ++x) {
      if (bits == 8) {
        dst[x] = picture.indices[row + x];
        continue;
      }
      std::uint32_t c = picture.pixels[row + x];
      dst[3 * x] = std::uint8_t(c);
      dst[3 * x + 1] = std::uint8_t(c >> 8);
      dst[3 * x + 2] = std::uint8_t(c >> 16);
    }
  }
}

}  // namespace

CodecStatus encode_bmp(const Picture& picture, std::vector<std::uint8_t>& out) {
  int bits = picture.bits == 8 ? 8 : 24;
  std::vector<std::uint32_t> palette;
  if (bits == 8) palette = padded_palette(picture, 1);
  std::size_t image_size = std::size_t(row_bytes(picture.width, bits)) * picture.height;
  std::size_t offset = kFileHeaderSize + 40 + palette.size() * 4;
  if (offset + image_size > 0xFFFFFFFFu) return CodecStatus::TooLarge;
  out.clear();
  out.reserve(offset + image_size);
  out.push_back('B');
  out.push_back('M');
  put_u32le(out, std::uint32_t(offset + image_size));
  put_u32le(out, 0);
  put_u32le(out, std::uint32_t(offset));
  // 2834 pixels per metre is 72 dots per inch.
  put_info_header(out, picture.width, picture.height, bits, std::uint32_t(image_size), 2834,
                  palette.size() == 256 ? 0 : std::uint32_t(palette.size()));
  put_palette(out, palette);
  put_rows(out, picture);
  return CodecStatus::Ok;
}

}  // namespace platform::codec

namespace platform {

CodecStatus pack_dib(const Picture& picture, std::vector<std::uint8_t>& out) {
  using namespace codec;
  out.clear();
  if (!picture_is_valid(picture)) return CodecStatus::BadArgument;
  try {
    int bits = picture.bits == 8 ? 8 : 24;
    std::size_t image_size = std::size_t(row_bytes(picture.width, bits)) * picture.height;
    out.reserve(40 + (bits == 8 ? 1024 : 0) + image_size);
    put_info_header(out, picture.width, picture.height, bits, 0, 0, 0);
    if (bits == 8) {
      std::vector<std::uint32_t> palette(256, 0);
      for (std::size_t i = 0; i < picture.palette.size(); ++i)
        palette[i] = picture.palette[i] & 0xFFFFFF;
      put_palette(out, palette);
    }
    put_rows(out, picture);
  } catch (const std::bad_alloc&) {
    out.clear();
    return CodecStatus::OutOfMemory;
  }
  return CodecStatus::Ok;
}

}  // namespace platform
