// The main window's popup commands that make windows, its Paste, and the
// window report, as a person uses them: popup choices and keys through the
// headless driver, prompts answered by typing.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "framework/console/button_box.h"
#include "framework/console/input_box.h"
#include "framework/console/text_window.h"
#include "framework/console/text_window_internal.h"
#include "framework/core/program_commands.h"
#include "framework/core/window_report.h"
#include "framework/core/window_requests.h"
#include "framework/image/image_table.h"
#include "platform/text/clipboard.h"
#include "tests/framework/test_program.h"

namespace {

using test_program::on_worker;

// Stops the run that serves the test, so that the main window's commands
// reach the idle worker, and starts it again to look at the result.
struct Idle {
  test_program::Serving serving{[] {
    orv::reset_images_for_tests();
    orv::reset_input_box_for_tests();
    orv::reset_button_box_for_tests();
  }};
  unsigned inputs = 0;
  Idle() {
    headless::attach_driver();
    inputs = orv::line_inputs_begun();
    serving.run.press(orv::kCommandStop);
    EXPECT_TRUE(headless::wait_until([] { return orv_running.load() == 0; }));
  }
  // Once the command before has ended (its items are greyed until then).
  void choose(int command) {
    ASSERT_TRUE(headless::wait_until([] { return !orv::main_popup_menu().items[0].greyed; }));
    headless::right_click(orv::main_window(), 5, 5);
    ASSERT_TRUE(headless::wait_popup());
    headless::answer_popup(command);
  }
  // Types the answer once the next question waits for it.
  void answer(const std::u16string& line) {
    ++inputs;
    ASSERT_TRUE(headless::wait_until(
        [&] { return orv::line_inputs_begun() >= inputs && test_program::waiting_for_a_line(); }));
    headless::type_text(orv::open_text_windows_in_id_order()[0], line + u"\r");
  }
  void start_again() {
    serving.run.press(orv::kCommandStart);
    ASSERT_TRUE(headless::wait_until([] { return orv_running.load() == 1; }));
  }
};

TEST(MainCommandsTest, DialoguesOnTextWindowZeroMakeImagesBoxesAndTextWindows) {
  Idle idle;
  idle.choose(orv::kCommandImageWindow);  // text window 0 opens for the questions
  idle.answer(u"100");
  idle.answer(u"50");
  idle.answer(u"16");  // neither 32 nor 8: nothing more
  idle.choose(orv::kCommandImageWindow);
  idle.answer(u"100");
  idle.answer(u"50x");  // the leading digits count
  idle.answer(u"8");
  idle.choose(orv::kCommandInputBox);
  idle.answer(u"40");
  idle.choose(orv::kCommandButtonBox);
  idle.answer(u"3");
  idle.answer(u"2");
  idle.choose(orv::kCommandTextWindow);  // the lowest closed id: 1
  ASSERT_TRUE(
      headless::wait_until([] { return orv::open_text_windows_in_id_order().size() == 2; }));

  idle.start_again();
  on_worker([] {
    const orv::ImageRecord* image = orv::image_in_use(0);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->title, "000");
    EXPECT_EQ((std::vector{image->width, image->height, image->bits}), (std::vector{100, 50, 8}));
    EXPECT_FALSE(orv::image_in_use(1));  // the "16" made none
    EXPECT_EQ(orv_ib_items, 30);
    platform::Rect box = platform::window_rect(orv::input_box_window());
    EXPECT_EQ((std::pair{box.left, box.top}), (std::pair{0, 0}));
    EXPECT_EQ((std::pair{orv::button_box_columns(), orv::button_box_rows()}), (std::pair{3, 2}));
    box = platform::window_rect(orv::button_box_window());
    EXPECT_EQ((std::pair{box.left, box.top}), (std::pair{0, 0}));
    // Thirteen lines: a title and three questions twice, a title and the
    // item count, a title and two counts; the cursor waits at the start of
    // the next. Anything printed after the "16" would move it.
    {
      orv::TextWindowTable& table = orv::text_windows();
      std::lock_guard lock(table.lock);
      const orv::TextWindowRecord& zero = table.records[0];
      EXPECT_EQ((std::pair{zero.cursor_x, zero.cursor_y}), (std::pair{0, 13 * zero.line_height}));
      EXPECT_TRUE(table.records[1].open);  // the text window made
    }
    ORV_CloseInputBox();
    ORV_CloseButtonBox();
    ORV_CloseTextWindow(0);
    ORV_CloseTextWindow(1);
  });
}

TEST(MainCommandsTest, PasteMakesAnImageAtTheFirstFreeIdUnlessAProgramRuns) {
  platform::clipboard_reset_for_tests();
  // Another program's 2 x 1 picture, 24-bit, rows padded to 8 bytes.
  const std::uint8_t dib[] = {40, 0, 0, 0, 2, 0, 0, 0, 1,    0,    0,    0,    1,    0,    24, 0,
                              0,  0, 0, 0, 0, 0, 0, 0, 0,    0,    0,    0,    0,    0,    0,  0,
                              0,  0, 0, 0, 0, 0, 0, 0, 0x33, 0x22, 0x11, 0x66, 0x55, 0x44, 0,  0};
  ASSERT_TRUE(platform::clipboard_open());
  platform::clipboard_empty();
  platform::clipboard_set_dib(dib, sizeof dib);
  platform::clipboard_close();

  Idle idle;
  idle.start_again();
  on_worker([] {
    ORV_CreateImage(0, "a", 0, 0, 8, 8, 100);
    ORV_CreateImage(1, "b", 0, 0, 8, 8, 100);
    ORV_SelectImage(0);
  });
  // While the program runs, Ctrl+V does nothing; the popup that follows it
  // on the main thread shows Paste greyed.
  headless::key(orv::main_window(), 'V', platform::kKeyBitCtrl);
  headless::right_click(orv::main_window(), 5, 5);
  auto shown = headless::wait_popup();
  ASSERT_TRUE(shown);
  EXPECT_TRUE(shown->menu.items[0].greyed);
  headless::answer_popup(0);
  on_worker([] { EXPECT_FALSE(orv::image_in_use(2)); });

  idle.serving.run.press(orv::kCommandStop);
  ASSERT_TRUE(headless::wait_until([] { return orv_running.load() == 0; }));
  int served = orv::window_requests_served();
  headless::key(orv::main_window(), 'V', platform::kKeyBitCtrl);
  // Ids 0 and 1 refuse, 2 is made, the picture copied in, the window redrawn.
  ASSERT_TRUE(headless::wait_until([&] { return orv::window_requests_served() == served + 5; }));
  idle.start_again();
  on_worker([] {
    const orv::ImageRecord* pasted = orv::image_in_use(2);
    ASSERT_TRUE(pasted);
    EXPECT_EQ(pasted->title, "002");
    EXPECT_EQ((std::pair{pasted->width, pasted->height}), (std::pair{2, 1}));
    EXPECT_EQ(pasted->dib->row32(0)[0], 0x112233u);
    EXPECT_EQ(pasted->dib->row32(0)[1], 0x445566u);
    EXPECT_EQ(orv::current_image(), 0);  // the image current before the paste
  });
  platform::clipboard_reset_for_tests();
}

// The first lit pixel of text row `row` of a text window's surface, 0 if none.
std::uint32_t row_ink(platform::Window w, int row, int line_height) {
  for (int y = row * line_height; y < (row + 1) * line_height; ++y)
    for (int x = 0; x < 200; ++x)
      if (std::uint32_t c = headless::surface_pixel(w, x, y); c != 0) return c;
  return 0;
}

std::string clipboard_text() {
  std::string text;
  EXPECT_TRUE(platform::clipboard_open());
  platform::clipboard_get_text(&text);
  platform::clipboard_close();
  return text;
}

TEST(MainCommandsTest, TheWindowReportPrintsTheLayoutAndPutsItsSourceOnTheClipboard) {
  platform::clipboard_reset_for_tests();
  test_program::Serving serving([] {
    orv::reset_images_for_tests();
    orv::reset_input_box_for_tests();
    orv::reset_button_box_for_tests();
  });
  int line_height = 0;
  on_worker([&] {
    ORV_CreateImage(0, "000", 10, 20, 640, 480, 100);
    ORV_OpenTextWindow(0, 0, 0, 400, 300);
    ORV_PushTextColor(0x123456, 0x000000);
    orv::run_window_report();
    orv::TextWindowTable& table = orv::text_windows();
    std::lock_guard lock(table.lock);
    line_height = table.records[0].line_height;
    EXPECT_EQ(table.records[0].text_color, 0x123456u);  // as before the report
  });
  EXPECT_EQ(clipboard_text(),
            "\t// ORVLIB --- Automatic Source Generator\n"
            "\t// [Image Window]\n"
            "\tORV_CreateImage(0,\"000\",10,20,640,480,100);\n"
            "\t// [Text Window]\n"
            "\tORV_OpenTextWindow(0,0,0,400,300);\n"
            "\tORV_SetForeground(ORVMAINWINDOW);\n");
  platform::Window text = orv::open_text_windows_in_id_order()[0];
  EXPECT_EQ(row_ink(text, 0, line_height), 0xFFFF00u);  // the title line
  EXPECT_EQ(row_ink(text, 1, line_height), 0x00FF00u);  // "[Image Window]"

  // No image: no image section. A button label with a line feed stays on one line.
  on_worker([] {
    ORV_DestroyImage(0);
    ORV_OpenInputBox(300, 40, 2);
    ORV_SetInputBoxTitle(0, "Width");
    ORV_OpenButtonBox(500, 60, 2, 1);
    ORV_SetButtonBoxTitle(1, "a\nb");
    orv::run_window_report();
  });
  std::string list = clipboard_text();
  EXPECT_EQ(list.find("[Image Window]"), std::string::npos);
  EXPECT_NE(list.find("\t// [Text Window]\n\tORV_OpenTextWindow(0,0,0,400,300);\n"
                      "\t// [Input Box]\n\tORV_OpenInputBox(300,40,2);\n"),
            std::string::npos);
  EXPECT_NE(list.find("\tORV_SetInputBoxTitle(0,\"Width\");\n"
                      "\tORV_SetInputBoxTitle(1,\"Item 1\");\n"
                      "\t// [Button Box]\n\tORV_OpenButtonBox(500,60,2,1);\n"),
            std::string::npos);
  EXPECT_NE(list.find("\tORV_SetButtonBoxTitle(0,\"0\");\n"
                      "\tORV_SetButtonBoxTitle(1,\"a\\nb\");\n"
                      "\tORV_SetForeground(ORVMAINWINDOW);\n"),
            std::string::npos);
  on_worker([] {
    ORV_CloseInputBox();
    ORV_CloseButtonBox();
    ORV_CloseTextWindow(0);
  });
  platform::clipboard_reset_for_tests();
}

// A program's own commands close the popup menu after a separator, in the
// order added, and stay chosen-able while it runs; each choice is counted
// once until the program takes it.
TEST(MainCommandsTest, AProgramsCommandsEndThePopupAndCountEachChoice) {
  test_program::Serving serving{[] { orv::reset_program_commands_for_tests(); }};
  headless::attach_driver();
  int look = -2, again = -2, other = -2, empty = -2;
  on_worker([&] {
    look = ORV_AddProgramCommand("Look");
    other = ORV_AddProgramCommand("Other");
    again = ORV_AddProgramCommand("Look");
    empty = ORV_AddProgramCommand("");
  });
  EXPECT_EQ(look, 0);
  EXPECT_EQ(other, 1);
  EXPECT_EQ(again, 0);
  EXPECT_EQ(empty, -1);
  auto choose = [](int id) {
    headless::right_click(orv::main_window(), 5, 5);
    const auto shown = headless::wait_popup();
    ASSERT_TRUE(shown);
    const auto& items = shown->menu.items;
    ASSERT_GE(items.size(), 3u);
    EXPECT_TRUE(items[items.size() - 3].separator);
    EXPECT_EQ(items[items.size() - 2].label, u"Look");
    EXPECT_EQ(items.back().label, u"Other");
    EXPECT_FALSE(items[items.size() - 2].greyed);  // the program runs, and it is its own
    const int returned = headless::popups_returned();
    headless::answer_popup(id);
    ASSERT_TRUE(headless::wait_until([&] { return headless::popups_returned() > returned; }));
  };
  choose(orv::kProgramCommandBase + 0);
  choose(orv::kProgramCommandBase + 0);
  choose(orv::kProgramCommandBase + 1);
  int taken[3] = {};
  on_worker([&] {
    taken[0] = ORV_TakeProgramCommand(look);
    taken[1] = ORV_TakeProgramCommand(look);
    taken[2] = ORV_TakeProgramCommand(other);
  });
  EXPECT_EQ(taken[0], 2);
  EXPECT_EQ(taken[1], 0);
  EXPECT_EQ(taken[2], 1);
  on_worker([] { orv::reset_program_commands_for_tests(); });
}

}  // namespace
