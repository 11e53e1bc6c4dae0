// Console commands typed after "Cmd>", and the text window's popup menu,
// Ctrl keys and Space, read back from the window's log and surface.
#include <gtest/gtest.h>

#include <atomic>
#include <string>

#include "framework/console/text_window.h"
#include "framework/core/main_window.h"
#include "platform/text/codepage.h"
#include "tests/framework/console/log_test.h"

namespace {

using namespace console_test;
using namespace log_test;
using test_program::on_worker;
using test_program::on_worker_async;

bool cell_has(platform::Window w, int col, int row, std::uint32_t colour) {
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 8; ++x)
      if (headless::surface_pixel(w, col * 8 + x, row * 16 + y) == colour) return true;
  return false;
}

// Only the exact words are commands; "color" prints the colours and "ver"
// the banner in its own colours.
TEST(ConsoleCommandTest, OnlyTheExactWordsAreCommandsAndColorAndVerPrint) {
  PrivateFolder folder;
  Console console;
  on_worker([] {
    ORV_OpenTextWindow(0, 0, 0, 640, 320);
    orv::start_log(0);
  });
  EXPECT_EQ(console_command(u"Exit"), 1);
  EXPECT_EQ(console_command(u"exit "), 1);
  EXPECT_EQ(console_command(u""), 1);
  EXPECT_EQ(console_command(u"help"), 0);
  const std::string commands =
      "Cmd>Exit\nInvalid command\nCmd>exit \nInvalid command\nCmd>\nInvalid command\n"
      "Cmd>help\nCommand list:exit help start ver color\n";
  EXPECT_EQ(read_file(folder.file("ORVLIB00.LOG")), commands);
  EXPECT_EQ(orv_exit_state.load(), 0);

  int tttc = orv_tttc;
  int tc = orv_tc;
  on_worker([] {
    ORV_SetDrawColor(18 << 16 | 52 << 8 | 86);
    orv_tttc = 0x0000FF;
    orv_tc = 0x0A0B0C;
  });
  EXPECT_EQ(console_command(u"color"), 0);
  EXPECT_EQ(
      read_file(folder.file("ORVLIB00.LOG")),
      commands + "Cmd>color\nRed  : 18\nGreen: 52\nBlue : 86\norv_tttc=0000ff\norv_tc=0a0b0c\n");
  on_worker([=] {
    orv_tttc = tttc;
    orv_tc = tc;
    ORV_ClearTextWindow();
  });

  EXPECT_EQ(console_command(u"ver"), 0);
  std::string banner = platform::from_utf16(orv::kBanner);
  ASSERT_TRUE(headless::wait_until([&] {
    return read_file(folder.file("ORVLIB00.LOG")).ends_with("Cmd>ver\n" + banner + "\n");
  }));
  // Line 1 holds the banner: the "O" of ORVLIB in green, its cell's corner grey.
  platform::Window w = text_window();
  EXPECT_TRUE(headless::wait_until([&] { return cell_has(w, 0, 1, 0x50FF50); }));
  EXPECT_EQ(headless::surface_pixel(w, 0, 16), 0x505050u);
  on_worker([] { ORV_Print("M"); });  // the colours are back to white on black
  EXPECT_TRUE(headless::wait_until([&] { return cell_ink(w, 0, 2) == 0xFFFFFFu; }));
}

std::atomic<bool> g_release{false};

// Start and Exit typed after Space reach the main window; Start while
// ORV_Main runs is dropped.
TEST(ConsoleCommandTest, SpaceRunsACommandAndStartAndExitGoToTheMainWindow) {
  g_release = false;
  test_program::ready = [] {
    ORV_OpenTextWindow(0, 0, 0, 400, 200);
    ORV_OpenTextWindow(1, 0, 0, 400, 200);  // current
  };
  test_program::main = [] {
    while (!g_release) ORV_ProcessMessages();
  };
  test_program::Running run;
  ASSERT_TRUE(headless::wait_until([] { return orv::ready_done(); }));
  platform::Window w0 = text_window(0);
  headless::key(w0, platform::kKeySpace);
  test_program::answer_prompt(u"start");
  ASSERT_TRUE(headless::wait_until([] { return orv_running.load() == 1; }));
  EXPECT_EQ(orv::current_text_window(), 0);
  // "Cmd>start", without the Space typed
  EXPECT_TRUE(headless::wait_until([&] { return cell_shows(w0, 4, 0, u's'); }));
  EXPECT_TRUE(cell_shows(w0, 0, 0, u'C'));

  headless::key(w0, platform::kKeySpace);
  test_program::answer_prompt(u"start");
  ASSERT_TRUE(headless::wait_until([] { return orv::line_input_owner() == 0; }));
  headless::key(w0, 'C');  // Stop, queued after the Start the command passed on
  ASSERT_TRUE(headless::wait_until([] { return orv_stop_req.load() == 1; }));
  EXPECT_EQ(orv_start_req.load(), 0);
  g_release = true;
  ASSERT_TRUE(headless::wait_until([] { return orv_running.load() == 0; }));
  EXPECT_EQ(orv::runs_begun(), 1);

  headless::key(w0, platform::kKeySpace);
  test_program::answer_prompt(u"exit");
  ASSERT_TRUE(headless::wait_until([] { return orv_exit_state.load() == 2; }));
  EXPECT_EQ(run.exit(), 0);
}

// The popup of a right click on w, answered with nothing: each item as
// "label id", with " [x]" when checked and " grey" when greyed.
std::vector<std::u16string> popup_of(platform::Window w) {
  headless::right_click(w, 20, 20);
  auto popup = headless::wait_popup();
  if (!popup) return {};
  headless::answer_popup(0);
  std::vector<std::u16string> all;
  for (const platform::MenuItem& item : popup->menu.items) {
    std::u16string id = platform::to_utf16(std::to_string(item.id));
    all.push_back(item.separator ? u"- " + id
                                 : item.label + u" " + id + (item.checked ? u" [x]" : u"") +
                                       (item.greyed ? u" grey" : u""));
  }
  return all;
}

TEST(TextWindowMenuTest, PopupCtrlKeysAndNothingWhileALineIsTyped) {
  headless::attach_driver();
  Console console;
  on_worker([] {
    ORV_OpenTextWindow(0, 0, 0, 400, 200);
    ORV_OpenTextWindow(1, 0, 0, 400, 200);
  });
  platform::Window w0 = text_window(0);
  platform::Window w1 = text_window(1);
  EXPECT_EQ(popup_of(w0),
            (std::vector<std::u16string>{
                u"&Select\tCtrl+S 1069", u"&Window Info.\tCtrl+W 1045", u"Command 1029", u"- 0",
                u"Start Log 1024", u"Stop Log 1025", u"&Copy ORVLIB00.LOG\tCtrl+C 1030", u"- 0",
                u"&About ORVLIB\tCtrl+A 1020", u"- 0", u"&Destroy\tCtrl+Q 1006"}));

  headless::key(w0, 'S', platform::kKeyBitCtrl);
  ASSERT_TRUE(headless::wait_until([] { return orv::current_text_window() == 0; }));
  EXPECT_EQ(popup_of(w0).at(0), u"&Select\tCtrl+S 1069 [x]");

  // Ctrl+W makes the window current (and reports the windows into it).
  headless::key(w1, 'W', platform::kKeyBitCtrl);
  ASSERT_TRUE(headless::wait_until([] { return orv::current_text_window() == 1; }));

  // While a line is typed in window 0: no popup, and Ctrl+W in window 1
  // leaves the current window alone.
  on_worker([] { ORV_SelectTextWindow(0); });
  auto input = on_worker_async([] {
    char line[256];
    ORV_Input(line);
  });
  ASSERT_TRUE(headless::wait_until([] { return orv::line_input_owner() != 0; }));
  headless::right_click(w0, 20, 20);
  headless::key(w1, 'W', platform::kKeyBitCtrl);
  headless::type_text(w0, u"x\r");
  ASSERT_EQ(input.wait_for(std::chrono::seconds(10)), std::future_status::ready);
  EXPECT_FALSE(headless::wait_popup(0));
  EXPECT_EQ(orv::current_text_window(), 0);

  headless::key(w1, 'Q', platform::kKeyBitCtrl);
  ASSERT_TRUE(headless::wait_until([&] { return !platform::is_window(w1); }));
  EXPECT_TRUE(platform::is_window(w0));
}

}  // namespace
