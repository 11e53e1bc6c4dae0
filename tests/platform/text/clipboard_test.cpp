// Clipboard store: sessions across threads, round trips, emptying,
// synthesised formats, the back-end hooks and packed-DIB layouts.
#include "platform/text/clipboard.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <future>
#include <thread>
#include <vector>

#include "platform/text/codepage.h"

namespace platform {
namespace {

class ClipboardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    clipboard_reset_for_tests();
    set_code_page_for_tests("UTF-8");
  }
  void TearDown() override {
    clipboard_reset_for_tests();
    set_code_page_for_tests(nullptr);
  }
};

bool open_from_other_thread() {
  bool opened = false;
  std::thread other([&] {
    opened = clipboard_open();
    if (opened) clipboard_close();
  });
  other.join();
  return opened;
}

void put_u32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = std::uint8_t(v >> (8 * i));
}

// A packed DIB of `size` bytes with a 40-byte header.
std::vector<std::uint8_t> dib_header(std::size_t size, int width, int height, int bits,
                                     std::uint32_t compression = 0, std::uint32_t used = 0) {
  std::vector<std::uint8_t> b(size, 0);
  put_u32(b, 0, 40);
  put_u32(b, 4, std::uint32_t(width));
  put_u32(b, 8, std::uint32_t(height));
  b[12] = 1;
  b[14] = std::uint8_t(bits);
  put_u32(b, 16, compression);
  put_u32(b, 32, used);
  return b;
}

TEST_F(ClipboardTest, SessionsBelongToOneThread) {
  ASSERT_TRUE(clipboard_open());
  EXPECT_FALSE(open_from_other_thread());
  EXPECT_TRUE(clipboard_open());  // again from the holder: succeeds, does not nest
  EXPECT_TRUE(clipboard_close());
  EXPECT_FALSE(clipboard_close());
  EXPECT_TRUE(open_from_other_thread());

  // Another thread holding it: this thread can neither open, use nor close
  // it until that thread closes it.
  std::promise<bool> opened;
  std::promise<void> release;
  std::thread other([&] {
    opened.set_value(clipboard_open());
    release.get_future().wait();
    clipboard_close();
  });
  ASSERT_TRUE(opened.get_future().get());
  EXPECT_FALSE(clipboard_open());
  EXPECT_FALSE(clipboard_close());
  EXPECT_FALSE(clipboard_set_text("x"));
  release.set_value();
  other.join();
  EXPECT_TRUE(clipboard_open());
  EXPECT_TRUE(clipboard_close());
}

TEST_F(ClipboardTest, NothingWorksOutsideASession) {
  std::string text;
  EXPECT_FALSE(clipboard_empty());
  EXPECT_FALSE(clipboard_set_text("abc"));
  EXPECT_FALSE(clipboard_set_unicode_text(u"abc"));
  EXPECT_FALSE(clipboard_get_text(&text));
  EXPECT_FALSE(clipboard_has_format(ClipFormat::text));
  ASSERT_TRUE(clipboard_open());
  ASSERT_TRUE(clipboard_set_text("abc"));
  ASSERT_TRUE(clipboard_close());
  EXPECT_TRUE(clipboard_has_format(ClipFormat::text));  // queries need no session
  EXPECT_FALSE(clipboard_get_text(&text));
}

TEST_F(ClipboardTest, EveryFormatRoundTrips) {
  const std::vector<std::uint8_t> dib = dib_header(72, 5, 2, 24);
  ClipBitmap bitmap{2, 1, {0x00112233, 0x00445566}};
  ASSERT_TRUE(clipboard_open());
  EXPECT_TRUE(clipboard_set_text(std::string_view("log line\r\nnext\0tail", 19)));
  EXPECT_TRUE(clipboard_set_unicode_text(u"\u65E5\u672C"));
  EXPECT_TRUE(clipboard_set_dib(dib.data(), dib.size()));
  EXPECT_TRUE(clipboard_set_bitmap(bitmap));
  EXPECT_TRUE(clipboard_close());

  ASSERT_TRUE(clipboard_open());
  std::string text;
  std::u16string wide;
  std::vector<std::uint8_t> dib_out;
  ClipBitmap bitmap_out;
  EXPECT_TRUE(clipboard_get_text(&text));
  EXPECT_EQ(text, "log line\r\nnext");  // text ends at its first NUL
  EXPECT_TRUE(clipboard_get_unicode_text(&wide));
  EXPECT_EQ(wide, u"\u65E5\u672C");
  EXPECT_TRUE(clipboard_get_dib(&dib_out));
  EXPECT_EQ(dib_out, dib);
  EXPECT_TRUE(clipboard_get_bitmap(&bitmap_out));
  EXPECT_EQ(bitmap_out.width, 2);
  EXPECT_EQ(bitmap_out.height, 1);
  EXPECT_EQ(bitmap_out.pixels, bitmap.pixels);
  EXPECT_TRUE(clipboard_close());
}

TEST_F(ClipboardTest, EmptyClearsEveryFormat) {
  ASSERT_TRUE(clipboard_open());
  ClipBitmap bitmap{1, 1, {0x00FFFFFF}};
  ASSERT_TRUE(clipboard_set_text("abc"));
  ASSERT_TRUE(clipboard_set_bitmap(bitmap));
  EXPECT_TRUE(clipboard_empty());
  std::string text;
  EXPECT_FALSE(clipboard_get_text(&text));
  ClipBitmap out;
  EXPECT_FALSE(clipboard_get_bitmap(&out));
  ASSERT_TRUE(clipboard_close());
  for (ClipFormat f :
       {ClipFormat::text, ClipFormat::unicode_text, ClipFormat::dib, ClipFormat::bitmap}) {
    EXPECT_FALSE(clipboard_has_format(f));
  }
}

TEST_F(ClipboardTest, BadPayloadsAreRefused) {
  ASSERT_TRUE(clipboard_open());
  std::uint8_t short_dib[39] = {};
  EXPECT_FALSE(clipboard_set_dib(short_dib, sizeof short_dib));
  EXPECT_FALSE(clipboard_set_dib(nullptr, 100));
  EXPECT_FALSE(clipboard_set_bitmap(ClipBitmap{2, 2, {1, 2, 3}}));
  EXPECT_FALSE(clipboard_set_bitmap(ClipBitmap{0, 0, {}}));
  ASSERT_TRUE(clipboard_close());
  EXPECT_FALSE(clipboard_has_format(ClipFormat::dib));
}

TEST_F(ClipboardTest, TextFormatsAreSynthesisedThroughTheCodePage) {
  ASSERT_TRUE(clipboard_open());
  ASSERT_TRUE(clipboard_set_text("A\xE6\x97\xA5"));
  ASSERT_TRUE(clipboard_close());
  EXPECT_TRUE(clipboard_has_format(ClipFormat::unicode_text));
  ASSERT_TRUE(clipboard_open());
  std::u16string wide;
  EXPECT_TRUE(clipboard_get_unicode_text(&wide));
  EXPECT_EQ(wide, u"A\u65E5");
  ASSERT_TRUE(clipboard_empty());
  ASSERT_TRUE(clipboard_set_unicode_text(u"\u672C!"));
  std::string text;
  EXPECT_TRUE(clipboard_get_text(&text));
  EXPECT_EQ(text, "\xE6\x9C\xAC!");
  ASSERT_TRUE(set_code_page_for_tests("CP932"));
  EXPECT_TRUE(clipboard_get_text(&text));
  EXPECT_EQ(text, "\x96\x7B!");
  ASSERT_TRUE(clipboard_close());
}

TEST_F(ClipboardTest, BitmapReadsAsPackedDibButNotTheOtherWay) {
  // 2 x 2: top row red, green; bottom row blue, white.
  ClipBitmap bitmap{2, 2, {0x00FF0000, 0x0000FF00, 0x000000FF, 0x00FFFFFF}};
  ASSERT_TRUE(clipboard_open());
  ASSERT_TRUE(clipboard_set_bitmap(bitmap));
  std::vector<std::uint8_t> dib;
  ASSERT_TRUE(clipboard_get_dib(&dib));
  ASSERT_EQ(dib.size(), 40u + 16u);
  DibLayout layout;
  ASSERT_TRUE(dib_layout(dib.data(), dib.size(), &layout));
  EXPECT_EQ(layout.width, 2);
  EXPECT_EQ(layout.height, 2);  // bottom-up
  EXPECT_EQ(layout.bits, 32);
  EXPECT_EQ(layout.pixel_offset, 40u);
  const std::vector<std::uint8_t> pixels(dib.begin() + 40, dib.end());
  const std::vector<std::uint8_t> expected = {0xFF, 0, 0,    0, 0xFF, 0xFF, 0xFF, 0,  // blue, white
                                              0,    0, 0xFF, 0, 0,    0xFF, 0,    0};  // red, green
  EXPECT_EQ(pixels, expected);

  ASSERT_TRUE(clipboard_empty());
  ASSERT_TRUE(clipboard_set_dib(dib.data(), dib.size()));
  ClipBitmap out;
  EXPECT_FALSE(clipboard_get_bitmap(&out));
  ASSERT_TRUE(clipboard_close());
  EXPECT_TRUE(clipboard_has_format(ClipFormat::dib));
  EXPECT_FALSE(clipboard_has_format(ClipFormat::bitmap));
}

struct HookLog {
  int fetches = 0;
  int changes = 0;
  bool answer = true;
  ClipboardContents last;
};

bool fetch_hook(void* user, ClipboardContents* contents) {
  auto* log = static_cast<HookLog*>(user);
  ++log->fetches;
  if (!log->answer) return false;
  contents->unicode_text = u"from outside";
  return true;
}

void change_hook(void* user, const ClipboardContents& contents) {
  auto* log = static_cast<HookLog*>(user);
  ++log->changes;
  log->last = contents;
}

TEST_F(ClipboardTest, HooksPullOnOpenAndPushOnChangedClose) {
  HookLog log;
  ClipboardHooks hooks;
  hooks.user = &log;
  hooks.fetch_external = fetch_hook;
  hooks.on_clipboard_changed = change_hook;
  clipboard_set_hooks(&hooks);

  ASSERT_TRUE(clipboard_open());
  EXPECT_EQ(log.fetches, 1);
  std::u16string wide;
  EXPECT_TRUE(clipboard_get_unicode_text(&wide));
  EXPECT_EQ(wide, u"from outside");
  EXPECT_TRUE(clipboard_has_format(ClipFormat::text));  // inside the session: no new fetch
  EXPECT_EQ(log.fetches, 1);
  ASSERT_TRUE(clipboard_close());
  EXPECT_EQ(log.changes, 0);  // only read: nothing to push

  log.answer = false;  // the system clipboard still holds what we put there
  ASSERT_TRUE(clipboard_open());
  ASSERT_TRUE(clipboard_empty());
  ASSERT_TRUE(clipboard_set_text("mine"));
  ASSERT_TRUE(clipboard_close());
  EXPECT_EQ(log.changes, 1);
  ASSERT_TRUE(log.last.text.has_value());
  EXPECT_EQ(*log.last.text, "mine");
  EXPECT_FALSE(log.last.unicode_text.has_value());

  const int before = log.fetches;
  EXPECT_TRUE(clipboard_has_format(ClipFormat::text));  // outside a session: fetches
  EXPECT_EQ(log.fetches, before + 1);

  clipboard_set_hooks(nullptr);
  ASSERT_TRUE(clipboard_open());
  ASSERT_TRUE(clipboard_set_text("quiet"));
  ASSERT_TRUE(clipboard_close());
  EXPECT_EQ(log.changes, 1);
}

TEST_F(ClipboardTest, SequenceCountsChanges) {
  const unsigned start = clipboard_sequence();
  ASSERT_TRUE(clipboard_open());
  ASSERT_TRUE(clipboard_empty());
  ASSERT_TRUE(clipboard_set_text("a"));
  std::string text;
  ASSERT_TRUE(clipboard_get_text(&text));
  ASSERT_TRUE(clipboard_close());
  EXPECT_EQ(clipboard_sequence(), start + 2);
}

TEST_F(ClipboardTest, DibLayoutOfTheFrameworkCopies) {
  DibLayout layout;
  // 5 x 2 at 24 bits: rows of 16 bytes, 40 + 32 bytes in all.
  std::vector<std::uint8_t> dib = dib_header(72, 5, 2, 24);
  ASSERT_TRUE(dib_layout(dib.data(), dib.size(), &layout));
  EXPECT_EQ(layout.row_bytes, 16u);
  EXPECT_EQ(layout.colours, 0);
  EXPECT_EQ(layout.pixel_offset, 40u);
  EXPECT_FALSE(dib_layout(dib.data(), 71, &layout));

  // 5 x 2 at 8 bits: 256 table entries, rows of 8 bytes, 1080 bytes.
  dib = dib_header(1080, 5, 2, 8);
  ASSERT_TRUE(dib_layout(dib.data(), dib.size(), &layout));
  EXPECT_EQ(layout.colours, 256);
  EXPECT_EQ(layout.colour_table_offset, 40u);
  EXPECT_EQ(layout.pixel_offset, 1064u);
  EXPECT_EQ(layout.row_bytes, 8u);
  EXPECT_FALSE(dib_layout(dib.data(), 1079, &layout));

  // 16 colours used at 8 bits; 1 x 1 at 1 bit; bit fields after the header;
  // a top-down picture.
  dib = dib_header(40 + 64 + 4, 3, 1, 8, 0, 16);
  ASSERT_TRUE(dib_layout(dib.data(), dib.size(), &layout));
  EXPECT_EQ(layout.pixel_offset, 104u);
  dib = dib_header(40 + 8 + 4, 1, 1, 1);
  ASSERT_TRUE(dib_layout(dib.data(), dib.size(), &layout));
  EXPECT_EQ(layout.colours, 2);
  dib = dib_header(40 + 12 + 8, 2, 1, 32, 3);
  ASSERT_TRUE(dib_layout(dib.data(), dib.size(), &layout));
  EXPECT_EQ(layout.pixel_offset, 52u);
  dib = dib_header(40 + 8, 1, -2, 32);
  ASSERT_TRUE(dib_layout(dib.data(), dib.size(), &layout));
  EXPECT_EQ(layout.height, -2);
}

TEST_F(ClipboardTest, DibLayoutRefusesHostileHeaders) {
  DibLayout layout;
  const std::size_t big = 40 + 1024 + 64;
  EXPECT_FALSE(dib_layout(dib_header(big, 0, 1, 8).data(), big, &layout));
  EXPECT_FALSE(dib_layout(dib_header(big, -4, 1, 8).data(), big, &layout));
  EXPECT_FALSE(dib_layout(dib_header(big, 4, 0, 8).data(), big, &layout));
  EXPECT_FALSE(dib_layout(dib_header(big, 40000, 1, 8).data(), big, &layout));
  EXPECT_FALSE(dib_layout(dib_header(big, 4, -40000, 8).data(), big, &layout));
  EXPECT_FALSE(dib_layout(dib_header(big, 4, 1, 7).data(), big, &layout));
  EXPECT_FALSE(dib_layout(dib_header(big, 4, 1, 8, 0, 257).data(), big, &layout));
  EXPECT_FALSE(dib_layout(dib_header(big, 4, 1, 4, 0, 17).data(), big, &layout));
  EXPECT_FALSE(dib_layout(dib_header(big, 4, 1, 24, 1).data(), big, &layout));  // RLE8 at 24 bits
  EXPECT_FALSE(dib_layout(dib_header(big, 4, -1, 8, 1).data(), big, &layout));  // top-down RLE
  EXPECT_FALSE(dib_layout(dib_header(big, 4, 1, 8, 4).data(), big, &layout));   // embedded JPEG
  // 32768 x 32768 at 32 bits declared in a small block.
  EXPECT_FALSE(dib_layout(dib_header(big, 32768, 32768, 32).data(), big, &layout));
  std::vector<std::uint8_t> dib = dib_header(big, 4, 1, 8);
  put_u32(dib, 0, 0xFFFFFFFF);  // header size past the block
  EXPECT_FALSE(dib_layout(dib.data(), dib.size(), &layout));
  put_u32(dib, 0, 12);  // the old 12-byte header
  EXPECT_FALSE(dib_layout(dib.data(), dib.size(), &layout));
  EXPECT_FALSE(dib_layout(dib.data(), 39, &layout));
  EXPECT_FALSE(dib_layout(nullptr, 100, &layout));
  // RLE8 pixels only need to start inside the block.
  dib = dib_header(40 + 1024 + 2, 4, 1, 8, 1);
  EXPECT_TRUE(dib_layout(dib.data(), dib.size(), &layout));
  EXPECT_FALSE(dib_layout(dib.data(), 40 + 1024, &layout));
}

}  // namespace
}  // namespace platform
