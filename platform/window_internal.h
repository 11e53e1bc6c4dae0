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

// Every window record, class, focus entry and the screen metrics.
struct WindowTable {
  std::mutex mutex;
  std::map<std::uint32_t, std::unique_ptr<WindowRecord>> records;
  std::vector<WindowClass> classes;
  std::vector<Window> top_levels;  // creation order
  std::map<ThreadId, Window> focus;
  Window foreground;
  std::uint32_t next_id = 1;
  ScreenMetrics metrics;
};
WindowTable& table();

// The one lock over every window record, class and focus entry. Never held
// while a procedure or a back-end slot runs.
std::mutex& window_mutex();
// The record of a live window, or nullptr; call with window_mutex() held.
WindowRecord* find_record(Window window);
// A window of this thread that waits for Paint; `take` clears its flag.
Window window_to_paint(ThreadId thread, bool take);
// Client rectangle in screen coordinates (top-level) for a record.
Rect client_screen_rect(const WindowRecord& record);
// The frame around the client area for a style, menu bar included.
FrameExtents frame_of(unsigned style, bool has_menu, const ScreenMetrics& m);
// Captioned windows keep at least the minimum tracking size.
Rect enforce_minimum(Rect outer, unsigned style, const ScreenMetrics& m);
// Gives a record's client surface this size (a new one in the class's colour).
void resize_surface(WindowRecord& record, int width, int height);
// Tells the back end that a window's record changed.
void notify_changed(Window window);
// Sends a message of one kind with x and y.
std::intptr_t send_simple(Window window, MsgKind kind, int x = 0, int y = 0);

// Reads one thing of a live window's record under the lock.
template <class T, class Read>
T read_record(Window window, T fallback, Read read) {
  std::lock_guard lock(window_mutex());
  WindowRecord* record = find_record(window);
  return record ? T(read(*record)) : fallback;
}
// The control procedures (controls.cpp).
std::intptr_t control_proc(Window window, Msg& msg);

}  // namespace platform::internal
