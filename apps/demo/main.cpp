// The demo program on the desktop, or without a display (ORV_BACKEND=headless)
// with a scripted person who starts it, clicks a button, edits a value,
// stops and exits.
#include <cstdio>
#include <thread>

#include "framework/console/button_box.h"
#include "framework/console/input_box.h"
#include "framework/core/entry.h"
#include "framework/core/main_window.h"
#include "framework/orvlib.h"
#include "platform/headless/driver.h"
#include "platform/qt/qt_backend.h"

namespace {

void press(int command) { headless::choose_menu(orv::main_window(), command); }

// Clicks at the middle of a control of a box window.
void click_control(platform::Window box, int id) {
  platform::Rect r = platform::window_rect(platform::control_by_id(box, id));
  headless::click(box, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

void person() {
  headless::wait_until([] { return bool(orv::button_box_window()) && orv_running == 0; });
  press(orv::kCommandStart);
  headless::wait_until([] { return orv_running.load() == 1; });
  platform::sleep_ms(200);
  platform::Window buttons = orv::button_box_window();
  click_control(buttons, orv::kButtonIdBase + 1);
  click_control(buttons, orv::kButtonIdBase + 1);
  platform::Window inputs = orv::input_box_window();
  platform::Window first_edit = platform::child_windows(inputs)[1];  // label, edit, label, edit
  platform::Rect r = platform::window_rect(first_edit);
  headless::click(inputs, r.left + 2, r.top + 2);
  platform::edit_select_all(first_edit);
  headless::type_text(inputs, u"800");
  headless::key(inputs, platform::kKeyTab);
  platform::sleep_ms(300);
  press(orv::kCommandStop);
  headless::wait_until([] { return orv_running.load() == 0; });
  press(orv::kCommandExit);
}

}  // namespace

int main(int argc, char** argv) {
  const platform::Backend* backend = platform::qt::choose_backend(argc, argv);
  if (!backend) return 1;
  std::thread script;
  if (backend == headless::backend()) script = std::thread(person);
  int code = orv::run_program(backend);
  if (script.joinable()) script.join();
  std::printf("demo: exit code %d\n", code);
  platform::exit_process(code);
}
