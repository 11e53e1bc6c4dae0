// Device contexts and raster operations.
//
// A device context (`Dc`) is a drawing target with its own attributes:
// stretch mode, brush origin, text and background colours, background mode
// and the selected font. A memory context draws into the bitmap selected
// into it (the caller owns the bitmap; the context keeps only its address);
// a window context draws into a window's client surface and has it shown
// after every operation.
//
// Coordinates are pixels, top-down. Colours are 0x00RRGGBB words at this
// interface; on 8-bit targets a colour becomes the nearest palette entry.
// Operations clip to the destination bitmap. Calls on an unknown or deleted
// context do nothing and report false (or the documented failure value).
#pragma once

#include <cstdint>

#include "platform/bitmap.h"
#include "platform/geometry.h"
#include "platform/message.h"

namespace platform {

struct Dc {
  std::uint32_t id = 0;
  explicit operator bool() const { return id != 0; }
  bool operator==(const Dc&) const = default;
};

struct Font {
  std::uint32_t id = 0;
  explicit operator bool() const { return id != 0; }
  bool operator==(const Font&) const = default;
};

// Stretch modes: nearest pixel (fast, drops pixels when shrinking) and area average.
constexpr int kStretchColorOnColor = 3;
constexpr int kStretchHalftone = 4;

// Background modes for text: transparent leaves the pixels behind glyphs.
constexpr int kBackgroundTransparent = 1;
constexpr int kBackgroundOpaque = 2;

// A memory context with no bitmap selected (drawing into it does nothing).
Dc create_memory_dc();
// A context drawing into the window's client surface (needs the window layer).
Dc create_window_dc(Window window);
// Releases the context; a selected bitmap stays the caller's.
bool delete_dc(Dc dc);
bool is_dc(Dc dc);

// Selects a bitmap into a memory context and returns the one it held before
// (nullptr for none or when the context is unknown or a window context).
Bitmap* select_bitmap(Dc dc, Bitmap* bitmap);
Bitmap* selected_bitmap(Dc dc);

// Sets the stretch mode (3 or 4); returns the previous mode, 0 on failure.
int set_stretch_mode(Dc dc, int mode);
// The current stretch mode, 0 for an unknown context.
int stretch_mode(Dc dc);
// Sets the brush origin and returns the previous one.
Point set_brush_origin(Dc dc, Point origin);
Point brush_origin(Dc dc);

// Text attributes; each setter returns the previous value.
std::uint32_t set_text_color(Dc dc, std::uint32_t rgb);
std::uint32_t set_background_color(Dc dc, std::uint32_t rgb);
int set_background_mode(Dc dc, int mode);  // 0 on failure
std::uint32_t text_color(Dc dc);
std::uint32_t background_color(Dc dc);
int background_mode(Dc dc);

// Selects a font (see font.h) and returns the previous one; a null or
// unknown font is refused and returns a null Font.
Font select_font(Dc dc, Font font);
Font selected_font(Dc dc);

// Copies w x h pixels from (sx, sy) of `src` to (x, y) of `dst` unchanged.
// The two may be the same context, with overlapping areas.
bool block_copy(Dc dst, int x, int y, int w, int h, Dc src, int sx, int sy);
// Stretches the source rectangle onto the destination rectangle with the
// destination's stretch mode. A negative extent mirrors that axis: the
// rectangle then runs from its origin pixel leftwards (or upwards), so an
// origin of (w - 1, 0) with width -w covers columns w - 1 down to 0.
bool stretch_copy(Dc dst, int x, int y, int w, int h, Dc src, int sx, int sy, int sw, int sh);
// Fills the rectangle with black (the nearest palette entry on 8-bit targets).
bool fill_black(Dc dc, int x, int y, int w, int h);
// Complements red, green and blue (32-bit) or the index (8-bit).
bool invert_rect(Dc dc, int x, int y, int w, int h);

// Frees every context (between tests).
void reset_dcs_for_tests();

}  // namespace platform
