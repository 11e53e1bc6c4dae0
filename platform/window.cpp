// Window classes and records: creation, destruction, what a record holds,
// visibility, captions, menus, drops and client surfaces. Frame and client
// geometry are in window_geometry.cpp, focus and activation in window_focus.cpp.
#include "platform/window.h"

#include <algorithm>
#include <atomic>

#include "platform/backend.h"
#include "platform/queue.h"
#include "platform/window_internal.h"

namespace platform {

void release_class_lock(const std::string& class_name);  // instance_lock.cpp
void take_class_lock(const std::string& class_name);

namespace internal {

WindowTable& table() {
  static WindowTable* instance = new WindowTable;  // outlives threads still running at exit
  return *instance;
}

std::mutex& window_mutex() {
  return table().mutex;
}

WindowRecord* find_record(Window window) {
  auto it = table().records.find(window.id);
  return it == table().records.end() || it->second->destroying ? nullptr : it->second.get();
}

Window window_to_paint(ThreadId thread, bool take) {
  std::lock_guard lock(window_mutex());
  for (auto& [id, record] : table().records) {
    if (record->thread == thread && record->needs_paint && !record->destroying) {
      if (take) record->needs_paint = false;
      return record->handle;
    }
  }
  return {};
}

}  // namespace internal

using internal::enforce_minimum;
using internal::find_record;
using internal::notify_changed;
using internal::read_record;
using internal::resize_surface;
using internal::send_simple;
using internal::table;
using internal::WindowRecord;
using internal::WindowTable;

// A new surface starts in the class's background colour.
void internal::resize_surface(WindowRecord& record, int width, int height) {
  if (!record.surface) record.surface = std::make_shared<internal::Surface>();
  std::lock_guard lock(record.surface->mutex);
  Bitmap* old = record.surface->bitmap.get();
  if (old && old->width == width && old->height == height) return;
  auto bitmap = create_bitmap(std::max(width, 1), std::max(height, 1), 32);
  if (bitmap && record.background != 0) {
    for (int y = 0; y < bitmap->height; ++y)
      std::fill_n(bitmap->row32(y), bitmap->width, record.background);
  }
  record.surface->bitmap = std::move(bitmap);
}

void internal::notify_changed(Window window) {
  if (current_backend().window_changed) current_backend().window_changed(window);
}

std::intptr_t internal::send_simple(Window window, MsgKind kind, int x, int y) {
  Msg msg;
  msg.kind = kind;
  msg.x = x;
  msg.y = y;
  return send_message(window, msg);
}

namespace {

Window create_record(std::unique_ptr<WindowRecord> record) {
  Window handle;
  {
    std::lock_guard lock(internal::window_mutex());
    WindowTable& t = table();
    handle.id = t.next_id++;
    record->handle = handle;
    if (record->style & kStyleChild) {
      if (WindowRecord* parent = find_record(record->parent)) parent->children.push_back(handle);
    } else {
      t.top_levels.push_back(handle);
    }
    Rect client = internal::client_screen_rect(*record);
    resize_surface(*record, client.width(), client.height());
    t.records[handle.id] = std::move(record);
  }
  return handle;
}

}  // namespace

bool register_class(const WindowClass& window_class) {
  if (window_class.name.empty() || !window_class.proc) return false;
  std::lock_guard lock(internal::window_mutex());
  auto& classes = table().classes;
  for (const WindowClass& c : classes)
    if (c.name == window_class.name) return false;
  classes.push_back(window_class);
  return true;
}

bool is_class_registered(const std::string& name) {
  std::lock_guard lock(internal::window_mutex());
  for (const WindowClass& c : table().classes)
    if (c.name == name) return true;
  return false;
}

Window create_window(const CreateParams& params) {
  auto record = std::make_unique<WindowRecord>();
  {
    std::lock_guard lock(internal::window_mutex());
    auto& classes = table().classes;
    auto it = std::find_if(classes.begin(), classes.end(),
                           [&](const WindowClass& c) { return c.name == params.class_name; });
    if (it == classes.end()) return {};
    record->proc = it->proc;
    record->double_clicks = it->double_clicks;
    record->background = it->background;
    record->outer = enforce_minimum(params.outer, params.style, table().metrics);
  }
  record->class_name = params.class_name;
  record->thread = current_thread_id();
  record->style = params.style & ~(kStyleChild | kStyleVisible);
  record->text = params.caption;
  record->owner = params.owner;
  record->has_menu_bar = params.has_menu_bar || !params.menu.items.empty();
  record->menu = params.menu;
  Window window = create_record(std::move(record));
  take_class_lock(params.class_name);
  if (current_backend().window_created) current_backend().window_created(window);
  if (send_simple(window, MsgKind::Create) == -1) {
    destroy_window(window);
    return {};
  }
  Rect client = client_rect(window);
  send_simple(window, MsgKind::Size, client.width(), client.height());
  if (params.style & kStyleVisible) show_window(window, true);
  return window;
}

Window create_control(ControlKind kind, Window parent, int id, Rect rect, std::u16string text,
                      unsigned style) {
  auto record = std::make_unique<WindowRecord>();
  {
    std::lock_guard lock(internal::window_mutex());
    WindowRecord* parent_record = find_record(parent);
    if (!parent_record || parent_record->thread != current_thread_id()) return {};
    record->visible = (style & kStyleVisible) != 0;
  }
  record->class_name = kind == ControlKind::Edit     ? "edit"
                       : kind == ControlKind::Button ? "button"
                                                     : "static";
  record->proc = internal::control_proc;
  record->thread = current_thread_id();
  record->style = style | kStyleChild;
  record->text = std::move(text);
  record->outer = rect;
  record->parent = parent;
  record->control_id = id;
  record->kind = kind;
  Window window = create_record(std::move(record));
  if (current_backend().window_created) current_backend().window_created(window);
  send_simple(window, MsgKind::Create);
  return window;
}

bool destroy_window(Window window) {
  std::vector<Window> owned;
  std::vector<Window> children;
  {
    std::lock_guard lock(internal::window_mutex());
    WindowRecord* record = find_record(window);
    if (!record || record->thread != current_thread_id()) return false;
    for (auto& [id, other] : table().records) {
      if (other->owner == window && !other->destroying) {
        if (other->thread == record->thread)
          owned.push_back(other->handle);
        else
          other->owner = {};
      }
    }
    children = record->children;
  }
  for (Window w : owned) destroy_window(w);
  send_simple(window, MsgKind::Destroy);
  for (Window child : children) destroy_window(child);

  std::string class_name;
  bool child = false;
  {
    std::lock_guard lock(internal::window_mutex());
    WindowRecord* record = find_record(window);
    if (!record) return true;  // destroyed from its own Destroy handler
    record->destroying = true;
    class_name = record->class_name;
    child = (record->style & kStyleChild) != 0;
    WindowTable& t = table();
    if (WindowRecord* parent = find_record(record->parent)) std::erase(parent->children, window);
    std::erase(t.top_levels, window);
    for (auto& [thread, focus] : t.focus)
      if (focus == window) focus = {};
    if (t.foreground == window) t.foreground = {};
  }
  if (current_backend().window_destroyed) current_backend().window_destroyed(window);
  {
    std::lock_guard lock(internal::window_mutex());
    table().records.erase(window.id);
  }
  if (!child) release_class_lock(class_name);
  return true;
}

bool is_window(Window window) {
  std::lock_guard lock(internal::window_mutex());
  return find_record(window) != nullptr;
}

ThreadId window_thread(Window window) {
  return read_record(window, ThreadId{0}, [](const WindowRecord& r) { return r.thread; });
}
std::string window_class(Window window) {
  return read_record(window, std::string(), [](const WindowRecord& r) { return r.class_name; });
}
unsigned window_style(Window window) {
  return read_record(window, 0u, [](const WindowRecord& r) { return r.style; });
}
Window window_owner(Window window) {
  return read_record(window, Window{}, [](const WindowRecord& r) { return r.owner; });
}
Window window_parent(Window window) {
  return read_record(window, Window{}, [](const WindowRecord& r) { return r.parent; });
}
int control_id(Window window) {
  return read_record(window, 0, [](const WindowRecord& r) { return r.control_id; });
}
ControlKind control_kind(Window window) {
  return read_record(window, ControlKind::None, [](const WindowRecord& r) { return r.kind; });
}
std::vector<Window> child_windows(Window parent) {
  return read_record(parent, std::vector<Window>(),
                     [](const WindowRecord& r) { return r.children; });
}
bool is_visible(Window window) {
  return read_record(window, false, [](const WindowRecord& r) { return r.visible; });
}
std::u16string caption(Window window) {
  return read_record(window, std::u16string(), [](const WindowRecord& r) { return r.text; });
}
Menu menu_bar(Window window) {
  return read_record(window, Menu(), [](const WindowRecord& r) { return r.menu; });
}
bool has_menu_bar(Window window) {
  return read_record(window, false, [](const WindowRecord& r) { return r.has_menu_bar; });
}
bool accepts_drops(Window window) {
  return read_record(window, false, [](const WindowRecord& r) { return r.accepts_drops; });
}

Window control_by_id(Window parent, int id) {
  std::lock_guard lock(internal::window_mutex());
  WindowRecord* record = find_record(parent);
  if (!record) return {};
  for (Window child : record->children)
    if (WindowRecord* c = find_record(child); c && c->control_id == id) return child;
  return {};
}

std::vector<Window> top_level_windows() {
  std::lock_guard lock(internal::window_mutex());
  return table().top_levels;
}

Window root_window(Window window) {
  std::lock_guard lock(internal::window_mutex());
  WindowRecord* record = find_record(window);
  while (record && (record->style & kStyleChild)) {
    WindowRecord* parent = find_record(record->parent);
    if (!parent) break;
    record = parent;
  }
  return record ? record->handle : Window{};
}

void set_window_style(Window window, unsigned style) {
  {
    std::lock_guard lock(internal::window_mutex());
    WindowRecord* record = find_record(window);
    if (!record) return;
    record->style = (record->style & kStyleChild) | (style & ~kStyleChild);
  }
  notify_changed(window);
}

void show_window(Window window, bool visible) {
  {
    std::lock_guard lock(internal::window_mutex());
    WindowRecord* record = find_record(window);
    if (!record || record->visible == visible) return;
    record->visible = visible;
    if (visible) record->needs_paint = true;
  }
  notify_changed(window);
}

void set_caption(Window window, std::u16string text) {
  {
    std::lock_guard lock(internal::window_mutex());
    WindowRecord* record = find_record(window);
    if (!record) return;
    record->text = std::move(text);
    if (record->kind == ControlKind::Edit) {
      record->caret = 0;
      record->selection_start = record->selection_end = 0;
    }
  }
  notify_changed(window);
}

void set_menu_bar(Window window, const Menu& menu) {
  {
    std::lock_guard lock(internal::window_mutex());
    WindowRecord* record = find_record(window);
    if (!record) return;
    record->menu = menu;
  }
  notify_changed(window);
}

void accept_drops(Window window, bool accept) {
  std::lock_guard lock(internal::window_mutex());
  if (WindowRecord* record = find_record(window)) record->accepts_drops = accept;
}

void invalidate_window(Window window) {
  ThreadId thread;
  {
    std::lock_guard lock(internal::window_mutex());
    WindowRecord* record = find_record(window);
    if (!record) return;
    record->needs_paint = true;
    thread = record->thread;
  }
  Msg wake;  // lets a thread blocked in get_message notice the paint request
  wake.kind = MsgKind::None;
  post_thread_message(thread, wake);
}

void with_client_surface(Window window, const std::function<void(Bitmap&)>& draw) {
  std::shared_ptr<internal::Surface> surface;
  {
    std::lock_guard lock(internal::window_mutex());
    WindowRecord* record = find_record(window);
    if (!record) return;
    surface = record->surface;
  }
  if (!surface) return;
  std::lock_guard lock(surface->mutex);
  if (surface->bitmap) draw(*surface->bitmap);
}

void present_window(Window window) {
  if (current_backend().present) current_backend().present(window);
}

Window find_local_window(const std::string& class_name) {
  std::lock_guard lock(internal::window_mutex());
  for (Window w : table().top_levels)
    if (WindowRecord* r = find_record(w); r && r->class_name == class_name) return w;
  return {};
}

void reset_windows_for_tests() {
  for (Window w : top_level_windows()) release_class_lock(window_class(w));
  std::lock_guard lock(internal::window_mutex());
  WindowTable& t = table();
  t.records.clear();
  t.classes.clear();
  t.top_levels.clear();
  t.focus.clear();
  t.foreground = {};
  t.metrics = ScreenMetrics{};
}

}  // namespace platform
