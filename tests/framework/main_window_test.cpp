// The main window: placement, status line, keys, popup, snapping, instance slots.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <vector>

#include "framework/console/text_window.h"
#include "framework/core/snap.h"
#include "platform/queue.h"
#include "platform/text/codepage.h"
#include "tests/framework/test_program.h"

namespace {

using platform::Rect;
using test_program::Running;

// Every item but Stop and Exit greyed.
void expect_only_stop_and_exit_enabled(const platform::Menu& menu) {
  for (const platform::MenuItem& item : menu.items) {
    if (item.separator) continue;
    bool enabled = item.id == orv::kCommandStop || item.id == orv::kCommandExit;
    EXPECT_EQ(item.greyed, !enabled) << platform::from_utf16(item.label);
  }
}

TEST(MainWindowTest, DropsInAboveTheScreenBottomWithACentredStatusLineAndAFixedSize) {
  Running run;
  platform::Window w = orv::main_window();
  // Client 240 x (menu 20 + 32); frame 4, caption 23: outer 248 x 103, centred
  // on 1280 and ending with its bottom at 961 + 23.
  EXPECT_EQ(platform::window_rect(w), (Rect{516, 881, 764, 984}));
  EXPECT_EQ(platform::client_rect(w), (Rect{0, 0, 240, 52}));
  EXPECT_EQ(platform::window_class(w), "orvlib_mw0");
  EXPECT_EQ(headless::surface_pixel(w, 120, 45), 0xF0F0F0u);  // button face, below the status line
  EXPECT_TRUE(headless::wait_until([&] {
    return platform::caption(platform::control_by_id(w, orv::kStatusLineId)) ==
           u"            32-bit color";
  }));  // 12 characters: 18 - 12 / 2 spaces
  platform::Menu bar = platform::menu_bar(w);
  ASSERT_EQ(bar.items.size(), 3u);
  EXPECT_EQ(bar.items[0].label, u"Start(&S)");
  EXPECT_EQ(bar.items[1].id, 1003);
  EXPECT_EQ(bar.items[2].id, 1002);

  // Status text is centred by its length.
  platform::Window status = platform::control_by_id(w, orv::kStatusLineId);
  ORV_SetStatusText("Input text");  // 10 bytes: 13 spaces
  EXPECT_EQ(platform::caption(status), u"             Input text");
  std::string long_text(40, 'x');  // 40 / 2 = 20, not below 19: no padding
  ORV_SetStatusText(long_text.c_str());
  EXPECT_EQ(platform::caption(status), std::u16string(40, u'x'));
  std::string too_long(80, 'y');  // cut at 63 bytes
  ORV_SetStatusText(too_long.c_str());
  EXPECT_EQ(platform::caption(status), std::u16string(63, u'y'));

  // The main window cannot be resized.
  Rect before = platform::window_rect(w);
  headless::drag_edge(w, platform::kEdgeBottomRight, 40, 30);
  headless::drag_window(w, 0, 0);  // a no-op move after it, to know the first was served
  platform::sleep_ms(50);
  EXPECT_EQ(platform::window_rect(w), before);
  EXPECT_EQ(run.exit(), 0);
}

TEST(MainWindowTest, KeysStartStopAndExitWithoutCtrlOnly) {
  static std::atomic<int> runs{0};
  runs = 0;
  test_program::main = [] {
    ++runs;
    while (ORV_Wait(1000) == 0) {
    }
  };
  Running run;
  platform::Window w = orv::main_window();
  headless::key(w, 'S', platform::kKeyBitCtrl);  // Ctrl+S is not Start
  headless::key(w, 'C');                         // Stop while idle
  ASSERT_TRUE(headless::wait_until([] { return orv_stop_req.load() == 1; }));
  EXPECT_EQ(runs.load(), 0);
  headless::key(w, 'S');
  ASSERT_TRUE(headless::wait_until([] { return orv_running.load() == 1; }));
  headless::key(w, 'C');
  ASSERT_TRUE(headless::wait_until([] { return orv_running.load() == 0; }));
  EXPECT_EQ(runs.load(), 1);
  headless::key(w, platform::kKeyEscape);
  ASSERT_TRUE(headless::wait_until([] { return orv_exit_state.load() == 2; }));
}

// While a line input of ORV_Ready waits, and while ORV_Main runs, the popup
// greys all but Stop and Exit.
TEST(MainWindowTest, PopupGreysAllButStopAndExitWhileALineInputWaitsOrMainRuns) {
  static std::atomic<bool> answered{false}, release{false};
  answered = release = false;
  test_program::ready = [] {
    ORV_OpenTextWindow(0, 0, 0, 400, 300);
    char line[256];
    ORV_Input(line);
    answered = true;
  };
  test_program::main = [] {
    while (!release) ORV_ProcessMessages();
  };
  headless::attach_driver();
  Running run;
  platform::Window w = orv::main_window();
  ASSERT_TRUE(headless::wait_until([] { return orv::line_input_owner() != 0; }));
  headless::right_click(w, 10, 40);
  auto waiting = headless::wait_popup();
  ASSERT_TRUE(waiting);
  expect_only_stop_and_exit_enabled(waiting->menu);
  headless::answer_popup(0);
  headless::key(orv::open_text_windows_in_id_order()[0], platform::kKeyReturn);
  ASSERT_TRUE(headless::wait_until([] { return answered.load(); }));

  headless::right_click(w, 10, 10);
  auto idle = headless::wait_popup();
  ASSERT_TRUE(idle);
  std::u16string labels;  // "|" after each item
  for (const platform::MenuItem& item : idle->menu.items) {
    labels += item.label + u"|";
    EXPECT_FALSE(item.greyed) << platform::from_utf16(item.label);
  }
  EXPECT_EQ(labels,
            u"Paste\tCtrl+V||Start|Stop|E&xit||Image Window|Text Window|Input Box|Button Box||"
            u"&Window Info.\tCtrl+W|");
  headless::answer_popup(orv::kCommandStart);  // choosing Start starts the program
  ASSERT_TRUE(headless::wait_until([] { return orv_running.load() == 1; }));

  headless::right_click_title(w);
  auto busy = headless::wait_popup();
  ASSERT_TRUE(busy);
  expect_only_stop_and_exit_enabled(busy->menu);
  headless::answer_popup(0);
  release = true;
  EXPECT_EQ(run.exit(), 0);
  headless::detach_driver();
}

TEST(SnapTest, EdgesWithinSevenPixelsSnapFlushAndEightDoNot) {
  orv::SnapList list = orv::screen_strips(platform::ScreenMetrics{});
  Rect neighbour{100, 100, 300, 300};
  list.push_back(neighbour);
  Rect self{600, 120, 700, 220};
  // Left edge 5 pixels right of the neighbour's right edge: flush, same size.
  EXPECT_EQ(orv::snap_rect(list, self, {305, 120, 405, 220}), (Rect{300, 120, 400, 220}));
  // 8 pixels away: untouched.
  EXPECT_EQ(orv::snap_rect(list, self, {308, 120, 408, 220}), (Rect{308, 120, 408, 220}));
  // Side by side and then the tops aligned: 3 below the neighbour's top.
  // Overlaps are judged on the rectangle as proposed, so this needs overlap.
  EXPECT_EQ(orv::snap_rect(list, self, {298, 103, 398, 203}), (Rect{300, 100, 400, 200}));
  EXPECT_EQ(orv::snap_rect(list, self, {303, 103, 403, 203}), (Rect{300, 103, 400, 203}));
  // Stacked below, then lefts aligned.
  EXPECT_EQ(orv::snap_rect(list, self, {104, 298, 204, 398}), (Rect{100, 300, 200, 400}));
  // The bottom strip of the screen: bottom edge at 961 + 23.
  EXPECT_EQ(orv::snap_rect(list, self, {600, 880, 700, 980}), (Rect{600, 884, 700, 984}));
  // The window's own rectangle is not a neighbour.
  orv::SnapList own{{100, 100, 200, 200}};
  EXPECT_EQ(orv::snap_rect(own, {100, 100, 200, 200}, {103, 100, 203, 200}),
            (Rect{103, 100, 203, 200}));
}

// Ten other processes hold the ten slots: the eleventh shows the limit box
// and ends with 1; once one of them ends, its slot is free again.
TEST(MainWindowTest, AnEleventhInstanceShowsTheLimitBoxAndExitsWithOne) {
  pid_t holder = test_program::hold_instance_slots(10);
  ASSERT_GT(holder, 0);
  pid_t eleventh = fork();
  if (eleventh == 0) {
    platform::reset_windows_for_tests();
    headless::clear_shown();  // boxes shown earlier in this process are no answer here
    int code = orv::run_program(headless::backend());
    auto boxes = headless::message_boxes_shown();
    bool shown = boxes.size() == 1 && boxes[0].text == u"Over instance limit!" &&
                 boxes[0].title == u"ORVLIB" && !orv::main_window();
    _exit(shown ? code : 99);
  }
  int status = 0;
  waitpid(eleventh, &status, 0);
  kill(holder, SIGKILL);
  waitpid(holder, nullptr, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 1);
  EXPECT_FALSE(platform::find_window_by_class(orv::main_window_class(9)));  // freed by the kill
}

// Fourteen processes started at the same moment: ten run, each in a slot of
// its own, and four show the limit box and end with 1.
TEST(MainWindowTest, FourteenInstancesStartedTogetherTakeTenDifferentSlots) {
  int go[2], slots[2], done[2];
  ASSERT_EQ(pipe(go), 0);
  ASSERT_EQ(pipe(slots), 0);
  ASSERT_EQ(pipe(done), 0);
  static int g_slots, g_done;  // for the hook, which captures nothing
  g_slots = slots[1];
  g_done = done[0];
  pid_t children[14];
  for (pid_t& child : children) {
    child = fork();
    if (child == 0) {
      close(go[1]);
      close(done[1]);
      platform::reset_windows_for_tests();
      orv::reset_run_state_for_tests();
      char byte = 0;
      (void)!read(go[0], &byte, 1);  // all start at once when the pipe closes
      test_program::ready = [] {
        char slot = char(orv::instance_number());
        (void)!write(g_slots, &slot, 1);
        (void)!read(g_done, &slot, 1);  // the slot is held until every process has started
        _exit(0);
      };
      int code = orv::run_program(headless::backend());
      char refused = -1;
      (void)!write(g_slots, &refused, 1);
      _exit(code);
    }
  }
  close(go[0]);
  close(go[1]);
  std::vector<int> taken;
  for (std::size_t i = 0; i < std::size(children); ++i) {
    char slot = 0;
    ASSERT_EQ(read(slots[0], &slot, 1), 1);
    if (slot >= 0) taken.push_back(slot);
  }
  close(done[1]);
  int refused = 0;
  for (pid_t child : children) {
    int status = 0;
    waitpid(child, &status, 0);
    refused += WIFEXITED(status) && WEXITSTATUS(status) == 1;
  }
  for (int fd : {done[0], slots[0], slots[1]}) close(fd);
  std::sort(taken.begin(), taken.end());
  EXPECT_EQ(taken, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
  EXPECT_EQ(refused, 4);
}

// The main window snaps to the screen bottom only when Ctrl is held. A text
// window 200 pixels left of the main window, dragged with Ctrl held to 5
// pixels from its left edge, lands flush; 8 pixels away it stays.
TEST(MainWindowTest, CtrlDraggingPutsWindowsFlushAndPlainDraggingDoesNot) {
  test_program::ready = [] { ORV_OpenTextWindow(0, 100, 850, 200, 100); };
  Running run;
  ASSERT_TRUE(headless::wait_until([] { return !orv::open_text_windows_in_id_order().empty(); }));
  platform::Window text = orv::open_text_windows_in_id_order()[0];
  platform::Window main = orv::main_window();
  headless::drag_window(main, 0, -20);
  ASSERT_TRUE(headless::wait_until([&] { return platform::window_rect(main).bottom == 964; }));
  headless::drag_window(main, 0, 15, true);  // 5 from the bottom strip with Ctrl: flush
  ASSERT_TRUE(headless::wait_until([&] { return platform::window_rect(main).bottom != 964; }));
  EXPECT_EQ(platform::window_rect(main).bottom, 984);
  headless::drag_window(main, 0, -5, false);
  ASSERT_TRUE(headless::wait_until([&] { return platform::window_rect(main).bottom == 979; }));

  int main_left = platform::window_rect(main).left;  // 516
  Rect start = platform::window_rect(text);
  int gap = main_left - start.right;

  headless::drag_window(text, gap - 8, 0, true);
  ASSERT_TRUE(headless::wait_until([&] { return platform::window_rect(text) != start; }));
  EXPECT_EQ(platform::window_rect(text).right, main_left - 8);
  Rect at_eight = platform::window_rect(text);

  headless::drag_window(text, 3, 0, true);  // now 5 away
  ASSERT_TRUE(headless::wait_until([&] { return platform::window_rect(text) != at_eight; }));
  EXPECT_EQ(platform::window_rect(text).right, main_left);
  EXPECT_EQ(platform::window_rect(text).width(), start.width());
  EXPECT_EQ(run.exit(), 0);
}

}  // namespace
