// The button box: opening and closing, click counting, digit keys, the
// size rule, the popups and renaming a button.
#include "framework/console/button_box.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>

#include "framework/console/box_window.h"
#include "framework/console/input_box.h"
#include "framework/core/main_window.h"
#include "framework/core/pump.h"
#include "framework/core/snap.h"
#include "framework/orvlib.h"
#include "platform/queue.h"

int orv_bb_count = 0;
int orv_bb_click[256] = {};

namespace orv {
namespace {

// Programs take the counters on this same thread; the atomic add only makes
// them safe to watch from elsewhere (tests, a debugger).
void count_click(int i) {
  std::atomic_ref<int>(orv_bb_click[i]).fetch_add(1);
}

constexpr char kClassName[] = "orv_bb";
constexpr unsigned kBoxStyle = platform::kStyleCaption | platform::kStyleCloseBox |
                               platform::kStyleResizable | platform::kStyleVisible;
constexpr int kDefaultButtonWidth = 98;
constexpr int kDefaultButtonHeight = 26;
constexpr int kLabelUnits = 512;  // longest label read back for a rename

// Everything but the window handle belongs to the worker thread; the handle
// is also read by the snap list on the main thread.
struct ButtonBox {
  std::atomic<platform::Window> window;
  int columns = 0;
  int rows = 0;
  int button_width = kDefaultButtonWidth;
  int button_height = kDefaultButtonHeight;
  platform::Window buttons[kButtonBoxMaxButtons];
  int rename_button = 0;
};

ButtonBox g_box;

int client_width() {
  return g_box.columns * (g_box.button_width + 4) + 4;
}
int client_height() {
  return g_box.rows * (g_box.button_height + 4) + 4;
}

platform::Rect button_rect(int i) {
  int x = (i % g_box.columns) * (g_box.button_width + 4) + 4;
  int y = (i / g_box.columns) * (g_box.button_height + 4) + 4;
  return {x, y, x + g_box.button_width, y + g_box.button_height};
}

// Forgets the buttons; the window itself is gone or given up. The counters stay.
void release_box() {
  std::fill(std::begin(g_box.buttons), std::end(g_box.buttons), platform::Window{});
  g_box.window = platform::Window{};
  set_dialog_boxes(input_box_window(), {});
}

// The open box; a handle whose window no longer exists counts as closed.
platform::Window open_box() {
  platform::Window box = g_box.window.load();
  if (box && !platform::is_window(box)) {
    release_box();
    return {};
  }
  return box;
}

bool valid_button(int i) {
  return i >= 0 && i < orv_bb_count;
}

void lay_out_buttons() {
  for (int i = 0; i < orv_bb_count; ++i) platform::move_window(g_box.buttons[i], button_rect(i));
}

// The buttons share what the client area leaves after the gaps; integer
// division, so a button may become 0 pixels wide.
void on_size(int width, int height) {
  if (g_box.columns <= 0 || g_box.rows <= 0) return;
  g_box.button_width = std::max(width - (4 * g_box.columns + 4), 1) / g_box.columns;
  g_box.button_height = std::max(height - (4 * g_box.rows + 4), 1) / g_box.rows;
  lay_out_buttons();
}

// The button whose cell holds a client point (gaps belong to the cell).
int button_at(int x, int y) {
  int column = std::min(x / (g_box.button_width + 4), g_box.columns - 1);
  int row = std::min(y / (g_box.button_height + 4), g_box.rows - 1);
  return row * g_box.columns + column;
}

void rename_button(int i) {
  std::u16string old_label = valid_button(i) ? platform::caption(g_box.buttons[i]) : u"";
  char line[256] = {};
  ask_new_label(i, old_label, kLabelUnits - 1, line);
  if (line[0] && open_box() && valid_button(i))
    platform::set_caption(g_box.buttons[i], to_platform_text(line, 256));
}

void on_command(platform::Window window, const platform::Msg& msg) {
  int i = msg.command - kButtonIdBase;
  if (msg.control) {
    if (msg.notify == platform::kNotifyButtonClicked && i >= 0 && i < kButtonBoxMaxButtons) {
      platform::set_focus(window);  // so that the digit keys reach the box
      count_click(i);
    }
    return;
  }
  switch (msg.command) {
    case kCommandButtonBoxDestroy:
      ORV_CloseButtonBox();
      break;
    case kCommandButtonBoxRename:
      rename_button(g_box.rename_button);
      break;
    default:  // Enter's OK and Escape's Cancel do nothing
      break;
  }
}

// Start, Stop and Exit keys belong to the main window.
void pass_to_main_window(int key) {
  platform::Msg msg;
  msg.kind = platform::MsgKind::KeyDown;
  msg.key = key;
  platform::post_message(main_window(), msg);
}

void on_key(const platform::Msg& msg) {
  if (msg.keys & platform::kKeyBitCtrl) {
    if (msg.key == 'Q') ORV_CloseButtonBox();
    return;
  }
  // Digits count for buttons 0..9 whether or not the box has that many.
  if (msg.key >= '0' && msg.key <= '9') count_click(msg.key - '0');
  if (msg.key >= platform::kKeyNumpad0 && msg.key <= platform::kKeyNumpad0 + 9)
    count_click(msg.key - platform::kKeyNumpad0);
  if (msg.key == 'S' || msg.key == 'C' || msg.key == 'X') pass_to_main_window(msg.key);
}

// Activation gives the box the focus unless one of its buttons has it.
void on_activate(platform::Window window) {
  platform::Window focus = platform::focus_window();
  if (!focus || platform::root_window(focus) != window) platform::set_focus(window);
}

// The box's own messages; the rest are the boxes' shared ones.
bool own_message(platform::Window window, platform::Msg& msg) {
  switch (msg.kind) {
    case platform::MsgKind::KeyDown:
      on_key(msg);
      return true;
    case platform::MsgKind::Size:
      on_size(msg.x, msg.y);
      return true;
    case platform::MsgKind::Activate:
      if (msg.active) on_activate(window);
      return true;
    default:
      return false;
  }
}

const BoxWindow kBoxWindow = {
    &g_box.window,
    kCommandButtonBoxRename,
    kCommandButtonBoxDestroy,
    u"&Destroy\tCtrl+Q",
    on_command,
    button_at,
    rename_button,
    [](int button) { g_box.rename_button = button; },
    ORV_CloseButtonBox,
    release_box,
    own_message,
};

std::intptr_t button_box_proc(platform::Window window, platform::Msg& msg) {
  return box_window_proc(kBoxWindow, window, msg);
}

}  // namespace

bool register_button_box_class() {
  return platform::register_class({kClassName, button_box_proc, true, platform::kButtonFaceColour});
}

platform::Window button_box_window() {
  return g_box.window.load();
}
int button_box_columns() {
  return g_box.columns;
}
int button_box_rows() {
  return g_box.rows;
}
int button_box_button_width() {
  return g_box.button_width;
}
int button_box_button_height() {
  return g_box.button_height;
}

void reset_button_box_for_tests() {
  release_box();
  g_box.columns = g_box.rows = 0;
  g_box.button_width = kDefaultButtonWidth;
  g_box.button_height = kDefaultButtonHeight;
  g_box.rename_button = 0;
  orv_bb_count = 0;
  std::fill(std::begin(orv_bb_click), std::end(orv_bb_click), 0);
}

}  // namespace orv

void ORV_OpenButtonBox(int x, int y, int nx, int ny) {
  // The product is taken in 64 bits: two large sides must not wrap into range.
  if (orv::open_box() || nx <= 0 || ny <= 0 ||
      static_cast<long long>(nx) * ny > orv::kButtonBoxMaxButtons)
    return;
  orv::g_box.columns = nx;
  orv::g_box.rows = ny;
  orv_bb_count = nx * ny;
  platform::CreateParams params;
  params.class_name = orv::kClassName;
  params.caption = u"ButtonBox";
  params.style = orv::kBoxStyle;
  params.owner = orv::main_window();
  params.outer = orv::outer_at(x, y, orv::client_width(), orv::client_height(), params.style);
  platform::Window box = platform::create_window(params);
  if (!box) return;
  orv::g_box.window = box;
  unsigned style = platform::kStyleVisible | platform::kStyleMultiLine | platform::kStyleTabStop;
  for (int i = 0; i < orv_bb_count; ++i) {
    std::u16string label = orv::to_platform_text(std::to_string(i).c_str(), 8);
    orv::g_box.buttons[i] =
        platform::create_control(platform::ControlKind::Button, box, orv::kButtonIdBase + i,
                                 orv::button_rect(i), label, style);
    orv_bb_click[i] = 0;
  }
  platform::show_window(box, true);
  platform::raise_window(box);
  platform::set_foreground(box);
  orv::set_dialog_boxes(orv::input_box_window(), box);
  orv::rebuild_snap_list();
}

void ORV_CloseButtonBox() {
  platform::Window box = orv::open_box();
  if (!box) return;
  if (!platform::destroy_window(box))
    platform::message_box(orv::main_window(), u"DestroyWindow[BB] error", u"ORVLIB error!",
                          platform::kIconError);
  // The Destroy handler has released the box; after a refusal it is given up here.
  if (orv::g_box.window.load()) orv::release_box();
  orv::rebuild_snap_list();
}

void ORV_SetButtonBoxTitle(int i, const char* text) {
  if (!orv::open_box() || !orv::valid_button(i)) return;
  platform::set_caption(orv::g_box.buttons[i], orv::to_platform_text(text ? text : "", 256));
}

// The box takes this client size and the size rule gives the buttons theirs.
void ORV_ResizeButtonBox(int width, int height) {
  platform::Window box = orv::open_box();
  if (!box) return;
  platform::Rect now = platform::window_rect(box);
  platform::move_window(box, orv::outer_at(now.left, now.top, width, height, orv::kBoxStyle));
  platform::Rect client = platform::client_rect(box);
  orv::on_size(client.width(), client.height());
}

int ORV_IsButtonBoxOpen() {
  return orv::open_box() ? 1 : 0;
}
