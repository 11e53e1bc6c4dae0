// The hooks of the test user program.
#include "tests/framework/test_program.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <string>

namespace test_program {

std::function<void()> ready = [] {};
std::function<void()> main = [] {};

namespace {

std::mutex g_jobs_mutex;
std::deque<std::packaged_task<void()>> g_jobs;

}  // namespace

void serve_worker_jobs() {
  while (orv_stop_req.load() == 0 && orv_exit_state.load() == 0) {
    std::packaged_task<void()> job;
    {
      std::lock_guard lock(g_jobs_mutex);
      if (!g_jobs.empty()) {
        job = std::move(g_jobs.front());
        g_jobs.pop_front();
      }
    }
    if (job.valid()) {
      job();
    } else {
      ORV_ProcessMessages();
      platform::sleep_ms(1);
    }
  }
}

std::future<void> on_worker_async(std::function<void()> job) {
  std::packaged_task<void()> task([job = std::move(job)] {
    ORV_ProcessMessages();
    job();
    ORV_ProcessMessages();
  });
  std::future<void> done = task.get_future();
  std::lock_guard lock(g_jobs_mutex);
  g_jobs.push_back(std::move(task));
  return done;
}

void on_worker(std::function<void()> job) {
  std::future<void> done = on_worker_async(std::move(job));
  ASSERT_EQ(done.wait_for(std::chrono::seconds(10)), std::future_status::ready);
}

int hold_instance_slots(int count) {
  int started[2];
  if (pipe(started) != 0) return -1;
  pid_t holder = fork();
  if (holder == 0) {
    platform::reset_windows_for_tests();
    platform::set_backend(headless::backend());  // another headless run of the same session
    for (int i = 0; i < count; ++i) {
      platform::register_class({orv::main_window_class(i), platform::default_window_proc});
      platform::CreateParams params;
      params.class_name = orv::main_window_class(i);
      params.outer = {0, 0, 200, 100};
      platform::create_window(params);
    }
    char byte = 1;
    (void)!write(started[1], &byte, 1);
    for (;;) pause();
  }
  close(started[1]);  // a holder that dies before it is ready ends the read
  char byte = 0;
  bool held = holder > 0 && read(started[0], &byte, 1) == 1;
  close(started[0]);
  return held ? holder : -1;
}

void wait_for_start_up() {
  headless::wait_until([] {
    platform::Window status = platform::control_by_id(orv::main_window(), orv::kStatusLineId);
    return platform::caption(status).ends_with(u"-bit color");
  });
}

bool waiting_for_a_line() {
  platform::Window status = platform::control_by_id(orv::main_window(), orv::kStatusLineId);
  return platform::caption(status).ends_with(u"Input text");
}

void answer_prompt(const std::u16string& line) {
  ASSERT_TRUE(headless::wait_until(waiting_for_a_line));
  platform::Window console = platform::find_local_window("orv_twi");
  ASSERT_TRUE(console);
  headless::type_text(console, line + u"\r");
}

}  // namespace test_program

void ORV_Ready() {
  test_program::ready();
}

int ORV_Main() {
  test_program::main();
  return 0;
}
