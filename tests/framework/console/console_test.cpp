// The helpers of console_test.h.
#include "tests/framework/console/console_test.h"

#include <vector>

#include "framework/console/text_window.h"
#include "platform/draw/font.h"

namespace console_test {

Console::Console() {
  on_worker([] {
    orv::register_text_window_class();
    orv::init_text_windows();
    platform::ScreenMetrics m = platform::screen_metrics();
    m.min_window_width = 1;
    m.min_window_height = 1;
    platform::set_screen_metrics(m);
  });
}

platform::Window text_window(int index) {
  std::vector<platform::Window> open = orv::open_text_windows_in_id_order();
  return index < int(open.size()) ? open[index] : platform::Window{};
}

platform::Point cursor() {
  platform::Point p{-1, -1};
  on_worker([&] { ORV_GetTextCursor(&p.x, &p.y); });
  return p;
}

// Whether every pixel the font layer inks for c (white on black, drawn with
// its own advance) is lit with its left edge at pixel x of text row `row`.
bool shows_at(platform::Window w, int x0, int row, char16_t c) {
  int cells = c >= 0x80 ? 2 : 1;
  auto reference = platform::create_bitmap(8 * cells, 16, 32);
  platform::Dc dc = platform::create_memory_dc();
  platform::select_bitmap(dc, reference.get());
  platform::select_font(dc, platform::stock_fixed_font());
  platform::set_text_color(dc, 0xFFFFFF);
  platform::set_background_color(dc, 0);
  platform::text_out(dc, 0, 0, &c, 1);
  platform::delete_dc(dc);
  int lit = 0;
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 8 * cells; ++x) {
      if (reference->row32(y)[x] == 0) continue;
      ++lit;
      if (headless::surface_pixel(w, x0 + x, row * 16 + y) == 0) return false;
    }
  }
  return lit > 0;
}

bool cell_shows(platform::Window w, int col, int row, char16_t c) {
  return shows_at(w, col * 8, row, c);
}

std::uint32_t cell_ink(platform::Window w, int col, int row) {
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 8; ++x)
      if (std::uint32_t p = headless::surface_pixel(w, col * 8 + x, row * 16 + y)) return p;
  return 0;
}

}  // namespace console_test
