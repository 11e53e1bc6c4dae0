// Runs the demo program on the headless back end, with a scripted person
// who presses Start, Stop and Exit in the main window.
#include <cstdio>
#include <thread>

#include "framework/core/entry.h"
#include "framework/core/main_window.h"
#include "framework/orvlib.h"
#include "platform/headless/driver.h"

namespace {

void press(int command) { headless::choose_menu(orv::main_window(), command); }

void person() {
  headless::wait_until([] { return bool(orv::main_window()); });
  press(orv::kCommandStart);
  headless::wait_until([] { return orv_running.load() == 1; });
  std::this_thread::sleep_for(std::chrono::milliseconds(350));
  press(orv::kCommandStop);
  headless::wait_until([] { return orv_running.load() == 0; });
  press(orv::kCommandExit);
}

}  // namespace

int main() {
  std::thread script(person);
  int code = orv::run_program(headless::backend());
  script.join();
  std::printf("demo: exit code %d\n", code);
  platform::exit_process(code);
}
