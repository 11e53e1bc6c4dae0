// Threads, exit codes and the counter.
#include <gtest/gtest.h>

#include <atomic>

#include "platform/headless/driver.h"
#include "platform/thread.h"

namespace {

std::atomic<bool> g_release{false};
std::atomic<bool> g_returned{false};

int held_until_released() {
  while (!g_release) platform::sleep_ms(1);
  g_returned = true;
  return 5;
}

TEST(ThreadTest, ExitCodeReadsStillActiveUntilTheProcedureReturns) {
  g_release = false;
  platform::Thread t = platform::start_thread(held_until_released);
  ASSERT_TRUE(t);
  EXPECT_NE(platform::thread_id(t), platform::current_thread_id());
  EXPECT_EQ(platform::thread_exit_code(t), platform::kStillActive);
  g_release = true;
  platform::join_thread(t);
  EXPECT_EQ(platform::thread_exit_code(t), 5);
}

TEST(ThreadTest, AnAbandonedThreadKeepsTheAbandonCode) {
  g_release = false;
  g_returned = false;
  platform::Thread t = platform::start_thread(held_until_released);
  platform::abandon_thread(t, 1);
  EXPECT_EQ(platform::thread_exit_code(t), 1);
  EXPECT_TRUE(platform::any_thread_abandoned());
  g_release = true;
  ASSERT_TRUE(headless::wait_until([] { return g_returned.load(); }));
  EXPECT_EQ(platform::thread_exit_code(t), 1);  // its own result 5 does not overwrite it
}

std::int64_t g_fake_ticks = 0;

TEST(ThreadTest, CounterSourceCanBeReplacedAndRestored) {
  EXPECT_GT(platform::counter_frequency(), 0);
  std::int64_t a = platform::query_counter();
  std::int64_t b = platform::query_counter();
  EXPECT_LE(a, b);
  g_fake_ticks = 42;
  platform::set_counter_source([] { return g_fake_ticks; }, 10);
  EXPECT_EQ(platform::query_counter(), 42);
  EXPECT_EQ(platform::counter_frequency(), 10);
  platform::set_counter_source(nullptr, 0);
  EXPECT_GE(platform::query_counter(), b);
}

}  // namespace
