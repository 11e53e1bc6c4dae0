// Window records shared by the platform's own sources; not for callers.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/window.h"

namespace platform::internal {

struct Surface {
  std::mutex mutex;
  std::unique_ptr<Bitmap> bitmap;
};

struct WindowRecord {
  Window handle;
  std::string class_name;
  WindowProc proc = nullptr;
  bool double_clicks = false;
  std::uint32_t background = 0;  // 0x00RRGGBB of a fresh client surface
  ThreadId thread = 0;
  unsigned style = 0;
  std::u16string text;
  Rect outer;  // screen rectangle; for controls, in the parent's client coordinates
  Window owner;
  Window parent;
  int control_id = 0;
  ControlKind kind = ControlKind::None;
  std::vector<Window> children;
  bool visible = false;
  bool accepts_drops = false;
  bool has_menu_bar = false;
  Menu menu;
  bool needs_paint = false;
  bool destroying = false;
  // Edit controls: caret and selection in UTF-16 units.
  int caret = 0;
  int selection_start = 0;
  int selection_end = 0;
  // Push buttons: pressed by the left button and not yet released.
  bool pressed = false;
  // Top-level windows: the focused control shows a focus rectangle.
  bool focus_cues = false;
  std::shared_ptr<Surface> surface;
};

// The one lock over every window record, class and focus entry. Never held
// while a procedure or a back-end slot runs.
std::mutex& window_mutex();
// The record of a live window, or nullptr; call with window_mutex() held.
WindowRecord* find_record(Window window);
// A window of this thread that waits for Paint; `take` clears its flag.
Window window_to_paint(ThreadId thread, bool take);
// Client rectangle in screen coordinates (top-level) for a record.
Rect client_screen_rect(const WindowRecord& record);
// The control procedures (controls.cpp).
std::intptr_t control_proc(Window window, Msg& msg);

}  // namespace platform::internal
