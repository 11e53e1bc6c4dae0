// Text windows: the table of 256 consoles, opening, closing and selecting
// them, their back buffers, clearing, the colour stack and the cursor that
// programs may move.
#include "framework/console/text_window.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "framework/console/log_file.h"
#include "framework/console/text_window_internal.h"
#include "framework/core/main_window.h"
#include "framework/core/snap.h"
#include "framework/orvlib.h"
#include "platform/draw/font.h"
#include "platform/queue.h"
#include "platform/text/codepage.h"

namespace orv {
namespace {

TextWindowTable g_table;

constexpr unsigned kTextWindowStyle = platform::kStyleCaption | platform::kStyleCloseBox |
                                      platform::kStyleResizable | platform::kStyleVisible;

// Where a window goes when the caller leaves the place to us: cascaded from
// the top left, as a desktop places new windows.
platform::Point default_position(int id) {
  int step = 24 * (id % 10);
  return {40 + step, 40 + step};
}

void apply_colors(TextWindowRecord& r) {
  platform::set_text_color(r.back_dc, r.text_color);
  platform::set_background_color(r.back_dc, r.background_color);
}

// The back buffer, its context (black-filled, fixed font, opaque text) and
// the window context at the record's size; false when memory runs out.
bool create_buffers(TextWindowRecord& r) {
  r.back_dc = platform::create_memory_dc();
  r.window_dc = platform::create_window_dc(r.window);
  if (r.width > 0 && r.height > 0) {
    r.back_buffer = platform::create_bitmap(r.width, r.height, 32);
    if (!r.back_buffer) return false;
    r.previous_bitmap = platform::select_bitmap(r.back_dc, r.back_buffer.get());
  }
  platform::select_font(r.back_dc, platform::stock_fixed_font());
  platform::set_background_mode(r.back_dc, platform::kBackgroundOpaque);
  apply_colors(r);
  platform::fill_black(r.back_dc, 0, 0, r.width, r.height);
  return true;
}

void release_buffers(TextWindowRecord& r) {
  if (r.back_dc) platform::select_bitmap(r.back_dc, r.previous_bitmap);
  platform::delete_dc(r.back_dc);
  platform::delete_dc(r.window_dc);
  r.back_buffer.reset();
  r.back_dc = {};
  r.window_dc = {};
  r.previous_bitmap = nullptr;
}

void read_cell_size(TextWindowRecord& r) {
  platform::TextMetrics metrics;
  platform::get_text_metrics(r.back_dc, &metrics);
  // A font without metrics would make every wrap and scroll test useless.
  r.cell_width = std::max(1, metrics.average_char_width);
  r.line_height = std::max(1, metrics.height);
}

void reset_record(TextWindowRecord& r, platform::Window window, platform::Rect client) {
  r.width = client.width();
  r.height = client.height();
  r.cursor_x = 0;
  r.cursor_y = 0;
  r.text_color = 0xFFFFFF;
  r.background_color = 0x000000;
  std::fill(std::begin(r.saved_text), std::end(r.saved_text), 0xFFFFFFu);
  std::fill(std::begin(r.saved_background), std::end(r.saved_background), 0x000000u);
  r.window = window;
}

// The id whose open record has this window, or -1 (lock held).
int id_of(platform::Window window) {
  for (int id = 0; id < kTextWindowCount; ++id)
    if (g_table.records[id].open && g_table.records[id].window == window) return id;
  return -1;
}

int lowest_open_id() {
  for (int id = 0; id < kTextWindowCount; ++id)
    if (g_table.records[id].open) return id;
  return -1;
}

// Marks the record closed, ends its log and releases its contexts; the
// window it had (lock held). A log does not outlive its window: a file left
// open would be written by nobody and closed by nothing before Exit.
platform::Window close_record(int id) {
  TextWindowRecord& r = g_table.records[id];
  r.open = 0;
  close_log(id);
  if (g_table.current == id) {
    int lowest = lowest_open_id();
    if (lowest >= 0) g_table.current = lowest;
  }
  release_buffers(r);
  platform::Window window = r.window;
  r.window = {};
  return window;
}

int open_window(int id, int x, int y, int width, int height) {
  std::u16string title = platform::to_utf16("TextWindow " + std::to_string(id));
  platform::Rect outer =
      platform::adjust_window_rect({0, 0, width, height}, kTextWindowStyle, false);
  if (x < 0 || y < 0) {
    platform::Point p = default_position(id);
    x = p.x;
    y = p.y;
  }
  platform::CreateParams params;
  params.class_name = "orv_twi";
  params.caption = title;
  params.style = kTextWindowStyle;
  params.outer = {x, y, x + outer.width(), y + outer.height()};
  params.owner = main_window();
  platform::Window window = platform::create_window(params);
  if (!window) return 2;
  bool made = false;
  {
    std::lock_guard lock(g_table.lock);
    TextWindowRecord& r = g_table.records[id];
    reset_record(r, window, platform::client_rect(window));
    made = create_buffers(r);
    if (made) {
      read_cell_size(r);
      r.open = 1;
      g_table.current = id;
    } else {
      release_buffers(r);
      r.window = {};
    }
  }
  if (!made) {
    platform::destroy_window(window);
    return 2;
  }
  rebuild_snap_list();
  platform::show_window(window, true);
  bring_to_front(window);
  platform::invalidate_window(window);
  return 0;
}

void on_paint(platform::Window window) {
  std::lock_guard lock(g_table.lock);
  int id = id_of(window);
  if (id < 0) return;
  TextWindowRecord& r = g_table.records[id];
  platform::block_copy(r.window_dc, 0, 0, r.width, r.height, r.back_dc, 0, 0);
}

// The text shown before is lost: the buffer is made again at the new size.
void on_size(platform::Window window, int width, int height) {
  {
    std::lock_guard lock(g_table.lock);
    int id = id_of(window);
    if (id < 0) return;  // opening sets the buffer up itself
    TextWindowRecord& r = g_table.records[id];
    release_buffers(r);
    r.width = width;
    r.height = height;
    r.cursor_x = 0;
    r.cursor_y = 0;
    if (!create_buffers(r)) release_buffers(r);  // no memory: an empty window, drawing does nothing
  }
  rebuild_snap_list();
  platform::invalidate_window(window);
}

void on_close(platform::Window window) {
  int id = -1;
  {
    std::lock_guard lock(g_table.lock);
    id = id_of(window);
  }
  if (id >= 0) ORV_CloseTextWindow(id);
}

// A window destroyed around the table (its owner going away) releases its record.
void on_destroy(platform::Window window) {
  int id = -1;
  {
    std::lock_guard lock(g_table.lock);
    id = id_of(window);
    if (id >= 0) close_record(id);
  }
  if (id >= 0 && line_input_owner() == id + 1) cancel_line_input();
}

void on_key_down(platform::Window window, const platform::Msg& msg) {
  if (line_input_owner() != 0)
    line_input_key_down(msg);
  else
    text_window_key_down(window, msg);
}

std::intptr_t text_window_proc(platform::Window window, platform::Msg& msg) {
  if (handle_snap_message(window, msg)) return 0;
  using platform::MsgKind;
  switch (msg.kind) {
    case MsgKind::Paint:
      on_paint(window);
      return 0;
    case MsgKind::Size:
      on_size(window, msg.x, msg.y);
      return 0;
    case MsgKind::Close:
      on_close(window);
      return 0;
    case MsgKind::Destroy:
      on_destroy(window);
      return 0;
    case MsgKind::KeyDown:
      on_key_down(window, msg);
      return 0;
    case MsgKind::RightDown:
      show_text_window_popup(window, msg.x, msg.y);
      return 0;
    case MsgKind::Command:
      run_text_window_command(window, msg.command);
      return 0;
    case MsgKind::Char:
      line_input_char(msg);
      return 0;
    default:
      return platform::default_window_proc(window, msg);
  }
}

}  // namespace

TextWindowTable& text_windows() {
  return g_table;
}

TextWindowRecord* open_record(int id) {
  if (id < 0 || id >= kTextWindowCount || !g_table.records[id].open) return nullptr;
  return &g_table.records[id];
}

void bring_to_front(platform::Window window) {
  platform::raise_window(window);
  platform::set_foreground(window);
}

bool register_text_window_class() {
  if (platform::is_class_registered("orv_twi")) return true;
  return platform::register_class({"orv_twi", text_window_proc});
}

void init_text_windows() {
  {
    std::lock_guard lock(g_table.lock);
    for (TextWindowRecord& r : g_table.records) {
      release_buffers(r);
      r = TextWindowRecord{};
    }
    g_table.current = 0;
  }
  close_all_logs();
  reset_line_input();
}

std::vector<platform::Window> open_text_windows_in_id_order() {
  std::vector<platform::Window> windows;
  std::lock_guard lock(g_table.lock);
  for (const TextWindowRecord& r : g_table.records)
    if (r.open) windows.push_back(r.window);
  return windows;
}

int current_text_window() {
  return g_table.current;
}

int text_window_id(platform::Window window) {
  std::lock_guard lock(g_table.lock);
  return id_of(window);
}

}  // namespace orv

using orv::g_table;

int ORV_OpenTextWindow(int id, int x, int y, int width, int height) {
  if (id < 0 || id >= orv::kTextWindowCount) return 1;
  platform::Window already;
  {
    std::lock_guard lock(g_table.lock);
    if (orv::TextWindowRecord* r = orv::open_record(id)) {
      already = r->window;
      g_table.current = id;
    }
  }
  if (already) {
    orv::bring_to_front(already);
    return 1;
  }
  return orv::open_window(id, x, y, width < 0 ? 400 : width, height < 0 ? 300 : height);
}

int ORV_CloseTextWindow(int id) {
  platform::Window window;
  {
    std::lock_guard lock(g_table.lock);
    if (!orv::open_record(id)) return 1;
    window = orv::close_record(id);
  }
  if (orv::line_input_owner() == id + 1) orv::cancel_line_input();
  platform::destroy_window(window);
  return 0;
}

int ORV_SelectTextWindow(int id) {
  std::lock_guard lock(g_table.lock);
  if (!orv::open_record(id)) return 1;
  g_table.current = id;
  return 0;
}

void ORV_RaiseTextWindow() {
  platform::Window window;
  {
    std::lock_guard lock(g_table.lock);
    if (orv::TextWindowRecord* r = orv::open_record(g_table.current)) window = r->window;
  }
  if (window) {
    orv::bring_to_front(window);
    return;
  }
  platform::ScreenMetrics m = platform::screen_metrics();
  ORV_OpenTextWindow(0, m.maximized_client_width / 2 - 200, m.maximized_client_height / 2 - 150,
                     400, 300);
}

void ORV_ClearTextWindow() {
  platform::Window window;
  int id = g_table.current;
  {
    std::lock_guard lock(g_table.lock);
    orv::TextWindowRecord* r = orv::open_record(id);
    if (!r) return;
    platform::fill_black(r->back_dc, 0, 0, r->width, r->height);
    r->cursor_x = 0;
    r->cursor_y = 0;
    window = r->window;
  }
  orv::write_log(id, "\n", 1);
  platform::invalidate_window(window);
}

void ORV_PushTextColor(int text_color, int background_color) {
  std::lock_guard lock(g_table.lock);
  orv::TextWindowRecord* r = orv::open_record(g_table.current);
  if (!r) return;
  for (int i = orv::kColorStackDepth - 1; i > 0; --i) {
    r->saved_text[i] = r->saved_text[i - 1];
    r->saved_background[i] = r->saved_background[i - 1];
  }
  r->saved_text[0] = r->text_color;
  r->saved_background[0] = r->background_color;
  r->text_color = std::uint32_t(text_color) & 0xFFFFFF;
  r->background_color = std::uint32_t(background_color) & 0xFFFFFF;
  orv::apply_colors(*r);
}

// Entry 7 keeps its value, so popping past the bottom repeats the oldest pair.
void ORV_PopTextColor() {
  std::lock_guard lock(g_table.lock);
  orv::TextWindowRecord* r = orv::open_record(g_table.current);
  if (!r) return;
  r->text_color = r->saved_text[0];
  r->background_color = r->saved_background[0];
  for (int i = 0; i < orv::kColorStackDepth - 1; ++i) {
    r->saved_text[i] = r->saved_text[i + 1];
    r->saved_background[i] = r->saved_background[i + 1];
  }
  orv::apply_colors(*r);
}

int ORV_GetTextCursor(int* x, int* y) {
  std::lock_guard lock(g_table.lock);
  orv::TextWindowRecord* r = orv::open_record(g_table.current);
  if (!r) return 1;
  if (x) *x = r->cursor_x;
  if (y) *y = r->cursor_y;
  return 0;
}

// Kept inside the window, so the next print and the scroll step work on
// lines that exist: x at most the last cell, y at most the last line top.
int ORV_SetTextCursor(int x, int y) {
  std::lock_guard lock(g_table.lock);
  orv::TextWindowRecord* r = orv::open_record(g_table.current);
  if (!r) return 1;
  r->cursor_x = std::clamp(x, 0, std::max(0, r->width - r->cell_width));
  r->cursor_y = std::clamp(y, 0, std::max(0, r->height - r->line_height - 1));
  return 0;
}
