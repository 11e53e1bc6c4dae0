// Frame and client geometry: frame extents from the screen metrics, client
// rectangles, points, moves and the minimum tracking size.
#include <algorithm>

#include "platform/window.h"
#include "platform/window_internal.h"

namespace platform {
namespace internal {
namespace {

int frame_width(unsigned style, const ScreenMetrics& m) {
  return (style & (kStyleCaption | kStyleFrame | kStyleResizable)) ? m.frame : 0;
}

}  // namespace

FrameExtents frame_of(unsigned style, bool has_menu, const ScreenMetrics& m) {
  FrameExtents e;
  if (m.window_manager_frames && (style & kStyleCaption) && !(style & kStyleChild)) {
    e = (style & kStyleResizable) ? m.sizing_frame : m.fixed_frame;
  } else {
    int f = frame_width(style, m);
    e = {f, f + ((style & kStyleCaption) ? m.caption : 0), f, f};
  }
  if (has_menu) e.top += m.menu;
  return e;
}

namespace {

Rect client_of(const Rect& outer, unsigned style, bool has_menu, const ScreenMetrics& m) {
  FrameExtents e = frame_of(style, has_menu, m);
  Rect client{outer.left + e.left, outer.top + e.top, outer.right - e.right,
              outer.bottom - e.bottom};
  client.right = std::max(client.right, client.left);
  client.bottom = std::max(client.bottom, client.top);
  return client;
}

}  // namespace

Rect client_screen_rect(const WindowRecord& record) {
  if (record.style & kStyleChild) {
    WindowRecord* parent = find_record(record.parent);
    Rect base = parent ? client_screen_rect(*parent) : Rect{};
    return {base.left + record.outer.left, base.top + record.outer.top,
            base.left + record.outer.right, base.top + record.outer.bottom};
  }
  return client_of(record.outer, record.style, record.has_menu_bar, table().metrics);
}

}  // namespace internal

using internal::enforce_minimum;
using internal::find_record;
using internal::notify_changed;
using internal::resize_surface;
using internal::send_simple;
using internal::table;
using internal::WindowRecord;

Rect internal::enforce_minimum(Rect outer, unsigned style, const ScreenMetrics& m) {
  if (!(style & kStyleCaption)) return outer;
  outer.right = std::max(outer.right, outer.left + m.min_window_width);
  outer.bottom = std::max(outer.bottom, outer.top + m.min_window_height);
  return outer;
}

Rect window_rect(Window window) {
  std::lock_guard lock(internal::window_mutex());
  WindowRecord* record = find_record(window);
  return record ? record->outer : Rect{};
}

Rect client_rect(Window window) {
  std::lock_guard lock(internal::window_mutex());
  WindowRecord* record = find_record(window);
  if (!record) return {};
  Rect client = internal::client_screen_rect(*record);
  return {0, 0, client.width(), client.height()};
}

Point client_to_screen(Window window, Point p) {
  std::lock_guard lock(internal::window_mutex());
  WindowRecord* record = find_record(window);
  if (!record) return p;
  Rect client = internal::client_screen_rect(*record);
  return {client.left + p.x, client.top + p.y};
}

Window child_from_point(Window parent, Point client) {
  std::lock_guard lock(internal::window_mutex());
  WindowRecord* record = find_record(parent);
  if (!record) return {};
  for (Window child : record->children) {
    WindowRecord* c = find_record(child);
    if (c && c->visible && c->kind != ControlKind::Static && c->outer.contains(client))
      return child;
  }
  return {};
}

Rect adjust_window_rect(Rect client, unsigned style, bool has_menu_bar) {
  FrameExtents e = internal::frame_of(style, has_menu_bar, screen_metrics());
  return {client.left - e.left, client.top - e.top, client.right + e.right,
          client.bottom + e.bottom};
}

bool move_window(Window window, Rect outer) {
  Rect old_client;
  Rect new_client;
  {
    std::lock_guard lock(internal::window_mutex());
    WindowRecord* record = find_record(window);
    if (!record) return false;
    old_client = internal::client_screen_rect(*record);
    record->outer = enforce_minimum(outer, record->style, table().metrics);
    new_client = internal::client_screen_rect(*record);
    resize_surface(*record, new_client.width(), new_client.height());
  }
  notify_changed(window);
  bool top_level = !(window_style(window) & kStyleChild);
  if (top_level && (old_client.left != new_client.left || old_client.top != new_client.top))
    send_simple(window, MsgKind::Move, new_client.left, new_client.top);
  if (old_client.width() != new_client.width() || old_client.height() != new_client.height())
    send_simple(window, MsgKind::Size, new_client.width(), new_client.height());
  return true;
}

ScreenMetrics screen_metrics() {
  std::lock_guard lock(internal::window_mutex());
  return table().metrics;
}

void set_screen_metrics(const ScreenMetrics& metrics) {
  std::lock_guard lock(internal::window_mutex());
  table().metrics = metrics;
}

}  // namespace platform
