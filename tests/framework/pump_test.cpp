// ORV_ProcessMessages, ORV_Wait, ORV_GetTime and ORV_Pause.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "framework/core/pump.h"
#include "framework/orvlib.h"
#include "platform/headless/driver.h"
#include "platform/queue.h"
#include "platform/window.h"

namespace {

using platform::Msg;
using platform::MsgKind;
using platform::Window;

std::atomic<int> g_dispatched{0};
std::atomic<std::int64_t> g_ticks{0};

std::intptr_t counting_proc(Window w, Msg& m) {
  if (m.kind == MsgKind::User) ++g_dispatched;
  return platform::default_window_proc(w, m);
}

class PumpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::reset_windows_for_tests();
    platform::reset_queues_for_tests();
    platform::set_backend(headless::backend());
    platform::register_class({"counter", counting_proc});
    platform::CreateParams params;
    params.class_name = "counter";
    params.outer = {0, 0, 200, 100};
    window = platform::create_window(params);
    g_dispatched = 0;
    orv_stop_req = 0;
  }
  void TearDown() override {
    platform::set_counter_source(nullptr, 0);
    orv::set_dialog_boxes({}, {});
    orv_stop_req = 0;
    platform::reset_windows_for_tests();
  }
  void post_user() {
    Msg msg;
    msg.kind = MsgKind::User;
    platform::post_message(window, msg);
  }
  // A clock of 10 ticks per millisecond that only the test moves.
  static void use_fake_clock(std::int64_t ms) {
    g_ticks = ms * 10;
    platform::set_counter_source([] { return g_ticks.load(); }, 10'000);
  }
  Window window;
};

// A wait of zero or less returns at once without dispatching; with Stop
// already set a wait dispatches once, then returns 1.
TEST_F(PumpTest, WaitOfZeroReturnsAtOnceAndWaitWithStopSetDispatchesOnce) {
  post_user();
  EXPECT_EQ(ORV_Wait(0), 0);
  EXPECT_EQ(ORV_Wait(-5), 0);
  EXPECT_EQ(g_dispatched.load(), 0);
  ORV_ProcessMessages();
  EXPECT_EQ(g_dispatched.load(), 1);
  use_fake_clock(0);
  post_user();
  orv_stop_req = 1;
  EXPECT_EQ(ORV_Wait(100), 1);
  EXPECT_EQ(g_dispatched.load(), 2);
}

TEST_F(PumpTest, WaitReturnsOneWhenStopArrivesBeforeTheTime) {
  use_fake_clock(5000);
  std::thread person([] {
    for (int ms = 1; ms <= 200; ++ms) {
      g_ticks += 10;
      platform::sleep_ms(0);
    }
    orv_stop_req = 1;
  });
  EXPECT_EQ(ORV_Wait(1000), 1);
  person.join();
  EXPECT_EQ(g_ticks.load(), (5000 + 200) * 10);  // returned at 200 ms, long before 1000
}

// A waiting program sleeps on its queue instead of spinning: with the clock
// standing still for 300 ms the wait looks at it a few times (about one per
// message and per 50 ms slice), not thousands. A wake ends it at once.
TEST_F(PumpTest, WaitSleepsBetweenMessagesAndAWakeEndsTheSleep) {
  static std::atomic<int> reads{0};
  reads = 0;
  platform::set_counter_source([] { return (++reads, std::int64_t(0)); }, 10'000);
  platform::ThreadId me = platform::current_thread_id();
  std::thread person([&] {
    platform::sleep_ms(150);
    post_user();
    platform::sleep_ms(150);
    orv_stop_req = 1;
    platform::wake_thread(me);
  });
  EXPECT_EQ(ORV_Wait(100'000), 1);
  person.join();
  EXPECT_EQ(g_dispatched.load(), 1);
  EXPECT_LT(reads.load(), 60);
}

TEST_F(PumpTest, WaitRoundsElapsedTimeToTheNearestMillisecond) {
  use_fake_clock(0);
  g_ticks = 5;  // 0.5 ms after "start" would round up; start is read at entry
  std::thread person([] {
    platform::sleep_ms(5);
    g_ticks += 15;  // 1.5 ms elapsed rounds to 2 >= 2
    platform::sleep_ms(300);
    orv_stop_req = 1;  // ends a wait that failed to round up
  });
  EXPECT_EQ(ORV_Wait(2), 0);
  person.join();
  EXPECT_EQ(g_ticks.load(), 20);
}

TEST_F(PumpTest, GetTimeFloorsAndWrapsAt32Bits) {
  use_fake_clock(0);
  g_ticks = 19;  // 1.9 ms
  EXPECT_EQ(ORV_GetTime(), 1u);
  g_ticks = (std::int64_t(1) << 32) * 10 - 100;  // 10 ms before the wrap
  EXPECT_EQ(ORV_GetTime(), 0xFFFFFFF6u);
  g_ticks += 250;  // 25 ms later, past the wrap: 15, a difference of 25 in unsigned
  EXPECT_EQ(ORV_GetTime(), 15u);
}

TEST_F(PumpTest, ProcessMessagesGivesTheBoxesDialogNavigation) {
  Window a = platform::create_control(platform::ControlKind::Edit, window, 1, {0, 0, 50, 20}, u"",
                                      platform::kStyleVisible | platform::kStyleTabStop);
  Window b = platform::create_control(platform::ControlKind::Edit, window, 2, {0, 30, 50, 50}, u"",
                                      platform::kStyleVisible | platform::kStyleTabStop);
  platform::set_focus(a);
  headless::key(window, platform::kKeyTab);
  orv::plain_pump();  // without navigation the Tab is just a key for the edit
  EXPECT_EQ(platform::focus_window(), a);
  orv::set_dialog_boxes(window, {});
  headless::key(window, platform::kKeyTab);
  ORV_ProcessMessages();
  EXPECT_EQ(platform::focus_window(), b);
}

TEST_F(PumpTest, PauseShowsItsTextAndServesWindowsUntilOk) {
  headless::attach_driver();
  std::thread person([this] {
    auto box = headless::wait_message_box();
    ASSERT_TRUE(box);
    EXPECT_EQ(box->title, u"Pause");
    EXPECT_EQ(box->text, u"Check \u00e9");
    post_user();
    headless::wait_until([] { return g_dispatched.load() == 1; });
    headless::answer_message_box();
  });
  ORV_Pause("Check \xc3\xa9");
  person.join();
  headless::detach_driver();
  EXPECT_EQ(g_dispatched.load(), 1);

  headless::clear_shown();
  ORV_Pause(std::string(300, 'a').c_str());  // no driver: answered at once
  ASSERT_EQ(headless::message_boxes_shown().size(), 1u);
  EXPECT_EQ(headless::message_boxes_shown()[0].text,
            std::u16string(255, u'a'));  // 256 with the NUL
}

}  // namespace
