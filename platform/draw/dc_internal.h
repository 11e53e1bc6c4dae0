// The context table as the drawing files see it: attribute records and
// access to the bitmap a context draws into.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/bitmap.h"
#include "platform/draw/dc.h"
#include "platform/geometry.h"
#include "platform/message.h"

namespace platform::internal {

enum class DcKind { Free, Memory, Window };

struct DcRecord {
  DcKind kind = DcKind::Free;
  std::uint32_t generation = 0;
  Bitmap* bitmap = nullptr;  // memory contexts
  Window window;             // window contexts
  int stretch_mode = kStretchColorOnColor;
  Point brush_origin;
  std::uint32_t text_color = 0x000000;
  std::uint32_t background_color = 0xFFFFFF;
  int background_mode = kBackgroundOpaque;
  Font font;  // null: the stock fixed font
};

// The live record of a context, or nullptr.
DcRecord* find_dc(Dc dc);

// Runs `draw` on the bitmap a context draws into (a window context: its
// client surface, shown afterwards). False when there is none.
bool with_dc_bitmap(Dc dc, const std::function<void(Bitmap&)>& draw);
// Runs `draw` with the destination bitmap and a source bitmap that is safe
// to read while the destination is written (the same object when both
// contexts draw into the same bitmap).
bool with_dc_pair(Dc dst, Dc src, const std::function<void(Bitmap&, const Bitmap&)>& draw);

// The window layer's surface access: locks the window's client surface,
// runs `draw` on it and shows it. Installed by create_window_dc().
using SurfaceAccess = bool (*)(Window window, const std::function<void(Bitmap&)>& draw);
void set_surface_access(SurfaceAccess access);
Dc create_dc_for_window(Window window);

}  // namespace platform::internal
