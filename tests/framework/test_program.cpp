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
