// The scripted person of headless runs: each step goes through the headless
// driver, the same path a person's clicks and keys take.
#include "framework/main/scripted_person.h"

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
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

// A menu item's label as a person reads it: no '&' marks, no shortcut.
std::u16string shown_label(const std::u16string& label) {
  std::u16string out;
  for (char16_t c : label.substr(0, label.find(u'\t')))
    if (c != u'&') out += c;
  return out;
}

// The id of the item reached through labels "A>B>C", or 0.
int find_menu_item(const platform::Menu& menu, const std::string& path) {
  const platform::Menu* level = &menu;
  std::stringstream in(path);
  std::string part;
  int id = 0;
  while (level && std::getline(in, part, '>')) {
    const platform::MenuItem* found = nullptr;
    for (const platform::MenuItem& item : level->items)
      if (!item.separator && !item.greyed && shown_label(item.label) == to_platform(part))
        found = &item;
    if (!found) return 0;
    id = found->submenu ? 0 : found->id;
    level = found->submenu.get();
  }
  return in.eof() && !level ? id : 0;
}

// The middle button on image window `image` opens its processing menu; the
// item is chosen by its labels. Done once the menu has handed the choice
// to the window and the window is serving its queue again: the command has
// ended, or waits for a pick.
bool choose_image_menu(int image, const std::string& path) {
  platform::Window window = image_window(image);
  if (!window) return false;
  headless::attach_driver();
  int returned = headless::popups_returned();
  headless::middle_click(window, 0, 0);
  std::optional<headless::ShownPopup> shown = headless::wait_popup();
  int id = shown ? find_menu_item(shown->menu, path) : 0;
  if (shown) headless::answer_popup(id);
  headless::detach_driver();
  if (!shown || id == 0) return false;
  if (!wait_for([&] { return headless::popups_returned() > returned; })) return false;
  platform::Msg ping;
  platform::send_message(window, ping);
  return true;
}

// A left click on image window `image` at client point (x, y), as a pick
// that waits takes it; done once the window has taken it.
bool click_image(int image, int x, int y) {
  platform::Window window = image_window(image);
  if (!window) return false;
  headless::click(window, x, y);
  if (!worker_took_input(window)) return false;
  platform::Msg ping;
  platform::send_message(window, ping);
  return true;
}

// What image window `image` shows, painted afresh, written to `path` as a
// plain PPM of one pixel per line ("R G B"), rows from the top.
bool look_at_image(int image, const std::string& path) {
  platform::Window window;
  if (!wait_for([&] { return bool(window = image_window(image)); })) return false;
  platform::Msg paint;
  paint.kind = platform::MsgKind::Paint;
  platform::send_message(window, paint);
  platform::Rect client = platform::client_rect(window);
  int width = client.right - client.left, height = client.bottom - client.top;
  std::FILE* file = std::fopen(path.c_str(), "w");
  if (!file) return false;
  std::fprintf(file, "P3\n%d %d\n255\n", width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      std::uint32_t p = headless::surface_pixel(window, x, y);
      std::fprintf(file, "%u %u %u\n", (p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
  return std::fclose(file) == 0;
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
  if (verb == "menu" || verb == "pick" || verb == "look") {
    std::istringstream args(rest);
    int image = -1;
    args >> image;
    std::string more;
    std::getline(args >> std::ws, more);
    if (verb == "menu") return choose_image_menu(image, more);
    if (verb == "look") return !more.empty() && look_at_image(image, more);
    int x = -1, y = -1;
    std::istringstream point(more);
    return bool(point >> x >> y) && click_image(image, x, y);
  }
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
