// The work image: every source picture resampled once to the sub-pixel grid
// of the output, with one of six modes; and the blend that anti-aliases
// zone boundaries.
#pragma once

#include <cstdint>

namespace composer {

struct Params;

// dst_w = subpixels · scaled_width · pic_num, dst_h = scaled_height / subpixels.
int work_width(const Params& p);
int work_height(const Params& p);

// Fills `work` (work_width × work_height colour words, row-major) from image
// 0 with the mode p.rs. Modes 1 to 4 show their progress on the current text
// window. An 8-bit image 0 is read through its palette; a missing one reads
// as black.
void build_work_image(const Params& p, std::uint32_t* work);

// Per channel (1 − w)·a + w·b, truncated: a is the main sample, b the second.
std::uint32_t blend(double w, std::uint32_t a, std::uint32_t b);

}  // namespace composer
