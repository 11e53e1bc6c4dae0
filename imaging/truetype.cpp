// TrueType text on the current image: the process-wide font, its in-band
// control codes, double-byte characters and the start-up step that makes
// the font (installed by install_imaging).
//
// Characters are drawn by the platform's rasteriser into the image's memory
// context, which clips them to the image. The font is replaced, never
// shared: each attribute change deletes it and creates a new one from its
// attribute record.
#include <cstdlib>
#include <cstring>
#include <string>

#include "framework/image/image_table.h"
#include "framework/orvlib.h"
#include "imaging/text.h"
#include "platform/draw/dc.h"
#include "platform/draw/font.h"
#include "platform/text/codepage.h"

int orv_tttc = 0x00FFFFFF;

namespace orv {
namespace {

using i64 = long long;

// Larger cells are refused: a glyph bitmap of such a font would take
// gigabytes, and no image is that large.
constexpr int kMaxFontPixels = 4096;
// Characters whose cell starts this far out are not handed to the
// rasteriser (it works in int pixels); the cursor still advances.
constexpr i64 kFarOutside = i64(1) << 28;

constexpr int kStartWidth = 8;
constexpr int kStartHeight = 16;

struct TrueTypeState {
  platform::Font font;
  platform::LogFont record;  // what the font was last asked to be created from
  int width = kStartWidth;
  int height = kStartHeight;
} g_tt;

platform::LogFont start_up_record() {
  platform::LogFont r;
  r.height = kStartHeight;
  r.width = kStartWidth;
  r.out_precision = platform::kOutPrecisionTrueTypeOnly;
  r.face_name = u"ＭＳ ゴシック";
  return r;
}

template <class Edit>
void change_font(Edit edit) {
  platform::LogFont r = truetype_font_record();
  edit(r);
  replace_truetype_font(r);
}

// Codes 1..6 change one attribute, 10 starts a new line; others do nothing.
void control_code(int code) {
  switch (code) {
    case 10:
      new_text_line(g_tt.height);
      break;
    case 1:
    case 2:
      change_font([&](platform::LogFont& r) { r.italic = code == 1; });
      break;
    case 3:
    case 4:
      change_font([&](platform::LogFont& r) {
        r.weight = code == 3 ? platform::kWeightBold : platform::kWeightNormal;
      });
      break;
    case 5:
    case 6:
      change_font([&](platform::LogFont& r) { r.underline = code == 5; });
      break;
    default:
      break;
  }
}

// Draws the first character of these code-page bytes at the cursor and
// moves the cursor past it. Nothing happens without a current image.
void draw_character(const char* bytes, int count) {
  ImageRecord* image = image_in_use(current_image());
  if (!image) return;
  char16_t units[2];
  int n = platform::code_page_to_utf16(bytes, count, units, 2);
  if (n <= 0) return;
  char32_t code = units[0];
  int length = 1;
  if (n == 2 && units[0] >= 0xD800 && units[0] < 0xDC00 && units[1] >= 0xDC00 &&
      units[1] < 0xE000) {
    code = 0x10000 + ((char32_t(units[0]) - 0xD800) << 10) + (units[1] - 0xDC00);
    length = 2;
  }

  const platform::Dc dc = image->mem_dc;
  platform::set_text_color(dc, std::uint32_t(orv_tttc) & 0x00FFFFFFu);
  platform::set_background_mode(dc, platform::kBackgroundTransparent);
  // Without a font (its creation failed) the context's own font draws.
  platform::Font previous;
  if (g_tt.font) previous = platform::select_font(dc, g_tt.font);

  const TextCursor& c = text_cursor();
  const i64 top = i64(c.y) - g_tt.height + 1;
  if (std::llabs(c.x) < kFarOutside && std::llabs(top) < kFarOutside)
    platform::text_out(dc, c.x, int(top), std::u16string_view(units, std::size_t(length)));

  int advance = 0;
  platform::AbcWidths abc;
  if (platform::get_char_abc_widths(dc, code, &abc))
    advance = abc.a + abc.b + abc.c;
  else if (!platform::get_char_width(dc, code, &advance))
    advance = 0;
  if (previous) platform::select_font(dc, previous);
  move_text_cursor_by(advance);
}

bool is_utf8_code_page() {
  std::string name;
  for (char ch : platform::code_page_name())
    if (ch != '-' && ch != '_') name += char(ch >= 'a' && ch <= 'z' ? ch - 'a' + 'A' : ch);
  return name == "UTF8";
}

bool is_double_byte_lead(unsigned char b) {
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// Bytes a UTF-8 lead byte announces (1 for anything that starts no sequence).
int utf8_announced(unsigned char b) {
  if (b >= 0xC2 && b <= 0xDF) return 2;
  if (b >= 0xE0 && b <= 0xEF) return 3;
  if (b >= 0xF0 && b <= 0xF4) return 4;
  return 1;
}

}  // namespace

platform::Font truetype_font() {
  return g_tt.font;
}

int truetype_font_width() {
  return g_tt.width;
}

int truetype_font_height() {
  return g_tt.height;
}

platform::LogFont truetype_font_record() {
  platform::LogFont r;
  if (g_tt.font && platform::get_font_record(g_tt.font, &r)) return r;
  return g_tt.record;
}

bool replace_truetype_font(const platform::LogFont& record) {
  if (g_tt.font) platform::delete_font(g_tt.font);
  g_tt.record = record;
  g_tt.font = platform::create_font(record);
  return bool(g_tt.font);
}

void set_up_image_text() {
  g_tt.width = kStartWidth;
  g_tt.height = kStartHeight;
  replace_truetype_font(start_up_record());
  orv_tttc = 0x00FFFFFF;
  text_cursor().x = 0;
  text_cursor().y = 0;
}

void shut_down_image_text() {
  if (g_tt.font) platform::delete_font(g_tt.font);
  g_tt.font = platform::Font{};
}

}  // namespace orv

// Codes below 32 (negative ones too) are control codes. Others are the
// character's code-page bytes, the first in the highest byte in use: a byte
// below 256, lead * 256 + trail for a double-byte character, and three bytes
// for a three-byte UTF-8 character.
void ORV_TrueTypeChar(int code) {
  if (code < 32) {
    orv::control_code(code);
    return;
  }
  char bytes[4];
  int n = 0;
  for (int shift = 24; shift >= 0; shift -= 8) {
    const unsigned char b = static_cast<unsigned char>(unsigned(code) >> shift);
    if (n == 0 && b == 0 && shift > 0) continue;
    bytes[n++] = char(b);
  }
  orv::draw_character(bytes, n);
}

// In a double-byte code page (Shift-JIS), a byte 0x81..0x9F or 0xE0..0xFC
// takes the byte after it, whatever that is. In a UTF-8 code page (what
// Linux gives), characters are UTF-8 sequences instead, so that Japanese
// text in the system code page draws here too; a byte that starts no valid
// sequence draws as a replacement character. Either way a character cut
// short by the terminating zero ends the string and is dropped.
void ORV_TrueTypeText(const char* text) {
  if (!text) return;
  const auto* s = reinterpret_cast<const unsigned char*>(text);
  const int length = int(std::strlen(text));
  const bool utf8 = orv::is_utf8_code_page();
  for (int i = 0; i < length;) {
    int n = 1;
    if (utf8) {
      n = platform::code_page_char_length(text + i, length - i);
      if (n < orv::utf8_announced(s[i]) && i + n == length) return;
    } else if (orv::is_double_byte_lead(s[i])) {
      if (i + 1 == length) return;
      n = 2;
    }
    if (n == 1)
      ORV_TrueTypeChar(s[i]);
    else
      orv::draw_character(text + i, n);  // the same as ORV_TrueTypeChar of the packed bytes
    i += n;
  }
}

// Sizes beyond kMaxFontPixels are refused with 1 and change nothing.
int ORV_TrueTypeSize(int w, int h) {
  using orv::i64;
  if (std::llabs(i64(h)) > orv::kMaxFontPixels || std::llabs(i64(w) / 2) > orv::kMaxFontPixels)
    return 1;
  orv::g_tt.width = w / 2;
  orv::g_tt.height = h;
  platform::LogFont r = orv::truetype_font_record();
  r.width = w / 2;
  r.height = h;
  return orv::replace_truetype_font(r) ? 0 : 1;
}
