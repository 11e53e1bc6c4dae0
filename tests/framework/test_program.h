// A user program whose hooks each test sets, and a running framework to drive.
#pragma once

#include <functional>
#include <thread>

#include "framework/core/entry.h"
#include "framework/core/main_window.h"
#include "framework/core/run_state.h"
#include "framework/orvlib.h"
#include "platform/headless/driver.h"
#include "platform/window.h"

namespace test_program {

// What ORV_Ready and ORV_Main do in the current test.
extern std::function<void()> ready;
extern std::function<void()> main;

// The framework running on its own "main" thread, as a process would.
class Running {
 public:
  Running() {
    platform::reset_windows_for_tests();
    orv::reset_run_state_for_tests();
    thread_ = std::thread([this] { exit_code_ = orv::run_program(headless::backend()); });
    headless::wait_until([] { return bool(orv::main_window()); });
  }
  ~Running() {
    if (thread_.joinable()) {
      press(orv::kCommandExit);
      thread_.join();
    }
    ready = [] {};
    main = [] {};
  }
  void press(int command) { headless::choose_menu(orv::main_window(), command); }
  // Presses Exit and waits for the main loop to end; returns the exit code.
  int exit() {
    press(orv::kCommandExit);
    thread_.join();
    return exit_code_;
  }

 private:
  int exit_code_ = -1;
  std::thread thread_;
};

}  // namespace test_program
