// The Information commands run as a person runs them: the pick answered by
// clicks through the headless driver, the graph read from its new image.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <future>
#include <string>
#include <tuple>
#include <utility>

#include "framework/core/main_window.h"
#include "framework/image/image_table.h"
#include "framework/image/pick_state.h"
#include "framework/orvlib.h"
#include "imaging/readouts.h"
#include "tests/framework/test_program.h"

namespace {

using test_program::on_worker;

class ReadoutsTest : public ::testing::Test {
 protected:
  test_program::Serving framework{[] {
    orv::reset_images_for_tests();
    orv::reset_pick_for_tests();
  }};
  ~ReadoutsTest() override {
    on_worker([] {
      orv::reset_images_for_tests();
      orv::reset_pick_for_tests();
    });
  }
  // Image `id`, w x h, pixel (x, y) = colour(x, y).
  void make(int id, int w, int h, const std::function<int(int, int)>& colour) {
    on_worker([&] {
      ASSERT_EQ(ORV_CreateImageFL(id, "measured", 0, 0, w, h, 100), 0);
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) ORV_SetPixel(x, y, colour(x, y));
    });
  }
  // Runs the command on image `id`, clicking at the points given, each
  // once the status line asks for it.
  void run(int command, int id, std::initializer_list<std::pair<int, int>> clicks) {
    std::future<void> done =
        test_program::on_worker_async([=] { orv::run_information_command(command, id); });
    platform::Window window = orv::image_record(id).window;
    const int zoom = orv::image_record(id).zoom;  // small images are shown enlarged
    const char16_t* const one[] = {u"Click a point"};
    const char16_t* const two[] = {u"Click the first point", u"Click the second point"};
    const char16_t* const* prompts = clicks.size() == 1 ? one : two;
    int k = 0;
    for (auto [x, y] : clicks) {
      const std::u16string prompt = prompts[k++];
      ASSERT_TRUE(headless::wait_until([&] {
        platform::Window status = platform::control_by_id(orv::main_window(), orv::kStatusLineId);
        return platform::caption(status).ends_with(prompt);
      }));
      headless::click(window, (x * zoom + 99) / 100, (y * zoom + 99) / 100);
    }
    ASSERT_EQ(done.wait_for(std::chrono::seconds(10)), std::future_status::ready);
  }
  int pixel(int id, int x, int y) {
    int v = -1;
    on_worker([&] {
      ORV_SelectImage(id);
      v = ORV_GetPixel(x, y);
    });
    return v;
  }
  // How many pixels of image id have colour c.
  int count(int id, int c) {
    int n = 0;
    on_worker([&] {
      const orv::ImageRecord& r = orv::image_record(id);
      ORV_SelectImage(id);
      for (int y = 0; y < r.height; ++y)
        for (int x = 0; x < r.width; ++x) n += ORV_GetPixel(x, y) == c;
    });
    return n;
  }
};

TEST(PixelReadoutTest, SixModelsOfWhiteAndRedAndTheIndexOfAnEightBitImage) {
  // Every chroma sum of white rounds to 0.
  EXPECT_EQ(orv::pixel_readout(3, 4, 0xFFFFFF, false),
            "(X,Y)=(3,4)\n(R,G,B)=(255,255,255)\n(H,S,V)=(0,0,255)\n(Y,Cr,Cb)=(255,0,0)\n"
            "(Y,u,v)=(255,0,0)\n(Y,I,Q)=(255,0,0)\n\n");
  // Red: Y = (19595·255 + 32768) / 65536 = 76; Cr = (32768·255 + 32768) / 65536 = 128;
  // Cb = (−11076·255 + 32768) / 65536 = −42.6, toward zero −42; u −36.98 → −36;
  // v 157.3 → 157; I 152.5 → 152; Q 53.2 → 53.
  EXPECT_EQ(orv::pixel_readout(0, 0, 0xFF0000, false),
            "(X,Y)=(0,0)\n(R,G,B)=(255,0,0)\n(H,S,V)=(0,255,255)\n(Y,Cr,Cb)=(76,128,-42)\n"
            "(Y,u,v)=(76,-36,157)\n(Y,I,Q)=(76,152,53)\n\n");
  EXPECT_EQ(orv::pixel_readout(1, 2, 7, true), "(X,Y)=(1,2)\n(Luminance)=(7)\n\n");
}

TEST_F(ReadoutsTest, PixelPrintsItsSevenLinesOnTheTextWindow) {
  make(1, 20, 10, [](int, int) { return 0xFFFFFF; });
  run(orv::kCommandInfoPixel, 1, {{3, 4}});
  std::pair<int, int> cursor;
  on_worker([&] { ORV_GetTextCursor(&cursor.first, &cursor.second); });
  EXPECT_EQ(cursor, std::pair(0, 7 * 16));  // six lines and the blank one
}

// A red ramp 100 wide: red(x) = 255·x / 99, so red(50) = 128 plots at
// 127 − 128·127/255 = 64, red 255 at row 0; green and blue (0) are drawn
// after it along row 127, blue last.
TEST_F(ReadoutsTest, LineRgbPlotsARampInA112By128Graph) {
  make(1, 100, 8, [](int x, int) { return (255 * x / 99) << 16; });
  run(orv::kCommandInfoLineRgb, 1, {{40, 5}});
  const orv::ImageRecord& graph = orv::image_record(0);
  ASSERT_TRUE(graph.in_use);
  EXPECT_EQ(std::tuple(graph.title, graph.width, graph.height), std::tuple("RGB(Y=5)", 112, 128));
  EXPECT_EQ(pixel(0, 12 + 99, 0), 0xFF0000);
  EXPECT_EQ(pixel(0, 12 + 50, 64), 0xFF0000);
  EXPECT_EQ(pixel(0, 12 + 50, 127), 0x0000FF);
  EXPECT_EQ(pixel(0, 12 + 50, 100), 0);
  // The labels R, G and B in their colours in the margin: R above row 40, G above 72, B above 104.
  auto lit = [&](int colour, int top) {
    int n = 0;
    for (int y = top; y < top + 14; ++y)
      for (int x = 2; x < 10; ++x) n += pixel(0, x, y) == colour;
    return n;
  };
  EXPECT_GT(lit(0xFF0000, 26), 0);
  EXPECT_GT(lit(0x00FF00, 58), 0);
  EXPECT_GT(lit(0x0000FF, 90), 0);
}

// Hue 359 at row 0 and hue 180 (cyan) at 127 − 180·127/359 = 64.
TEST_F(ReadoutsTest, LineHsvPlotsHueOnItsOwnFullScale) {
  int dark_red = 0;
  on_worker([&] { dark_red = ORV_HsvToRgb(100, 100, 359); });
  ASSERT_EQ(ORV_Hue(dark_red), 359);
  make(1, 40, 3, [&](int x, int) { return x < 20 ? dark_red : 0x00FFFF; });
  run(orv::kCommandInfoLineHsv, 1, {{5, 1}});
  EXPECT_EQ(orv::image_record(0).title, "HSV(Y=1)");
  EXPECT_EQ(pixel(0, 12 + 10, 0), 0xFFFF00);
  EXPECT_EQ(pixel(0, 12 + 30, 64), 0xFFFF00);
}

// Grey has no chroma: every point at (128, 128), alternating white and
// magenta, so the last of 9 is white; nothing else is white or magenta.
TEST_F(ReadoutsTest, LineCrCbOfAGreyRowIsOnePointAtTheCentre) {
  make(1, 9, 2, [](int, int) { return 0x606060; });
  run(orv::kCommandInfoLineCrCb, 1, {{2, 0}});
  EXPECT_EQ(orv::image_record(0).width, 256);
  EXPECT_EQ(pixel(0, 128, 128), 0xFFFFFF);
  EXPECT_EQ(count(0, 0xFFFFFF) + count(0, 0xFF00FF), 1);
  EXPECT_EQ(pixel(0, 10, 128), 0x808080);  // the axes
  EXPECT_EQ(pixel(0, 128, 250), 0x808080);
}

// Red above green, each row one colour: red at (128 − 42, 128 − 128) =
// (86, 0), green (Cr −106, Cb −83) at (45, 234): two white points, no line.
TEST_F(ReadoutsTest, AreaCrCbOfATwoColourImageMarksTwoPoints) {
  make(1, 30, 20, [](int, int y) { return y < 10 ? 0xFF0000 : 0x00FF00; });
  run(orv::kCommandInfoAreaCrCb, 1, {{25, 18}, {2, 3}});
  EXPECT_EQ(orv::image_record(0).title, "CrCb(2,3)-(25,18)");
  EXPECT_EQ(pixel(0, 86, 0), 0xFFFFFF);
  EXPECT_EQ(pixel(0, 45, 234), 0xFFFFFF);
  EXPECT_EQ(count(0, 0xFFFFFF), 2);
}

// A graph 13 x 128 no zoom fits on the screen takes the free limits.
TEST_F(ReadoutsTest, ProfilesOfOneAndFourThousandPixelRowsAndNoFreeId) {
  make(1, 1, 3, [](int, int) { return 0x808080; });
  run(orv::kCommandInfoLineRgb, 1, {{0, 2}});
  EXPECT_EQ(orv::image_record(0).width, 13);
  on_worker([] { ORV_DestroyImage(0); });
  make(2, 4000, 2, [](int x, int) { return x & 0xFF; });
  run(orv::kCommandInfoLineYCrCb, 2, {{10, 1}});
  EXPECT_EQ(orv::image_record(0).width, 4020);
  EXPECT_EQ(orv::image_record(0).title, "YCrCb(Y=1)");
  // Every id in use: no graph, nothing else changes.
  on_worker([] {
    for (int id = 3; id < 256; ++id) ORV_CreateImage(id, "full", 0, 0, 1, 1, 100);
  });
  run(orv::kCommandInfoLineRgb, 1, {{0, 0}});
  EXPECT_EQ(orv::image_record(0).title, "YCrCb(Y=1)");
  EXPECT_EQ(orv::image_record(1).title, "measured");
}

}  // namespace
