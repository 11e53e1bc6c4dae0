// A look through the lens sheet before printing: from an interlaced picture
// and the parameters it was made with (mode, pitch, view count), what one
// eye sees from each viewing angle. For each view the lenses show, at that
// view's phase, one sample a lens: the middle pixel column of its zone
// (PRINT), or along each row the middle of its run of sub-pixels, each
// channel from the nearest sub-pixel of that channel (BETA). Those samples,
// stretched back to the picture's width, are the view as the eye sees it.
#pragma once

#include <cstdint>
#include <vector>

#include "framework/orvlib.h"

namespace composer {

struct Params;

// PRINT: for each view, the interlaced picture's columns the lenses show at
// that view's phase, left to right, over `width` columns (p.pitch,
// p.view_num; the tables of a render of that width).
std::vector<std::vector<int>> print_preview_columns(const Params& p, int width);

// The bytes preview_views holds for a picture of width x height.
std::uint64_t preview_bytes(const Params& p, int width, int height);

// Every view's reconstruction, width x height words each, in view order.
// BETA takes the interlaced picture as the whole composed picture.
std::vector<std::vector<std::uint32_t>> preview_views(const Params& p,
                                                      const ORV_PixelBuffer& interlaced);

// The peak signal-to-noise ratio of two pictures of `count` words over their
// three channels, in dB; infinite when they are equal.
double psnr(const std::uint32_t* a, const std::uint32_t* b, std::size_t count);

}  // namespace composer
