// Text drawn into images, for the framework's own drawing code (the calls
// of user programs are in framework/orvlib.h): the bitmap font table, the
// shared text cursor and the process-wide TrueType font.
#pragma once

#include <cstdint>

#include "platform/draw/font.h"

namespace orv {

// The bitmap font: glyphs for 0x20..0x7F, 8 x 14 pixels, one byte per row,
// top row first, bit 7 the leftmost pixel.
constexpr int kBitmapFirstCode = 0x20;
constexpr int kBitmapGlyphCount = 96;
constexpr int kBitmapGlyphRows = 14;
constexpr int kBitmapLinePitch = 16;  // rows from one text line to the next
constexpr int kBitmapAdvance = 8;
// The 14 rows of a code's glyph, or nullptr outside 0x20..0x7F.
const std::uint8_t* bitmap_glyph(int code);

// The text cursor both fonts share: x is the left edge of the next
// character, y the row the text stands on, margin the x a new line returns to.
struct TextCursor {
  int x = 0;
  int y = 0;
  int margin = 0;
};
TextCursor& text_cursor();
// Moves the cursor right by dx, held inside the int range.
void move_text_cursor_by(int dx);
// y down by pitch, x back to the margin.
void new_text_line(int pitch);

// The TrueType font (a null Font when its last creation failed) and the
// width and height it was last sized to.
platform::Font truetype_font();
int truetype_font_width();
int truetype_font_height();
// The attribute record of the TrueType font: the font's own, or when there
// is no font, the record it was last asked to be created from.
platform::LogFont truetype_font_record();
// Deletes the TrueType font and creates it from `record`; false when the
// platform gave no font (text then draws in the image context's own font).
bool replace_truetype_font(const platform::LogFont& record);

// The start-up step: the TrueType font of 8 x 16 in the Japanese Gothic
// face, the TrueType text colour white, the text cursor at (0, 0). And the
// shutdown step that deletes the font.
void set_up_image_text();
void shut_down_image_text();

}  // namespace orv
