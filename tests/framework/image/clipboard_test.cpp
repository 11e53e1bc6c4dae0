// Copy, Cut and the two pastes of image windows, and files dropped on them:
// keys and menus through the headless driver, the clipboard as another program's.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "framework/core/main_window.h"
#include "framework/image/image_commands.h"
#include "framework/image/image_table.h"
#include "framework/image/pick_state.h"
#include "framework/orvlib.h"
#include "platform/codec/codec.h"
#include "platform/text/clipboard.h"
#include "tests/framework/test_program.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using platform::Window;
using test_program::on_worker;

void put_u32(Bytes& b, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(std::uint8_t(v >> (8 * i)));
}

// A 40-byte header as other programs write it.
Bytes dib_header(int width, int height, int bits, int colours_used) {
  Bytes b;
  put_u32(b, 40);
  put_u32(b, std::uint32_t(width));
  put_u32(b, std::uint32_t(height));
  b.insert(b.end(), {1, 0, std::uint8_t(bits), 0});
  for (int field = 0; field < 6; ++field) put_u32(b, 0);  // compression .. important
  b[32] = std::uint8_t(colours_used);
  return b;
}

Bytes clipboard_dib() {
  Bytes dib;
  EXPECT_TRUE(platform::clipboard_open());
  platform::clipboard_get_dib(&dib);
  platform::clipboard_close();
  return dib;
}

void put_on_clipboard(const Bytes& dib) {
  ASSERT_TRUE(platform::clipboard_open());
  platform::clipboard_empty();
  platform::clipboard_set_dib(dib.data(), dib.size());
  platform::clipboard_close();
}

std::string status() {
  std::u16string s =
      platform::caption(platform::control_by_id(orv::main_window(), orv::kStatusLineId));
  return std::string(s.begin(), s.end());
}

class ClipboardTest : public ::testing::Test {
 protected:
  test_program::Serving framework{[] { orv::reset_images_for_tests(); }};
  ClipboardTest() {
    headless::attach_driver();
    headless::clear_shown();
    platform::clipboard_reset_for_tests();
  }
  ~ClipboardTest() override {
    on_worker([] {
      orv::reset_images_for_tests();
      orv::reset_pick_for_tests();
    });
    platform::clipboard_reset_for_tests();
  }
  // Image id of w x h, pixel (x, y) = `value`(x, y): a colour, or an index on 8 bits.
  Window make(int id, int w, int h, int bits, std::function<std::uint32_t(int, int)> value) {
    on_worker([=] {
      ASSERT_EQ(orv::create_image(id, "c", 0, 0, w, h, bits, 100, 1), 0);
      platform::Bitmap& b = *orv::image_record(id).dib;
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
          if (bits == 32)
            b.row32(y)[x] = value(x, y);
          else
            b.row8(y)[x] = std::uint8_t(value(x, y));
        }
    });
    return orv::image_record(id).window;
  }
  // Row y of image id: colours, or indices on 8 bits.
  std::vector<std::uint32_t> row(int id, int y) {
    std::vector<std::uint32_t> pixels;
    on_worker([&] {
      const platform::Bitmap& b = *orv::image_record(id).dib;
      for (int x = 0; x < b.width; ++x)
        pixels.push_back(b.bits == 32 ? b.row32(y)[x] : b.row8(y)[x]);
    });
    return pixels;
  }
  std::uint32_t pixel(int id, int x, int y) { return row(id, y).at(std::size_t(x)); }
  // Blue, green and red of palette entry i of image id.
  std::vector<int> palette(int id, int i) {
    platform::PaletteEntry e;
    on_worker([&] { e = orv::image_record(id).dib->palette[i]; });
    return {e.blue, e.green, e.red};
  }
  void command(Window w, int key) {
    headless::key(w, key, platform::kKeyBitCtrl);
    on_worker([] {});  // the posted command has run
  }
};

TEST_F(ClipboardTest, CopyWritesThePackedBitmapOf32And8BitImagesBottomRowFirst) {
  // 5 x 2 at 32 bits: rows of 15 bytes padded to 16, 40 + 32 bytes; the
  // high byte of each word is dropped.
  Window colour =
      make(0, 5, 2, 32, [](int x, int y) { return y == 0 && x == 0 ? 0xFF123456u : x + 256u * y; });
  command(colour, 'C');
  Bytes expected = dib_header(5, 2, 24, 0);
  expected.insert(expected.end(), {0, 1, 0, 1, 1, 0, 2, 1, 0, 3, 1, 0, 4, 1, 0, 0});  // row 1
  expected.insert(expected.end(), {0x56, 0x34, 0x12, 1, 0, 0, 2, 0, 0, 3, 0, 0, 4, 0, 0, 0});
  EXPECT_EQ(clipboard_dib(), expected);

  // 5 x 2 at 8 bits: 256 palette entries, rows of 5 indices padded to 8: 1080 bytes.
  Window grey = make(1, 5, 2, 8, [](int x, int y) { return 10 * y + x; });
  on_worker([] { orv::image_record(1).dib->palette[7] = {3, 2, 1, 0}; });
  command(grey, 'C');
  Bytes dib = clipboard_dib();
  ASSERT_EQ(dib.size(), 1080u);
  EXPECT_EQ(Bytes(dib.begin(), dib.begin() + 40), dib_header(5, 2, 8, 0));
  EXPECT_EQ(Bytes(dib.begin() + 40 + 7 * 4, dib.begin() + 40 + 8 * 4), (Bytes{3, 2, 1, 0}));
  EXPECT_EQ(Bytes(dib.begin() + 40 + 9 * 4, dib.begin() + 40 + 10 * 4), (Bytes{9, 9, 9, 0}));
  EXPECT_EQ(Bytes(dib.begin() + 1064, dib.end()),
            (Bytes{10, 11, 12, 13, 14, 0, 0, 0, 0, 1, 2, 3, 4, 0, 0, 0}));

  // Cut puts the same picture there and leaves the image at zero.
  command(grey, 'X');
  EXPECT_EQ(clipboard_dib(), dib);
  EXPECT_EQ(row(1, 0), (std::vector<std::uint32_t>(5, 0)));
  EXPECT_EQ(row(1, 1), (std::vector<std::uint32_t>(5, 0)));
}

TEST_F(ClipboardTest, CtrlVPastesAtTheTopLeftCutAtTheImagesEdges) {
  Window source =
      make(0, 5, 2, 32, [](int x, int y) { return y == 0 && x == 0 ? 0xFF123456u : x + 256u * y; });
  Window same = make(1, 5, 2, 32, [](int, int) { return 0x777777u; });
  Window small = make(2, 3, 1, 32, [](int, int) { return 0x777777u; });
  command(source, 'C');
  command(same, 'V');
  EXPECT_EQ(row(1, 0), (std::vector<std::uint32_t>{0x123456, 1, 2, 3, 4}));
  EXPECT_EQ(row(1, 1), (std::vector<std::uint32_t>{256, 257, 258, 259, 260}));
  command(small, 'V');  // a larger picture fills the image with its top-left part
  EXPECT_EQ(row(2, 0), (std::vector<std::uint32_t>{0x123456, 1, 2}));
}

TEST_F(ClipboardTest, MenuPasteCentresThePictureOnTheClickAndARightClickCancels) {
  Window source = make(0, 5, 2, 32, [](int x, int y) { return 0x010000u * (x + 1) + y; });
  // Wide enough to show at zoom 100, so that client and image points agree.
  Window target = make(1, 120, 40, 32, [](int, int) { return 0x777777u; });
  command(source, 'C');
  auto paste_from_menu = [&] {
    headless::right_click(target, 1, 1);
    ASSERT_TRUE(headless::wait_popup());
    headless::answer_popup(orv::kImagePaste);
    ASSERT_TRUE(headless::wait_until([] { return status().find("Click") != std::string::npos; }));
  };
  paste_from_menu();
  headless::right_click(target, 60, 20);
  on_worker([] {});
  EXPECT_EQ(pixel(1, 58, 19), 0x777777u);  // cancelled: nothing changed

  paste_from_menu();
  headless::mouse_move(target, 60, 20);
  headless::click(target, 60, 20);  // corner at (60 - 5 div 2, 20 - 2 div 2) = (58, 19)
  on_worker([] {});
  EXPECT_EQ(pixel(1, 58, 19), 0x010000u);
  EXPECT_EQ(pixel(1, 62, 20), 0x050001u);
  EXPECT_EQ(pixel(1, 57, 19), 0x777777u);
  EXPECT_EQ(pixel(1, 63, 20), 0x777777u);
  EXPECT_EQ(pixel(1, 58, 21), 0x777777u);
}

TEST_F(ClipboardTest, AColourTableSetsOnlyItsEntriesOfAn8BitImage) {
  // Another program's 2 x 1 picture at 8 bits with 16 colours: indices 3 and 15.
  Bytes dib = dib_header(2, 1, 8, 16);
  for (int i = 0; i < 16; ++i)
    dib.insert(dib.end(), {std::uint8_t(i), 200, std::uint8_t(16 * i), 0});
  dib.insert(dib.end(), {3, 15, 0, 0});
  put_on_clipboard(dib);
  Window grey = make(0, 4, 1, 8, [](int, int) { return 200; });
  command(grey, 'V');
  EXPECT_EQ(row(0, 0), (std::vector<std::uint32_t>{3, 15, 200, 200}));
  EXPECT_EQ(palette(0, 15), (std::vector{15, 200, 240}));
  EXPECT_EQ(palette(0, 16), (std::vector{16, 16, 16}));  // the grey palette from here on
}

TEST_F(ClipboardTest, WhatIsNoPictureOrLiesAboutItsSizeIsRefusedWithNothingChanged) {
  Window target = make(0, 4, 2, 32, [](int, int) { return 0x777777u; });
  Bytes truncated = dib_header(4, 2, 24, 0);
  truncated.resize(truncated.size() + 20);  // 2 rows of 12 bytes need 24
  Bytes huge = dib_header(4, 100000, 24, 0);
  huge.resize(huge.size() + 24);
  Bytes claims_more = dib_header(30000, 30000, 24, 0);  // 2.7 GB of rows in 64 bytes
  claims_more.resize(claims_more.size() + 24);
  Bytes too_many_colours = dib_header(1, 1, 8, 0);
  too_many_colours[32] = 0x2C;  // 300 entries
  too_many_colours[33] = 0x01;
  too_many_colours.resize(40 + 300 * 4 + 4);
  Bytes colour_count_overflows = dib_header(1, 1, 8, 0);
  colour_count_overflows[35] = 0x80;  // 2^31 entries
  colour_count_overflows.resize(40 + 1024 + 4);
  for (const Bytes& bad :
       {truncated, huge, claims_more, too_many_colours, colour_count_overflows}) {
    put_on_clipboard(bad);
    command(target, 'V');
    EXPECT_EQ(pixel(0, 0, 0), 0x777777u);
  }
  ASSERT_TRUE(platform::clipboard_open());
  platform::clipboard_empty();
  platform::clipboard_set_text("not a picture");
  platform::clipboard_close();
  command(target, 'V');
  EXPECT_EQ(pixel(0, 3, 1), 0x777777u);
  EXPECT_TRUE(headless::message_boxes_shown().empty());
}

TEST_F(ClipboardTest, AFileDroppedOnAnImageWindowLoadsOnlyTheFirstAtItsTopLeft) {
  std::string pattern = (std::filesystem::temp_directory_path() / "orv-drop-XXXXXX").string();
  ASSERT_TRUE(mkdtemp(pattern.data()));
  std::filesystem::path folder = pattern;
  auto write = [&](const char* name, std::uint32_t colour) {
    platform::Picture p;
    p.width = 2;
    p.height = 1;
    p.pixels = {colour, colour};
    std::string path = (folder / name).string();
    EXPECT_EQ(platform::encode_picture(p, "image/png", 0, path.c_str()), platform::CodecStatus::Ok);
    return path;
  };
  std::string red = write("red.png", 0xFF0000), green = write("green.png", 0x00FF00);
  std::string text = (folder / "notes.txt").string();
  std::ofstream(text) << "no picture";

  Window target = make(0, 4, 1, 32, [](int, int) { return 0x777777u; });
  ASSERT_TRUE(headless::drop_files(target, {text, red}));
  on_worker([] {});
  EXPECT_EQ(pixel(0, 0, 0), 0x777777u);  // the first file is no picture: nothing changes
  ASSERT_TRUE(headless::drop_files(target, {red, green, text}));
  on_worker([] {});
  EXPECT_EQ(row(0, 0), (std::vector<std::uint32_t>{0xFF0000, 0xFF0000, 0x777777, 0x777777}));
  EXPECT_TRUE(headless::message_boxes_shown().empty());
  std::filesystem::remove_all(folder);
}

}  // namespace
