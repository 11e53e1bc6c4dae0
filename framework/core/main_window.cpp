// The main window's procedure: its commands drive the run state.
#include "framework/core/main_window.h"

#include "framework/core/run_state.h"
#include "platform/queue.h"

namespace orv {

const char* const kMainWindowClass = "orvlib_mw0";

namespace {

platform::Window g_main_window;

void on_command(platform::Window window, int id) {
  switch (id) {
    case kCommandStart: command_start(); break;
    case kCommandStop: command_stop(); break;
    case kCommandExit:
      run_exit_sequence();
      platform::destroy_window(window);
      break;
    default: break;
  }
}

platform::Menu main_menu() {
  platform::Menu menu;
  menu.add(kCommandStart, u"Start(&S)").add(kCommandStop, u"Stop(&C)").add(kCommandExit, u"Exit(&X)");
  return menu;
}

std::intptr_t main_window_proc(platform::Window window, platform::Msg& msg) {
  switch (msg.kind) {
    case platform::MsgKind::Create:
      platform::set_menu_bar(window, main_menu());
      platform::accept_drops(window, true);
      g_main_window = window;
      return start_worker(window) ? 0 : -1;
    case platform::MsgKind::Command: on_command(window, msg.command); return 0;
    case platform::MsgKind::Close: return 0;  // no close box: Exit ends the program
    case platform::MsgKind::Destroy:
      g_main_window = {};
      platform::post_quit_message(0);
      return 0;
    default: return platform::default_window_proc(window, msg);
  }
}


}  // namespace

platform::Window create_main_window() {
  if (!platform::is_class_registered(kMainWindowClass) &&
      !platform::register_class({kMainWindowClass, main_window_proc}))
    return {};
  platform::CreateParams params;
  params.class_name = kMainWindowClass;
  params.caption = u"ORVLIB";
  params.style = platform::kStyleCaption | platform::kStyleMinimizeBox | platform::kStyleVisible;
  params.has_menu_bar = true;
  params.outer = platform::adjust_window_rect({0, 0, 240, 52}, params.style, true);
  return platform::create_window(params);
}

platform::Window main_window() { return g_main_window; }

}  // namespace orv
