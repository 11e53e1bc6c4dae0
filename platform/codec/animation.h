// Animations of 32-bit frames (width x height words each, 0x00RRGGBB), each
// shown for delay_cs hundredths of a second, looping for ever.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/codec/codec.h"

namespace platform {

// An animated PNG: lossless, read as its first frame where animation is unknown.
CodecStatus encode_animated_png(const std::vector<const std::uint32_t*>& frames, int width,
                                int height, int delay_cs, std::vector<std::uint8_t>& out);
// An animated GIF: each frame quantised to a palette of its own.
CodecStatus encode_animated_gif(const std::vector<const std::uint32_t*>& frames, int width,
                                int height, int delay_cs, std::vector<std::uint8_t>& out);

}  // namespace platform
