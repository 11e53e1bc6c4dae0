// The drawing and colour commands as a person runs them: the processing menu
// opened with the middle button, the points clicked when the status line asks.
#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <tuple>
#include <utility>

#include "framework/core/main_window.h"
#include "framework/image/image_commands.h"
#include "framework/image/image_table.h"
#include "framework/image/pick_state.h"
#include "framework/orvlib.h"
#include "imaging/text.h"
#include "platform/backend.h"
#include "platform/choosers.h"
#include "platform/draw/font.h"
#include "tests/framework/test_program.h"

namespace {

using platform::Window;
using test_program::on_worker;

constexpr int kGreen = 0x00FF00;

std::u16string status() {
  return platform::caption(platform::control_by_id(orv::main_window(), orv::kStatusLineId));
}

class ImageCommandsTest : public ::testing::Test {
 protected:
  test_program::Serving framework{[] {
    orv::reset_images_for_tests();
    orv::reset_pick_for_tests();
  }};
  Window window;
  int saved_draw = 0, saved_tc = 0, saved_tttc = 0;

  ImageCommandsTest() {
    headless::attach_driver();
    on_worker([this] {
      saved_draw = ORV_GetDrawColor();
      saved_tc = orv_tc;
      saved_tttc = orv_tttc;
    });
  }
  ~ImageCommandsTest() override {
    on_worker([this] {
      ORV_SetDrawColor(saved_draw);
      orv_tc = saved_tc;
      orv_tttc = saved_tttc;
      orv::reset_images_for_tests();
      orv::reset_pick_for_tests();
    });
  }
  // Image 2, black, w x h at zoom 100; image 0 is made current afterwards.
  void make(int w, int h, int bits = 32) {
    on_worker([=] {
      ASSERT_EQ(orv::create_image(0, "other", 300, 0, 120, 40, 32, 100, 1), 0);
      ASSERT_EQ(orv::create_image(2, "drawn", 0, 0, w, h, bits, 100, 1), 0);
      ORV_SelectImage(0);
    });
    window = orv::image_record(2).window;
  }
  // Chooses `command` from the processing menu of image 2 and clicks the
  // points, each once the status line asks for one; `cancel` right-clicks
  // instead of the first point.
  void run(int command, std::initializer_list<std::pair<int, int>> clicks, bool cancel = false,
           const std::u16string& typed = {}) {
    headless::middle_click(window, 1, 1);
    ASSERT_TRUE(headless::wait_popup());
    headless::answer_popup(command);
    const char16_t* const one[] = {u"Click a point"};
    const char16_t* const two[] = {u"Click the first point", u"Click the second point"};
    const char16_t* const* prompts = clicks.size() == 1 ? one : two;
    int k = 0;
    for (auto [x, y] : clicks) {
      const std::u16string prompt = prompts[k++];
      ASSERT_TRUE(headless::wait_until([&] { return status().ends_with(prompt); }));
      if (cancel) {
        headless::right_click(window, x, y);
        break;
      }
      headless::click(window, x, y);
    }
    if (!typed.empty()) test_program::answer_prompt(typed);
    ASSERT_TRUE(headless::wait_until([] { return status().ends_with(u"-bit color"); }));
    on_worker([] {});  // the command has returned
  }
  // How many pixels of image 2 are not black.
  int lit_pixels() {
    int count = 0;
    on_worker([&] {
      ORV_SelectImage(2);
      const orv::ImageRecord& r = orv::image_record(2);
      for (int y = 0; y < r.height; ++y)
        for (int x = 0; x < r.width; ++x) count += ORV_GetPixel(x, y) != 0;
      ORV_RestoreImage();
    });
    return count;
  }
  int pixel(int x, int y) {
    int v = -1;
    on_worker([&] {
      ORV_SelectImage(2);
      v = ORV_GetPixel(x, y);
      ORV_RestoreImage();
    });
    return v;
  }
};

TEST_F(ImageCommandsTest, BoxNormalOutlinesTheOrderedCornersAndSelectsTheImage) {
  make(120, 80);
  on_worker([] { ORV_SetDrawColor(kGreen); });
  run(orv::kImageDrawBox, {{50, 40}, {10, 60}});
  for (auto [x, y] :
       {std::pair{10, 40}, {50, 40}, {10, 60}, {50, 60}, {30, 40}, {10, 50}, {50, 55}, {30, 60}})
    EXPECT_EQ(pixel(x, y), kGreen) << x << "," << y;
  EXPECT_EQ(pixel(30, 50), 0);
  EXPECT_EQ(lit_pixels(), 2 * 41 + 2 * 19);  // the outline of 41 x 21 pixels, nothing else
  on_worker([] { EXPECT_EQ(orv::current_image(), 2); });
}

TEST_F(ImageCommandsTest, FiguresAndPaintUseTheDrawingColourAndARightClickCancels) {
  make(120, 40);
  on_worker([] { ORV_SetDrawColor(kGreen); });
  for (int command : {orv::kImageDrawCircle, orv::kImageFillCircle, orv::kImageXorFillCircle})
    run(command, {{60, 20}, {65, 20}}, true);
  EXPECT_EQ(lit_pixels(), 0);
  run(orv::kImageDrawLine, {{2, 3}, {6, 3}});
  EXPECT_EQ(lit_pixels(), 5);
  run(orv::kImageFillBox, {{20, 10}, {22, 12}});
  EXPECT_EQ(lit_pixels(), 5 + 9);
  EXPECT_EQ(pixel(21, 11), kGreen);
  run(orv::kImageXorFillBox, {{20, 10}, {21, 10}});  // two green pixels inverted to magenta
  EXPECT_EQ(pixel(20, 10), 0xFF00FF);
  run(orv::kImageFillCircle, {{60, 20}, {62, 20}});  // radius 2: rows of 3, 5, 5, 5, 3
  EXPECT_EQ(lit_pixels(), 5 + 9 + 21);
  EXPECT_EQ(pixel(62, 20), kGreen);
  EXPECT_EQ(pixel(60, 18), kGreen);
  EXPECT_EQ(pixel(62, 22), 0);
  // Lines across the whole image, through row 17 and column 7.
  run(orv::kImageDrawRow, {{33, 17}});
  run(orv::kImageDrawColumn, {{7, 30}});
  EXPECT_EQ(lit_pixels(), 5 + 9 + 21 + 120 + 39);
  for (auto [x, y] : {std::pair{0, 17}, {119, 17}, {7, 0}, {7, 39}})
    EXPECT_EQ(pixel(x, y), kGreen) << x << "," << y;
  // Paint fills the black quarter below and right of the crossing, around the disc.
  on_worker([] { ORV_SetDrawColor(0x0000FF); });
  run(orv::kImagePaint, {{100, 30}});
  EXPECT_EQ(pixel(8, 18), 0x0000FF);
  EXPECT_EQ(pixel(119, 39), 0x0000FF);
  EXPECT_EQ(pixel(60, 20), kGreen);
  EXPECT_EQ(pixel(0, 0), 0);
}

// An 8-bit image gives the index to the drawing colour and its palette colour
// to the TrueType colour; a 32-bit one the word to both. A cancel changes nothing.
TEST_F(ImageCommandsTest, PickTakesTheIndexAndItsPaletteColourOrTheWord) {
  for (auto [bits, stored, tttc] : {std::tuple{8, 7, 0x123456}, {32, 0xABCDEF, 0xABCDEF}}) {
    make(120, 40, bits);
    on_worker([bits, stored] {
      ORV_SelectImage(2);
      unsigned char palette[8 * 4] = {};
      palette[7 * 4 + 0] = 0x56;  // blue, green, red
      palette[7 * 4 + 1] = 0x34;
      palette[7 * 4 + 2] = 0x12;
      if (bits == 8) ORV_SetPalette(palette, 8);
      ORV_SetPixel(5, 6, stored);
      ORV_RestoreImage();
      ORV_SetDrawColor(kGreen);
      orv_tc = 0x010203;
      orv_tttc = 0;
    });
    run(orv::kImageColourPick, {{5, 6}});
    run(orv::kImageColourPick, {{1, 1}}, true);
    on_worker([stored, tttc] {
      EXPECT_EQ(ORV_GetDrawColor(), stored);
      EXPECT_EQ(orv_tttc, tttc);
      EXPECT_EQ(orv_tc, 0x010203);
      orv::reset_images_for_tests();
    });
  }
}

// The headless back end with choosers that answer as the test says.
struct Chooser {
  static inline std::uint32_t answer = 0;
  static inline bool accept = false;
  static inline std::uint32_t started_at = 0;
  static inline platform::LogFont font_shown;
  static inline int font_height = 0;
  // Outlives every test: the worker may still read the table it was given
  // while the test swaps it back.
  static platform::Backend& backend() {
    static platform::Backend table;
    return table;
  }
  Chooser() {
    backend() = *headless::backend();
    backend().choose_colour = [](Window, std::uint32_t& colour,
                                 std::array<std::uint32_t, 16>& custom) {
      started_at = colour;
      custom[3] += 0x000011;  // the person edits a custom colour, also before a cancel
      if (accept) colour = answer;
      return accept;
    };
    backend().choose_font = [](Window, platform::LogFont& font) {
      font_shown = font;
      if (accept) font.height = font_height;
      return accept;
    };
    platform::set_backend(&backend());
  }
  ~Chooser() { platform::set_backend(headless::backend()); }
};

TEST_F(ImageCommandsTest, ColourAndFontChoosersGiveTheirChoiceAndACancelKeepsAll) {
  Chooser chooser;
  make(120, 40);
  on_worker([] {
    ORV_SetDrawColor(kGreen);
    orv_tc = 0x010203;
    orv_tttc = 0x040506;
    platform::set_custom_colours({});
  });
  Chooser::accept = true;
  Chooser::answer = 0x123456;
  run(orv::kImageColourChange, {});
  EXPECT_EQ(Chooser::started_at, std::uint32_t(kGreen));
  on_worker([] {
    EXPECT_EQ(ORV_GetDrawColor(), 0x123456);
    EXPECT_EQ(orv_tc, 0x123456);
    EXPECT_EQ(orv_tttc, 0x123456);
  });
  // A cancel keeps all three, the text colours not taking the drawing colour.
  on_worker([] {
    orv_tc = 0x010203;
    orv_tttc = 0x040506;
  });
  Chooser::accept = false;
  Chooser::answer = 0xFFFFFF;
  run(orv::kImageColourChange, {});
  EXPECT_EQ(Chooser::started_at, 0x123456u);
  platform::LogFont before;
  on_worker([&] {
    EXPECT_EQ(ORV_GetDrawColor(), 0x123456);
    EXPECT_EQ(orv_tc, 0x010203);
    EXPECT_EQ(orv_tttc, 0x040506);
    EXPECT_EQ(platform::custom_colours()[3], 0x000022u);  // both edits kept
    before = orv::truetype_font_record();
  });
  // The font chooser starts from the font; a cancel keeps it.
  run(orv::kImageFontChange, {});
  EXPECT_EQ(Chooser::font_shown, before);
  on_worker([&] { EXPECT_EQ(orv::truetype_font_record(), before); });
  Chooser::accept = true;
  Chooser::font_height = before.height + 4;
  run(orv::kImageFontChange, {});
  on_worker([&] {
    EXPECT_EQ(orv::truetype_font_record().height, before.height + 4);
    orv::replace_truetype_font(before);
  });
}

// The text stands on the clicked row: glyph rows y - 14 .. y - 1 from column x.
TEST_F(ImageCommandsTest, DrawTextWritesTheTypedLineInTheDrawingColourAtTheClick) {
  make(120, 40);
  on_worker([] { ORV_SetDrawColor(kGreen); });
  run(orv::kImageDrawText, {{10, 30}}, false, u"A");
  const std::uint8_t* glyph = orv::bitmap_glyph('A');
  int expected = 0;
  for (int row = 0; row < 14; ++row)
    for (int col = 0; col < 8; ++col) {
      bool set = (glyph[row] >> (7 - col)) & 1;
      expected += set;
      EXPECT_EQ(pixel(10 + col, 16 + row), set ? kGreen : 0) << col << "," << row;
    }
  EXPECT_EQ(lit_pixels(), expected);
  on_worker([] {
    EXPECT_EQ(orv_tc, kGreen);
    ORV_CloseTextWindow(0);
  });
}

// The cell is as high as the rectangle and half as wide nominally; the
// characters start at its left edge with their cells' tops on its top row.
TEST_F(ImageCommandsTest, TrueTypeDrawSizesTheFontToThePickedRectangle) {
  make(120, 40);
  platform::LogFont before;
  on_worker([&] {
    before = orv::truetype_font_record();
    orv_tttc = kGreen;
  });
  run(orv::kImageTrueTypeDraw, {{41, 29}, {10, 5}}, false, u"W");
  on_worker([] {
    EXPECT_EQ(orv::truetype_font_width(), 16);
    EXPECT_EQ(orv::truetype_font_height(), 25);
  });
  int inside = 0, outside = 0;
  on_worker([&] {
    ORV_SelectImage(2);
    for (int y = 0; y < 40; ++y)
      for (int x = 0; x < 120; ++x)
        if (ORV_GetPixel(x, y) != 0) (x >= 10 && y >= 5 && y <= 29 ? inside : outside) += 1;
    ORV_RestoreImage();
    orv::replace_truetype_font(before);
    ORV_CloseTextWindow(0);
  });
  EXPECT_GT(inside, 20);
  EXPECT_EQ(outside, 0);
}

// The transforms reached through the processing menu: the mirror acts on the
// window's image and leaves image 0 current; the turn selects image 2.
TEST_F(ImageCommandsTest, MenuTransformsReachTheWindowsImage) {
  make(3, 2);
  on_worker([] {
    ORV_SelectImage(2);
    for (int i = 0; i < 6; ++i) ORV_SetPixel(i % 3, i / 3, 0x10 * (i + 1));  // A B C / D E F
    ORV_RestoreImage();
  });
  run(1059, {});  // Horz. Flip: C B A / F E D
  EXPECT_EQ(pixel(0, 0), 0x30);
  EXPECT_EQ(pixel(2, 1), 0x40);
  on_worker([] { EXPECT_EQ(orv::current_image(), 0); });
  window = orv::image_record(2).window;
  run(1061, {});  // R. Rotate of C B A / F E D: F C / E B / D A
  EXPECT_EQ(std::pair(orv::image_record(2).width, orv::image_record(2).height), std::pair(2, 3));
  EXPECT_EQ(pixel(0, 0), 0x60);
  EXPECT_EQ(pixel(1, 2), 0x10);
  on_worker([] { EXPECT_EQ(orv::current_image(), 2); });
}

}  // namespace
