// The pick tools driven through the headless driver, the rubber bands read
// from the window surfaces, the images compared byte for byte.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <future>
#include <tuple>
#include <utility>
#include <vector>

#include "framework/image/image_table.h"
#include "framework/image/pick_state.h"
#include "framework/orvlib.h"
#include "platform/queue.h"
#include "tests/framework/test_program.h"

namespace {

using platform::Window;
using test_program::on_worker;

// A pattern where every pixel differs from its neighbours and from its inverse.
int pattern(int x, int y) {
  return (x * 0x010307 + y * 0x0B0503 + 0x123456) & 0xFFFFFF;
}

std::u16string status() {
  return platform::caption(platform::control_by_id(orv::main_window(), orv::kStatusLineId));
}
bool wait_status(const std::u16string& text) {
  return headless::wait_until([&] { return status().ends_with(text); });
}

std::vector<std::uint8_t> bytes_of(int id) {
  std::vector<std::uint8_t> b;
  on_worker([&] {
    const orv::ImageRecord* r = orv::image_in_use(id);
    if (r)
      b.assign(r->dib->data.get(), r->dib->data.get() + std::size_t(r->dib->stride) * r->height);
  });
  return b;
}

class PickTest : public ::testing::Test {
 protected:
  test_program::Serving framework{[] {
    orv::reset_images_for_tests();
    orv::reset_pick_for_tests();
  }};
  int zoom = 100;
  Window window;
  std::vector<std::uint8_t> before;
  int result = -99;
  int out[4] = {-9, -9, -9, -9};
  std::future<void> done;

  ~PickTest() override {
    on_worker([] {
      orv::reset_images_for_tests();
      orv::reset_pick_for_tests();
    });
  }
  // Image 1, w x h at zoom z, filled with the pattern (its low byte when 8-bit).
  void make(int w, int h, int z = 100, int bits = 32) {
    zoom = z;
    on_worker([=] {
      ASSERT_EQ(orv::create_image(1, "pick", 0, 0, w, h, bits, z, 0), 0);
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) ORV_SetPixel(x, y, pattern(x, y));
    });
    window = orv::image_record(1).window;
    before = bytes_of(1);
  }
  // The two-point tools, into out.
  std::function<int()> rect = [this] { return ORV_PickRect(1, out, out + 1, out + 2, out + 3); };
  std::function<int()> line = [this] { return ORV_PickLine(1, out, out + 1, out + 2, out + 3); };
  std::function<int()> circle = [this] { return ORV_PickCircle(1, out, out + 1, out + 2); };
  void start(std::function<int()> pick, const std::u16string& prompt = u"Click the first point") {
    done = test_program::on_worker_async([this, pick] { result = pick(); });
    ASSERT_TRUE(wait_status(prompt));
  }
  // The pick has returned `expected` and given the status line back.
  void finish(int expected) {
    ASSERT_EQ(done.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_TRUE(status().ends_with(u"32-bit color"));
    EXPECT_EQ(result, expected);
  }
  // Image pixel (x, y) on the surface, as it is or inverted by a rubber band.
  bool shows(int x, int y, bool inverted) {
    int p = zoom / 100;
    return int(headless::surface_pixel(window, x * p, y * p)) ==
           (inverted ? pattern(x, y) ^ 0xFFFFFF : pattern(x, y));
  }
  bool wait_band(int x, int y, bool inverted = true) {
    return headless::wait_until([&] { return shows(x, y, inverted); });
  }
  void move(int x, int y) { headless::mouse_move(window, x * zoom / 100, y * zoom / 100); }
  void click(int x, int y) { headless::click(window, x * zoom / 100, y * zoom / 100); }
};

// Each tool's band follows the mouse, the old one erased; placement boxes
// wider and taller than eight get their diagonals.
TEST_F(PickTest, OneClickToolsFollowTheMouseAndGiveTheClickedPixel) {
  make(100, 80);
  using Points = std::vector<std::pair<int, int>>;
  struct Case {
    std::function<int(int*, int*)> pick;
    Points inverted_at_10_10, plain_at_10_10, inverted_at_95_75;
  } cases[] = {
      {[](int* x, int* y) { return ORV_PickPoint(1, x, y); }, {}, {{10, 10}}, {}},
      {[](int* x, int* y) { return ORV_PickRow(1, x, y); }, {{0, 10}, {99, 10}}, {}, {{99, 75}}},
      {[](int* x, int* y) { return ORV_PickColumn(1, x, y); }, {{10, 0}, {10, 79}}, {}, {{95, 0}}},
      // Box 8..12, no diagonals.
      {[](int* x, int* y) { return ORV_PickPlacement(1, 5, 5, x, y); },
       {{8, 8}, {12, 12}},
       {{9, 9}, {10, 10}},
       {{93, 73}, {97, 77}}},
      // Box 0..19 with its diagonals from (1, 1) and (18, 1), below the top
      // side; around (95, 75) it runs past the right and bottom edges.
      {[](int* x, int* y) { return ORV_PickPlacement(1, 20, 20, x, y); },
       {{0, 0}, {19, 19}, {1, 0}, {1, 1}, {18, 1}, {5, 5}},
       {{5, 10}},
       {{85, 65}, {86, 66}, {99, 65}, {90, 70}, {99, 70}}},
  };
  for (Case& c : cases) {
    start([&] { return c.pick(&out[0], &out[1]); }, u"Click a point");
    move(10, 10);
    for (auto [x, y] : c.inverted_at_10_10) EXPECT_TRUE(wait_band(x, y)) << x << "," << y;
    for (auto [x, y] : c.plain_at_10_10) EXPECT_TRUE(shows(x, y, false)) << x << "," << y;
    move(95, 75);
    for (auto [x, y] : c.inverted_at_95_75) EXPECT_TRUE(wait_band(x, y)) << x << "," << y;
    for (auto [x, y] : c.inverted_at_10_10) EXPECT_TRUE(wait_band(x, y, false)) << x << "," << y;
    click(30, 25);
    finish(0);
    EXPECT_EQ(std::vector<int>(out, out + 2), (std::vector<int>{30, 25}));
    EXPECT_EQ(bytes_of(1), before);
  }
}

TEST_F(PickTest, RectangleCornersAreOrderedAndTheBandIsErasedAtZoom200) {
  for (int z : {100, 200}) {
    make(60, 50, z, z == 100 ? 8 : 32);  // 8-bit at 100, 32-bit at 200
    start(rect);
    click(50, 40);
    ASSERT_TRUE(wait_status(u"Click the second point"));
    move(20, 30);
    EXPECT_TRUE(z == 100 || (wait_band(30, 30) && wait_band(20, 35)));
    move(80, 70);  // past the right and bottom edges
    EXPECT_TRUE(z == 100 || (wait_band(59, 40) && wait_band(50, 49)));
    click(10, 9);
    finish(0);
    EXPECT_EQ(std::vector<int>(out, out + 4), (std::vector<int>{10, 9, 50, 40}));
    EXPECT_EQ(bytes_of(1), before);
    on_worker([] { ORV_DestroyImage(1); });
  }
}

TEST_F(PickTest, LineKeepsTheClickOrderAndCircleRoundsItsRadius) {
  make(200, 150);
  start(line);
  click(70, 50);
  ASSERT_TRUE(wait_status(u"Click the second point"));
  move(5, 50);
  EXPECT_TRUE(wait_band(5, 50) && wait_band(40, 50));
  click(5, 6);
  finish(0);
  EXPECT_EQ(std::vector<int>(out, out + 4), (std::vector<int>{70, 50, 5, 6}));

  // sqrt 2 + 0.5 = 1.91
  for (auto [x, y, r] : {std::tuple{103, 104, 5}, {101, 101, 1}, {100, 100, 0}}) {
    start(circle);
    click(100, 100);
    ASSERT_TRUE(wait_status(u"Click the second point"));
    move(110, 100);
    EXPECT_TRUE(wait_band(90, 100) && wait_band(100, 110));
    move(100, 190);  // radius 90: the circle runs past the bottom edge
    EXPECT_TRUE(wait_band(10, 100) && wait_band(190, 100));
    click(x, y);
    finish(0);
    EXPECT_EQ(std::vector<int>(out, out + 3), (std::vector<int>{100, 100, r}));
  }
  EXPECT_EQ(bytes_of(1), before);
}

// A free or out-of-range id is refused with nothing changed; right and
// middle clicks cancel.
TEST_F(PickTest, RefusalsAndCancels) {
  make(100, 80);
  on_worker([&] {
    ORV_SetStatusText("before");
    for (int id : {256, 7, -1}) {
      EXPECT_EQ(ORV_PickPoint(id, &out[0], &out[1]), 2);
      EXPECT_EQ(ORV_PickRect(id, &out[0], &out[1], &out[2], &out[3]), 2);
      EXPECT_EQ(ORV_PickCircle(id, &out[0], &out[1], &out[2]), 2);
      EXPECT_EQ(ORV_PickPlacement(id, 9, 9, &out[0], &out[1]), 2);
    }
    EXPECT_EQ(orv::current_image(), 1);
    EXPECT_EQ(orv::pick_state().pick_active, 0);
    EXPECT_EQ(orv::pick_state().pick_image, -1);
  });
  EXPECT_EQ(std::vector<int>(out, out + 4), (std::vector<int>{-9, -9, -9, -9}));
  EXPECT_TRUE(status().ends_with(u"before"));

  start([&] { return ORV_PickRow(1, &out[0], &out[1]); }, u"Click a point");
  move(20, 30);
  EXPECT_TRUE(wait_band(0, 30));
  headless::right_click(window, 20, 30);
  finish(1);
  EXPECT_EQ(out[0] + out[1], 0);

  start([&] { return ORV_PickPoint(1, &out[0], &out[1]); }, u"Click a point");
  headless::middle_click(window, 20, 30);
  finish(1);

  // After the first point a cancel starts again; a second one ends the pick.
  start(line);
  click(10, 10);
  ASSERT_TRUE(wait_status(u"Click the second point"));
  move(40, 10);
  EXPECT_TRUE(wait_band(25, 10));
  headless::right_click(window, 40, 10);
  EXPECT_TRUE(wait_status(u"Click the first point"));
  EXPECT_TRUE(wait_band(25, 10, false));
  headless::middle_click(window, 40, 10);
  finish(1);
  EXPECT_EQ(std::vector<int>(out, out + 4), (std::vector<int>{0, 0, 0, 0}));
  EXPECT_EQ(bytes_of(1), before);
}

TEST_F(PickTest, StopEndsAToolAsACancellationWithTheBandErased) {
  make(100, 80);
  for (bool two_clicks : {false, true}) {
    if (two_clicks) {
      start(rect);
      click(10, 10);
      move(50, 40);
      EXPECT_TRUE(wait_band(30, 40));
    } else {
      start([&] { return ORV_PickColumn(1, &out[0], &out[1]); }, u"Click a point");
      move(50, 40);
      EXPECT_TRUE(wait_band(50, 0));
    }
    framework.run.press(orv::kCommandStop);
    finish(1);
    EXPECT_EQ(std::vector<int>(out, out + (two_clicks ? 4 : 2)),
              std::vector<int>(two_clicks ? 4 : 2, 0));
    // Stop ends the run that served the test's jobs too: start serving again.
    ASSERT_TRUE(headless::wait_until([] { return orv_running.load() == 0; }));
    framework.run.press(orv::kCommandStart);
    ASSERT_TRUE(headless::wait_until([] { return orv_running.load() == 1; }));
    EXPECT_EQ(bytes_of(1), before);  // no band left behind
  }
}

// A window of the user program that, given a command, replaces image 1 by a
// fresh black one: the picked image is destroyed while the tool dispatches.
std::intptr_t replacing_proc(Window window, platform::Msg& msg) {
  if (msg.kind == platform::MsgKind::Command) ORV_ResizeImage(1, 100, 80);
  return platform::default_window_proc(window, msg);
}

TEST_F(PickTest, DestroyingThePickedImageCancelsAndNothingIsDrawnIntoItsSuccessor) {
  make(100, 80);
  start(rect);
  click(10, 10);
  move(50, 40);
  EXPECT_TRUE(wait_band(30, 40));
  platform::Msg close;
  close.kind = platform::MsgKind::Close;  // the close box
  platform::post_message(window, close);
  finish(1);
  EXPECT_TRUE(bytes_of(1).empty());

  Window program;
  on_worker([&] {
    platform::register_class({"pick_test_program", replacing_proc, false, 0});
    program = platform::create_window({"pick_test_program", u"", 0, {0, 0, 10, 10}, {}});
  });
  make(100, 80);
  start(circle);
  click(50, 40);
  move(80, 40);
  EXPECT_TRUE(wait_band(20, 40));
  platform::Msg command;
  command.kind = platform::MsgKind::Command;
  platform::post_message(program, command);
  finish(1);
  EXPECT_EQ(bytes_of(1), std::vector<std::uint8_t>(before.size(), 0));
  on_worker([&] { platform::destroy_window(program); });
}

// The key would toggle the scaling mode; the run keeps the main window closed
// to drops, pick or no pick.
TEST_F(PickTest, ImageWindowsIgnoreKeysWhileAToolWaits) {
  make(100, 80);
  start([&] { return ORV_PickPoint(1, &out[0], &out[1]); }, u"Click a point");
  headless::key(window, platform::kKeyTab);
  click(1, 2);
  finish(0);
  EXPECT_EQ(ORV_GetImageStretchMode(1), 3);
  EXPECT_FALSE(platform::accepts_drops(orv::main_window()));
  headless::key(window, platform::kKeyTab);
  on_worker([] {});
  EXPECT_EQ(ORV_GetImageStretchMode(1), 4);
}

}  // namespace
