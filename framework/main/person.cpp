// The scripted person of headless runs: each step goes through the headless
// driver, the same path a person's clicks and keys take.
#include "framework/main/person.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <vector>

#include "framework/console/button_box.h"
#include "framework/console/input_box.h"
#include "framework/core/main_window.h"
#include "framework/core/run_state.h"
#include "framework/core/window_requests.h"
#include "framework/image/image_table.h"
#include "framework/orvlib.h"
#include "platform/headless/driver.h"
#include "platform/queue.h"
#include "platform/text/clipboard.h"
#include "platform/text/codepage.h"
#include "platform/thread.h"
#include "platform/window.h"

namespace orv {
namespace {

std::atomic<bool> g_program_ended{false};

// Polls every millisecond until done() holds; false when the program ended first.
template <class Done>
bool wait_for(Done done) {
  while (!done()) {
    if (g_program_ended.load()) return false;
    platform::sleep_ms(1);
  }
  return true;
}

std::vector<std::string> split_steps(const std::string& script) {
  std::vector<std::string> steps;
  std::stringstream in(script);
  for (std::string step; std::getline(in, step, ';');) {
    std::size_t first = step.find_first_not_of(" \t\n");
    if (first == std::string::npos) continue;
    std::size_t last = step.find_last_not_of(" \t\n");
    steps.push_back(step.substr(first, last - first + 1));
  }
  return steps;
}

void press(int command) {
  headless::choose_menu(main_window(), command);
}

bool wait_running(int value) {
  return wait_for([&] { return orv_running.load() == value || orv_exit_state.load() != 0; });
}

std::u16string to_platform(const std::string& text) {
  std::u16string out(text.size() + 1, u'\0');
  int units =
      platform::code_page_to_utf16(text.c_str(), int(text.size()), out.data(), int(out.size()));
  out.resize(units > 0 ? std::size_t(units) : 0);
  return out;
}

// The worker takes a person's clicks and keys in its own time; the next step
// waits until it has taken them all, so that a Start after a typed value
// finds the value stored.
bool worker_took_input(platform::Window window) {
  platform::ThreadId worker = platform::window_thread(window);
  return wait_for([&] { return platform::queue_is_empty(worker); });
}

// The centre of a control of a box window, in the box's client coordinates.
void click_control(platform::Window box, platform::Window control) {
  platform::Rect r = platform::window_rect(control);
  headless::click(box, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

bool click_button(int i) {
  platform::Window box = button_box_window();
  platform::Window button =
      box ? platform::control_by_id(box, kButtonIdBase + i) : platform::Window{};
  if (!button) return false;
  click_control(box, button);
  return worker_took_input(box);
}

// Row i's edit field is the box's (2i + 1)th child: label, edit, label, edit...
// Enter stores the field's value (Tab does as well, but only when it moves
// the focus: not in a box of one row).
bool type_value(int i, const std::string& text) {
  platform::Window box = input_box_window();
  if (!box || i < 0) return false;
  std::vector<platform::Window> children = platform::child_windows(box);
  if (std::size_t(2 * i + 1) >= children.size()) return false;
  platform::Window edit = children[std::size_t(2 * i + 1)];
  click_control(box, edit);
  if (!wait_for([&] { return platform::focus_of_thread(platform::window_thread(box)) == edit; }))
    return false;
  platform::edit_select_all(edit);
  headless::type_text(box, to_platform(text));
  headless::key(box, platform::kKeyReturn);
  return worker_took_input(box);
}

bool type_line(const std::string& text) {
  platform::Window console = platform::find_local_window("orv_twi");
  if (!console) return false;
  headless::type_text(console, to_platform(text) + u"\r");
  return worker_took_input(console);
}

// A picture dropped on the main window; done once the drop has been
// handled to the end (image window made, file loaded and drawn). A file
// that is not a picture makes no image window: the step fails.
bool drop_file(const std::string& path) {
  std::size_t before = image_windows_in_id_order().size();
  int drops = drops_handled();
  if (!headless::drop_files(main_window(), {path})) return false;
  return wait_for([&] { return drops_handled() > drops; }) &&
         image_windows_in_id_order().size() > before;
}

// Ctrl+W in the main window: the report is printed, and the calls that make
// the same windows are put on the clipboard, which is written to `path`.
bool report_layout(const std::string& path) {
  unsigned before = platform::clipboard_sequence();
  headless::key(main_window(), 'W', platform::kKeyBitCtrl);
  unsigned asked = ORV_GetTime();
  constexpr unsigned kReportMs = 10000;
  if (!wait_for([&] {
        return platform::clipboard_sequence() != before || ORV_GetTime() - asked > kReportMs;
      }) ||
      platform::clipboard_sequence() == before)
    return false;
  std::string text;
  if (!wait_for([] { return platform::clipboard_open(); })) return false;
  bool read = platform::clipboard_get_text(&text);
  platform::clipboard_close();
  std::FILE* file = std::fopen(path.c_str(), "w");
  if (!read || !file) {
    if (file) std::fclose(file);
    return false;
  }
  bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  return std::fclose(file) == 0 && written;
}

bool do_step(const std::string& step) {
  std::istringstream in(step);
  std::string verb;
  in >> verb;
  std::string rest;
  std::getline(in >> std::ws, rest);
  if (verb == "start") {
    int before = runs_begun();
    press(kCommandStart);
    return wait_for([&] { return runs_begun() > before || orv_exit_state.load() != 0; });
  }
  if (verb == "stop") return press(kCommandStop), wait_running(0);
  if (verb == "exit") return press(kCommandExit), true;
  if (verb == "finish") return wait_running(0);
  if (verb == "wait") return platform::sleep_ms(std::atoi(rest.c_str())), true;
  if (verb == "click") return !rest.empty() && click_button(std::atoi(rest.c_str()));
  if (verb == "type") return type_line(rest);
  if (verb == "drop") return drop_file(rest);
  if (verb == "report") return !rest.empty() && report_layout(rest);
  if (verb == "value") {
    std::istringstream args(rest);
    int row = -1;
    std::string text;
    args >> row;
    std::getline(args >> std::ws, text);
    return type_value(row, text);
  }
  return false;
}

void act(const std::string& script) {
  if (!wait_for([] { return main_window() && ready_done(); })) return;
  std::vector<std::string> steps = split_steps(script.empty() ? "start; finish; exit" : script);
  for (const std::string& step : steps) {
    if (orv_exit_state.load() != 0 || g_program_ended.load()) return;
    if (!do_step(step) && !g_program_ended.load()) {
      std::fprintf(stderr, "orvlib: the scripted person could not do \"%s\"; exiting\n",
                   step.c_str());
      press(kCommandExit);
      return;
    }
  }
}

}  // namespace

std::thread start_scripted_person(std::string script) {
  g_program_ended = false;
  return std::thread(act, std::move(script));
}

void end_scripted_person(std::thread& person) {
  g_program_ended = true;
  if (person.joinable()) person.join();
}

}  // namespace orv
