// The snap list and the snapping rule.
#include "framework/core/snap.h"

#include "framework/image/image_table.h"

#include <cstdlib>
#include <mutex>

#include "framework/console/button_box.h"
#include "framework/console/input_box.h"
#include "framework/console/text_window.h"
#include "framework/core/main_window.h"
#include "platform/queue.h"

namespace orv {
namespace {

// Rebuilt from both threads; the lock keeps a reader from seeing half a list.
std::mutex g_snap_mutex;
SnapList g_snap_list;

platform::Rect shifted(platform::Rect r, int dx, int dy) {
  return {r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
}

}  // namespace

SnapList screen_strips(const platform::ScreenMetrics& m) {
  int w = m.maximized_client_width;
  int h = m.maximized_client_height + m.caption;
  return {{-1000, 0, 0, h}, {0, -1000, w, 0}, {w, 0, w + 1000, h}, {0, h, w, h + 1000}};
}

// Every difference is measured against the rectangle as proposed on entry;
// a shift moves both edges of its axis, so the window keeps its size.
platform::Rect snap_rect(const SnapList& list, platform::Rect current, platform::Rect p) {
  int dx = 0;
  int dy = 0;
  bool x = false;
  bool y = false;
  auto near = [](int distance) { return std::abs(distance) < kSnapThreshold; };
  for (const platform::Rect& e : list) {
    if (e == current) continue;
    bool overlap_x = e.left <= p.right && e.right >= p.left;
    bool overlap_y = e.top <= p.bottom && e.bottom >= p.top;
    if (!x && overlap_y) {  // side by side
      if (near(e.right - p.left))
        dx = e.right - p.left, x = true;
      else if (near(e.left - p.right))
        dx = e.left - p.right, x = true;
    }
    if (!y && x && overlap_x) {  // tops or bottoms aligned
      if (near(e.top - p.top))
        dy = e.top - p.top, y = true;
      else if (near(e.bottom - p.bottom))
        dy = e.bottom - p.bottom, y = true;
    }
    if (!y && overlap_x) {  // stacked
      if (near(e.bottom - p.top))
        dy = e.bottom - p.top, y = true;
      else if (near(e.top - p.bottom))
        dy = e.top - p.bottom, y = true;
    }
    if (!x && y && overlap_y) {  // lefts or rights aligned
      if (near(e.left - p.left))
        dx = e.left - p.left, x = true;
      else if (near(e.right - p.right))
        dx = e.right - p.right, x = true;
    }
    if (x && y) break;
  }
  return shifted(p, dx, dy);
}

// Screen strips, then the open windows: text windows by id, the input box,
// the button box and the main window. Image windows join when they exist.
void rebuild_snap_list() {
  SnapList list = screen_strips(platform::screen_metrics());
  std::vector<platform::Window> windows = image_windows_in_id_order();
  for (platform::Window w : open_text_windows_in_id_order()) windows.push_back(w);
  windows.push_back(input_box_window());
  windows.push_back(button_box_window());
  windows.push_back(main_window());
  for (platform::Window w : windows)
    if (platform::is_window(w)) list.push_back(platform::window_rect(w));
  std::lock_guard lock(g_snap_mutex);
  g_snap_list = std::move(list);
}

void snap_moving_window(platform::Window window, platform::Rect& proposed) {
  if (!platform::key_is_down(platform::kKeyControl)) return;
  std::lock_guard lock(g_snap_mutex);
  proposed = snap_rect(g_snap_list, platform::window_rect(window), proposed);
}

bool handle_snap_message(platform::Window window, platform::Msg& msg) {
  if (msg.kind == platform::MsgKind::Move) {
    rebuild_snap_list();
    return true;
  }
  if (msg.kind == platform::MsgKind::Moving) {
    snap_moving_window(window, msg.proposed);
    return true;
  }
  return false;
}

}  // namespace orv
