// Fonts and text: the stock fixed-pitch font, TrueType fonts from a
// logical-font record, text runs, text metrics and ABC widths.
//
// The stock fixed font is IPAGothic at 16 pixels (found through
// fontconfig), drawn without anti-aliasing: half-width characters fill one
// 8 x 16 cell, full-width ones two. Without that font file it is a built-in
// 8 x 16 ASCII face (other characters show as an empty two-cell box).
//
// Other fonts come from a LogFont record: the face name is looked up
// through fontconfig (best match); "ＭＳ ゴシック" / "MS Gothic" mean the
// fixed-pitch Japanese Gothic face IPAGothic, "ＭＳ Ｐゴシック" / "MS PGothic"
// its proportional sibling. Bold and italic come from the family's own
// faces where they exist, otherwise they are synthesised (emboldened
// outlines, a slant of about 12 degrees).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/draw/dc.h"

namespace platform {

// Face-name capacity in UTF-16 units, terminator included.
constexpr int kFaceNameSize = 32;

// Quality values; only kQualityNonAntialiased draws without grey levels.
constexpr int kQualityDefault = 0;
constexpr int kQualityNonAntialiased = 3;
constexpr int kQualityAntialiased = 4;

// Pitch (low 2 bits of pitch_and_family) and family (high 4 bits).
constexpr int kPitchDefault = 0;
constexpr int kPitchFixed = 1;
constexpr int kPitchVariable = 2;
constexpr int kFamilyRoman = 0x10;
constexpr int kFamilySwiss = 0x20;
constexpr int kFamilyModern = 0x30;

constexpr int kWeightNormal = 400;
constexpr int kWeightBold = 700;
constexpr int kCharsetDefault = 1;
constexpr int kCharsetShiftJis = 128;
constexpr int kOutPrecisionTrueTypeOnly = 7;

// The logical-font record. height > 0: character cell height in pixels;
// height < 0: em height; 0: 16. width: average character width, 0 for the
// face's own proportions. escapement and orientation: tenths of a degree
// counter-clockwise (the text runs along the escapement). weight 0 means
// 400; 600 and above is bold.
struct LogFont {
  int height = 0;
  int width = 0;
  int escapement = 0;
  int orientation = 0;
  int weight = 0;
  std::uint8_t italic = 0;
  std::uint8_t underline = 0;
  std::uint8_t strike_out = 0;
  std::uint8_t char_set = kCharsetDefault;
  std::uint8_t out_precision = 0;
  std::uint8_t clip_precision = 0;
  std::uint8_t quality = kQualityDefault;
  std::uint8_t pitch_and_family = 0;
  std::u16string face_name;  // at most kFaceNameSize - 1 units are kept
  bool operator==(const LogFont&) const = default;
};

struct TextMetrics {
  int height = 0;  // ascent + descent: the character cell height
  int ascent = 0;
  int descent = 0;
  int average_char_width = 0;
  int max_char_width = 0;
  int weight = 0;
  bool italic = false;
  bool fixed_pitch = false;
};

// A: blank space before the ink, B: ink width, C: advance - A - B.
struct AbcWidths {
  int a = 0;
  int b = 0;
  int c = 0;
};

// The stock fixed-pitch font (never deleted).
Font stock_fixed_font();
// A font for the record, or a null Font when no face can be opened.
Font create_font(const LogFont& record);
// Deletes a created font; the stock font and unknown fonts give false.
bool delete_font(Font font);
// The record the font was created from (for the stock font, its own record).
bool get_font_record(Font font, LogFont* record);
// The path of the face file a font draws with ("" for the built-in face).
std::string font_file(Font font);

// Draws a UTF-16 run with the context's font and colours; (x, y) is the
// top-left corner of the first character cell. An opaque background fills
// the cells behind the run with the background colour first.
bool text_out(Dc dc, int x, int y, const char16_t* text, int length);
bool text_out(Dc dc, int x, int y, std::u16string_view text);
// Draws one character (a code unit, or a surrogate pair) centred in the box
// [x, x + box_width) of the font's height and clipped to it, so a console
// shows it in the cells its layout counted whatever the glyph's own advance.
// An opaque background fills the whole box. Straight text only.
bool text_out_boxed(Dc dc, int x, int y, std::u16string_view character, int box_width);
// The built-in 8 x 16 bitmap face: the 16 rows of one ASCII glyph (bit 7 is
// the leftmost pixel), or nullptr outside 0x20..0x7E.
const std::uint8_t* builtin_glyph(char32_t code);
// The advance of a run with the context's font.
int text_width(Dc dc, std::u16string_view text);
bool get_text_metrics(Dc dc, TextMetrics* metrics);
// ABC widths of one character (surrogates not needed: any code point).
bool get_char_abc_widths(Dc dc, char32_t code, AbcWidths* widths);
// Advance width of one character.
bool get_char_width(Dc dc, char32_t code, int* width);

// Forces the built-in face for the stock font (true) or looks the font
// file up again (false); used by tests.
void use_builtin_fixed_font_for_tests(bool builtin);

}  // namespace platform
