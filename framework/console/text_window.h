// Text windows as the rest of the framework sees them (internal): the
// window class, the commands, the open windows for snapping, and the
// line-input owner that the main window's popup and the exit sequence look at.
#pragma once

#include <vector>

#include "platform/window.h"

namespace orv {

constexpr int kTextWindowCount = 256;

// The text window's commands: its popup menu's item ids, also what its
// Ctrl keys post.
enum TextWindowCommand : int {
  kTextDestroy = 1006,
  kTextAbout = 1020,
  kTextStartLog = 1024,
  kTextStopLog = 1025,
  kTextCommand = 1029,
  kTextCopyLog = 1030,
  kTextWindowInfo = 1045,
  kTextSelect = 1069,
};

// Registers the "orv_twi" class unless it already is; false when it cannot be.
bool register_text_window_class();
// Start-up: every record closed (releasing what a previous run left), the
// current id 0, the key queue empty, no input waiting, the last line cleared.
void init_text_windows();
// Windows of the open text windows, lowest id first (for the snap list).
std::vector<platform::Window> open_text_windows_in_id_order();
// The current text window's id (it may be closed).
int current_text_window();
// Posts one of the commands above to text window id, when it is open.
void post_text_window_command(int id, int command);
// 0 when no ORV_Input waits, else the waiting window's id + 1.
int line_input_owner();
// Counts the inputs begun so far: a new one takes the keyboard from a waiting one.
unsigned line_inputs_begun();
// Makes a waiting ORV_Input return an empty line (Exit, closing its window).
void cancel_line_input();

}  // namespace orv
