// The driver's input: what a person does, posted as the messages a desktop
// would deliver to the window under the pointer or with the focus.
#include <chrono>
#include <thread>

#include "platform/headless/driver.h"
#include "platform/queue.h"
#include "platform/window.h"

namespace headless {
namespace {

using platform::Msg;
using platform::MsgKind;

struct Target {
  Window window;
  Point at;
};

// The control under a client point, or the window itself.
Target target_at(Window window, Point at) {
  Window child = platform::child_from_point(window, at);
  if (!child) return {window, at};
  Rect r = platform::window_rect(child);
  return {child, {at.x - r.left, at.y - r.top}};
}

void post_mouse(Window window, MsgKind kind, Point at, int keys) {
  Target target = target_at(window, at);
  Msg msg;
  msg.kind = kind;
  msg.x = target.at.x;
  msg.y = target.at.y;
  msg.keys = keys;
  platform::post_message(target.window, msg);
}

void press(Window window, MsgKind down, MsgKind up, int button_bit, Point at, int keys) {
  post_mouse(window, down, at, keys | button_bit);
  post_mouse(window, up, at, keys);
}

Rect moved(Rect r, int dx, int dy) {
  return {r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
}

}  // namespace

void click(Window window, int x, int y, int keys) {
  press(window, MsgKind::LeftDown, MsgKind::LeftUp, platform::kKeyBitLeft, {x, y}, keys);
}

void double_click(Window window, int x, int y, int keys) {
  click(window, x, y, keys);
  press(window, MsgKind::LeftDoubleClick, MsgKind::LeftUp, platform::kKeyBitLeft, {x, y}, keys);
}

void right_click(Window window, int x, int y, int keys) {
  press(window, MsgKind::RightDown, MsgKind::RightUp, platform::kKeyBitRight, {x, y}, keys);
}

void middle_click(Window window, int x, int y, int keys) {
  press(window, MsgKind::MiddleDown, MsgKind::MiddleUp, platform::kKeyBitMiddle, {x, y}, keys);
}

void mouse_move(Window window, int x, int y, int keys) {
  post_mouse(window, MsgKind::MouseMove, {x, y}, keys);
}

void wheel(Window window, int x, int y, int delta, int keys) {
  Msg msg;
  msg.kind = MsgKind::Wheel;
  msg.x = x;
  msg.y = y;
  msg.keys = keys;
  msg.wheel_delta = delta;
  platform::post_message(window, msg);
}

void right_click_title(Window window) {
  Rect r = platform::window_rect(window);
  platform::ScreenMetrics m = platform::screen_metrics();
  Msg msg;
  msg.kind = MsgKind::NcRightClick;
  msg.x = (r.left + r.right) / 2;
  msg.y = r.top + m.frame + m.caption / 2;
  platform::post_message(window, msg);
}

void choose_menu(Window window, int id) {
  platform::Menu menu = platform::menu_bar(window);
  platform::MenuItem* item = menu.find(id);
  if (!item || item->greyed) return;
  Msg msg;
  msg.kind = MsgKind::Command;
  msg.command = id;
  msg.notify = platform::kNotifyMenu;
  platform::post_message(window, msg);
}

void key(Window window, int key_code, int keys) {
  Msg msg;
  msg.key = key_code;
  msg.keys = keys;
  msg.to_focus = true;
  msg.kind = MsgKind::KeyDown;
  platform::post_message(platform::root_window(window), msg);
  msg.kind = MsgKind::KeyUp;
  platform::post_message(platform::root_window(window), msg);
}

void type_text(Window window, const std::u16string& text) {
  for (char16_t ch : text) {
    Msg msg;
    msg.kind = MsgKind::Char;
    msg.ch = ch;
    msg.to_focus = true;
    platform::post_message(platform::root_window(window), msg);
  }
}

// Each step proposes the start rectangle plus the pointer's offset so far,
// as a frame drag does, whatever the procedure made of the previous step.
void drag_window(Window window, int dx, int dy, bool ctrl, int steps) {
  Rect start = platform::window_rect(window);
  steps = steps < 1 ? 1 : steps;
  for (int i = 1; i <= steps; ++i) {
    Msg msg;
    msg.kind = MsgKind::SysMoveDrag;
    msg.proposed = moved(start, dx * i / steps, dy * i / steps);
    msg.keys = ctrl ? platform::kKeyBitCtrl : 0;
    platform::post_message(window, msg);
  }
}

void drag_edge(Window window, int edge, int dx, int dy) {
  Msg msg;
  msg.kind = MsgKind::SysSizeDrag;
  msg.edge = edge;
  msg.x = dx;  // applied to the rectangle the window has when the drag is served
  msg.y = dy;
  platform::post_message(window, msg);
}

bool drop_files(Window window, const std::vector<std::string>& paths, Point at) {
  if (!platform::accepts_drops(window)) return false;
  Msg msg;
  msg.kind = MsgKind::DropFiles;
  msg.files = paths;
  msg.x = at.x;
  msg.y = at.y;
  return platform::post_message(window, msg);
}

std::uint32_t surface_pixel(Window window, int x, int y) {
  std::uint32_t pixel = 0;
  platform::with_client_surface(window, [&](platform::Bitmap& b) {
    if (x >= 0 && y >= 0 && x < b.width && y < b.height) pixel = b.row32(y)[x];
  });
  return pixel;
}

bool poll_until(bool (*done)(void*), void* context, int timeout_ms) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    if (done(context)) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

}  // namespace headless
