// A user program whose hooks each test sets, and a running framework to drive.
#pragma once

#include <functional>
#include <future>
#include <string>
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

// Test code that must run on the worker (which owns every window but the
// main window): set `main = serve_worker_jobs`, press Start, then hand jobs
// over. A job runs once everything queued before it has been served, and is
// done once what it caused has been served too.
void serve_worker_jobs();
std::future<void> on_worker_async(std::function<void()> job);
void on_worker(std::function<void()> job);

// Switches on the layers above the framework that this test executable
// links, as main does: tests/framework/layers_with_imaging.cpp or
// layers_framework_only.cpp, one of them in each executable.
void install_layers();

// Whether the status line says an ORV_Input waits for a line.
bool waiting_for_a_line();
// A person answers the prompt of an ORV_Input waiting in a text window:
// waits for the "Input text" status, then types the line and Enter.
void answer_prompt(const std::u16string& line);

// Waits until the main window has dropped in and shows the display depth.
void wait_for_start_up();

// Another headless process holding instance slots 0 .. count - 1 until it
// is killed; its pid, or -1.
int hold_instance_slots(int count);

// The framework running on its own "main" thread, as a process would.
class Running {
 public:
  Running() {
    platform::reset_windows_for_tests();
    orv::reset_run_state_for_tests();
    install_layers();
    thread_ = std::thread([this] { exit_code_ = orv::run_program(headless::backend()); });
    wait_for_start_up();
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

// The framework with ORV_Main serving the test's jobs; `prepare` is ORV_Ready.
struct Serving {
  struct Hooks {
    explicit Hooks(std::function<void()> prepare) {
      ready = std::move(prepare);
      main = serve_worker_jobs;
    }
  } hooks;
  Running run;
  explicit Serving(std::function<void()> prepare = [] {}) : hooks(std::move(prepare)) {
    run.press(orv::kCommandStart);
    headless::wait_until([] { return orv_running.load() == 1; });
  }
  ~Serving() { headless::detach_driver(); }
};

}  // namespace test_program
