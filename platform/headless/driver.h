// The headless back end and its test driver.
//
// The back end keeps windows as the platform records them and shows nothing.
// The driver does what a person does at a desktop: it clicks at client
// points (the control under the point gets the click), presses keys into the
// focused control, types text, drags windows and their edges, drops files.
// It records popup menus and message boxes as they are shown and answers
// them. Without an attached driver, popups choose nothing and message boxes
// are printed on stderr and answered at once, so batch runs never block.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/backend.h"
#include "platform/menu.h"
#include "platform/message.h"

namespace headless {

using platform::Point;
using platform::Rect;
using platform::Window;

const platform::Backend* backend();

// Modal popups and boxes wait for the driver's answer from now on.
void attach_driver();
// Back to answering at once; pending popups and boxes are answered.
void detach_driver();

// Mouse input at client points of `window`; `keys` adds Shift/Ctrl bits.
void click(Window window, int x, int y, int keys = 0);
void double_click(Window window, int x, int y, int keys = 0);
void right_click(Window window, int x, int y, int keys = 0);
void middle_click(Window window, int x, int y, int keys = 0);
void mouse_move(Window window, int x, int y, int keys = 0);
void wheel(Window window, int x, int y, int delta, int keys = 0);
// A right click on the title bar.
void right_click_title(Window window);

// Chooses an item of the window's menu bar (a greyed or missing id does nothing).
void choose_menu(Window window, int id);

// A key pressed and released in the window (its focused control when it has one).
void key(Window window, int key_code, int keys = 0);
// Text typed as characters (from an input method, say) into the same target.
void type_text(Window window, const std::u16string& text);

// Drags the title bar by (dx, dy) in `steps` mouse moves, Ctrl held or not.
void drag_window(Window window, int dx, int dy, bool ctrl = false, int steps = 1);
// Drags one edge or corner of a resizable frame by (dx, dy).
void drag_edge(Window window, int edge, int dx, int dy);

// Drops files at a client point; false when the window does not accept drops.
bool drop_files(Window window, const std::vector<std::string>& paths, Point at = {});

struct ShownPopup {
  Window owner;
  platform::Menu menu;
  Point screen;
};

struct ShownBox {
  Window owner;
  std::u16string text;
  std::u16string title;
  platform::MessageBoxIcon icon = platform::kIconNone;
};

// The oldest popup menu shown and not answered, waiting up to timeout_ms for one.
std::optional<ShownPopup> wait_popup(int timeout_ms = 5000);
// Chooses an id (0 cancels) in the oldest open popup.
void answer_popup(int id);
// How many answered popups have handed their choice back to the code that
// showed them: once it grows past an answer, that code goes on with it.
int popups_returned();
std::optional<ShownBox> wait_message_box(int timeout_ms = 5000);
// Presses OK in the oldest open message box.
void answer_message_box();
// Every message box shown since the last clear, answered or not.
std::vector<ShownBox> message_boxes_shown();
void clear_shown();

// Pixels of a window's client surface (0x00RRGGBB).
std::uint32_t surface_pixel(Window window, int x, int y);
int present_count(Window window);

// Polls `done` every millisecond for up to timeout_ms; true once it holds.
template <class Done>
bool wait_until(Done done, int timeout_ms = 5000);

// Implementation detail of wait_until.
bool poll_until(bool (*done)(void*), void* context, int timeout_ms);

template <class Done>
bool wait_until(Done done, int timeout_ms) {
  return poll_until([](void* c) { return (*static_cast<Done*>(c))(); }, &done, timeout_ms);
}

}  // namespace headless
