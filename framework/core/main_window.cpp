// The main window's procedure: commands, keys, popup, status line, drop-in.
#include "framework/core/main_window.h"

#include <atomic>
#include <cstdio>
#include <cstring>

#include "framework/console/text_window.h"
#include "framework/core/main_commands.h"
#include "framework/core/program_commands.h"
#include "framework/core/pump.h"
#include "framework/core/run_state.h"
#include "framework/core/snap.h"
#include "framework/core/window_requests.h"
#include "framework/orvlib.h"
#include "platform/queue.h"

namespace orv {

const char16_t* const kBanner = u"ORVLIB Version 0.1.0 (2026-12-06)";

namespace {

// Read from both threads (and by tests), written by the main thread.
std::atomic<platform::Window> g_main_window;
std::atomic<platform::Window> g_status_line;
std::atomic<int> g_instance{0};
std::atomic<int> g_display_depth{32};
bool g_drop_in_animated = true;

// Vertical steps of the drop-in; they add up to 55, the start offset.
constexpr int kDropIn[28] = {1,  2,  3, 4, 5, 6, 7, 8, 9,  10, -6, -5, -4, -3,
                             -2, -1, 1, 2, 3, 4, 5, 6, -3, -2, -1, 1,  2,  3};

void spin_until(unsigned mark, unsigned ms) {
  while (ORV_GetTime() - mark < ms) {
  }
}

void drop_in(platform::Window window) {
  if (!g_drop_in_animated) {
    int offset = 0;
    for (int step : kDropIn) offset += step;
    platform::Rect r = platform::window_rect(window);
    platform::move_window(window, {r.left, r.top + offset, r.right, r.bottom + offset});
    platform::show_window(window, true);
    return;
  }
  unsigned mark = ORV_GetTime();
  for (int offset : kDropIn) {
    platform::Rect r = platform::window_rect(window);
    platform::move_window(window, {r.left, r.top + offset, r.right, r.bottom + offset});
    platform::show_window(window, true);
    spin_until(mark, 20);
    mark = ORV_GetTime();
  }
  spin_until(mark, 500);
}

void on_create(platform::Window window) {
  g_main_window = window;
  g_status_line = platform::create_control(platform::ControlKind::Static, window, kStatusLineId,
                                           {0, 6, 234, 26}, u"Ready", platform::kStyleVisible);
  drop_in(window);
  g_display_depth = platform::screen_metrics().bits_per_pixel;
}

// The commands that make windows wait for the worker and may ask on the
// text window, serving the main window meanwhile: none starts while a
// program runs, a line is being typed or another of them waits (their menu
// items are greyed then, and their keys do nothing).
bool makes_windows(int id) {
  return id == kCommandPaste || id == kCommandImageWindow || id == kCommandTextWindow ||
         id == kCommandInputBox || id == kCommandButtonBox;
}

std::atomic<bool> g_making_windows{false};  // written by the main thread

bool busy() {
  return orv_running.load() == 1 || line_input_owner() != 0 || g_making_windows;
}

void run_window_command(int id) {
  switch (id) {
    case kCommandPaste:
      paste_as_image_window();
      break;
    case kCommandImageWindow:
      ask_for_image_window();
      break;
    case kCommandTextWindow:
      open_next_text_window();
      break;
    case kCommandInputBox:
      ask_for_input_box();
      break;
    case kCommandButtonBox:
      ask_for_button_box();
      break;
    default:
      break;
  }
}

void on_command(platform::Window window, int id) {
  if (makes_windows(id)) {
    if (busy()) return;
    g_making_windows = true;
    run_window_command(id);
    g_making_windows = false;
    return;
  }
  switch (id) {
    case kCommandStart:
      command_start();
      break;
    case kCommandStop:
      command_stop();
      break;
    case kCommandExit:
      run_exit_sequence();
      platform::destroy_window(window);
      break;
    case kCommandWindowInfo:
      request_window_report();
      break;
    default:
      choose_program_command(id);
      break;
  }
}

void on_key(platform::Window window, const platform::Msg& msg) {
  if (msg.keys & platform::kKeyBitCtrl) {
    if (msg.key == 'V') on_command(window, kCommandPaste);
    if (msg.key == 'W') on_command(window, kCommandWindowInfo);
    return;
  }
  switch (msg.key) {
    case 'S':
      on_command(window, kCommandStart);
      break;
    case 'C':
      on_command(window, kCommandStop);
      break;
    case 'X':
    case platform::kKeyEscape:
      on_command(window, kCommandExit);
      break;
    default:
      break;
  }
}

void show_popup(platform::Window window, platform::Point screen) {
  int id = platform::track_popup_menu(window, main_popup_menu(), screen);
  if (id) on_command(window, id);
}

std::intptr_t main_window_proc(platform::Window window, platform::Msg& msg) {
  if (handle_snap_message(window, msg)) return 0;
  using platform::MsgKind;
  switch (msg.kind) {
    case MsgKind::Create:
      on_create(window);
      return start_worker(window) ? 0 : -1;
    case MsgKind::Command:
      on_command(window, msg.command);
      return 0;
    case MsgKind::KeyDown:
      on_key(window, msg);
      return 0;
    case MsgKind::RightUp:
      show_popup(window, platform::client_to_screen(window, {msg.x, msg.y}));
      return 0;
    case MsgKind::NcRightClick:
      show_popup(window, {msg.x, msg.y});
      return 0;
    case MsgKind::Sizing:
      msg.proposed = platform::window_rect(window);
      return 0;
    case MsgKind::DropFiles:
      open_dropped_files(msg.files);
      return 0;
    case MsgKind::Close:
      // It has no close box, but a window manager may draw one anyway (and
      // closes with a key): closing the main window ends the program, as Exit.
      on_command(window, kCommandExit);
      return 0;
    case MsgKind::Destroy:
      g_main_window = platform::Window{};
      platform::post_quit_message(0);
      return 0;
    default:
      return platform::default_window_proc(window, msg);
  }
}

platform::Menu menu_bar() {
  platform::Menu menu;
  menu.add(kCommandStart, u"Start(&S)")
      .add(kCommandStop, u"Stop(&C)")
      .add(kCommandExit, u"Exit(&X)");
  return menu;
}

}  // namespace

std::string main_window_class(int instance) {
  return "orvlib_mw" + std::to_string(instance);
}

platform::Menu main_popup_menu() {
  bool busy = orv::busy();
  platform::Menu menu;
  menu.add(kCommandPaste, u"Paste\tCtrl+V", busy).add_separator();
  menu.add(kCommandStart, u"Start", busy).add(kCommandStop, u"Stop").add(kCommandExit, u"E&xit");
  menu.add_separator();
  menu.add(kCommandImageWindow, u"Image Window", busy)
      .add(kCommandTextWindow, u"Text Window", busy);
  menu.add(kCommandInputBox, u"Input Box", busy).add(kCommandButtonBox, u"Button Box", busy);
  menu.add_separator().add(kCommandWindowInfo, u"&Window Info.\tCtrl+W", busy);
  add_program_commands(menu);
  return menu;
}

void set_drop_in_animated(bool animated) {
  g_drop_in_animated = animated;
}

platform::Window create_main_window(int instance) {
  g_instance = instance;
  std::string class_name = main_window_class(instance);
  if (!platform::register_class({class_name, main_window_proc, false, platform::kButtonFaceColour}))
    return {};
  platform::CreateParams params;
  params.class_name = class_name;
  params.caption = kBanner;
  params.style = platform::kStyleCaption | platform::kStyleResizable;
  params.has_menu_bar = true;
  platform::ScreenMetrics m = platform::screen_metrics();
  platform::Rect outer = platform::adjust_window_rect({0, 0, 240, m.menu + 32}, params.style, true);
  // Placed 55 pixels higher than its final place: the drop-in brings it down.
  int x = (m.maximized_client_width - outer.width()) / 2;
  int y = m.maximized_client_height + m.caption - outer.height() - 55;
  params.outer = {x, y, x + outer.width(), y + outer.height()};
  params.menu = menu_bar();
  return platform::create_window(params);
}

platform::Window main_window() {
  return g_main_window.load();
}
int instance_number() {
  return g_instance;
}
int display_depth() {
  return g_display_depth;
}

}  // namespace orv

void ORV_SetStatusText(const char* text) {
  char line[64] = {};
  std::strncat(line, text ? text : "", 63);
  int half = int(std::strlen(line)) / 2;
  char padded[128];
  std::snprintf(padded, sizeof padded, "%*s%s", half < 19 ? 18 - half : 0, "", line);
  platform::set_caption(orv::g_status_line.load(), orv::to_platform_text(padded, 128));
}

int ORV_SetForeground(int window) {
  platform::Window main = orv::g_main_window.load();
  if (window != ORVMAINWINDOW || !main) return 1;
  platform::raise_window(main);
  platform::set_foreground(main);
  return 0;
}
