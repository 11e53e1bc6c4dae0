// The device context table, context attributes and the context forms of
// the raster operations.
//
// Contexts live in one fixed table. A handle is the slot number plus one in
// its low 12 bits and the slot's generation above them, so a handle kept
// after delete_dc() no longer finds the slot once it is reused.
#include <mutex>

#include "platform/draw/dc_internal.h"
#include "platform/draw/raster.h"
#include "platform/draw/raster_internal.h"

namespace platform {

namespace internal {

namespace {

constexpr int kMaxDcs = 2048;
constexpr int kSlotBits = 12;

struct DcTable {
  std::mutex mutex;
  DcRecord records[kMaxDcs];
  SurfaceAccess surface_access = nullptr;
};

DcTable& table() {
  static DcTable instance;
  return instance;
}

Dc allocate(DcKind kind, Window window) {
  DcTable& t = table();
  std::lock_guard lock(t.mutex);
  for (int slot = 0; slot < kMaxDcs; ++slot) {
    DcRecord& record = t.records[slot];
    if (record.kind != DcKind::Free) continue;
    std::uint32_t generation = (record.generation + 1) & ((1u << (32 - kSlotBits)) - 1);
    record = DcRecord{};
    record.kind = kind;
    record.generation = generation;
    record.window = window;
    return Dc{(generation << kSlotBits) | std::uint32_t(slot + 1)};
  }
  return Dc{};
}

}  // namespace

DcRecord* find_dc(Dc dc) {
  int slot = int(dc.id & ((1u << kSlotBits) - 1)) - 1;
  if (slot < 0 || slot >= kMaxDcs) return nullptr;
  DcTable& t = table();
  std::lock_guard lock(t.mutex);
  DcRecord& record = t.records[slot];
  if (record.kind == DcKind::Free || record.generation != dc.id >> kSlotBits) return nullptr;
  return &record;
}

void set_surface_access(SurfaceAccess access) {
  std::lock_guard lock(table().mutex);
  table().surface_access = access;
}

Dc create_dc_for_window(Window window) {
  if (!window) return Dc{};
  return allocate(DcKind::Window, window);
}

bool with_dc_bitmap(Dc dc, const std::function<void(Bitmap&)>& draw) {
  DcRecord* record = find_dc(dc);
  if (!record) return false;
  if (record->kind == DcKind::Memory) {
    if (!record->bitmap) return false;
    draw(*record->bitmap);
    return true;
  }
  SurfaceAccess access = table().surface_access;
  return access && access(record->window, draw);
}

bool with_dc_pair(Dc dst, Dc src, const std::function<void(Bitmap&, const Bitmap&)>& draw) {
  DcRecord* d = find_dc(dst);
  DcRecord* s = find_dc(src);
  if (!d || !s) return false;
  if (s->kind == DcKind::Memory) {
    if (!s->bitmap) return false;
    const Bitmap& source = *s->bitmap;
    return with_dc_bitmap(dst, [&](Bitmap& target) { draw(target, source); });
  }
  if (d->kind == DcKind::Window && d->window == s->window) {
    return with_dc_bitmap(dst, [&](Bitmap& target) { draw(target, target); });
  }
  // A window source is copied out first: its surface lock is never held
  // together with another one.
  std::unique_ptr<Bitmap> copy;
  bool read = with_dc_bitmap(src, [&](Bitmap& surface) {
    copy = scratch_bitmap(surface.width, surface.height, surface.bits);
    if (copy) blit_bitmap(*copy, 0, 0, surface.width, surface.height, surface, 0, 0);
  });
  if (!read || !copy) return false;
  return with_dc_bitmap(dst, [&](Bitmap& target) { draw(target, *copy); });
}

}  // namespace internal

using internal::DcKind;
using internal::DcRecord;
using internal::find_dc;

Dc create_memory_dc() {
  return internal::allocate(DcKind::Memory, Window{});
}

bool delete_dc(Dc dc) {
  DcRecord* record = find_dc(dc);
  if (!record) return false;
  std::lock_guard lock(internal::table().mutex);
  record->kind = DcKind::Free;
  record->bitmap = nullptr;
  return true;
}

bool is_dc(Dc dc) {
  return find_dc(dc) != nullptr;
}

Bitmap* select_bitmap(Dc dc, Bitmap* bitmap) {
  DcRecord* record = find_dc(dc);
  if (!record || record->kind != DcKind::Memory) return nullptr;
  Bitmap* previous = record->bitmap;
  record->bitmap = bitmap;
  return previous;
}

Bitmap* selected_bitmap(Dc dc) {
  DcRecord* record = find_dc(dc);
  return record && record->kind == DcKind::Memory ? record->bitmap : nullptr;
}

int set_stretch_mode(Dc dc, int mode) {
  DcRecord* record = find_dc(dc);
  if (!record || (mode != kStretchColorOnColor && mode != kStretchHalftone)) return 0;
  int previous = record->stretch_mode;
  record->stretch_mode = mode;
  return previous;
}

int stretch_mode(Dc dc) {
  DcRecord* record = find_dc(dc);
  return record ? record->stretch_mode : 0;
}

Point set_brush_origin(Dc dc, Point origin) {
  DcRecord* record = find_dc(dc);
  if (!record) return Point{};
  Point previous = record->brush_origin;
  record->brush_origin = origin;
  return previous;
}

Point brush_origin(Dc dc) {
  DcRecord* record = find_dc(dc);
  return record ? record->brush_origin : Point{};
}

std::uint32_t set_text_color(Dc dc, std::uint32_t rgb) {
  DcRecord* record = find_dc(dc);
  if (!record) return 0;
  std::uint32_t previous = record->text_color;
  record->text_color = rgb & 0x00FFFFFFu;
  return previous;
}

std::uint32_t set_background_color(Dc dc, std::uint32_t rgb) {
  DcRecord* record = find_dc(dc);
  if (!record) return 0;
  std::uint32_t previous = record->background_color;
  record->background_color = rgb & 0x00FFFFFFu;
  return previous;
}

int set_background_mode(Dc dc, int mode) {
  DcRecord* record = find_dc(dc);
  if (!record || (mode != kBackgroundTransparent && mode != kBackgroundOpaque)) return 0;
  int previous = record->background_mode;
  record->background_mode = mode;
  return previous;
}

std::uint32_t text_color(Dc dc) {
  DcRecord* record = find_dc(dc);
  return record ? record->text_color : 0;
}

std::uint32_t background_color(Dc dc) {
  DcRecord* record = find_dc(dc);
  return record ? record->background_color : 0;
}

int background_mode(Dc dc) {
  DcRecord* record = find_dc(dc);
  return record ? record->background_mode : 0;
}

bool block_copy(Dc dst, int x, int y, int w, int h, Dc src, int sx, int sy) {
  return internal::with_dc_pair(dst, src, [&](Bitmap& target, const Bitmap& source) {
    blit_bitmap(target, x, y, w, h, source, sx, sy);
  });
}

bool stretch_copy(Dc dst, int x, int y, int w, int h, Dc src, int sx, int sy, int sw, int sh) {
  int mode = stretch_mode(dst);
  return internal::with_dc_pair(dst, src, [&](Bitmap& target, const Bitmap& source) {
    stretch_bitmap(target, x, y, w, h, source, sx, sy, sw, sh, mode);
  });
}

bool fill_black(Dc dc, int x, int y, int w, int h) {
  return internal::with_dc_bitmap(dc,
                                  [&](Bitmap& target) { fill_bitmap_rect(target, x, y, w, h, 0); });
}

bool invert_rect(Dc dc, int x, int y, int w, int h) {
  return internal::with_dc_bitmap(dc,
                                  [&](Bitmap& target) { invert_bitmap_rect(target, x, y, w, h); });
}

void reset_dcs_for_tests() {
  internal::DcTable& t = internal::table();
  std::lock_guard lock(t.mutex);
  for (DcRecord& record : t.records) {
    record.kind = DcKind::Free;
    record.bitmap = nullptr;
  }
}

}  // namespace platform
