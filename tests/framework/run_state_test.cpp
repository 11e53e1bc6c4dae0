// Start, Stop and Exit against the worker thread.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <string>

#include "platform/queue.h"
#include "platform/thread.h"
#include "tests/framework/test_program.h"

namespace {

using test_program::Running;

std::atomic<int> g_runs{0};
std::atomic<int> g_stop_seen{-1};
std::atomic<bool> g_release{false};

TEST(RunStateTest, TwoQuickStartsRunMainOnceAndAStartDuringARunIsDropped) {
  g_runs = 0;
  g_release = false;
  test_program::main = [] {
    ++g_runs;
    while (!g_release) ORV_ProcessMessages();
  };
  Running run;
  run.press(orv::kCommandStart);
  run.press(orv::kCommandStart);
  ASSERT_TRUE(headless::wait_until([] { return orv_running.load() == 1; }));
  run.press(orv::kCommandStart);  // while running: dropped, not queued
  headless::wait_until([] { return orv_start_req.load() == 1; }, 100);
  EXPECT_EQ(orv_start_req.load(), 0);
  g_release = true;
  ASSERT_TRUE(headless::wait_until([] { return orv_running.load() == 0; }));
  platform::sleep_ms(20);
  EXPECT_EQ(g_runs.load(), 1);
  EXPECT_EQ(run.exit(), 0);
}

// ORV_Ready runs once, on the worker; Stop while idle does not stop the next
// run, drops are taken again after it, and Exit while idle ends the worker
// normally.
TEST(RunStateTest, ReadyRunsOnceStopWhileIdleSparesTheNextRunAndExitWhileIdleEndsNormally) {
  static std::atomic<int> readies{0};
  static std::atomic<platform::ThreadId> ready_thread{0};
  readies = 0;
  g_stop_seen = -1;
  test_program::ready = [] {
    ++readies;
    ready_thread = platform::current_thread_id();
  };
  test_program::main = [] { g_stop_seen = orv_stop_req.load(); };
  Running run;
  ASSERT_TRUE(headless::wait_until([] { return readies.load() == 1; }));
  EXPECT_EQ(ready_thread.load(), platform::thread_id(orv::worker_thread()));
  EXPECT_TRUE(platform::accepts_drops(orv::main_window()));
  run.press(orv::kCommandStop);
  ASSERT_TRUE(headless::wait_until([] { return orv_stop_req.load() == 1; }));
  run.press(orv::kCommandStart);
  ASSERT_TRUE(headless::wait_until([] { return g_stop_seen.load() != -1; }));
  EXPECT_EQ(g_stop_seen.load(), 0);
  ASSERT_TRUE(headless::wait_until([] { return orv_stop_req.load() == 0 && orv_running == 0; }));
  EXPECT_TRUE(platform::accepts_drops(orv::main_window()));  // accepted again after a run
  EXPECT_EQ(run.exit(), 0);
  EXPECT_EQ(readies.load(), 1);
  EXPECT_EQ(orv_exit_state.load(), 2);
  EXPECT_EQ(orv_stop_req.load(), 1);
  EXPECT_EQ(platform::thread_exit_code(orv::worker_thread()), 0);
  EXPECT_FALSE(platform::is_window(orv::main_window()));
}

TEST(RunStateTest, ExitWhileMainPollsEndsInTimeAndSkipsTheRunEnd) {
  test_program::main = [] {
    while (orv_stop_req.load() == 0) ORV_ProcessMessages();
  };
  Running run;
  run.press(orv::kCommandStart);
  ASSERT_TRUE(headless::wait_until([] { return orv_running.load() == 1; }));
  EXPECT_FALSE(headless::drop_files(orv::main_window(), {"/tmp/x.png"}));  // refused while running
  EXPECT_EQ(run.exit(), 0);
  EXPECT_EQ(platform::thread_exit_code(orv::worker_thread()), 0);
  EXPECT_EQ(orv_exit_state.load(), 2);
  EXPECT_EQ(orv_running.load(), 1);  // the loop was left before the run's end steps
}

// A process whose ORV_Main never polls: Exit waits out the grace on the
// framework clock, abandons the worker with code 1 and still ends with 0.
// The clock is a counter the scenario advances by hand, in milliseconds.
// The child ends with 99 when what it saw differs, and says what it saw.
std::atomic<std::int64_t> g_clock_ms{0};

TEST(RunStateTest, ExitAbandonsAWorkerThatNeverPollsAfterTheGrace) {
  pid_t pid = fork();
  if (pid == 0) {
    platform::reset_windows_for_tests();
    orv::reset_run_state_for_tests();
    test_program::main = [] {
      for (;;) platform::sleep_ms(1);  // never looks at the run state
    };
    std::string notes;
    std::thread person([&] {
      test_program::wait_for_start_up();  // the drop-in runs on the real clock
      g_clock_ms = 1'000'000;
      platform::set_counter_source([] { return g_clock_ms.load(); }, 1000);
      headless::choose_menu(orv::main_window(), orv::kCommandStart);
      headless::wait_until([] { return orv_running.load() == 1; });
      headless::choose_menu(orv::main_window(), orv::kCommandExit);
      headless::wait_until([] { return orv_exit_state.load() == 1; });
      platform::sleep_ms(20);
      g_clock_ms += 2000;  // exactly the grace: not over yet
      platform::sleep_ms(50);
      notes += platform::is_window(orv::main_window()) ? "alive-at-2000 " : "gone-at-2000 ";
      g_clock_ms += 1;
    });
    int code = orv::run_program(headless::backend());
    person.join();
    notes += "worker=" + std::to_string(platform::thread_exit_code(orv::worker_thread()));
    notes += " state=" + std::to_string(orv_exit_state.load());
    std::fprintf(stderr, "child saw: %s, exit code %d\n", notes.c_str(), code);
    platform::exit_process(notes == "alive-at-2000 worker=1 state=2" ? code : 99);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
