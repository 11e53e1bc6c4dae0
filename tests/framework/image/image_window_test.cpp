// Image windows: the size fitting, creation and its failures, re-creation,
// zoom, scaling mode and captions, painting, frame drags and the mouse state,
// through the headless driver and the window surfaces.
#include <gtest/gtest.h>

#include <climits>

#include "framework/image/image_table.h"
#include "framework/image/image_window.h"
#include "imaging/pixels.h"
#include "platform/queue.h"
#include "tests/framework/test_program.h"

namespace {

using platform::Rect;
using platform::Window;
using test_program::on_worker;

// The headless screen: 1280 x 1024, minimum window 112 x 39, frame 4,
// caption 23: clients from 104 x 8 up to 1280 x 1001.
const orv::SizeLimits kScreen{104, 8, 1280, 1001};
const orv::SizeLimits kFree{1, 1, 2560, 2048};

struct Images : test_program::Serving {
  Images() : Serving([] { orv::reset_images_for_tests(); }) {}
  ~Images() {
    on_worker([] { orv::reset_images_for_tests(); });
  }
};

int run(std::function<int()> call) {
  int result = -99;
  on_worker([&] { result = call(); });
  return result;
}

std::u16string caption_of(int id) {
  return platform::caption(orv::image_record(id).window);
}

TEST(ImageFitTest, ZoomsAreFittedInDoublePrecisionWithinTheLimits) {
  struct Case {
    int w, h, z;
    orv::SizeLimits limits;
    bool fits;
    int zoom, dw, dh;
  } cases[] = {
      {640, 480, 111, kScreen, true, 110, 704, 528},  // 480 * 111 / 100 lands below 111
      {640, 480, 90, kScreen, true, 90, 576, 432},
      {23, 23, 10, kFree, true, 9, 2, 2},  // 100 * 2.3 / 23 is just below 10
      {4000, 400, 100, kScreen, true, 32, 1280, 128},
      {1, 1, 100, kScreen, true, 10400, 104, 104},          // raised to the minimum width
      {1, 10000, 100, kScreen, false, 0, 0, 0},             // that width makes it too tall
      {1000, 1000, INT_MAX, kFree, true, 204, 2040, 2040},  // no overflow in w * z
      {50, 50, 0, kFree, true, 2, 1, 1},  // zoom 0 gives the smallest that shows a pixel
  };
  for (const Case& c : cases) {
    orv::FittedSize f;
    bool fits = orv::fit_size(c.w, c.h, c.z, c.limits, &f);
    EXPECT_EQ(fits, c.fits) << c.w << "x" << c.h << " at " << c.z;
    if (!fits || !c.fits) continue;
    EXPECT_EQ((std::tuple{f.zoom, f.disp_width, f.disp_height}), (std::tuple{c.zoom, c.dw, c.dh}))
        << c.w << "x" << c.h << " at " << c.z;
  }
  EXPECT_EQ(orv::zoom_in_step(100), 111);
  EXPECT_EQ(orv::zoom_out_step(100), 90);
}

TEST(ImageWindowTest, CreationStatusesCaptionsAndBuffers) {
  Images images;
  EXPECT_EQ(run([] { return ORV_CreateImage(5, "a", -1, -1, 640, 480, 100); }), 0);
  const orv::ImageRecord& r = orv::image_record(5);
  EXPECT_EQ(caption_of(5), u"a(100%)");
  EXPECT_EQ(platform::client_rect(r.window), (Rect{0, 0, 640, 480}));
  EXPECT_EQ(r.disp_width, 640);
  EXPECT_EQ(run([] { return ORV_GetPixel(639, 479); }), 0);
  EXPECT_EQ(run([] { return ORV_CreateImage(5, "b", 0, 0, 10, 10, 100); }), 1);
  EXPECT_EQ(caption_of(5), u"a(100%)");
  EXPECT_EQ(run([] { return ORV_CreateImage(300, "x", 0, 0, 10, 10, 100); }), 4);
  EXPECT_EQ(run([] { return ORV_CreateImage(-1, "x", 0, 0, 10, 10, 100); }), 4);
  EXPECT_EQ(run([] { return orv::create_image(6, "x", 0, 0, 10, 10, 24, 100, 1); }), 3);
  EXPECT_EQ(run([] { return ORV_CreateImage(7, "t", 0, 0, 1, 10000, 100); }), 2);
  EXPECT_FALSE(orv::image_in_use(6) || orv::image_in_use(7));

  // Sizes below 1 are raised to 1; the window's outer corner is where asked.
  EXPECT_EQ(run([] { return ORV_CreateImage8(8, "g", 30, 40, 0, -3, 100); }), 0);
  EXPECT_EQ(orv::image_record(8).width, 1);
  EXPECT_EQ(orv::image_record(8).height, 1);
  EXPECT_EQ(platform::window_rect(orv::image_record(8).window).left, 30);
  EXPECT_EQ(caption_of(8), u"g(10400%)[8bit]");
  EXPECT_EQ(run([] { return ORV_SetImageZoom(20000, 8); }), 0);
  EXPECT_EQ(caption_of(8), u"g(20000%)[8bit]");  // a zoom keeps the depth mark

  // Windows lead back to their images; a window of no image to -1.
  Window w5 = orv::image_record(5).window;
  EXPECT_EQ(run([] { return orv::image_of_window(orv::image_record(8).window); }), 8);
  EXPECT_EQ(run([&] { return orv::select_image_of_window(w5); }), 5);
  EXPECT_EQ(run([] { return orv::current_image(); }), 5);
  EXPECT_EQ(run([] { return orv::select_image_of_window(Window{}); }), -1);
  EXPECT_EQ(run([] { return orv::current_image(); }), 5);

  // A title too long for the 255-byte caption is cut, never overrun.
  std::string long_title(300, 'T');
  EXPECT_EQ(run([&] { return ORV_CreateImage(9, long_title.c_str(), 0, 0, 10, 10, 100); }), 0);
  EXPECT_EQ(caption_of(9).size(), 255u);
}

TEST(ImageWindowTest, ABufferThatCannotBeMadeLeavesTheIdFree) {
  Images images;
  on_worker([] {
    orv::set_image_allocator_for_tests(
        [](int, int, int) { return std::unique_ptr<platform::Bitmap>(); });
  });
  EXPECT_EQ(run([] { return ORV_CreateImage(3, "a", 0, 0, 64, 64, 100); }), 3);
  on_worker([] { orv::set_image_allocator_for_tests(nullptr); });
  // Past the bitmap layer's 32768-pixel sides (fitted to zoom 5 on screen).
  EXPECT_EQ(run([] { return ORV_CreateImageFL(4, "b", 0, 0, 40000, 40000, 100); }), 3);
  EXPECT_FALSE(orv::image_in_use(3) || orv::image_in_use(4));
  EXPECT_FALSE(platform::find_local_window(orv::kImageWindowClass));
  EXPECT_EQ(run([] { return ORV_CreateImage(3, "a", 0, 0, 64, 64, 100); }), 0);
}

TEST(ImageWindowTest, ResizingKeepsTitlePaletteAndModeOrRefusesWithoutLoss) {
  Images images;
  on_worker([] {
    ORV_CreateImage8(2, "p", 50, 60, 8, 8, 200);
    unsigned char red[4] = {0, 0, 0xFF, 0};
    ORV_SetPalette(red, 1);
    ORV_SetPixel(1, 1, 7);
    ORV_SetImageStretchMode(platform::kStretchHalftone, 2);
  });
  EXPECT_EQ(caption_of(2), u"p(1300%)[8bit]*");
  EXPECT_EQ(run([] { return ORV_ResizeImage(2, 16, 4); }), 0);
  const orv::ImageRecord& r = orv::image_record(2);
  EXPECT_EQ((std::tuple{r.width, r.height, r.bits}), (std::tuple{16, 4, 8}));
  EXPECT_EQ(platform::window_rect(r.window).left, 50);
  EXPECT_EQ(r.dib->palette[0].red, 0xFF);
  EXPECT_EQ(r.dib->palette[1].red, 1);
  EXPECT_EQ(run([] { return ORV_GetPixel(1, 1); }), 0);
  EXPECT_EQ(caption_of(2), u"p(1300%)[8bit]*");

  // A 60 x 1 strip turned to 1 x 60 cannot be shown on this screen.
  EXPECT_EQ(run([] { return ORV_CreateImage(3, "s", 0, 0, 60, 1, 100); }), 0);
  on_worker([] { ORV_SetPixel(59, 0, 0x123456); });
  EXPECT_EQ(run([] { return ORV_ResizeImage(3, 1, 60); }), 2);
  EXPECT_EQ(run([] { return ORV_GetPixel(59, 0); }), 0x123456);
  // Without the memory for the new size the image stays, window and pixels.
  on_worker([] {
    orv::set_image_allocator_for_tests(
        [](int, int, int) { return std::unique_ptr<platform::Bitmap>(); });
  });
  EXPECT_EQ(run([] { return ORV_ResizeImage(3, 30, 2); }), 3);
  on_worker([] { orv::set_image_allocator_for_tests(nullptr); });
  EXPECT_EQ(run([] { return ORV_GetPixel(59, 0); }), 0x123456);
  EXPECT_EQ(orv::image_record(3).width, 60);
  EXPECT_EQ(run([] { return ORV_ResizeImage(77, 1, 1); }), 1);
  EXPECT_EQ(run([] { return ORV_DestroyImage(77); }), 1);
  unsigned char palette[1024];
  EXPECT_EQ(run([&] { return ORV_GetPalette(palette); }), 2);  // image 3, 32-bit
  EXPECT_EQ(run([] { return ORV_SetPalette(nullptr, 0); }), 2);
}

TEST(ImageWindowTest, ZoomKeysWheelTabFrameDragsAndPaintingAtTheZoom) {
  Images images;
  EXPECT_EQ(run([] { return ORV_CreateImage(1, "z", 100, 100, 640, 480, 100); }), 0);
  Window w = orv::image_record(1).window;
  Rect before = platform::window_rect(w);
  headless::key(w, platform::kKeyAdd, platform::kKeyBitCtrl);
  on_worker([] {});
  Rect after = platform::window_rect(w);
  EXPECT_EQ(caption_of(1), u"z(110%)");
  EXPECT_EQ((std::pair{after.left, after.top}), (std::pair{before.left, before.top}));
  EXPECT_EQ(after.width() - before.width(), 704 - 640);
  EXPECT_EQ(after.height() - before.height(), 528 - 480);
  headless::key(w, platform::kKeyNumpad0, platform::kKeyBitCtrl);
  headless::wheel(w, 10, 10, 120, platform::kKeyBitCtrl);  // away from the person: out
  headless::wheel(w, 10, 10, -120);                        // without Ctrl: nothing
  headless::key(w, platform::kKeyTab);
  on_worker([] {});
  EXPECT_EQ(caption_of(1), u"z(90%)*");
  EXPECT_EQ(run([] { return ORV_GetImageStretchMode(1); }), platform::kStretchHalftone);
  headless::key(w, platform::kKeyTab);
  on_worker([] {});
  EXPECT_EQ(caption_of(1), u"z(90%)");

  Rect framed = platform::window_rect(w);
  headless::drag_edge(w, platform::kEdgeRight, 40, 0);
  on_worker([] {});
  EXPECT_EQ(platform::window_rect(w), framed);
  EXPECT_EQ(run([] { return ORV_SetImageZoom(100, 200); }), 1);
  EXPECT_EQ(run([] { return ORV_GetImageStretchMode(200); }), 0);

  // Painting copies the image at its zoom: one red pixel at (1, 1) covers
  // the block (100..199, 100..199) at zoom 10000.
  on_worker([] {
    ORV_CreateImage(0, "p", 0, 0, 4, 4, 100);
    ORV_SetPixel(1, 1, 0xFF0000);
    ORV_DrawImage(0);
  });
  w = orv::image_record(0).window;
  EXPECT_EQ(orv::image_record(0).zoom, 2600);  // 4 pixels raised to the 104-pixel minimum
  EXPECT_EQ(run([] { return ORV_SetImageZoom(10000, 0); }), 0);
  on_worker([] { ORV_DrawImage(0); });
  EXPECT_EQ(headless::surface_pixel(w, 100, 100), 0xFF0000u);
  EXPECT_EQ(headless::surface_pixel(w, 99, 100), 0u);
  EXPECT_EQ(headless::surface_pixel(w, 200, 200), 0u);
  EXPECT_EQ(run([] { return ORV_DrawImage(9); }), 1);
}

TEST(ImageWindowTest, MouseStateFollowsMovesAndPressesWhileTracked) {
  Images images;
  on_worker([] { ORV_CreateImage(4, "m", 0, 0, 300, 200, 200); });
  Window w = orv::image_record(4).window;
  auto state = [] {
    std::vector<int> s;
    on_worker([&] {
      s = {ORV_MouseImage, ORV_MouseX,     ORV_MouseY,     ORV_MouseLeft,
           ORV_MouseCtrl,  ORV_MouseShift, ORV_MouseMiddle};
    });
    return s;
  };
  headless::mouse_move(w, 100, 50);
  EXPECT_EQ(state(), (std::vector<int>{0, 0, 0, 0, 0, 0, 0}));  // not tracked
  on_worker([] { ORV_MouseTracking = 1; });
  headless::mouse_move(w, 100, 50, platform::kKeyBitCtrl | platform::kKeyBitShift);
  EXPECT_EQ(state(), (std::vector<int>{4, 50, 25, 0, 8, 4, 0}));
  headless::click(w, 40, 60);  // the release leaves the left button held
  EXPECT_EQ(state(), (std::vector<int>{4, 20, 30, 1, 0, 0, 0}));
  headless::right_click(w, 10, 10);
  headless::wheel(w, 10, 10, 120);
  EXPECT_EQ(state(), (std::vector<int>{4, 20, 30, 1, 0, 0, 0}));
  headless::middle_click(w, 8, 8);
  EXPECT_EQ(state(), (std::vector<int>{4, 4, 4, 0, 0, 0, 16}));
  // Pressed, dragged out of the window and released there: the drag ends.
  // The window is 600 x 400 at zoom 200.
  for (auto [x, y] : {std::pair{-3, 40}, std::pair{40, 400}, std::pair{600, 5}}) {
    headless::click(w, 40, 60);
    platform::Msg release;
    release.kind = platform::MsgKind::LeftUp;
    release.x = x;
    release.y = y;
    platform::post_message(w, release);
    EXPECT_EQ(state()[3], 0) << x << ", " << y;
  }
  on_worker([] { ORV_MouseTracking = 0; });
}

}  // namespace
