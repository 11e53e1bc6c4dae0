// The desktop program's side of the renderers: the source picture read from
// image 0, the strip from image 1, and the results shown in the output
// window (image 2), with the status block on the text window. The pixels
// come from composer/render.h; the last few steps of STABLE and PRINT are
// done again through the pixel calls, so that the current image, the
// selection stack and the pen end as a render pixel by pixel leaves them.
#pragma once

#include <cstdint>

#include "composer/buffers.h"
#include "composer/render.h"

namespace composer {

struct Params;

// Image id's pixels, or an empty view for a free id.
ORV_PixelBuffer image_buffer(int id);

// The work image from image 0; the interpolating modes count their rows on
// the text window ("%4d/%4d") and blank the count at the end.
void build_work_image_from_source(const Params& p, std::uint32_t* work);

// BETA: display_buff into image 2, placed and scrolled, black around it; then
// image 2 is shown.
void copy_to_output(const Params& p, const Buffers& b, Scroll& scroll);
// Tables and maps, compose, status, copy.
void full_beta_redraw(Params& p, const Buffers& b, Scroll& scroll);
// Compose, status, copy (the view position or the scroll changed).
void beta_position_redraw(const Params& p, const Buffers& b, Scroll& scroll);
// STABLE: image 2 filled black, then the strip of image 1 (none: black only).
void show_stable(Params& p);
// PRINT: the PRINT table, then the strip of image 1 into image 2 (without
// image 1, image 2 keeps what it showed).
void show_print(Params& p, const Buffers& b);

}  // namespace composer
