// PNG straight to and from 32-bit words, for the large pictures of batch
// work: rows filtered and unfiltered here, no intermediate picture.
// Decoding streams the file through zlib and takes the common kind (8-bit
// RGB or RGBA, not interlaced, no colour key), leaving every other to the
// general decoder; encoding writes 24-bit RGB through libdeflate, which
// compresses a whole picture about twice as fast as zlib.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "platform/codec/codec.h"

namespace platform {

// Decodes the PNG file open at `fd` (read from its start; `file_size` bytes)
// into `*words` (width * height words 0x00RRGGBB, alpha laid over black,
// owned by the caller, freed with std::free), row by row as it is inflated,
// with no copy of the file or of its data. Returns UnknownEncoder, with
// nothing allocated, for a PNG of another kind, no PNG at all or one with any
// fault: the caller then goes back to the file's start and uses the general
// decoder, which judges faults as it always has. TooLarge and OutOfMemory as
// decode_picture gives them.
CodecStatus decode_png_file_words(int fd, std::uint64_t file_size, std::uint32_t** words,
                                  int* width, int* height);

struct FreeBlock {
  void operator()(std::uint8_t* block) const { std::free(block); }
};
using LargeBlock = std::unique_ptr<std::uint8_t, FreeBlock>;

// A PNG file in three pieces: the chunks before the picture data, the IDAT
// chunk (large, on huge pages), and the end.
struct EncodedPng {
  std::vector<std::uint8_t> head, tail;
  LargeBlock body;
  std::size_t body_size = 0;
};

// Encodes rows of `stride_words` words as a 24-bit PNG with the Up filter,
// `pixels_per_inch` in pHYs when above 0. `level` is libdeflate's (1..12).
CodecStatus encode_png_words(const std::uint32_t* pixels, std::size_t stride_words, int width,
                             int height, double pixels_per_inch, int level, EncodedPng& out);

// The three pieces through write_whole_file (codec.h).
CodecStatus write_whole_file(const char* path, const EncodedPng& png);

}  // namespace platform
