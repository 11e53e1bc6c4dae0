// Shared pieces of the codec files: byte readers, the size limits every
// decoder checks before it allocates, and the per-format entry points (the
// fuzz targets call these directly).
#pragma once

#include <cstring>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/codec/codec.h"

namespace platform::codec {

// A byte buffer read front to back by a library's read callback.
struct MemorySource {
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;
  std::size_t pos = 0;

  std::size_t remaining() const { return size - pos; }
  // Copies up to count bytes to out and returns how many were left to copy.
  std::size_t read(void* out, std::size_t count) {
    std::size_t n = count < remaining() ? count : remaining();
    std::memcpy(out, data + pos, n);
    pos += n;
    return n;
  }
};

inline std::uint16_t get_u16le(const std::uint8_t* p) {
  return std::uint16_t(p[0] | (p[1] << 8));
}
inline std::uint32_t get_u32le(const std::uint8_t* p) {
  return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
         (std::uint32_t(p[3]) << 24);
}
inline std::int32_t get_i32le(const std::uint8_t* p) {
  return std::int32_t(get_u32le(p));
}
inline void put_u16le(std::vector<std::uint8_t>& v, unsigned x) {
  v.push_back(std::uint8_t(x));
  v.push_back(std::uint8_t(x >> 8));
}
inline void put_u32le(std::vector<std::uint8_t>& v, std::uint32_t x) {
  put_u16le(v, x & 0xFFFF);
  put_u16le(v, x >> 16);
}

inline std::uint32_t rgb_word(unsigned r, unsigned g, unsigned b) {
  return (r << 16) | (g << 8) | b;
}

// A colour with straight alpha laid over black: each channel times alpha/255.
inline unsigned over_black(unsigned channel, unsigned alpha) {
  return (channel * alpha + 127) / 255;
}

// A picture this small is always accepted whatever the file size: a 16 Mi
// pixel buffer is 64 MiB, cheap enough to try even for a tiny hostile file.
constexpr std::int64_t kBaselinePixels = std::int64_t(1) << 24;

// How many pixels one input byte may stand for, per kind of coding. Files
// that claim more are decompression bombs. The ratios sit well above what
// real encoders reach (zlib tops out near 1032:1 on bytes).
constexpr std::int64_t kRatioRle = 1024;
constexpr std::int64_t kRatioDeflate = 1032 * 8;
constexpr std::int64_t kRatioJpeg = 2048;
constexpr std::int64_t kRatioLzw = 4096;
constexpr std::int64_t kRatioTiff = 1 << 16;

// NotDecodable for zero or negative sizes; TooLarge beyond the absolute
// limits or beyond `pixels_per_byte` times the input size (0 = no ratio
// check, for uncompressed data whose size is checked exactly).
CodecStatus check_picture_size(std::int64_t width, std::int64_t height, std::size_t input_size,
                               std::int64_t pixels_per_byte);

// Sizes and zero-fills a picture's buffers; the size must have been checked.
// OutOfMemory, with nothing allocated, when they do not fit the memory budget.
CodecStatus prepare_picture(Picture& out, int width, int height, int bits);

// Empties a picture (after a failure).
void clear_picture(Picture& out);

// The colour 0x00RRGGBB of pixel i, through the palette for 8-bit pictures
// (black for an index past the palette).
std::uint32_t picture_colour(const Picture& picture, std::size_t i);

// Whether the picture's fields agree with each other and with the limits.
bool picture_is_valid(const Picture& picture);

// The palette padded with black to at least `count` entries and to cover
// every index used; never more than 256 entries.
std::vector<std::uint32_t> padded_palette(const Picture& picture, std::size_t count);

// Decoders of one format each. They may throw std::bad_alloc;
// decode_picture_as catches it.
CodecStatus decode_bmp(const std::uint8_t* data, std::size_t size, Picture& out);
CodecStatus decode_dib(const std::uint8_t* data, std::size_t size, Picture& out);
CodecStatus decode_ico(const std::uint8_t* data, std::size_t size, Picture& out);
CodecStatus decode_png(const std::uint8_t* data, std::size_t size, Picture& out);
CodecStatus decode_jpeg(const std::uint8_t* data, std::size_t size, Picture& out);
CodecStatus decode_gif(const std::uint8_t* data, std::size_t size, Picture& out);
CodecStatus decode_tiff(const std::uint8_t* data, std::size_t size, Picture& out);

// Runs one decoder by format, turning allocation failures into a status and
// leaving `out` empty on any failure.
CodecStatus decode_picture_as(PictureFormat format, const std::uint8_t* data, std::size_t size,
                              Picture& out);

// Encoders into memory; the picture has been validated.
CodecStatus encode_bmp(const Picture& picture, std::vector<std::uint8_t>& out);
CodecStatus encode_png(const Picture& picture, std::vector<std::uint8_t>& out);
CodecStatus encode_jpeg(const Picture& picture, int quality, std::vector<std::uint8_t>& out);
CodecStatus encode_gif(const Picture& picture, std::vector<std::uint8_t>& out);
CodecStatus encode_tiff(const Picture& picture, std::vector<std::uint8_t>& out);

}  // namespace platform::codec
