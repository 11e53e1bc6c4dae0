// The button box: one window with a grid of up to 256 push buttons whose
// clicks a user program takes from orv_bb_click (internal; the ORV_ calls
// are in orvlib.h).
//
// The box belongs to the worker thread; counters change only while that
// thread dispatches messages, so the program reads and resets them unlocked.
#pragma once

#include "platform/window.h"

namespace orv {

constexpr int kButtonBoxMaxButtons = 256;
constexpr int kButtonIdBase = 3000;  // button i has control id 3000 + i

// Popup commands of the box.
constexpr int kCommandButtonBoxDestroy = 1050;
constexpr int kCommandButtonBoxRename = 1057;

// Registers the "orv_bb" class (start-up, in the order of the class table).
bool register_button_box_class();
// The open box, or a null window.
platform::Window button_box_window();
// Grid and button size of the box; the size survives a close and the next open uses it.
int button_box_columns();
int button_box_rows();
int button_box_button_width();
int button_box_button_height();

// Back to a fresh process: no box, default button size, counters 0 (tests).
void reset_button_box_for_tests();

}  // namespace orv
