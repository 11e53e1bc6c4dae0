// The font table: sizing and glyph rendering through FreeType, the stock
// fixed font and its built-in fallback. Faces are found through fontconfig
// (font_lookup.cpp).
//
// Sizing follows the logical-font rules: a positive height is the cell
// height, ascent + descent of the face (hhea metrics), so IPAGothic at 16 has
// a 16-pixel em; a negative height is the em itself. A width scales the
// face horizontally so that its average character width (OS/2) matches.
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include "platform/draw/font_internal.h"

namespace platform::internal {

struct FontRecord {
  bool used = false;
  std::uint32_t generation = 0;
  LogFont logfont;
  bool builtin = false;
  FT_Face face = nullptr;
  std::string file;
  bool mono = false;
  bool synthetic_bold = false;
  bool synthetic_italic = false;
  bool fixed_pitch = false;
  bool transformed = false;
  FT_Matrix matrix{};
  FontMetrics metrics;
  std::unordered_map<char32_t, Glyph> glyphs;
};

namespace {

constexpr int kMaxFonts = 256;  // slot 0 is the stock font
constexpr int kSlotBits = 8;
constexpr char kStockFamily[] = "IPAGothic";
constexpr char kStockPath[] = "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf";

struct FontTable {
  std::mutex mutex;
  FT_Library library = nullptr;
  bool library_failed = false;
  FontRecord records[kMaxFonts];
  bool stock_ready = false;
  bool force_builtin = false;
  bool fallback_reported = false;
};

FontTable& table() {
  static FontTable instance;
  return instance;
}

FT_Library library() {
  FontTable& t = table();
  if (!t.library && !t.library_failed && FT_Init_FreeType(&t.library) != 0) {
    t.library = nullptr;
    t.library_failed = true;
  }
  return t.library;
}

// The stock face file: fontconfig's IPAGothic, accepted only if it is that family.
std::string stock_face_file() {
  LogFont lf;
  std::string file;
  int index = 0;
  if (match_face(lf, kStockFamily, &file, &index)) {
    FT_Face face = nullptr;
    if (library() && FT_New_Face(library(), file.c_str(), index, &face) == 0) {
      bool ok = face->family_name && std::string(face->family_name) == kStockFamily;
      FT_Done_Face(face);
      if (ok) return file;
    }
  }
  std::error_code error;
  if (std::filesystem::exists(kStockPath, error)) return kStockPath;
  return "";
}

int round_div(long long value, long long divisor) {
  return int((value >= 0 ? value + divisor / 2 : value - divisor / 2) / divisor);
}

// Sizes the face and fills the metrics; em sizes are 26.6 pixels.
void size_face(FontRecord& f) {
  FT_Face face = f.face;
  const LogFont& lf = f.logfont;
  long upem = face->units_per_EM > 0 ? face->units_per_EM : 2048;
  long asc = face->ascender, desc = -face->descender;
  if (asc + desc <= 0) {
    asc = upem * 4 / 5;
    desc = upem - asc;
  }
  long cell = asc + desc;
  int height = lf.height == 0 ? 16 : lf.height;
  long em_y = height > 0 ? height * 64L * upem / cell : -height * 64L;
  auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  long avg_units = os2 && os2->xAvgCharWidth > 0 ? os2->xAvgCharWidth : upem / 2;
  long em_x = lf.width > 0 ? lf.width * 64L * upem / avg_units : em_y;
  em_y = std::max(em_y, 64L);
  em_x = std::max(em_x, 64L);
  FT_Set_Char_Size(face, em_x, em_y, 72, 72);

  FontMetrics& m = f.metrics;
  long long den = 64LL * upem;
  m.ascent = round_div(asc * em_y, den);
  m.descent = height > 0 ? height - m.ascent : round_div(desc * em_y, den);
  m.average_width = std::max(1, round_div(avg_units * em_x, den));
  m.max_width = std::max(m.average_width, round_div(face->max_advance_width * em_x, den));
  int em_px = round_div(em_y, 64);
  m.underline_thickness = std::max(1, round_div(face->underline_thickness * em_y, den));
  m.underline_offset = face->underline_position != 0
                           ? round_div(-face->underline_position * em_y, den)
                           : std::max(1, m.descent / 2);
  // The underline stays inside the character cell.
  m.underline_offset = std::max(0, std::min(m.underline_offset, m.descent - m.underline_thickness));
  if (os2 && os2->yStrikeoutSize > 0) {
    m.strike_thickness = std::max(1, round_div(os2->yStrikeoutSize * em_y, den));
    m.strike_offset = round_div(os2->yStrikeoutPosition * em_y, den);
  } else {
    m.strike_thickness = m.underline_thickness;
    m.strike_offset = em_px / 4;
  }
}

// Rotation by the escapement, after a slant for synthetic italics.
void set_transform(FontRecord& f) {
  double angle = f.logfont.escapement / 10.0 * 3.14159265358979323846 / 180.0;
  double c = std::cos(angle), s = std::sin(angle);
  double shear = f.synthetic_italic ? 0.2126 : 0.0;  // tan 12 degrees
  f.transformed = f.logfont.escapement % 3600 != 0 || f.synthetic_italic;
  auto fixed = [](double v) { return FT_Fixed(std::lround(v * 65536.0)); };
  f.matrix.xx = fixed(c);
  f.matrix.xy = fixed(c * shear - s);
  f.matrix.yx = fixed(s);
  f.matrix.yy = fixed(s * shear + c);
}

bool open_face(FontRecord& f, const std::string& file, int index) {
  FT_Library lib = library();
  if (!lib || FT_New_Face(lib, file.c_str(), index, &f.face) != 0) {
    f.face = nullptr;
    return false;
  }
  f.file = file;
  bool bold_wanted = f.logfont.weight >= 600;
  bool face_bold = (f.face->style_flags & FT_STYLE_FLAG_BOLD) != 0;
  auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(f.face, FT_SFNT_OS2));
  if (os2 && os2->usWeightClass >= 600) face_bold = true;
  f.synthetic_bold = bold_wanted && !face_bold;
  f.synthetic_italic = f.logfont.italic && !(f.face->style_flags & FT_STYLE_FLAG_ITALIC);
  f.fixed_pitch = FT_IS_FIXED_WIDTH(f.face) || (f.logfont.pitch_and_family & 3) == kPitchFixed ||
                  (f.face->family_name && std::string(f.face->family_name) == kStockFamily);
  f.mono = f.logfont.quality == kQualityNonAntialiased;
  size_face(f);
  set_transform(f);
  return true;
}

void use_builtin(FontRecord& f) {
  f.builtin = true;
  f.fixed_pitch = true;
  f.synthetic_bold = f.logfont.weight >= 600;
  f.synthetic_italic = f.logfont.italic != 0;
  f.mono = true;
  FontMetrics& m = f.metrics;
  m.ascent = kBuiltinAscent;
  m.descent = 16 - kBuiltinAscent;
  m.average_width = 8;
  m.max_width = 16;
  m.underline_offset = 1;
  m.underline_thickness = 1;
  m.strike_offset = 5;
  m.strike_thickness = 1;
}

void release(FontRecord& f) {
  if (f.face) FT_Done_Face(f.face);
  std::uint32_t generation = f.generation;
  f = FontRecord{};
  f.generation = generation;
}

LogFont stock_logfont() {
  LogFont lf;
  lf.height = 16;
  lf.width = 8;
  lf.weight = kWeightNormal;
  lf.char_set = kCharsetShiftJis;
  lf.quality = kQualityNonAntialiased;
  lf.pitch_and_family = kPitchFixed | kFamilyModern;
  lf.face_name = u"IPAGothic";
  return lf;
}

void ensure_stock() {
  FontTable& t = table();
  if (t.stock_ready) return;
  FontRecord& f = t.records[0];
  release(f);
  f.used = true;
  f.generation = 1;  // the stock handle stays valid when the face is looked up again
  f.logfont = stock_logfont();
  std::string file = t.force_builtin ? "" : stock_face_file();
  if (file.empty() || !open_face(f, file, 0)) {
    if (!t.fallback_reported && !t.force_builtin) {
      std::fprintf(stderr, "orvlib: font %s not found; using the built-in 8x16 ASCII face\n",
                   kStockFamily);
    }
    t.fallback_reported = true;
    use_builtin(f);
  }
  t.stock_ready = true;
}

Font handle_of(int slot) {
  return Font{(table().records[slot].generation << kSlotBits) | std::uint32_t(slot)};
}

// Built-in glyphs: the table row, or a two-cell empty box for characters it lacks.
Glyph builtin_glyph(const FontRecord& f, char32_t code) {
  Glyph g;
  std::uint8_t box[16] = {};
  std::uint16_t wide[16] = {};
  const std::uint8_t* rows = builtin_glyph_rows(code);
  int cells = code >= 0x80 ? 2 : 1;
  if (cells == 2) {
    for (int r = 2; r < 14; ++r) wide[r] = r == 2 || r == 13 ? 0x7FFE : 0x4002;
  } else if (!rows) {
    rows = box;
  }
  int shear = f.synthetic_italic ? 3 : 0;
  int bold = f.synthetic_bold ? 1 : 0;
  g.width = cells * 8 + shear + bold;
  g.rows = 16;
  g.top = kBuiltinAscent;
  g.advance_x = long(cells * 8 + bold) * 64;
  g.coverage.assign(std::size_t(g.width) * 16, 0);
  for (int r = 0; r < 16; ++r) {
    std::uint32_t bits = cells == 2 ? wide[r] : std::uint32_t(rows[r]) << 8;
    if (bold) bits |= bits >> 1;
    int shift = shear ? (15 - r) / 5 : 0;  // rows higher up lean further right
    for (int col = 0; col < cells * 8 + bold; ++col) {
      if (bits & (0x8000u >> col)) g.coverage[std::size_t(r) * g.width + col + shift] = 255;
    }
  }
  return g;
}

Glyph render_glyph(FontRecord& f, char32_t code) {
  Glyph g;
  FT_Face face = f.face;
  FT_Set_Transform(face, f.transformed ? &f.matrix : nullptr, nullptr);
  FT_Int32 flags = f.mono ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_NORMAL;
  if (f.transformed || f.synthetic_bold) flags |= FT_LOAD_NO_BITMAP;
  if (FT_Load_Char(face, code, flags) != 0) return g;
  FT_GlyphSlot slot = face->glyph;
  if (f.synthetic_bold) FT_GlyphSlot_Embolden(slot);
  if (slot->format != FT_GLYPH_FORMAT_BITMAP &&
      FT_Render_Glyph(slot, f.mono ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL) != 0) {
    return g;
  }
  const FT_Bitmap& bm = slot->bitmap;
  g.left = slot->bitmap_left;
  g.top = slot->bitmap_top;
  g.width = int(bm.width);
  g.rows = int(bm.rows);
  g.advance_x = slot->advance.x;
  g.advance_y = -slot->advance.y;
  g.coverage.assign(std::size_t(g.width) * g.rows, 0);
  for (int r = 0; r < g.rows; ++r) {
    const unsigned char* src = bm.buffer + long(r) * bm.pitch;
    for (int col = 0; col < g.width; ++col) {
      std::uint8_t value = 0;
      if (bm.pixel_mode == FT_PIXEL_MODE_MONO) {
        value = (src[col >> 3] & (0x80 >> (col & 7))) ? 255 : 0;
      } else if (bm.pixel_mode == FT_PIXEL_MODE_GRAY) {
        value = src[col];
      }
      g.coverage[std::size_t(r) * g.width + col] = value;
    }
  }
  return g;
}

}  // namespace

std::mutex& font_mutex() {
  return table().mutex;
}

FontRecord* find_font(Font font) {
  ensure_stock();
  if (!font) return &table().records[0];
  int slot = int(font.id & ((1u << kSlotBits) - 1));
  FontRecord& f = table().records[slot];
  if (!f.used || f.generation != font.id >> kSlotBits) return nullptr;
  return &f;
}

Font stock_font_handle() {
  ensure_stock();
  return handle_of(0);
}

const FontMetrics& font_metrics(const FontRecord& font) {
  return font.metrics;
}
const LogFont& font_logfont(const FontRecord& font) {
  return font.logfont;
}
bool font_fixed_pitch(const FontRecord& font) {
  return font.fixed_pitch;
}

const Glyph& font_glyph(FontRecord& font, char32_t code) {
  auto it = font.glyphs.find(code);
  if (it != font.glyphs.end()) return it->second;
  Glyph g = font.builtin ? builtin_glyph(font, code) : render_glyph(font, code);
  return font.glyphs.emplace(code, std::move(g)).first->second;
}

}  // namespace platform::internal

namespace platform {

using internal::FontRecord;

Font stock_fixed_font() {
  std::lock_guard lock(internal::font_mutex());
  return internal::stock_font_handle();
}

Font create_font(const LogFont& record) {
  std::lock_guard lock(internal::font_mutex());
  internal::FontTable& t = internal::table();
  for (int slot = 1; slot < internal::kMaxFonts; ++slot) {
    FontRecord& f = t.records[slot];
    if (f.used) continue;
    internal::release(f);
    f.logfont = record;
    if (f.logfont.face_name.size() > std::size_t(kFaceNameSize - 1)) {
      f.logfont.face_name.resize(kFaceNameSize - 1);
    }
    std::string file;
    int index = 0;
    if (!internal::match_face(f.logfont, internal::family_for(f.logfont), &file, &index) ||
        !internal::open_face(f, file, index)) {
      internal::release(f);
      return Font{};
    }
    f.used = true;
    f.generation = (f.generation + 1) & ((1u << (32 - internal::kSlotBits)) - 1);
    if (f.generation == 0) f.generation = 1;
    return internal::handle_of(slot);
  }
  return Font{};
}

bool delete_font(Font font) {
  std::lock_guard lock(internal::font_mutex());
  if (!font || (font.id & 0xFF) == 0) return false;
  FontRecord* f = internal::find_font(font);
  if (!f) return false;
  internal::release(*f);
  return true;
}

bool get_font_record(Font font, LogFont* record) {
  std::lock_guard lock(internal::font_mutex());
  FontRecord* f = font ? internal::find_font(font) : nullptr;
  if (!f || !record) return false;
  *record = f->logfont;
  return true;
}

std::string font_file(Font font) {
  std::lock_guard lock(internal::font_mutex());
  FontRecord* f = font ? internal::find_font(font) : nullptr;
  return f ? f->file : std::string();
}

void use_builtin_fixed_font_for_tests(bool builtin) {
  std::lock_guard lock(internal::font_mutex());
  internal::table().force_builtin = builtin;
  internal::table().stock_ready = false;
  internal::ensure_stock();
}

}  // namespace platform
