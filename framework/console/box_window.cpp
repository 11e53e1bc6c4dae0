// The window procedure the input box and the button box share.
#include "framework/console/box_window.h"

#include "framework/core/snap.h"
#include "platform/menu.h"

namespace orv {
namespace {

void show_popup(const BoxWindow& box, platform::Window window, int id, const char16_t* label,
                platform::Point screen) {
  platform::Msg command;
  command.kind = platform::MsgKind::Command;
  command.command = one_item_popup(window, id, label, screen);
  if (command.command) box.command(window, command);
}

}  // namespace

std::intptr_t box_window_proc(const BoxWindow& box, platform::Window window, platform::Msg& msg) {
  if (handle_snap_message(window, msg)) return 0;
  using platform::MsgKind;
  // A box given up after a failed destruction no longer acts as the box.
  if (window != box.open->load()) return platform::default_window_proc(window, msg);
  switch (msg.kind) {
    case MsgKind::Command:
      box.command(window, msg);
      return 0;
    case MsgKind::LeftDoubleClick:
      box.rename(box.item_at(msg.x, msg.y));
      return 0;
    case MsgKind::RightUp:
      box.choose_for_rename(box.item_at(msg.x, msg.y));
      show_popup(box, window, box.rename_command, u"Rename",
                 platform::client_to_screen(window, {msg.x, msg.y}));
      return 0;
    case MsgKind::NcRightClick:
      show_popup(box, window, box.destroy_command, box.destroy_label, {msg.x, msg.y});
      return 0;
    case MsgKind::Close:
      box.close();
      return 0;
    case MsgKind::Destroy:
      box.release();
      return 0;
    default:
      return box.own(window, msg) ? 0 : platform::default_window_proc(window, msg);
  }
}

int one_item_popup(platform::Window window, int id, const char16_t* label, platform::Point screen) {
  platform::Menu menu;
  menu.add(id, label);
  return platform::track_popup_menu(window, menu, screen);
}

}  // namespace orv
