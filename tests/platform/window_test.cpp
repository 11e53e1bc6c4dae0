// Windows: rectangles, moving and sizing, destruction, controls, driver input.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "platform/headless/driver.h"
#include "platform/queue.h"
#include "platform/window.h"

namespace {

using platform::Msg;
using platform::MsgKind;
using platform::Rect;
using platform::Window;

std::vector<std::string> g_log;
Rect g_forced_rect;  // when not empty, Moving is answered with this rectangle
std::atomic<int> g_users{0};

std::string describe(const Msg& msg) {
  switch (msg.kind) {
    case MsgKind::Move:
      return "move " + std::to_string(msg.x) + "," + std::to_string(msg.y);
    case MsgKind::Size:
      return "size " + std::to_string(msg.x) + "x" + std::to_string(msg.y);
    case MsgKind::Destroy:
      return "destroy " + std::to_string(msg.window.id);
    case MsgKind::Command:
      return "command " + std::to_string(msg.command) + " notify " + std::to_string(msg.notify);
    case MsgKind::LeftDown:
      return "down";
    case MsgKind::LeftDoubleClick:
      return "double";
    case MsgKind::DropFiles:
      return "drop " + std::to_string(msg.files.size());
    case MsgKind::User:
      return "user";
    default:
      return "";
  }
}

std::intptr_t logging_proc(Window window, Msg& msg) {
  std::string text = describe(msg);
  if (!text.empty()) g_log.push_back(text);
  if (msg.kind == MsgKind::User) ++g_users;
  if (msg.kind == MsgKind::Moving && g_forced_rect.width() > 0) msg.proposed = g_forced_rect;
  return platform::default_window_proc(window, msg);
}

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::reset_windows_for_tests();
    platform::set_backend(headless::backend());
    platform::register_class({"logger", logging_proc});
    platform::WindowClass doubles{"doubles", logging_proc, true};
    platform::register_class(doubles);
    g_log.clear();
    g_forced_rect = {};
  }
  void TearDown() override { platform::reset_windows_for_tests(); }

  static Window make(const char* cls, Rect outer, unsigned style = platform::kStyleCaption,
                     Window owner = {}) {
    platform::CreateParams params;
    params.class_name = cls;
    params.outer = outer;
    params.style = style;
    params.owner = owner;
    return platform::create_window(params);
  }
};

TEST_F(WindowTest, ClientAreaSitsInsideFrameCaptionAndMenu) {
  Rect outer = platform::adjust_window_rect({0, 0, 240, 52}, platform::kStyleCaption, true);
  EXPECT_EQ(outer, (Rect{-4, -47, 244, 56}));  // frame 4, caption 23, menu 20
  platform::CreateParams params;
  params.class_name = "logger";
  params.outer = {100, 200, 100 + outer.width(), 200 + outer.height()};
  params.has_menu_bar = true;
  Window w = platform::create_window(params);
  EXPECT_EQ(platform::client_rect(w), (Rect{0, 0, 240, 52}));
  EXPECT_EQ(platform::client_to_screen(w, {0, 0}).x, 104);
  EXPECT_EQ(platform::client_to_screen(w, {0, 0}).y, 247);
  EXPECT_EQ(g_log, (std::vector<std::string>{"size 240x52"}));
}

TEST_F(WindowTest, CaptionedWindowsKeepTheMinimumSize) {
  Window w = make("logger", {10, 10, 30, 20});
  EXPECT_EQ(platform::window_rect(w), (Rect{10, 10, 122, 49}));
  EXPECT_EQ(platform::client_rect(w), (Rect{0, 0, 104, 8}));
  Window bare = make("logger", {0, 0, 5, 3}, 0);
  EXPECT_EQ(platform::client_rect(bare), (Rect{0, 0, 5, 3}));
}

TEST_F(WindowTest, MovingLetsTheProcedureOverwriteTheProposedRectangle) {
  Window w = make("logger", {0, 0, 200, 100});
  g_log.clear();
  headless::drag_window(w, 30, 40);
  platform::pump_pending();
  EXPECT_EQ(platform::window_rect(w), (Rect{30, 40, 230, 140}));
  EXPECT_EQ(g_log, (std::vector<std::string>{"move 34,67"}));  // no Size: same client size

  g_forced_rect = {500, 500, 700, 600};
  headless::drag_window(w, 10, 10);
  platform::pump_pending();
  EXPECT_EQ(platform::window_rect(w), g_forced_rect);
}

// Two edge drags posted back to back: the second starts where the first ended.
TEST_F(WindowTest, OnlyResizableFramesFollowEdgeDragsEachFromWhereTheLastEnded) {
  Window fixed = make("logger", {0, 0, 200, 100});
  headless::drag_edge(fixed, platform::kEdgeRight, 50, 0);
  const unsigned resizable = platform::kStyleCaption | platform::kStyleResizable;
  Window left = make("logger", {0, 0, 200, 100}, resizable);
  headless::drag_edge(left, platform::kEdgeLeft, -20, 0);
  Window twice = make("logger", {0, 0, 200, 100}, resizable);
  headless::drag_edge(twice, platform::kEdgeRight, 30, 0);
  headless::drag_edge(twice, platform::kEdgeBottomRight, 20, 10);
  platform::pump_pending();
  EXPECT_EQ(platform::window_rect(fixed), (Rect{0, 0, 200, 100}));
  EXPECT_EQ(platform::window_rect(left), (Rect{-20, 0, 200, 100}));
  EXPECT_EQ(platform::window_rect(twice), (Rect{0, 0, 250, 110}));
}

TEST_F(WindowTest, DestructionReachesOwnedWindowsAndControlsFirst) {
  Window owner = make("logger", {0, 0, 200, 100});
  Window owned = make("logger", {0, 0, 200, 100}, platform::kStyleCaption, owner);
  Window button = platform::create_control(platform::ControlKind::Button, owner, 5, {0, 0, 50, 20},
                                           u"OK", platform::kStyleVisible);
  platform::set_focus(button);
  g_log.clear();
  EXPECT_TRUE(platform::destroy_window(owner));
  EXPECT_EQ(g_log, (std::vector<std::string>{"destroy " + std::to_string(owned.id),
                                             "destroy " + std::to_string(owner.id)}));
  EXPECT_FALSE(platform::is_window(owned));
  EXPECT_FALSE(platform::is_window(button));
  EXPECT_FALSE(platform::focus_window());
}

TEST_F(WindowTest, ButtonsClickOnReleaseInsideAndEditsTakeTypedText) {
  Window box = make("logger", {0, 0, 300, 200});
  Window button = platform::create_control(platform::ControlKind::Button, box, 7, {10, 10, 60, 30},
                                           u"Go", platform::kStyleVisible);
  Window edit = platform::create_control(platform::ControlKind::Edit, box, 8, {10, 50, 110, 70},
                                         u"", platform::kStyleVisible);
  g_log.clear();
  headless::click(box, 20, 15);         // lands on the button
  headless::double_click(box, 20, 15);  // two presses: two clicks
  platform::pump_pending();
  EXPECT_EQ(std::count(g_log.begin(), g_log.end(), "command 7 notify 0"), 3);

  g_log.clear();
  headless::click(box, 20, 60);  // focus into the edit
  headless::type_text(box, u"abx");
  headless::key(box, platform::kKeyBack);
  headless::type_text(box, u"c");
  platform::pump_pending();
  EXPECT_EQ(platform::caption(edit), u"abc");
  EXPECT_EQ(g_log.front(), "command 8 notify 256");  // set-focus notification
  platform::edit_select_all(edit);
  headless::type_text(box, u"z");
  platform::pump_pending();
  EXPECT_EQ(platform::caption(edit), u"z");
  platform::set_focus(button);
  EXPECT_EQ(g_log.back(), "command 8 notify 512");  // kill-focus notification
}

TEST_F(WindowTest, DoubleClicksArriveOnlyWhereTheClassAsksForThem) {
  Window plain = make("logger", {0, 0, 200, 100});
  Window doubles = make("doubles", {0, 0, 200, 100});
  g_log.clear();
  headless::double_click(plain, 5, 5);
  headless::double_click(doubles, 5, 5);
  platform::pump_pending();
  EXPECT_EQ(g_log, (std::vector<std::string>{"down", "down", "down", "double"}));
}

TEST_F(WindowTest, DropsReachOnlyWindowsThatAcceptThem) {
  Window w = make("logger", {0, 0, 200, 100});
  EXPECT_FALSE(headless::drop_files(w, {"/tmp/a.png"}));
  platform::accept_drops(w, true);
  g_log.clear();
  EXPECT_TRUE(headless::drop_files(w, {"/tmp/a.png", "/tmp/b.png"}));
  platform::pump_pending();
  EXPECT_EQ(g_log, (std::vector<std::string>{"drop 2"}));
}

TEST_F(WindowTest, ModalBoxesAreRecordedAnsweredAndKeepTheThreadServing) {
  headless::attach_driver();
  headless::clear_shown();
  Window w = make("logger", {0, 0, 200, 100});
  g_log.clear();
  std::thread person([&] {
    auto box = headless::wait_message_box();
    ASSERT_TRUE(box);
    EXPECT_EQ(box->title, u"Title");
    Msg msg;
    msg.kind = MsgKind::User;
    platform::post_message(w, msg);  // served while the box is open
    headless::wait_until([] { return g_users.load() > 0; });
    headless::answer_message_box();
    auto popup = headless::wait_popup();
    ASSERT_TRUE(popup);
    ASSERT_EQ(popup->menu.items.size(), 3u);
    EXPECT_TRUE(popup->menu.items[1].separator);
    EXPECT_TRUE(popup->menu.items[2].greyed);
    headless::answer_popup(11);
  });
  platform::message_box(w, u"Text", u"Title");
  EXPECT_EQ(g_log, (std::vector<std::string>{"user"}));
  platform::Menu menu;
  menu.add(11, u"&First").add_separator().add(12, u"Second\tCtrl+S", true);
  EXPECT_EQ(platform::track_popup_menu(w, menu, {5, 5}), 11);
  person.join();
  headless::detach_driver();
  EXPECT_EQ(platform::track_popup_menu(w, menu, {5, 5}), 0);  // nobody there: nothing chosen
}

}  // namespace
