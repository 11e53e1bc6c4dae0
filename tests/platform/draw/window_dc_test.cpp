// Window contexts draw into the window's client surface and copy out of it.
#include <gtest/gtest.h>

#include "platform/draw/dc.h"
#include "platform/draw/font.h"
#include "platform/window.h"

// fontconfig 2.14 loses a few bytes while parsing its configuration files.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n";
}

namespace platform {
namespace {

std::intptr_t plain_proc(Window window, Msg& msg) {
  return default_window_proc(window, msg);
}

std::uint32_t surface_pixel(Window window, int x, int y) {
  std::uint32_t value = 0xDEADBEEF;
  with_client_surface(window, [&](Bitmap& b) { value = b.row32(y)[x]; });
  return value;
}

TEST(WindowDcTest, DrawsIntoTheClientSurface) {
  ASSERT_TRUE(register_class(WindowClass{"draw_test", &plain_proc}));
  CreateParams params;
  params.class_name = "draw_test";
  params.outer = adjust_window_rect(Rect{0, 0, 40, 20}, params.style, false);
  Window window = create_window(params);
  ASSERT_TRUE(window);
  Dc dc = create_window_dc(window);
  ASSERT_TRUE(dc);
  EXPECT_EQ(select_bitmap(dc, nullptr), nullptr);  // no bitmap to select

  auto picture = create_bitmap(2, 1, 32);
  picture->row32(0)[0] = 0x00102030;
  picture->row32(0)[1] = 0x00405060;
  Dc mem = create_memory_dc();
  select_bitmap(mem, picture.get());
  ASSERT_TRUE(block_copy(dc, 5, 6, 2, 1, mem, 0, 0));
  EXPECT_EQ(surface_pixel(window, 5, 6), 0x00102030u);
  EXPECT_EQ(surface_pixel(window, 6, 6), 0x00405060u);
  // Stretch within the window, mirrored: (5, 6) (6, 6) -> (11, 6) (10, 6).
  ASSERT_TRUE(stretch_copy(dc, 11, 6, -2, 1, dc, 5, 6, 2, 1));
  EXPECT_EQ(surface_pixel(window, 10, 6), 0x00405060u);
  EXPECT_EQ(surface_pixel(window, 11, 6), 0x00102030u);
  // And back out into memory.
  ASSERT_TRUE(block_copy(mem, 0, 0, 2, 1, dc, 10, 6));
  EXPECT_EQ(picture->row32(0)[0], 0x00405060u);
  invert_rect(dc, 0, 0, 40, 20);
  EXPECT_EQ(surface_pixel(window, 11, 6), 0x00EFDFCFu);
  set_text_color(dc, 0x00FF0000);
  ASSERT_TRUE(text_out(dc, 0, 0, u"A"));
  int red = 0;
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 8; ++x) red += surface_pixel(window, x, y) == 0x00FF0000u;
  }
  EXPECT_GT(red, 0);

  destroy_window(window);
  EXPECT_FALSE(fill_black(dc, 0, 0, 1, 1));  // the window is gone
  EXPECT_TRUE(delete_dc(dc));
  EXPECT_FALSE(create_window_dc(window));
  reset_windows_for_tests();
  reset_dcs_for_tests();
}

}  // namespace
}  // namespace platform
