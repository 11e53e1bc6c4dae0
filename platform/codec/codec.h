// The imaging library: decodes BMP/DIB (with RLE), JPEG, GIF, PNG, TIFF and
// ICO files into a Picture, draws a Picture into a Bitmap, and encodes a
// Picture as BMP, JPEG, GIF, PNG or TIFF chosen by MIME type.
//
// Contract:
// - A Picture is top-down. bits == 32: `pixels` holds width * height words
//   0x00RRGGBB and `indices` is empty. bits == 8: `indices` holds width *
//   height palette indices, one byte each, and `palette` the file's colours
//   (at most 256 words 0xAARRGGBB); `pixels` is empty.
// - Transparency is flattened over black when decoding: 32-bit pixels carry
//   no alpha; a palette entry holds its colour already weighted by its alpha
//   and keeps that alpha in the top byte for information.
// - Every call returns a CodecStatus; on failure the output Picture is empty
//   and an output file is never left half-written.
// - Inputs are treated as hostile: a picture wider or taller than 32768
//   pixels, or whose 32-bit pixels would take more than 1 GiB, is refused
//   with TooLarge, as is a compressed file that declares far more pixels than
//   its size can hold (a decompression bomb).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/bitmap.h"

namespace platform {

enum class CodecStatus {
  Ok = 0,
  FileNotFound = 1,    // the input file does not exist or is not a regular file
  FileUnreadable = 2,  // the input file exists but cannot be read
  NotDecodable = 3,    // unknown format, corrupt, truncated or unsupported data
  TooLarge = 4,        // over the size limits, or a decompression bomb
  WriteFailed = 5,     // the output file could not be written completely
  UnknownEncoder = 6,  // no encoder for the MIME type
  BadArgument = 7,     // an invalid Picture, target or parameter
  OutOfMemory = 8,     // an allocation failed
};

struct Picture {
  int width = 0;
  int height = 0;
  int bits = 32;                       // 32 or 8
  std::vector<std::uint32_t> palette;  // 8-bit pictures: 0xAARRGGBB, at most 256
  std::vector<std::uint32_t> pixels;   // 32-bit pictures: 0x00RRGGBB, stride = width
  std::vector<std::uint8_t> indices;   // 8-bit pictures: one index a pixel, stride = width
  double pixels_per_inch = 0;          // the print resolution PNG writes (pHYs); 0 for none
};

enum class PictureFormat { Unknown, Bmp, Jpeg, Gif, Png, Tiff, Ico, Wmf, Emf };

// The EXIF orientation (1 to 8) of a JPEG file's bytes: how its stored
// rows must be turned to show it upright. 1 when it has none or a value
// outside 1 to 8.
int jpeg_exif_orientation(const std::uint8_t* data, std::size_t size);

// Largest accepted side and pixel count.
constexpr int kMaxPictureSide = 32768;
constexpr std::int64_t kMaxPicturePixels = (std::int64_t(1) << 30) / 4;

// A short English name of a status, for messages and tests.
const char* codec_status_name(CodecStatus status);

// The format of an encoded file, told by its first bytes (never by a name).
PictureFormat detect_picture_format(const std::uint8_t* data, std::size_t size);

// Decodes a whole file held in memory.
CodecStatus decode_picture(const std::uint8_t* data, std::size_t size, Picture& out);

// Reads and decodes a file; the path is UTF-8.
CodecStatus load_picture(const char* path, Picture& out);

// Decodes a packed device-independent bitmap: an info header, colour masks
// where the header asks for them, a colour table, then the pixel rows.
CodecStatus decode_packed_dib(const std::uint8_t* data, std::size_t size, Picture& out);

// Packs a picture as the clipboard's device-independent bitmap: a 40-byte
// header with positive height (rows bottom-up), then for an 8-bit picture 256
// colour-table entries (blue, green, red, 0; missing entries are black), then
// rows padded to 4 bytes: 24-bit blue, green, red for a 32-bit picture, or
// 8-bit indices.
CodecStatus pack_dib(const Picture& picture, std::vector<std::uint8_t>& out);

// Copies a bitmap into a picture: 32-bit words, or 8-bit indices with the
// bitmap's whole 256-entry palette (alpha 0xFF).
CodecStatus picture_from_bitmap(const Bitmap& bitmap, Picture& out);

// Draws a picture into a bitmap at (x, y) at its own size, clipped. Into an
// 8-bit target each colour becomes the nearest entry of the target's palette;
// an index whose colour equals the target's entry at that index stays as it is.
CodecStatus draw_picture(Bitmap& target, int x, int y, const Picture& picture);

struct EncoderInfo {
  const char* mime_type;  // "image/png"
  const char* extension;  // ".png"
};

// The encoders, in the framework's save-format order: BMP, JPEG, GIF, PNG, TIFF.
int encoder_count();
const EncoderInfo* encoder_at(int index);  // nullptr outside 0..encoder_count()-1

// Encodes into memory. `quality` (0..100) is used by JPEG only. A 32-bit
// picture is written as 24-bit RGB; an 8-bit picture keeps its indices and
// palette (BMP, GIF, PNG, TIFF) or goes through its palette (JPEG).
CodecStatus encode_picture_to_memory(const Picture& picture, const char* mime_type, int quality,
                                     std::vector<std::uint8_t>& out);

// Bytes of a file to write, in pieces.
struct ByteSpan {
  const std::uint8_t* data;
  std::size_t size;
};
// Writes the pieces to a file beside `path` and renames it over `path` once
// whole (a device or pipe is written in place): a failure leaves what was
// there and never a partial file.
CodecStatus write_whole_file(const char* path, const std::vector<ByteSpan>& pieces);

// Encodes into a file (UTF-8 path); a failed write removes the file.
CodecStatus encode_picture(const Picture& picture, const char* mime_type, int quality,
                           const char* path);

}  // namespace platform
