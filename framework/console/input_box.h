// The input box: one window of up to 30 labelled edit fields whose values a
// user program reads as text (internal; the ORV_ calls are in orvlib.h).
//
// The box belongs to the worker thread. A field's value reaches orv_ib_text
// when the field loses the focus or Enter is pressed in the box.
#pragma once

#include <cstddef>
#include <string>

#include "platform/window.h"

namespace orv {

constexpr int kInputBoxMaxItems = 30;
constexpr int kInputBoxTextBytes = 256;  // each orv_ib_text buffer, terminator included
constexpr int kInputBoxRowPitch = 28;
constexpr int kInputBoxLabelIdBase = 4000;  // + row: the label controls' ids

// Popup commands of the box.
constexpr int kCommandInputBoxDestroy = 1023;
constexpr int kCommandInputBoxRename = 1056;

// Registers the "orv_ib" class (start-up, in the order of the class table).
bool register_input_box_class();
// The open box, or a null window.
platform::Window input_box_window();
// The column widths in pixels; they survive a close and the next open uses them.
int input_box_label_width();
int input_box_edit_width();

// value with 10 significant digits in the shorter of fixed and exponent
// notation, without trailing zeros ("1", "2.5", "0.0123", "1e+10",
// "1.5e-05"). Writes at most size bytes, terminator included.
void format_real(double value, char* out, std::size_t size);

// Back to a fresh process: no box, default widths (tests).
void reset_input_box_for_tests();

// Shared with the button box.
// The outer rectangle of a framed window whose top-left corner is at (x, y)
// and whose client area is width x height.
platform::Rect outer_at(int x, int y, int width, int height, unsigned style);
// A control's text, cut to max_units UTF-16 units (a surrogate pair stays
// whole), in the system code page: at most size bytes with the terminator,
// whole characters only.
void copy_to_code_page(std::u16string text, std::size_t max_units, char* out, std::size_t size);
// Asks on the text window for a new label of item `index`, showing the old
// one cut to max_units; `line` (256 bytes) gets the answer, empty for none.
void ask_new_label(int index, const std::u16string& old_label, std::size_t max_units,
                   char (&line)[256]);

}  // namespace orv
