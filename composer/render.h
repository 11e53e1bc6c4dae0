// The three renderers of the output window (image 2): BETA composes from the
// work image through the maps and copies a centred, scrollable part; STABLE
// and PRINT read the picture strip of image 1 and write image 2 pixel by
// pixel. Each ends by showing image 2 and printing the status block.
#pragma once

#include "composer/buffers.h"

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

// BETA: the maps applied to the work image, row group by row group, into
// display_buff (black where no entry falls).
void compose_beta(const Params& p, const Buffers& b);
// BETA: display_buff into image 2, centred (the odd pixel on the left or
// top), scrolled, black around it; then image 2 is shown.
void copy_to_output(const Params& p, const Buffers& b, Scroll& scroll);
// Tables and maps, compose, status, copy.
void full_beta_redraw(Params& p, const Buffers& b, Scroll& scroll);
// Compose, status, copy (the view position or the scroll changed).
void beta_position_redraw(const Params& p, const Buffers& b, Scroll& scroll);

// STABLE: image 2 filled black, then lens by lens the strip's columns on the
// slanted diagonals. Without image 1 only the black fill.
void render_stable(Params& p);
// PRINT: the PRINT table, then every row but the last and every column of
// the table from image 1. Without image 1 image 2 keeps what it showed.
void render_print(Params& p, const Buffers& b);

}  // namespace composer
