// Text runs, text metrics and character widths with a context's font.
//
// A run is drawn in three layers: the opaque background (the cells of the
// whole run), the glyphs, then underline and strike-out across the run.
// Grey glyph coverage is blended into 32-bit targets; on 8-bit targets a
// pixel takes the text colour's nearest palette entry where coverage is at
// least one half, since blends of palette colours have no index of their own.
#include <climits>
#include <cmath>
#include <string_view>
#include <vector>

#include "platform/draw/dc_internal.h"
#include "platform/draw/font_internal.h"
#include "platform/draw/raster.h"

namespace platform {

namespace {

using internal::decode_utf16;
using internal::FontMetrics;
using internal::FontRecord;
using internal::Glyph;

struct Ink {
  std::uint32_t rgb = 0;
  std::uint8_t index = 0;
};

inline std::uint32_t blend(std::uint32_t fg, std::uint32_t bg, std::uint32_t cover) {
  std::uint32_t out = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    std::uint32_t f = (fg >> shift) & 0xFF, b = (bg >> shift) & 0xFF;
    out |= ((f * cover + b * (255 - cover) + 127) / 255) << shift;
  }
  return out | (bg & 0xFF000000u);
}

// Draws a glyph's coverage at (ox, oy), only into columns [clip_left, clip_right).
void draw_glyph(Bitmap& target, const Glyph& g, int ox, int oy, const Ink& ink, int clip_left = 0,
                int clip_right = INT_MAX) {
  clip_left = std::max(0, clip_left);
  clip_right = std::min(target.width, clip_right);
  for (int r = 0; r < g.rows; ++r) {
    int y = oy + r;
    if (y < 0 || y >= target.height) continue;
    const std::uint8_t* cover = g.coverage.data() + std::size_t(r) * g.width;
    int c0 = std::max(0, clip_left - ox), c1 = std::min(g.width, clip_right - ox);
    for (int c = c0; c < c1; ++c) {
      std::uint32_t a = cover[c];
      if (a == 0) continue;
      if (target.bits == 8) {
        if (a >= 128) target.row8(y)[ox + c] = ink.index;
      } else {
        std::uint32_t& p = target.row32(y)[ox + c];
        p = a == 255 ? ink.rgb : blend(ink.rgb, p, a);
      }
    }
  }
}

// Fills the pixels whose centres fall inside a rectangle of the rotated text
// frame: u along the baseline direction (dx, dy), v along (-dy, dx) turned
// pointing below the text, both measured from (ox, oy).
void fill_rotated(Bitmap& target, double ox, double oy, double dx, double dy, double u0, double u1,
                  double v0, double v1, std::uint32_t rgb) {
  double nx = -dy, ny = dx;
  double xs[4], ys[4];
  int k = 0;
  for (double u : {u0, u1}) {
    for (double v : {v0, v1}) {
      xs[k] = ox + u * dx + v * nx;
      ys[k] = oy + u * dy + v * ny;
      ++k;
    }
  }
  int x0 = std::max(0, int(std::floor(*std::min_element(xs, xs + 4))));
  int x1 = std::min(target.width - 1, int(std::ceil(*std::max_element(xs, xs + 4))));
  int y0 = std::max(0, int(std::floor(*std::min_element(ys, ys + 4))));
  int y1 = std::min(target.height - 1, int(std::ceil(*std::max_element(ys, ys + 4))));
  for (int y = y0; y <= y1; ++y) {
    for (int x = x0; x <= x1; ++x) {
      double rx = x + 0.5 - ox, ry = y + 0.5 - oy;
      double u = rx * dx + ry * dy, v = rx * nx + ry * ny;
      if (u >= u0 && u < u1 && v >= v0 && v < v1) fill_bitmap_rect(target, x, y, 1, 1, rgb);
    }
  }
}

struct Run {
  std::vector<const Glyph*> glyphs;
  long advance_x = 0;  // 26.6
  long advance_y = 0;
};

Run layout(FontRecord& font, std::u16string_view text) {
  Run run;
  for (char32_t c : decode_utf16(text)) {
    const Glyph& g = internal::font_glyph(font, c);
    run.glyphs.push_back(&g);
    run.advance_x += g.advance_x;
    run.advance_y += g.advance_y;
  }
  return run;
}

struct RunStyle {
  Ink text;
  std::uint32_t background = 0;
  bool opaque = true;
  bool underline = false;
  bool strike_out = false;
  int escapement = 0;
};

void draw_straight(Bitmap& target, int x, int y, const Run& run, const FontMetrics& m,
                   const RunStyle& style) {
  int width = int((run.advance_x + 32) >> 6);
  int baseline = y + m.ascent;
  if (style.opaque) fill_bitmap_rect(target, x, y, width, m.ascent + m.descent, style.background);
  long pen = long(x) * 64;
  for (const Glyph* g : run.glyphs) {
    draw_glyph(target, *g, int((pen + 32) >> 6) + g->left, baseline - g->top, style.text);
    pen += g->advance_x;
  }
  if (style.underline) {
    fill_bitmap_rect(target, x, baseline + m.underline_offset, width, m.underline_thickness,
                     style.text.rgb);
  }
  if (style.strike_out) {
    fill_bitmap_rect(target, x, baseline - m.strike_offset, width, m.strike_thickness,
                     style.text.rgb);
  }
}

void draw_rotated(Bitmap& target, int x, int y, const Run& run, const FontMetrics& m,
                  const RunStyle& style) {
  double angle = style.escapement / 10.0 * 3.14159265358979323846 / 180.0;
  double dx = std::cos(angle), dy = -std::sin(angle);
  double nx = -dy, ny = dx;  // points below the text
  double length = std::hypot(double(run.advance_x), double(run.advance_y)) / 64.0;
  if (style.opaque) {
    fill_rotated(target, x, y, dx, dy, 0, length, 0, m.ascent + m.descent, style.background);
  }
  double px = x + m.ascent * nx, py = y + m.ascent * ny;
  for (const Glyph* g : run.glyphs) {
    draw_glyph(target, *g, int(std::lround(px)) + g->left, int(std::lround(py)) - g->top,
               style.text);
    px += g->advance_x / 64.0;
    py += g->advance_y / 64.0;
  }
  auto line = [&](int top, int thickness) {
    fill_rotated(target, x, y, dx, dy, 0, length, m.ascent + top, m.ascent + top + thickness,
                 style.text.rgb);
  };
  if (style.underline) line(m.underline_offset, m.underline_thickness);
  if (style.strike_out) line(-m.strike_offset, m.strike_thickness);
}

// The context's font (the stock font if its own was deleted); font lock held.
FontRecord* context_font(const internal::DcRecord* dc) {
  FontRecord* font = internal::find_font(dc->font);
  return font ? font : internal::find_font(Font{});
}

RunStyle context_style(const internal::DcRecord* record, FontRecord& font) {
  const LogFont& lf = internal::font_logfont(font);
  RunStyle style;
  style.text.rgb = record->text_color;
  style.background = record->background_color;
  style.opaque = record->background_mode == kBackgroundOpaque;
  style.underline = lf.underline != 0;
  style.strike_out = lf.strike_out != 0;
  style.escapement = lf.escapement % 3600;
  return style;
}

void set_ink_index(const Bitmap& target, RunStyle& style) {
  if (target.bits == 8)
    style.text.index = std::uint8_t(nearest_palette_index(target.palette, style.text.rgb));
}

}  // namespace

Font select_font(Dc dc, Font font) {
  internal::DcRecord* record = internal::find_dc(dc);
  if (!record || !font) return Font{};
  std::lock_guard lock(internal::font_mutex());
  if (!internal::find_font(font)) return Font{};
  Font previous = record->font ? record->font : internal::stock_font_handle();
  record->font = font;
  return previous;
}

Font selected_font(Dc dc) {
  internal::DcRecord* record = internal::find_dc(dc);
  if (!record) return Font{};
  std::lock_guard lock(internal::font_mutex());
  return record->font && internal::find_font(record->font) ? record->font
                                                           : internal::stock_font_handle();
}

namespace {

// Lays `text` out in the context's font and runs draw(target, run, metrics,
// style) on the context's bitmap, under the font lock; false for an unknown
// context or no font.
template <class Draw>
bool draw_run(Dc dc, std::u16string_view text, Draw draw) {
  internal::DcRecord* record = internal::find_dc(dc);
  if (!record) return false;
  std::lock_guard lock(internal::font_mutex());
  FontRecord* font = context_font(record);
  if (!font) return false;
  Run run = layout(*font, text);
  const FontMetrics& m = internal::font_metrics(*font);
  RunStyle style = context_style(record, *font);
  return internal::with_dc_bitmap(dc, [&](Bitmap& target) {
    set_ink_index(target, style);
    draw(target, run, m, style);
  });
}

}  // namespace

bool text_out(Dc dc, int x, int y, std::u16string_view text) {
  return draw_run(dc, text,
                  [&](Bitmap& target, const Run& run, const FontMetrics& m, const RunStyle& style) {
                    if (style.escapement == 0) {
                      draw_straight(target, x, y, run, m, style);
                    } else {
                      draw_rotated(target, x, y, run, m, style);
                    }
                  });
}

bool text_out_boxed(Dc dc, int x, int y, std::u16string_view character, int box_width) {
  if (box_width <= 0) return false;
  int right = x + box_width;
  return draw_run(dc, character,
                  [&](Bitmap& target, const Run& run, const FontMetrics& m, const RunStyle& style) {
                    int baseline = y + m.ascent;
                    if (style.opaque)
                      fill_bitmap_rect(target, x, y, box_width, m.ascent + m.descent,
                                       style.background);
                    int advance = int((run.advance_x + 32) >> 6);
                    long pen = long(x + (box_width - advance) / 2) * 64;
                    for (const Glyph* g : run.glyphs) {
                      draw_glyph(target, *g, int((pen + 32) >> 6) + g->left, baseline - g->top,
                                 style.text, x, right);
                      pen += g->advance_x;
                    }
                    if (style.underline)
                      fill_bitmap_rect(target, x, baseline + m.underline_offset, box_width,
                                       m.underline_thickness, style.text.rgb);
                    if (style.strike_out)
                      fill_bitmap_rect(target, x, baseline - m.strike_offset, box_width,
                                       m.strike_thickness, style.text.rgb);
                  });
}

bool text_out(Dc dc, int x, int y, const char16_t* text, int length) {
  if (!text || length < 0) return false;
  return text_out(dc, x, y, std::u16string_view(text, std::size_t(length)));
}

int text_width(Dc dc, std::u16string_view text) {
  internal::DcRecord* record = internal::find_dc(dc);
  if (!record) return 0;
  std::lock_guard lock(internal::font_mutex());
  FontRecord* font = context_font(record);
  if (!font) return 0;
  Run run = layout(*font, text);
  return int(std::lround(std::hypot(double(run.advance_x), double(run.advance_y)) / 64.0));
}

bool get_text_metrics(Dc dc, TextMetrics* metrics) {
  internal::DcRecord* record = internal::find_dc(dc);
  if (!record || !metrics) return false;
  std::lock_guard lock(internal::font_mutex());
  FontRecord* font = context_font(record);
  if (!font) return false;
  const FontMetrics& m = internal::font_metrics(*font);
  const LogFont& lf = internal::font_logfont(*font);
  metrics->ascent = m.ascent;
  metrics->descent = m.descent;
  metrics->height = m.ascent + m.descent;
  metrics->average_char_width = m.average_width;
  metrics->max_char_width = m.max_width;
  metrics->weight = lf.weight > 0 ? lf.weight : kWeightNormal;
  metrics->italic = lf.italic != 0;
  metrics->fixed_pitch = internal::font_fixed_pitch(*font);
  return true;
}

bool get_char_abc_widths(Dc dc, char32_t code, AbcWidths* widths) {
  internal::DcRecord* record = internal::find_dc(dc);
  if (!record || !widths) return false;
  std::lock_guard lock(internal::font_mutex());
  FontRecord* font = context_font(record);
  if (!font) return false;
  const Glyph& g = internal::font_glyph(*font, code);
  int advance = int((g.advance_x + 32) >> 6);
  // Ink columns, not the bitmap's: renderers pad bitmaps of blank glyphs.
  int first = g.width, last = -1;
  for (int r = 0; r < g.rows; ++r) {
    for (int c = 0; c < g.width; ++c) {
      if (g.coverage[std::size_t(r) * g.width + c] == 0) continue;
      first = std::min(first, c);
      last = std::max(last, c);
    }
  }
  if (last < 0) {
    *widths = AbcWidths{0, 0, advance};
  } else {
    widths->a = g.left + first;
    widths->b = last - first + 1;
    widths->c = advance - widths->a - widths->b;
  }
  return true;
}

bool get_char_width(Dc dc, char32_t code, int* width) {
  internal::DcRecord* record = internal::find_dc(dc);
  if (!record || !width) return false;
  std::lock_guard lock(internal::font_mutex());
  FontRecord* font = context_font(record);
  if (!font) return false;
  *width = int((internal::font_glyph(*font, code).advance_x + 32) >> 6);
  return true;
}

namespace internal {

std::vector<char32_t> decode_utf16(std::u16string_view text) {
  std::vector<char32_t> out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c < 0xE000) {
      c = 0xFFFD;
    }
    out.push_back(c);
  }
  return out;
}

}  // namespace internal

}  // namespace platform
