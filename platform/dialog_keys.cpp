// Dialog-key navigation.
#include "platform/dialog_keys.h"

#include <algorithm>
#include <vector>

#include "platform/queue.h"
#include "platform/window.h"

namespace platform {
namespace {

std::vector<Window> tab_stops(Window box) {
  std::vector<Window> stops;
  for (Window child : child_windows(box)) {
    unsigned style = window_style(child);
    if ((style & kStyleTabStop) && is_visible(child)) stops.push_back(child);
  }
  return stops;
}

void move_focus(Window box, bool forward) {
  std::vector<Window> stops = tab_stops(box);
  if (stops.empty()) return;
  auto it = std::find(stops.begin(), stops.end(), focus_window());
  std::ptrdiff_t n = std::ptrdiff_t(stops.size());
  std::ptrdiff_t index = it == stops.end() ? (forward ? -1 : 0) : it - stops.begin();
  Window next = stops[std::size_t(((index + (forward ? 1 : -1)) % n + n) % n)];
  show_focus_cues(box);  // before the move, so the new focus is drawn with its rectangle
  set_focus(next);
  if (control_kind(next) == ControlKind::Edit) edit_select_all(next);
}

void send_command(Window box, int id) {
  Msg msg;
  msg.kind = MsgKind::Command;
  msg.command = id;
  send_message(box, msg);
}

bool navigation_key(Window box, const Msg& msg) {
  Window focus = focus_window();
  bool in_edit = control_kind(focus) == ControlKind::Edit && root_window(focus) == box;
  switch (msg.key) {
    case kKeyTab:
      move_focus(box, !(msg.keys & kKeyBitShift));
      return true;
    case kKeyReturn:
      send_command(box, 1);
      return true;
    case kKeyEscape:
      send_command(box, 2);
      return true;
    case kKeyLeft:
    case kKeyUp:
    case kKeyRight:
    case kKeyDown:
      if (in_edit) return false;
      move_focus(box, msg.key == kKeyRight || msg.key == kKeyDown);
      return true;
    case kKeySpace:
      if (control_kind(focus) != ControlKind::Button || root_window(focus) != box) return false;
      click_button(focus);
      return true;
    default:
      return false;
  }
}

}  // namespace

bool dialog_message(Window box, Msg& msg) {
  if (!box || !msg.window || root_window(msg.window) != box) return false;
  if (msg.kind == MsgKind::KeyDown && navigation_key(box, msg)) return true;
  // Characters of the navigation keys (typed text) go no further either.
  if (msg.kind == MsgKind::Char && (msg.ch == 9 || msg.ch == 13 || msg.ch == 27)) return true;
  translate_message(msg);
  dispatch_message(msg);
  return true;
}

}  // namespace platform
