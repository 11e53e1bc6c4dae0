// The text window's keys while no line input waits, its popup menu and its
// commands: select, close, the banner, one console command, the log and
// the window report.
#include <string>

#include "framework/console/log_file.h"
#include "framework/console/text_window_internal.h"
#include "framework/core/console_commands.h"
#include "framework/core/main_window.h"
#include "framework/core/window_report.h"
#include "framework/image/pick_state.h"
#include "framework/orvlib.h"
#include "platform/menu.h"
#include "platform/queue.h"
#include "platform/text/codepage.h"

namespace orv {
namespace {

void post_command(platform::Window window, int command) {
  platform::Msg msg;
  msg.kind = platform::MsgKind::Command;
  msg.command = command;
  msg.notify = platform::kNotifyMenu;
  platform::post_message(window, msg);
}

// S, C, X and Escape act as in the main window.
void forward_run_key(int key) {
  int command = 0;
  switch (key) {
    case 'S':
      command = kCommandStart;
      break;
    case 'C':
      command = kCommandStop;
      break;
    case 'X':
    case platform::kKeyEscape:
      command = kCommandExit;
      break;
    default:
      return;
  }
  post_command(main_window(), command);
}

int ctrl_key_command(int key) {
  switch (key) {
    case 'A':
      return kTextAbout;
    case 'C':
      return kTextCopyLog;
    case 'Q':
      return kTextDestroy;
    case 'S':
      return kTextSelect;
    case 'W':
      return kTextWindowInfo;
    default:
      return 0;
  }
}

// The banner in green on grey, the window's colours as before afterwards.
void show_banner(int id) {
  ORV_SelectTextWindow(id);
  std::string banner = platform::from_utf16(kBanner);
  ORV_PushTextColor(0x50FF50, 0x505050);
  ORV_Print("%s\n", banner.c_str());
  ORV_PopTextColor();
}

platform::Menu popup_menu(int id) {
  bool current = current_text_window() == id;
  int log = log_state(id);
  std::string copy = "&Copy " + log_file_name(instance_number(), id) + "\tCtrl+C";
  platform::Menu menu;
  menu.add(kTextSelect, u"&Select\tCtrl+S", false, current)
      .add(kTextWindowInfo, u"&Window Info.\tCtrl+W")
      .add(kTextCommand, u"Command")
      .add_separator();
  menu.add(kTextStartLog, u"Start Log", false, log == kLogOn)
      .add(kTextStopLog, u"Stop Log", false, log == kLogPaused)
      .add(kTextCopyLog, platform::to_utf16(copy))
      .add_separator();
  menu.add(kTextAbout, u"&About ORVLIB\tCtrl+A").add_separator();
  menu.add(kTextDestroy, u"&Destroy\tCtrl+Q");
  return menu;
}

}  // namespace

void post_text_window_command(int id, int command) {
  platform::Window window;
  {
    std::lock_guard lock(text_windows().lock);
    if (TextWindowRecord* r = open_record(id)) window = r->window;
  }
  if (window) post_command(window, command);
}

void text_window_key_down(platform::Window window, const platform::Msg& msg) {
  if (msg.keys & platform::kKeyBitCtrl) {
    if (int command = ctrl_key_command(msg.key)) post_command(window, command);
    return;
  }
  if (msg.key == platform::kKeySpace) {
    // Posted rather than run here: the Space's own character comes right
    // after the key and would otherwise be typed into the command line.
    ORV_SelectTextWindow(text_window_id(window));
    post_command(window, kTextCommand);
    return;
  }
  forward_run_key(msg.key);
}

void show_text_window_popup(platform::Window window, int x, int y) {
  if (line_input_owner() != 0 || pick_waiting()) return;
  int id = text_window_id(window);
  if (id < 0) return;
  int chosen = platform::track_popup_menu(window, popup_menu(id),
                                          platform::client_to_screen(window, {x, y}));
  // Run at once, as the menu's own choice, before anything queued behind it.
  if (chosen != 0) run_text_window_command(window, chosen);
}

void run_text_window_command(platform::Window window, int command) {
  int id = text_window_id(window);
  if (id < 0) return;
  switch (command) {
    case kTextDestroy:
      ORV_CloseTextWindow(id);
      break;
    case kTextAbout:
      show_banner(id);
      break;
    case kTextStartLog:
      start_log(id);
      break;
    case kTextStopLog:
      stop_log(id);
      break;
    case kTextCommand:
      run_console_command();  // on the current window, whichever it is
      break;
    case kTextCopyLog:
      copy_log(id);
      break;
    case kTextWindowInfo:
      ORV_SelectTextWindow(id);
      run_window_report();
      break;
    case kTextSelect:
      ORV_SelectTextWindow(id);
      break;
    default:
      break;
  }
}

}  // namespace orv
