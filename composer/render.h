// The three renderers over pixel buffers. BETA composes from the work image
// through the interlace tables into the composed picture, which is then
// placed, centred and scrolled, into the output; STABLE and PRINT read the
// picture strip and write the output pixel by pixel. No windows here: the
// desktop program shows the results (composer/output_window.h), the batch
// renderer writes them to a file.
#pragma once

#include <cstdint>
#include <vector>

#include "composer/resample.h"
#include "composer/tables.h"
#include "framework/orvlib.h"

namespace composer {

struct Params;

constexpr int kSourceImage = 0;
constexpr int kStripImage = 1;
constexpr int kOutputImage = 2;

// The part of the composed picture shown when it is larger than the window.
struct Scroll {
  int x = 0;
  int y = 0;
  bool reset = true;  // set when a run starts: the next copy starts at (0, 0)
};

// The picture view v shows: view_pos + v, wrapped when LOOP is on.
int picture_of_view(const Params& p, int v);

// Where BETA reads its samples: a whole work image, or rows resampled from
// the source as each row group needs them (nothing kept between groups).
struct WorkSource {
  const std::uint32_t* work = nullptr;
  const Resampling* resampling = nullptr;
  ORV_PixelBuffer source;
};

// BETA: the tables applied to the work samples, row group by row group, into
// `display` (scaled_width × scaled_height words; black where no entry falls).
// With `rows` below scaled_height only the row groups of the first `rows`
// rows are composed, and `display` need hold only those.
void compose_beta(const Params& p, const Tables& t, const WorkSource& samples,
                  std::uint32_t* display, int rows = -1);

// Where the composed picture lands in an output of out_w × out_h: columns
// [x0, xe) and rows [y0, ye) show display pixel (sx + x − x0, oy + y − y0);
// the rest is black. Centred (the odd pixel on the left or top) when it is
// smaller than the window, else scrolled; the scroll is kept in range.
struct Placement {
  int x0 = 0, xe = 0, y0 = 0, ye = 0, sx = 0, oy = 0;
};
Placement place_output(const Params& p, Scroll& scroll, int out_w, int out_h);
// The composed picture into a 32-bit output as placed, black around it.
void copy_placed(const Params& p, const std::uint32_t* display, const Placement& at,
                 const ORV_PixelBuffer& out);

// BETA composed and placed into a 32-bit output in one pass, a row group at
// a time straight into the output rows: what compose_beta, then copy_placed
// write, without the whole composed picture.
void compose_beta_placed(const Params& p, const Tables& t, const WorkSource& samples,
                         const Placement& at, const ORV_PixelBuffer& out);

// One column k of STABLE's lens walk: the picture it shows and, for the
// first column after a zone boundary, the weight of its blend with the
// column before.
struct LensColumn {
  int k;
  int picture;
  bool blends;
  double weight;
};
// The walk over `end` sub-pixel columns; a lens begun is walked to its end.
std::vector<LensColumn> lens_walk(const Params& p, int end);
// STABLE's sub-pixel of column c in row group r.
int stable_sub_pixel(const Params& p, const LensColumn& c, int r);
// STABLE: lens by lens the strip's columns on the slanted diagonals, every
// other pixel of the output black. Sets p.dt; returns the walk.
std::vector<LensColumn> render_stable(Params& p, const ORV_PixelBuffer& strip,
                                      const ORV_PixelBuffer& out);

// One pixel of PRINT: the strip columns read (x2 only when `second`) and the colour.
struct PrintStep {
  int x1 = 0, x2 = 0;
  bool second = false;
  std::uint32_t colour = 0;
};
PrintStep print_step(const Params& p, const Tables& t, const ORV_PixelBuffer& strip, int row,
                     int column);
// PRINT: the PRINT table (sets p.dt), then every row but the last and every
// column of the table from the strip.
void render_print(Params& p, const Tables& t, const ORV_PixelBuffer& strip,
                  const ORV_PixelBuffer& out);

// Colour at sub-pixel a of row group r: a in row 3r, a + 1 in row 3r + 1,
// a + 2 in row 3r + 2, each row taking that sub-pixel's channel.
void write_diagonal(const ORV_PixelBuffer& out, std::uint32_t colour, int a, int r);
// The channel mask of sub-pixel s (red, green, blue for s mod 3 = 0, 1, 2).
std::uint32_t channel_of_sub_pixel(int s);

}  // namespace composer
