// One run of the composer (its ORV_Main): the start checks, the loop over
// the 31 buttons, the input box, dragging and the demo, and the end.
#pragma once

#include "composer/buffers.h"
#include "composer/lens_window.h"
#include "composer/output_files.h"
#include "composer/render.h"

namespace composer {

struct Params;

struct Run {
  Buffers buffers;
  Scroll scroll;
  Recording recording;
  LensWindow lens;
  bool ended = false;
};

// The whole run: returns when "break" is pressed, memory runs out or Exit
// begins. Returns 0.
int run_composer();

// The steps of a run, for the loop and for tests.
// Start checks, parameters, buffers, output window, first redraw; false
// when the run cannot start (no source image: the pause box; no memory).
bool start_run(Params& p, Run& run);
// The action of button i (0..30) after a click.
void press_button(int i, Params& p, Run& run);
// Takes the input box over (Apply); with `rebuild` resizes and redraws what
// changed. −1 when a rebuild ran out of memory.
int apply_input_box(Params& p, Run& run, bool rebuild);
// A full redraw or a position redraw in the current print mode.
void redraw(Params& p, Run& run, bool full);
// One step of the demo animation.
void demo_step(Params& p);
// REC switched on: from view position 0 the demo steps on with LOOP on.
void begin_recording(Params& p);
// The demo's next position drawn, and saved as a frame while REC is on.
void animation_step(Params& p, Run& run);
// Image 2, the output window, at its place and size; a line on the text
// window when it cannot be shown (the run goes on without it).
void show_output_window(const Params& p);
// Frees everything and destroys image windows 0, 1 and 2.
void end_run(Run& run);

}  // namespace composer
