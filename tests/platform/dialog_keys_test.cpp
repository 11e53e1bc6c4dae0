// Dialog-key navigation in a box window.
#include <gtest/gtest.h>

#include <vector>

#include "platform/dialog_keys.h"
#include "platform/headless/driver.h"
#include "platform/queue.h"
#include "platform/window.h"

namespace {

using platform::Msg;
using platform::MsgKind;
using platform::Window;

std::vector<int> g_commands;

std::intptr_t box_proc(Window window, Msg& msg) {
  if (msg.kind == MsgKind::Command && msg.notify == 0) g_commands.push_back(msg.command);
  return platform::default_window_proc(window, msg);
}

class DialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::reset_windows_for_tests();
    platform::set_backend(headless::backend());
    platform::register_class({"box", box_proc});
    platform::CreateParams params;
    params.class_name = "box";
    params.outer = {0, 0, 300, 200};
    box = platform::create_window(params);
    unsigned stop = platform::kStyleVisible | platform::kStyleTabStop;
    label = make(platform::ControlKind::Static, 100, u"Label", platform::kStyleVisible, 0);
    first = make(platform::ControlKind::Edit, 101, u"one", stop, 20);
    second = make(platform::ControlKind::Edit, 102, u"two", stop, 40);
    button = make(platform::ControlKind::Button, 103, u"Go", stop, 60);
    g_commands.clear();
    platform::set_focus(first);
  }
  void TearDown() override { platform::reset_windows_for_tests(); }

  Window make(platform::ControlKind kind, int id, const char16_t* text, unsigned style, int y) {
    return platform::create_control(kind, box, id, {0, y, 100, y + 18}, text, style);
  }

  // Serves the queue as the framework's pump does for its boxes.
  void serve() {
    Msg msg;
    while (platform::peek_message(msg, true))
      if (!platform::dialog_message(box, msg)) {
        platform::translate_message(msg);
        platform::dispatch_message(msg);
      }
  }

  Window box, label, first, second, button;
};

TEST_F(DialogTest, TabAndShiftTabCycleThroughTabStopsSelectingEdits) {
  headless::key(box, platform::kKeyTab);
  serve();
  EXPECT_EQ(platform::focus_window(), second);
  EXPECT_EQ(platform::edit_selection(second).right, 3);  // "two" selected
  headless::key(box, platform::kKeyTab);
  headless::key(box, platform::kKeyTab);
  serve();
  EXPECT_EQ(platform::focus_window(), first);  // wrapped past the button, skipped the label
  headless::key(box, platform::kKeyTab, platform::kKeyBitShift);
  serve();
  EXPECT_EQ(platform::focus_window(), button);
}

TEST_F(DialogTest, ArrowsMoveFromButtonsButStayInEdits) {
  headless::key(box, platform::kKeyLeft);
  serve();
  EXPECT_EQ(platform::focus_window(), first);
  platform::set_focus(button);
  headless::key(box, platform::kKeyDown);
  serve();
  EXPECT_EQ(platform::focus_window(), first);
  headless::key(box, platform::kKeyUp);  // the edit keeps the arrow for its caret
  serve();
  EXPECT_EQ(platform::focus_window(), first);
}

TEST_F(DialogTest, EnterAndEscapeBecomeCommandsOneAndTwoAndGoNoFurther) {
  headless::key(box, platform::kKeyReturn);
  headless::key(box, platform::kKeyEscape);
  serve();
  EXPECT_EQ(g_commands, (std::vector<int>{1, 2}));
  EXPECT_EQ(platform::caption(first), u"one");  // no character reached the edit
}

TEST_F(DialogTest, SpaceClicksAFocusedButtonAndTypesInAnEdit) {
  headless::key(box, platform::kKeySpace);
  serve();
  EXPECT_EQ(platform::caption(first), u" one");  // typed at the caret, which starts at 0
  EXPECT_TRUE(g_commands.empty());
  platform::set_focus(button);
  headless::key(box, platform::kKeySpace);
  serve();
  EXPECT_EQ(g_commands, (std::vector<int>{103}));
}

TEST_F(DialogTest, MessagesOfOtherWindowsAreLeftAlone) {
  platform::CreateParams params;
  params.class_name = "box";
  params.outer = {0, 0, 300, 200};
  Window other = platform::create_window(params);
  Msg msg;
  msg.window = other;
  msg.kind = MsgKind::KeyDown;
  msg.key = platform::kKeyReturn;
  EXPECT_FALSE(platform::dialog_message(box, msg));
  EXPECT_TRUE(g_commands.empty());
}

}  // namespace
