// Focus (per thread: the window its keys go to) and activation (the one
// foreground window; activation is posted), focus cues and the z-order of
// top-level windows.
#include <algorithm>

#include "platform/queue.h"
#include "platform/thread.h"
#include "platform/window.h"
#include "platform/window_internal.h"

namespace platform {

using internal::find_record;
using internal::notify_changed;
using internal::read_record;
using internal::send_simple;
using internal::table;
using internal::WindowRecord;

Window set_focus(Window window) {
  Window old;
  {
    std::lock_guard lock(internal::window_mutex());
    ThreadId thread = current_thread_id();
    if (window) {
      WindowRecord* record = find_record(window);
      if (!record || record->thread != thread) return {};
    }
    Window& focus = table().focus[thread];
    old = focus;
    if (old == window) return old;
    focus = window;
  }
  if (old && is_window(old)) {
    send_simple(old, MsgKind::KillFocus);
    notify_changed(old);
  }
  if (window) {
    send_simple(window, MsgKind::SetFocus);
    notify_changed(window);
  }
  return old;
}

Window focus_window() {
  return focus_of_thread(current_thread_id());
}

Window focus_of_thread(ThreadId thread) {
  std::lock_guard lock(internal::window_mutex());
  auto it = table().focus.find(thread);
  return it == table().focus.end() || !find_record(it->second) ? Window{} : it->second;
}

void show_focus_cues(Window window) {
  Window root = root_window(window);
  {
    std::lock_guard lock(internal::window_mutex());
    WindowRecord* record = find_record(root);
    if (!record || record->focus_cues) return;
    record->focus_cues = true;
  }
  notify_changed(root);
}

bool shows_focus_cues(Window window) {
  return read_record(root_window(window), false,
                     [](const WindowRecord& r) { return r.focus_cues; });
}

// Activation is posted, never sent: the other window's thread may be busy.
void set_foreground(Window window) {
  Window old;
  {
    std::lock_guard lock(internal::window_mutex());
    if (window && !find_record(window)) return;
    old = table().foreground;
    if (old == window) return;
    table().foreground = window;
  }
  Msg msg;
  msg.kind = MsgKind::Activate;
  if (old) post_message(old, msg);
  msg.active = true;
  if (window) post_message(window, msg);
  if (window) notify_changed(window);
}

Window foreground_window() {
  std::lock_guard lock(internal::window_mutex());
  return find_record(table().foreground) ? table().foreground : Window{};
}

void raise_window(Window window) {
  {
    std::lock_guard lock(internal::window_mutex());
    auto& order = table().top_levels;
    if (std::find(order.begin(), order.end(), window) == order.end()) return;
    std::erase(order, window);
    order.push_back(window);
  }
  notify_changed(window);
}

}  // namespace platform
