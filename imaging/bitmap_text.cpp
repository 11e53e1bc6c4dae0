// Bitmap-font text on the current image, and the text cursor it shares with
// the TrueType text.
//
// Each set bit of a glyph is one ORV_SetPixel, so the pixel call does the
// clipping and the pen follows the glyph's pixels. The cursor moves in 64
// bits and is held at the ends of the int range: a cursor far outside the
// image draws nothing and never overflows.
#include "imaging/text.h"

#include <algorithm>
#include <climits>
#include <cstdarg>
#include <cstdio>

#include "framework/image/image_table.h"
#include "framework/orvlib.h"

int orv_tc = 0;

namespace orv {
namespace {

using i64 = long long;

TextCursor g_cursor;

int narrow(i64 v) {
  return int(std::clamp<i64>(v, INT_MIN, INT_MAX));
}

void new_line(int pitch) {
  g_cursor.y = narrow(i64(g_cursor.y) + pitch);
  g_cursor.x = g_cursor.margin;
}

}  // namespace

TextCursor& text_cursor() {
  return g_cursor;
}

void move_text_cursor_by(int dx) {
  g_cursor.x = narrow(i64(g_cursor.x) + dx);
}

void new_text_line(int pitch) {
  new_line(pitch);
}

}  // namespace orv

void ORV_SetImageTextCursor(int x, int y, int left_margin) {
  orv::g_cursor = {x, y, left_margin};
}

void ORV_GetImageTextCursor(int* x, int* y, int* left_margin) {
  if (x) *x = orv::g_cursor.x;
  if (y) *y = orv::g_cursor.y;
  if (left_margin) *left_margin = orv::g_cursor.margin;
}

void ORV_DrawChar(int code) {
  using orv::i64;
  orv::TextCursor& c = orv::g_cursor;
  if (code == '\n') {
    orv::new_line(orv::kBitmapLinePitch);
    return;
  }
  const std::uint8_t* glyph = orv::bitmap_glyph(code);
  if (!glyph) return;
  const i64 top = i64(c.y) - orv::kBitmapGlyphRows;
  for (int r = 0; r < orv::kBitmapGlyphRows; ++r)
    for (int j = 0; j < 8; ++j)
      if (glyph[r] & (0x80 >> j))
        ORV_SetPixel(orv::narrow(c.x + i64(j)), orv::narrow(top + r), orv_tc);
  c.x = orv::narrow(i64(c.x) + orv::kBitmapAdvance);
  // Wraps as soon as the next cell would not fit inside the image.
  if (i64(c.x) > i64(orv::current_pixels().width) - orv::kBitmapAdvance)
    orv::new_line(orv::kBitmapLinePitch);
}

void ORV_DrawText(const char* text) {
  if (!text) return;
  for (const char* p = text; *p; ++p) ORV_DrawChar(static_cast<unsigned char>(*p));
}

// Output longer than the 4095 characters of the buffer is cut there: the
// first 4095 are drawn.
void ORV_DrawTextF(const char* format, ...) {
  if (!format) return;
  char buffer[4096];
  va_list args;
  va_start(args, format);
  int n = std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  if (n < 0) return;
  ORV_DrawText(buffer);
}
