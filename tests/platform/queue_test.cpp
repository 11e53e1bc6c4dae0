// Message queues: order, sends across threads, translation, quit.
#include <gtest/gtest.h>

#include <map>
#include <mutex>
#include <vector>

#include "platform/headless/driver.h"
#include "platform/queue.h"
#include "platform/window.h"
#include "tests/platform/serving_thread.h"

namespace {

using platform::Msg;
using platform::MsgKind;
using platform::Window;

std::mutex g_log_mutex;
std::vector<std::string> g_log;
std::map<std::uint32_t, Window> g_peer;  // window -> the window it forwards sends to

void log(std::string entry) {
  std::lock_guard lock(g_log_mutex);
  g_log.push_back(std::move(entry));
}

std::vector<std::string> take_log() {
  std::lock_guard lock(g_log_mutex);
  return std::exchange(g_log, {});
}

std::intptr_t recording_proc(Window window, Msg& msg) {
  switch (msg.kind) {
    case MsgKind::User:
      log("user " + std::to_string(msg.command));
      return 0;
    case MsgKind::Paint:
      log("paint");
      return 0;
    case MsgKind::Char:
      log(std::string("char ") + std::to_string(int(msg.ch)));
      return 0;
    case MsgKind::KeyDown:
      log("key " + std::to_string(msg.key));
      return 0;
    default:
      return platform::default_window_proc(window, msg);
  }
}

// Command n: forwards n - 1 to its peer window (on another thread) and adds
// its own thread's mark, so a chain of sends crosses the threads both ways.
std::intptr_t relay_proc(Window window, Msg& msg) {
  if (msg.kind != MsgKind::User) return platform::default_window_proc(window, msg);
  if (msg.command == 0) return 0;
  Msg next;
  next.kind = MsgKind::User;
  next.command = msg.command - 1;
  Window peer;
  {
    std::lock_guard lock(g_log_mutex);
    peer = g_peer[window.id];
  }
  return 1 + platform::send_message(peer, next);
}

class QueueTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::reset_windows_for_tests();
    platform::set_backend(headless::backend());
    platform::register_class({"recorder", recording_proc});
    platform::register_class({"relay", relay_proc});
    take_log();
  }
  void TearDown() override { platform::reset_windows_for_tests(); }

  static Window make_window(const char* class_name) {
    platform::CreateParams params;
    params.class_name = class_name;
    params.outer = {0, 0, 200, 100};
    return platform::create_window(params);
  }

  static void post_user(Window w, int n) {
    Msg msg;
    msg.kind = MsgKind::User;
    msg.command = n;
    platform::post_message(w, msg);
  }
};

TEST_F(QueueTest, PostedMessagesArriveInOrderAndPaintComesLast) {
  Window w = make_window("recorder");
  platform::invalidate_window(w);
  for (int n = 1; n <= 4; ++n) post_user(w, n);
  platform::pump_pending();
  EXPECT_EQ(take_log(),
            (std::vector<std::string>{"user 1", "user 2", "user 3", "user 4", "paint"}));
  platform::destroy_window(w);
}

TEST_F(QueueTest, TranslateTurnsKeysIntoCharactersRightAfterTheKey) {
  Window w = make_window("recorder");
  auto key = [&](int code, int keys) {
    Msg msg;
    msg.kind = MsgKind::KeyDown;
    msg.key = code;
    msg.keys = keys;
    platform::post_message(w, msg);
  };
  key('A', 0);
  key('A', platform::kKeyBitShift);
  key('A', platform::kKeyBitCtrl);
  key(platform::kKeyNumpad0 + 7, 0);
  key(0x70, 0);  // F1 types nothing
  post_user(w, 9);
  platform::pump_pending();
  EXPECT_EQ(take_log(),
            (std::vector<std::string>{"key 65", "char 97", "key 65", "char 65", "key 65", "char 1",
                                      "key 103", "char 55", "key 112", "user 9"}));
  platform::destroy_window(w);
}

TEST_F(QueueTest, PeekCanLeaveTheMessageAndQuitIsTakenAfterThePostedOnes) {
  Window w = make_window("recorder");
  post_user(w, 7);
  post_user(w, 1);
  platform::post_quit_message(0);
  Msg msg;
  ASSERT_TRUE(platform::peek_message(msg, false));
  EXPECT_EQ(msg.command, 7);
  ASSERT_TRUE(platform::peek_message(msg, true));
  EXPECT_EQ(msg.command, 7);
  ASSERT_TRUE(platform::get_message(msg));
  EXPECT_EQ(msg.command, 1);
  EXPECT_FALSE(platform::get_message(msg));
  EXPECT_EQ(msg.kind, MsgKind::Quit);
  EXPECT_EQ(msg.code, 0);
  EXPECT_FALSE(platform::peek_message(msg, true));
  platform::destroy_window(w);
}

TEST_F(QueueTest, SendsCrossBothWaysWhileBothThreadsWaitOnEachOther) {
  ServingThread a;
  ServingThread b;
  Window wa = a.run([] { return make_window("relay"); });
  Window wb = b.run([] { return make_window("relay"); });
  {
    std::lock_guard lock(g_log_mutex);
    g_peer[wa.id] = wb;
    g_peer[wb.id] = wa;
  }
  // 6 hops: a -> b -> a -> b ... each waits for the next while serving sends to itself.
  Msg msg;
  msg.kind = MsgKind::User;
  msg.command = 6;
  EXPECT_EQ(platform::send_message(wa, msg), 6);
  a.run([&] { return platform::destroy_window(wa); });
  b.run([&] { return platform::destroy_window(wb); });
}

TEST_F(QueueTest, ProceduresRunOnlyOnTheirOwnThreads) {
  // User message n records the thread that served it in seen[n].
  static std::atomic<platform::ThreadId> seen[2] = {0, 0};
  platform::register_class({"thread_mark", [](Window w, Msg& m) -> std::intptr_t {
                              if (m.kind == MsgKind::User)
                                seen[m.command] = platform::current_thread_id();
                              return platform::default_window_proc(w, m);
                            }});
  ServingThread a;
  ServingThread b;
  Window wa = a.run([] { return make_window("thread_mark"); });
  Window wb = b.run([] { return make_window("thread_mark"); });
  post_user(wa, 0);
  Msg msg;
  msg.kind = MsgKind::User;
  msg.command = 1;
  platform::send_message(wb, msg);
  EXPECT_TRUE(headless::wait_until([&] { return seen[0].load() != 0; }));
  EXPECT_EQ(seen[0].load(), a.id());
  EXPECT_EQ(seen[1].load(), b.id());
  EXPECT_FALSE(platform::destroy_window(wa));  // not the owner thread
  a.run([&] { return platform::destroy_window(wa); });
  b.run([&] { return platform::destroy_window(wb); });
  EXPECT_FALSE(platform::post_message(wa, msg));
  EXPECT_EQ(platform::send_message(wb, msg), 0);
}

}  // namespace
