// The device-independent bitmap reader shared by BMP files, packed DIBs and
// icons: header parsing and pixel decoding as separate steps, so that icons
// can halve the height and read the mask that follows.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/codec/codec.h"

namespace platform::codec {

struct DibInfo {
  std::int64_t width = 0;
  int height = 0;  // always positive; top_down tells the row order
  bool top_down = false;
  bool core_header = false;  // OS/2 core header: 3-byte colour table entries
  int bits = 0;
  std::uint32_t compression = 0;
  std::uint32_t colours_used = 0;
  std::uint32_t masks[4] = {};  // red, green, blue, alpha for 16 and 32 bits
  bool keep_alpha = false;      // put the alpha channel in the top byte of 32-bit pixels
  bool has_alpha = false;       // masks[3] is a real alpha channel: lay pixels over black
  std::size_t header_size = 0;
  int palette_entries = 0;
  std::size_t palette_offset = 0;  // from the start of the info header
  std::size_t pixel_offset = 0;    // from the start of the info header
};

// Parses the info header at `data`; `size` bytes follow from there.
CodecStatus parse_dib_header(const std::uint8_t* data, std::size_t size, DibInfo& info);

// Decodes the colour table and pixels described by `info`, whose offsets are
// counted from `data`. Rows must be complete; RLE data must reach its end.
CodecStatus decode_dib_pixels(const DibInfo& info, const std::uint8_t* data, std::size_t size,
                              Picture& out);

}  // namespace platform::codec
