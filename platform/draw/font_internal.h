// The font table as the text code sees it: per-font metrics and a cache of
// rendered glyphs. Every function here expects font_mutex() to be held:
// FreeType faces are not safe to use from two threads at once.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/draw/font.h"

namespace platform::internal {

// One rendered glyph: coverage 0..255, `left` and `top` place its top-left
// pixel relative to the pen on the baseline (top counts rows above it).
struct Glyph {
  int left = 0;
  int top = 0;
  int width = 0;
  int rows = 0;
  long advance_x = 0;  // 26.6 pixels, screen axes (y grows downwards)
  long advance_y = 0;
  std::vector<std::uint8_t> coverage;
};

struct FontMetrics {
  int ascent = 0;
  int descent = 0;
  int average_width = 0;
  int max_width = 0;
  int underline_offset = 0;  // rows below the baseline to the line's top row
  int underline_thickness = 1;
  int strike_offset = 0;  // rows above the baseline to the line's top row
  int strike_thickness = 1;
};

struct FontRecord;

std::mutex& font_mutex();
// The live record of a font (the stock font for a null handle), or nullptr.
FontRecord* find_font(Font font);
// The handle of the stock font.
Font stock_font_handle();
const FontMetrics& font_metrics(const FontRecord& font);
const LogFont& font_logfont(const FontRecord& font);
bool font_fixed_pitch(const FontRecord& font);
// The glyph of a code point, rendered on first use and kept.
const Glyph& font_glyph(FontRecord& font, char32_t code);

// The built-in 8 x 16 face: rows of one ASCII glyph (bit 7 = leftmost
// pixel), or nullptr outside 0x20..0x7E. The baseline lies below row 11.
const std::uint8_t* builtin_glyph_rows(char32_t code);
constexpr int kBuiltinAscent = 12;

// Face lookup (font_lookup.cpp). The family a record asks for: its face
// name, the classic Japanese face names standing for the IPA faces, else a
// generic family by its pitch and family bits.
std::string family_for(const LogFont& lf);
// fontconfig's best match for the record in `family`: file and face index;
// false when there is none.
bool match_face(const LogFont& lf, const std::string& family, std::string* file, int* index);

// UTF-16 to code points; lone surrogates become U+FFFD.
std::vector<char32_t> decode_utf16(std::u16string_view text);

}  // namespace platform::internal
