// Text windows: wrapping, double-cell characters, scrolling, the colour
// stack, the current window, resizing and the keys passed to the main window,
// seen on the window surfaces as a person would see them.
#include <gtest/gtest.h>

#include <string>

#include "framework/console/text_window.h"
#include "platform/text/codepage.h"
#include "tests/framework/console/console_test.h"

namespace {

using namespace console_test;

std::pair<int, int> cursor_at() {
  platform::Point p = cursor();
  return {p.x, p.y};
}

TEST(TextWindowTest, CharactersWrapWholeAtTheRightEdgeInTheCellsTheyAreCounted) {
  Console console;
  int opened = -1;
  on_worker([&] {
    opened = ORV_OpenTextWindow(0, 100, 100, 80, 160);
    ORV_Print("ABCDEFGHIJK");
  });
  ASSERT_EQ(opened, 0);
  platform::Window w = text_window();
  EXPECT_EQ(platform::caption(w), u"TextWindow 0");
  EXPECT_EQ(platform::client_rect(w), (platform::Rect{0, 0, 80, 160}));
  ASSERT_TRUE(headless::wait_until([&] { return cell_shows(w, 0, 1, u'K'); }));
  for (int col = 0; col < 10; ++col) EXPECT_TRUE(cell_shows(w, col, 0, u"ABCDEFGHIJ"[col])) << col;
  EXPECT_EQ(cell_ink(w, 1, 1), 0u);
  EXPECT_EQ(cursor_at(), (std::pair{8, 16}));
  // Without a line feed the next print goes on along the same line.
  on_worker([] { ORV_Print("%d", 7); });
  ASSERT_TRUE(headless::wait_until([&] { return cell_shows(w, 1, 1, u'7'); }));
  EXPECT_EQ(cursor().x, 16);

  // Eight cells then a double one ends exactly at the edge; after nine it
  // does not fit in the last cell and starts the next line.
  on_worker([] {
    ORV_ClearTextWindow();
    ORV_Print("MMMMMMMM\xE3\x81\x82\nMMMMMMMMM\xE3\x81\x82");
  });
  ASSERT_TRUE(headless::wait_until([&] { return cell_shows(w, 0, 2, u'\u3042'); }));
  EXPECT_TRUE(cell_shows(w, 8, 0, u'\u3042'));
  EXPECT_TRUE(cell_shows(w, 8, 1, u'M'));
  EXPECT_EQ(cell_ink(w, 9, 1), 0u);
  EXPECT_EQ(cursor_at(), (std::pair{16, 32}));

  // What is counted is what is shown: a tab, CR or ESC takes one cell though
  // its glyph is wider, an accented letter two though its glyph takes one
  // (centred: an 8-pixel glyph starts 4 pixels into its 16).
  on_worker([] {
    ORV_ClearTextWindow();
    ORV_Print(
        "a\tb\rc\x1b"
        "d");
    ORV_Print("X\n");
    ORV_Print("\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9");
  });
  ASSERT_TRUE(headless::wait_until([&] { return cell_shows(w, 7, 0, u'X'); }));
  for (int col : {0, 2, 4, 6}) EXPECT_TRUE(cell_shows(w, col, 0, u"a?b?c?d"[col])) << col;
  for (int i = 0; i < 5; ++i) EXPECT_TRUE(shows_at(w, 16 * i + 4, 1, u'\u00E9')) << i;
  EXPECT_EQ(cell_ink(w, 0, 2), 0u);

  // A window narrower than one cell shows one character a line.
  on_worker([] {
    ORV_OpenTextWindow(1, 100, 100, 5, 100);
    ORV_Print("MMM");
  });
  platform::Window narrow = text_window(1);
  ASSERT_EQ(platform::client_rect(narrow).width(), 5);
  ASSERT_TRUE(headless::wait_until([&] { return cell_ink(narrow, 0, 2) != 0; }));
  EXPECT_NE(cell_ink(narrow, 0, 0), 0u);  // no empty line before the first
  EXPECT_NE(cell_ink(narrow, 0, 1), 0u);
  EXPECT_EQ(cell_ink(narrow, 0, 3), 0u);
  EXPECT_EQ(cursor().y, 32);
}

// Nine pushes: the ninth drops the window's own white on black. Each pop
// takes the pair pushed before; the ninth pop repeats the first pair.
TEST(TextWindowTest, NinePushesAndNinePopsLoseTheOriginalColours) {
  Console console;
  auto text = [](int k) { return 0xFF0000 | k; };
  auto back = [](int k) { return 0x010101 * (20 * k); };
  on_worker([&] {
    ORV_OpenTextWindow(0, 100, 100, 400, 100);
    for (int k = 1; k <= 9; ++k) ORV_PushTextColor(text(k), back(k));
    ORV_Print(" ");
    for (int k = 0; k < 9; ++k) {
      ORV_PopTextColor();
      ORV_Print(" ");
    }
    ORV_Print("M");
  });
  platform::Window w = text_window();
  ASSERT_TRUE(headless::wait_until([&] { return cell_ink(w, 10, 0) != 0; }));
  const int expected[10] = {9, 8, 7, 6, 5, 4, 3, 2, 1, 1};
  for (int col = 0; col < 10; ++col)
    EXPECT_EQ(headless::surface_pixel(w, col * 8 + 4, 8), std::uint32_t(back(expected[col])))
        << col;
  // The letter is drawn in the first pair's text colour on its background.
  EXPECT_EQ(headless::surface_pixel(w, 80, 0), std::uint32_t(back(1)));
  bool text_seen = false;
  for (int y = 0; y < 16; ++y)
    for (int x = 80; x < 88; ++x) text_seen |= headless::surface_pixel(w, x, y) == 0xFF0001u;
  EXPECT_TRUE(text_seen);
}

TEST(TextWindowTest, ClosingTheCurrentWindowMakesTheLowestOpenIdCurrent) {
  Console console;
  int results[12] = {};
  on_worker([&] {
    results[0] = ORV_OpenTextWindow(5, 10, 10, 80, 48);
    results[1] = ORV_OpenTextWindow(2, 200, 10, 80, 48);
    results[2] = ORV_OpenTextWindow(7, 400, 10, 80, 48);
    results[3] = ORV_OpenTextWindow(5, 0, 0, 10, 10);  // already open: made current only
    results[4] = ORV_SelectTextWindow(7);
    results[5] = ORV_CloseTextWindow(7);  // current: 2 is the lowest open
    ORV_Print("M");
    results[6] = ORV_CloseTextWindow(7);
    results[7] = ORV_CloseTextWindow(256);
    results[8] = ORV_SelectTextWindow(7);  // closed: 2 stays current
    results[9] = ORV_SelectTextWindow(300);
    ORV_Print("M");
  });
  const int expected[10] = {0, 0, 0, 1, 0, 0, 1, 1, 1, 1};
  for (int i = 0; i < 10; ++i) EXPECT_EQ(results[i], expected[i]) << i;
  ASSERT_EQ(orv::open_text_windows_in_id_order().size(), 2u);
  platform::Window two = text_window(0);
  platform::Window five = text_window(1);
  EXPECT_EQ(platform::caption(two), u"TextWindow 2");
  EXPECT_EQ(platform::window_rect(five).left, 10);  // reopening did not move it
  ASSERT_TRUE(headless::wait_until([&] { return cell_shows(two, 1, 0, u'M'); }));
  EXPECT_TRUE(cell_shows(two, 0, 0, u'M'));
  EXPECT_EQ(cell_ink(five, 0, 0), 0u);
  EXPECT_EQ(orv::current_text_window(), 2);

  // With nothing open the current id stays the closed one and prints do nothing;
  // raising then opens window 0 in mid-screen.
  on_worker([&] {
    results[10] = ORV_CloseTextWindow(2) + ORV_CloseTextWindow(5);
    ORV_Print("M");
    results[11] = ORV_GetTextCursor(nullptr, nullptr);
  });
  EXPECT_EQ(results[10], 0);
  EXPECT_EQ(results[11], 1);
  EXPECT_EQ(orv::current_text_window(), 5);
  EXPECT_FALSE(platform::is_window(two));
  on_worker([] { ORV_RaiseTextWindow(); });
  EXPECT_EQ(orv::current_text_window(), 0);
  platform::Window zero = text_window();
  EXPECT_EQ(platform::window_rect(zero).left, 1280 / 2 - 200);
  EXPECT_EQ(platform::window_rect(zero).top, 961 / 2 - 150);
  EXPECT_EQ(platform::client_rect(zero), (platform::Rect{0, 0, 400, 300}));
}

// Four lines of 16 pixels in 64: the line at 48 would touch the bottom, so
// the cursor line stays at 32 and each new line scrolls exactly one.
TEST(TextWindowTest, ScrollingKeepsTheCursorLineTheLastCompleteLineAndResizingClears) {
  Console console;
  const int colours[5] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0x00FFFF};
  auto print_line = [&](int k, const char* text) {
    ORV_PushTextColor(colours[k], 0);
    ORV_Print("%s", text);
    ORV_PopTextColor();
  };
  on_worker([&] {
    ORV_OpenTextWindow(0, 100, 100, 80, 64);
    print_line(0, "1\n");
    print_line(1, "2\n");
    print_line(2, "3\n");
    print_line(3, "4");
  });
  platform::Window w = text_window();
  ASSERT_TRUE(headless::wait_until([&] { return cell_ink(w, 0, 2) == 0xFFFF00u; }));
  EXPECT_EQ(cell_ink(w, 0, 0), 0x00FF00u);
  EXPECT_EQ(cell_ink(w, 0, 1), 0x0000FFu);
  EXPECT_EQ(cell_ink(w, 0, 3), 0u);
  EXPECT_EQ(cursor().y, 32);
  on_worker([&] { print_line(4, "\n5"); });
  ASSERT_TRUE(headless::wait_until([&] { return cell_ink(w, 0, 2) == 0x00FFFFu; }));
  EXPECT_EQ(cell_ink(w, 0, 0), 0x0000FFu);
  EXPECT_EQ(cell_ink(w, 0, 1), 0xFFFF00u);
  EXPECT_EQ(cursor().y, 32);
  // Clearing blanks the window and homes the cursor.
  on_worker([] { ORV_ClearTextWindow(); });
  ASSERT_TRUE(headless::wait_until([&] { return cell_ink(w, 0, 2) == 0; }));
  EXPECT_EQ(cursor().y, 0);

  // Resizing clears the window and homes the cursor as well.
  on_worker([] {
    ORV_Print("M\nMM");
    ORV_SetTextCursor(1000, 1000);  // kept inside: last cell of the last line that fits
  });
  ASSERT_TRUE(headless::wait_until([&] { return cell_ink(w, 1, 1) != 0; }));
  EXPECT_EQ(cursor_at(), (std::pair{72, 47}));
  headless::drag_edge(w, platform::kEdgeRight, 40, 0);
  ASSERT_TRUE(headless::wait_until([&] { return platform::client_rect(w).width() == 120; }));
  ASSERT_TRUE(headless::wait_until([&] { return cell_ink(w, 1, 1) == 0; }));
  EXPECT_EQ(cell_ink(w, 0, 0), 0u);
  EXPECT_EQ(cursor_at(), (std::pair{0, 0}));
  on_worker([] { ORV_Print("MMMMMMMMMMMMMMM"); });  // 15 letters: 120 pixels hold 15 cells
  ASSERT_TRUE(headless::wait_until([&] { return cell_shows(w, 14, 0, u'M'); }));
  EXPECT_EQ(cursor().y, 0);
}

TEST(TextWindowTest, OutputBeyondTheBufferIsCutAtACharacterBoundary) {
  Console console;
  ASSERT_TRUE(platform::set_code_page_for_tests("UTF-8"));
  // 4094 letters and a three-byte character: only the letters fit in 4095
  // bytes; half of the character would show as a two-cell U+FFFD.
  std::string cut(4094, 'a');
  cut += "\xE3\x81\x82";
  std::string longer(5000, 'b');
  platform::Point after_cut, after_longer;
  on_worker([&] {
    ORV_OpenTextWindow(0, 100, 100, 80, 64);
    ORV_Print("%s", cut.c_str());
    ORV_GetTextCursor(&after_cut.x, &after_cut.y);
    ORV_Print("\n%s", longer.c_str());  // 4095 bytes: the line feed and 4094 letters
    ORV_GetTextCursor(&after_longer.x, &after_longer.y);
  });
  platform::set_code_page_for_tests(nullptr);
  EXPECT_EQ(after_cut.x, 4 * 8);
  EXPECT_EQ(after_cut.y, 32);
  EXPECT_EQ(after_longer.x, 4 * 8);
}

TEST(TextWindowTest, RunKeysInATextWindowActAsInTheMainWindow) {
  test_program::ready = [] {
    orv::register_text_window_class();
    orv::init_text_windows();
    ORV_OpenTextWindow(0, 100, 100, 200, 100);
  };
  test_program::main = [] {
    while (ORV_Wait(1000) == 0) {
    }
  };
  test_program::Running run;
  ASSERT_TRUE(headless::wait_until([] { return bool(text_window()); }));
  platform::Window w = text_window();
  headless::key(w, 'S', platform::kKeyBitCtrl);  // not Start
  headless::key(w, 'C');
  ASSERT_TRUE(headless::wait_until([] { return orv_stop_req.load() == 1; }));
  EXPECT_EQ(orv_running.load(), 0);
  headless::key(w, 'S');
  ASSERT_TRUE(headless::wait_until([] { return orv_running.load() == 1; }));
  headless::key(w, 'C');
  ASSERT_TRUE(headless::wait_until([] { return orv_running.load() == 0; }));
  headless::key(w, platform::kKeyEscape);
  ASSERT_TRUE(headless::wait_until([] { return orv_exit_state.load() == 2; }));
}

}  // namespace
