// "Preview through the lens" on the desktop: a command of the main window's
// popup menu that opens an image window showing, view after view and back,
// what the eye sees through the lenses of the output as it is now (the
// views worked back from image 2 with the current mode, pitch and view
// count), a frame each time round the run's loop.
#pragma once

#include <cstdint>
#include <vector>

namespace composer {

struct Params;

// The preview's window and frames; id -1 while none is shown.
struct LensWindow {
  int id = -1;
  int width = 0, height = 0;
  std::vector<std::vector<std::uint32_t>> frames;  // the views, then back
  std::size_t next = 0;
};

// The command's number in the main window's popup menu; the first call adds it.
int lens_preview_command();
// Works the views back from image 2 and shows the first in a window of its
// own, at the highest image id no picture holds; false (nothing shown) when
// there is no output, no free id, or more views than memory holds.
bool open_lens_window(const Params& p, LensWindow& w);
// Shows the next frame; closes the preview when the person has closed its window.
void step_lens_window(LensWindow& w);
// Closes the window, if shown.
void close_lens_window(LensWindow& w);

}  // namespace composer
