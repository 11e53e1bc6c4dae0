// The button box: grids, clicks and keys a person gives, the size rule, popups, renaming.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <utility>
#include <vector>

#include "framework/console/button_box.h"
#include "framework/core/run_state.h"
#include "platform/queue.h"
#include "tests/framework/test_program.h"

namespace console_test {  // input_box_test.cpp
void prepare_boxes();
std::vector<std::pair<std::u16string, int>> popup_items(int answer);
void press_close_box(platform::Window w);
}  // namespace console_test

namespace {

using platform::Rect;
using platform::Window;
using test_program::answer_prompt;
using test_program::on_worker;
using test_program::waiting_for_a_line;
using Items = std::vector<std::pair<std::u16string, int>>;

struct Framework : test_program::Serving {
  Framework() : Serving(console_test::prepare_boxes) {}
};

Window open_box(int x, int y, int nx, int ny) {
  on_worker([=] { ORV_OpenButtonBox(x, y, nx, ny); });
  return orv::button_box_window();
}

std::vector<Window> buttons(Window box) {
  return platform::child_windows(box);
}

// Reads the counters of buttons 0 to 9 and sets them back to 0, as a program
// takes its clicks.
using Counts = std::vector<int>;
Counts take() {
  Counts v;
  on_worker([&] {
    for (int i = 0; i < 10; ++i) v.push_back(std::exchange(orv_bb_click[i], 0));
  });
  return v;
}

// The middle of button i of a box with the default 98 x 26 buttons.
void click_button(Window box, int nx, int i) {
  headless::click(box, (i % nx) * 102 + 4 + 49, (i / nx) * 30 + 4 + 13);
}

TEST(ButtonBoxTest, GridsUpToTwoHundredFiftySixButtonsOpenLaidOutRowByRow) {
  Framework framework;
  Window box = open_box(0, 0, 16, 16);
  ASSERT_TRUE(box);
  std::vector<Window> b = buttons(box);
  ASSERT_EQ(b.size(), 256u);
  EXPECT_EQ(platform::caption(b[255]), u"255");
  EXPECT_EQ(platform::control_id(b[255]), 3255);
  EXPECT_EQ(platform::control_kind(b[255]), platform::ControlKind::Button);
  // Column 15, row 15: x = 15 * 102 + 4, y = 15 * 30 + 4.
  EXPECT_EQ(platform::window_rect(b[255]), (Rect{1534, 454, 1632, 480}));
  EXPECT_EQ(platform::client_rect(box), (Rect{0, 0, 16 * 102 + 4, 16 * 30 + 4}));
  int count = 0;
  on_worker([&] { count = orv_bb_count; });
  EXPECT_EQ(count, 256);
  on_worker([] { ORV_CloseButtonBox(); });
  EXPECT_FALSE(orv::button_box_window());

  struct Grid {
    int nx, ny;
  } refused[] = {{16, 17}, {2, 0}, {0, 2}, {-1, -1}, {-4, 3}, {65536, 65536}, {257, 1}};
  for (Grid g : refused) {
    EXPECT_FALSE(open_box(0, 0, g.nx, g.ny)) << g.nx << " x " << g.ny;
    EXPECT_FALSE(platform::find_local_window("orv_bb")) << g.nx << " x " << g.ny;
  }
  on_worker([&] { count = orv_bb_count; });
  EXPECT_EQ(count, 256);  // a refused grid changes nothing

  // Three columns, two rows at (100, 50): client 3 * 102 + 4 = 310 by
  // 2 * 30 + 4 = 64; frame 4 and caption 23 make the outer 318 x 95.
  box = open_box(100, 50, 3, 2);
  ASSERT_TRUE(box);
  EXPECT_EQ(platform::window_class(box), "orv_bb");
  EXPECT_EQ(platform::caption(box), u"ButtonBox");
  EXPECT_EQ(platform::window_owner(box), orv::main_window());
  EXPECT_EQ(platform::window_rect(box), (Rect{100, 50, 418, 145}));
  b = buttons(box);
  ASSERT_EQ(b.size(), 6u);
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(platform::caption(b[i]), std::u16string(1, char16_t(u'0' + i)));
    EXPECT_EQ(platform::control_id(b[i]), 3000 + i);
  }
  EXPECT_EQ(platform::window_rect(b[0]), (Rect{4, 4, 102, 30}));
  EXPECT_EQ(platform::window_rect(b[4]), (Rect{106, 34, 204, 60}));
  EXPECT_EQ(platform::window_rect(b[5]), (Rect{208, 34, 306, 60}));
  EXPECT_TRUE(platform::window_style(b[5]) & platform::kStyleMultiLine);

  on_worker([] {
    ORV_SetButtonBoxTitle(2, "cap\nREC");
    ORV_SetButtonBoxTitle(6, "no");  // = count
    ORV_SetButtonBoxTitle(-1, "no");
    ORV_OpenButtonBox(0, 0, 1, 1);  // already open: nothing
  });
  EXPECT_EQ(platform::caption(b[2]), u"cap\nREC");
  EXPECT_EQ(platform::caption(b[5]), u"5");
  EXPECT_EQ(orv::button_box_window(), box);
  EXPECT_EQ(buttons(box).size(), 6u);
}

TEST(ButtonBoxTest, ClicksAndKeysAddUpUntilTheProgramTakesThem) {
  Framework framework;
  Window box = open_box(100, 50, 3, 2);
  ASSERT_TRUE(box);
  for (int k = 0; k < 3; ++k) click_button(box, 3, 5);
  click_button(box, 3, 1);
  EXPECT_EQ(take(), (Counts{0, 1, 0, 0, 0, 3, 0, 0, 0, 0}));
  headless::click(box, 103, 32);  // the gap between buttons clicks none
  EXPECT_EQ(take(), Counts(10, 0));
  // Space presses the button the focus is on; Enter and Escape do nothing.
  headless::key(box, platform::kKeyTab);
  headless::key(box, platform::kKeyRight);
  headless::key(box, platform::kKeySpace);
  headless::key(box, platform::kKeyReturn);
  headless::key(box, platform::kKeyEscape);
  EXPECT_EQ(take(), (Counts{0, 1, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(orv::button_box_window(), box);

  // Digit keys count for buttons 0 to 9, without Ctrl.
  headless::key(box, platform::kKeyNumpad0 + 7);
  EXPECT_EQ(take(), (Counts{0, 0, 0, 0, 0, 0, 0, 1, 0, 0}));  // a box of 6 buttons counts 7
  headless::key(box, '7');
  headless::key(box, '7', platform::kKeyBitCtrl);
  headless::key(box, platform::kKeyNumpad0 + 9);
  headless::key(box, '0');
  headless::key(box, 'A');
  EXPECT_EQ(take(), (Counts{1, 0, 0, 0, 0, 0, 0, 1, 0, 1}));
}

TEST(ButtonBoxTest, TheSizeRuleSharesTheClientAreaAndSurvivesReopening) {
  Framework framework;
  Window box = open_box(100, 50, 3, 2);
  ASSERT_TRUE(box);
  headless::drag_edge(box, platform::kEdgeRight, 31, 0);  // client 341: (341 - 16) / 3
  on_worker([] {});  // a drag starts from the rectangle the window has when it begins
  headless::drag_edge(box, platform::kEdgeBottom, 0, 10);  // client 74: (74 - 12) / 2
  on_worker([] {});
  EXPECT_EQ(orv::button_box_button_width(), 108);
  EXPECT_EQ(orv::button_box_button_height(), 31);
  EXPECT_EQ(platform::window_rect(buttons(box)[4]), (Rect{116, 39, 224, 70}));

  on_worker([] { ORV_CloseButtonBox(); });
  EXPECT_FALSE(orv::button_box_window());
  box = open_box(0, 0, 2, 2);
  ASSERT_TRUE(box);
  EXPECT_EQ(platform::client_rect(box), (Rect{0, 0, 2 * 112 + 4, 2 * 35 + 4}));
  EXPECT_EQ(platform::window_rect(buttons(box)[3]), (Rect{116, 39, 224, 70}));

  on_worker([] { ORV_ResizeButtonBox(2 * 60 + 12, 2 * 20 + 12); });
  EXPECT_EQ(platform::client_rect(box), (Rect{0, 0, 132, 52}));
  EXPECT_EQ(platform::window_rect(buttons(box)[3]), (Rect{68, 28, 128, 48}));
  on_worker([] { ORV_CloseButtonBox(); });

  // Too narrow boxes give buttons of width 0, or 1 for one column; the
  // height stays the 20 set above. 32 columns need 4 * 32 + 5 pixels; the narrowest frame leaves a
  // client of 112 - 8.
  box = open_box(0, 0, 32, 1);
  ASSERT_TRUE(box);
  headless::drag_edge(box, platform::kEdgeRight, -4000, 0);
  on_worker([] {});
  EXPECT_EQ(platform::client_rect(box).width(), 104);
  EXPECT_EQ(orv::button_box_button_width(), 0);
  EXPECT_EQ(orv::button_box_button_height(), 20);
  EXPECT_EQ(platform::window_rect(buttons(box)[31]), (Rect{128, 4, 128, 24}));
  on_worker([] { ORV_CloseButtonBox(); });

  // With a desktop that lets frames shrink further, one column keeps 1 pixel.
  platform::ScreenMetrics metrics = platform::screen_metrics();
  metrics.min_window_width = 1;
  platform::set_screen_metrics(metrics);
  box = open_box(0, 0, 1, 1);
  ASSERT_TRUE(box);
  int width = platform::client_rect(box).width();
  headless::drag_edge(box, platform::kEdgeRight, 5 - width, 0);
  on_worker([] {});
  EXPECT_EQ(platform::client_rect(box).width(), 5);
  EXPECT_EQ(orv::button_box_button_width(), 1);
  EXPECT_EQ(platform::window_rect(buttons(box)[0]), (Rect{4, 4, 5, 24}));
}

// What a program sees through the public call.
int program_sees_open() {
  int open = -1;
  on_worker([&] { open = ORV_IsButtonBoxOpen(); });
  return open;
}

TEST(ButtonBoxTest, CtrlQTheTitlePopupAndTheCloseBoxCloseItAndButtonsAreRenamed) {
  Framework framework;
  headless::attach_driver();
  Window box = open_box(0, 0, 2, 2);
  ASSERT_TRUE(box);
  EXPECT_EQ(program_sees_open(), 1);
  click_button(box, 2, 1);
  headless::key(box, 'Q');  // without Ctrl: nothing
  on_worker([] {});
  EXPECT_EQ(orv::button_box_window(), box);
  headless::key(box, 'Q', platform::kKeyBitCtrl);
  on_worker([] {});
  EXPECT_FALSE(orv::button_box_window());
  EXPECT_FALSE(platform::is_window(box));
  EXPECT_EQ(program_sees_open(), 0);
  EXPECT_EQ(take(), (Counts{0, 1, 0, 0, 0, 0, 0, 0, 0, 0}));  // the counters outlive the box

  box = open_box(0, 0, 2, 2);
  headless::right_click_title(box);
  EXPECT_EQ(console_test::popup_items(1050), (Items{{u"&Destroy\tCtrl+Q", 1050}}));
  on_worker([] {});
  EXPECT_FALSE(orv::button_box_window());

  box = open_box(0, 0, 3, 2);
  headless::right_click(box, 104, 32);  // the gap left of button 4
  EXPECT_EQ(console_test::popup_items(0), (Items{{u"Rename", 1057}}));
  on_worker([] {});
  EXPECT_EQ(platform::caption(buttons(box)[4]), u"4");

  // Double click, or the popup's Rename, names a button through the text window.
  std::vector<Window> b = buttons(box);
  headless::double_click(box, 104, 32);  // the gap left of button 4
  answer_prompt(u"cap");
  ASSERT_TRUE(headless::wait_until([&] { return platform::caption(b[4]) == u"cap"; }));

  // Below and right of the last cell still names the last row and column.
  headless::right_click(box, 308, 62);
  EXPECT_EQ(console_test::popup_items(1057).size(), 1u);
  answer_prompt(u"REC");
  ASSERT_TRUE(headless::wait_until([&] { return platform::caption(b[5]) == u"REC"; }));

  headless::double_click(box, 2, 2);  // button 0; an empty line keeps its label
  answer_prompt(u"");
  ASSERT_TRUE(headless::wait_until([] { return !waiting_for_a_line(); }));
  on_worker([] {});
  EXPECT_EQ(platform::caption(b[0]), u"0");
  EXPECT_EQ(take(), Counts(10, 0));  // renaming clicks nothing

  console_test::press_close_box(box);
  on_worker([] {});
  EXPECT_FALSE(orv::button_box_window());
  EXPECT_TRUE(headless::message_boxes_shown().empty());
}

int read_counter(int i) {
  return std::atomic_ref<int>(orv_bb_click[i]).load();
}

TEST(ButtonBoxTest, SStartsTheProgramAndCtrlSDoesNothing) {
  static std::atomic<int> runs{0};
  runs = 0;
  test_program::ready = [] {
    console_test::prepare_boxes();
    ORV_OpenButtonBox(0, 0, 2, 2);
  };
  test_program::main = [] { ++runs; };
  test_program::Running run;
  // Once ORV_Ready has returned the counters are zeroed and may be watched.
  ASSERT_TRUE(headless::wait_until([] { return orv::ready_done(); }));
  Window box = orv::button_box_window();
  click_button(box, 2, 0);
  ASSERT_TRUE(headless::wait_until([] { return read_counter(0) == 1; }));
  headless::key(box, 'S', platform::kKeyBitCtrl);
  headless::key(box, '3');
  ASSERT_TRUE(headless::wait_until([] { return read_counter(3) == 1; }));  // Ctrl+S was served
  run.press(orv::kCommandStop);  // queued behind anything the box passed on
  ASSERT_TRUE(headless::wait_until([] { return orv_stop_req.load() == 1; }));
  EXPECT_EQ(orv_start_req.load(), 0);
  EXPECT_EQ(orv_running.load(), 0);
  EXPECT_EQ(runs.load(), 0);
  headless::key(box, 'S');
  EXPECT_TRUE(headless::wait_until([] { return runs.load() == 1; }));
}

}  // namespace
