// ORV_Print: formatting into the 4096-byte buffer, the walk over the UTF-16
// text with one- and two-cell characters, runs, wrapping and the scroll step.
#include <cstdarg>
#include <cstdio>

#include "framework/console/log_file.h"
#include "framework/console/text_window_internal.h"
#include "framework/orvlib.h"
#include "platform/draw/font.h"
#include "platform/text/codepage.h"

namespace orv {
namespace {

constexpr int kPrintBytes = 4096;
// Room past the buffer for the rest of a character cut by the limit, so the
// cut can tell a character split by it from a byte that starts none.
constexpr int kCharTail = 4;

// Code units from U+0080 up take two cells, as double-byte characters do.
int cells_of(char16_t unit) {
  return unit >= 0x80 ? 2 : 1;
}

// Output longer than 4095 bytes keeps the longest prefix of whole characters.
int format_into(char (&ansi)[kPrintBytes + kCharTail], const char* format, va_list args) {
  int n = std::vsnprintf(ansi, sizeof ansi, format, args);
  if (n < 0) return 0;
  if (n < kPrintBytes) return n;
  int formatted = n < int(sizeof ansi) ? n : int(sizeof ansi) - 1;
  int fit = platform::code_page_fit(ansi, formatted, kPrintBytes - 1);
  ansi[fit] = '\0';
  return fit;
}

// Lays the text out from the cursor: each run is drawn with one call where
// its line began, or where the cursor stood for the first one (lock held).
void walk(TextWindowRecord& r, const char16_t* text, int units) {
  int x = r.cursor_x;
  int start = 0;
  int length = 0;
  for (int i = 0; i < units; ++i) {
    char16_t c = text[i];
    if (c == u'\n') {
      draw_at_cursor(r, text + start, length);
      new_line(r);
      x = 0;
      start = i + 1;
      length = 0;
      continue;
    }
    int advance = cells_of(c) * r.cell_width;
    // A window narrower than the character gets it on a line of its own
    // rather than an empty line before it.
    if (x + advance > r.width && x > 0) {
      draw_at_cursor(r, text + start, length);
      new_line(r);
      x = 0;
      start = i;
      length = 0;
    }
    ++length;
    x += advance;
  }
  draw_at_cursor(r, text + start, length);
  r.cursor_x = x;
}

}  // namespace

// Each character goes into the cells the walk counted for it, whatever its
// glyph's own advance: a tab or an escape fills one cell, an accented letter
// is centred in two. A surrogate pair is one character over both its units.
void draw_at_cursor(TextWindowRecord& r, const char16_t* text, int length) {
  int x = r.cursor_x;
  for (int i = 0; i < length;) {
    bool pair = text[i] >= 0xD800 && text[i] < 0xDC00 && i + 1 < length && text[i + 1] >= 0xDC00 &&
                text[i + 1] < 0xE000;
    int units = pair ? 2 : 1;
    int box = (pair ? 4 : cells_of(text[i])) * r.cell_width;
    platform::text_out_boxed(r.back_dc, x, r.cursor_y, std::u16string_view(text + i, units), box);
    x += box;
    i += units;
  }
}

// Exactly one line goes per new line, so the cursor line stays the last
// complete line that fits. Areas scrolled in are black whatever the colours.
bool scroll_step(TextWindowRecord& r) {
  if (r.cursor_y + r.line_height < r.height) return false;
  int kept = r.cursor_y - r.line_height;
  if (kept > 0) platform::block_copy(r.back_dc, 0, 0, r.width, kept, r.back_dc, 0, r.line_height);
  r.cursor_y = kept > 0 ? kept : 0;
  platform::fill_black(r.back_dc, 0, r.cursor_y, r.width, r.height - r.cursor_y);
  return true;
}

bool new_line(TextWindowRecord& r) {
  r.cursor_y += r.line_height;
  r.cursor_x = 0;
  return scroll_step(r);
}

}  // namespace orv

void ORV_Print(const char* format, ...) {
  if (!format) return;
  orv::TextWindowTable& table = orv::text_windows();
  int id = table.current;
  {
    std::lock_guard lock(table.lock);
    if (!orv::open_record(id)) return;
  }
  char ansi[orv::kPrintBytes + orv::kCharTail];
  va_list args;
  va_start(args, format);
  int bytes = orv::format_into(ansi, format, args);
  va_end(args);
  orv::write_log(id, ansi, std::size_t(bytes));  // as formatted, before any wrapping
  char16_t text[orv::kPrintBytes];
  int units = bytes > 0 ? platform::code_page_to_utf16(ansi, bytes, text, orv::kPrintBytes) : 0;
  platform::Window window;
  {
    std::lock_guard lock(table.lock);
    orv::TextWindowRecord* r = orv::open_record(id);
    if (!r) return;
    orv::walk(*r, text, units);
    window = r->window;
  }
  platform::invalidate_window(window);
  ORV_ProcessMessages();
}
