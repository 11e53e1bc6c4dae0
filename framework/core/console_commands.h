// Console commands: the one line typed after "Cmd>" in a text window, run
// on the thread that owns the window (internal).
#pragma once

namespace orv {

// The process-wide colours the "color" command prints (colour words).
struct DrawingColours {
  int draw = 0xFFFFFF;           // drawing colour
  int truetype_text = 0xFFFFFF;  // orv_tttc
  int bitmap_text = 0x000000;    // orv_tc
};

// The colours live with the drawing code above the framework, which installs
// this reader at start-up; without one the start-up colours are printed.
using DrawingColourReader = DrawingColours (*)();
void set_drawing_colour_reader(DrawingColourReader reader);

// Prints "Cmd>" in the current text window, reads one line and runs it:
// exit, start, help, ver or color. 0 for one of these, 1 for anything else
// (after "Invalid command"). Exit and Start reach the main window through its
// queue, so they take effect after this returns.
int run_console_command();

}  // namespace orv
