// The image table and the lifecycle of image windows: creation with the
// size fitting, destruction, re-creation at a new size, palettes, lookup by
// window, and the current-image selection that every creation ends with.
#include "framework/image/image_table.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "framework/core/main_window.h"
#include "framework/core/pump.h"
#include "framework/core/snap.h"
#include "framework/image/image_window.h"
#include "framework/image/pick_state.h"
#include "framework/orvlib.h"
#include "platform/window.h"

namespace orv {

CurrentPixels g_current_pixels;

namespace {

struct ImageTable {
  ImageRecord records[kImageCount];
  std::uint8_t* pixels[kImageCount] = {};
  int current = 0;
  int stack[8] = {};
};

ImageTable g_images;
// The windows of the images in use, for readers on other threads.
std::mutex g_windows_mutex;
platform::Window g_windows[kImageCount];

void publish_window(int id, platform::Window window) {
  std::lock_guard lock(g_windows_mutex);
  g_windows[id] = window;
}

std::unique_ptr<platform::Bitmap> default_allocator(int width, int height, int bits) {
  return platform::create_bitmap(width, height, bits);
}
BitmapAllocator g_allocator = default_allocator;

bool valid_id(int id) {
  return unsigned(id) < unsigned(kImageCount);
}

void set_grey_palette(platform::Bitmap& bitmap) {
  for (int i = 0; i < 256; ++i) {
    auto v = std::uint8_t(i);
    bitmap.palette[std::size_t(i)] = {v, v, v, 0};
  }
}

// Where a window goes when the caller leaves the place to the system:
// cascaded from the top left, as a desktop places new windows.
int default_coordinate(int id) {
  return 60 + 24 * (id % 10);
}

void refresh_current_pixels() {
  CurrentPixels view;
  const ImageRecord& r = g_images.records[g_images.current];
  if (r.in_use && r.dib) view = {r.dib->data.get(), r.width, r.height, r.bits, r.dib->stride};
  g_current_pixels = view;
}

void push_selection(int id) {
  std::memmove(g_images.stack + 1, g_images.stack, sizeof g_images.stack - sizeof(int));
  g_images.stack[0] = g_images.current;
  g_images.current = id;
  refresh_current_pixels();
}

// The platform parts of a record, in the reverse order of their making.
void release_platform_parts(ImageRecord& r) {
  if (r.mem_dc) platform::select_bitmap(r.mem_dc, r.old_bitmap);
  r.dib.reset();
  platform::delete_dc(r.mem_dc);
  platform::delete_dc(r.window_dc);
  if (r.window) platform::destroy_window(r.window);
  ImageRecord empty;
  r = std::move(empty);
}

struct Creation {
  int id = 0;
  const char* title = "";
  int x = -1;
  int y = -1;
  int width = 1;
  int height = 1;
  int bits = 32;
  int zoom = 100;
  int fit_to_screen = 1;
  // A buffer of the right size made beforehand, taken instead of a new one.
  std::unique_ptr<platform::Bitmap>* prepared = nullptr;
};

// The window, its contexts and its buffer; false (with nothing left behind)
// when a part cannot be made.
bool make_window(ImageRecord& r, const Creation& c) {
  r.title = c.title ? c.title : "";
  platform::Rect client{0, 0, r.disp_width, r.disp_height};
  platform::Rect outer = platform::adjust_window_rect(client, kImageWindowStyle, false);
  int x = c.x == -1 ? default_coordinate(c.id) : c.x;
  int y = c.y == -1 ? default_coordinate(c.id) : c.y;
  platform::CreateParams params;
  params.class_name = kImageWindowClass;
  params.caption = to_platform_text(image_caption(r).c_str(), 256);
  params.style = kImageWindowStyle;
  params.outer = {x, y, x + outer.width(), y + outer.height()};
  params.owner = main_window();
  r.window = platform::create_window(params);
  if (!r.window) return false;
  platform::set_foreground(r.window);
  platform::accept_drops(r.window, true);
  r.window_dc = platform::create_window_dc(r.window);
  r.mem_dc = platform::create_memory_dc();
  for (platform::Dc dc : {r.window_dc, r.mem_dc}) {
    platform::set_stretch_mode(dc, platform::kStretchColorOnColor);
    platform::set_brush_origin(dc, {0, 0});
  }
  // A window made before its buffer fails is destroyed again: nothing may
  // use a half-made image window.
  r.dib =
      c.prepared && *c.prepared ? std::move(*c.prepared) : g_allocator(r.width, r.height, r.bits);
  if (!r.dib) return false;
  set_grey_palette(*r.dib);
  r.old_bitmap = platform::select_bitmap(r.mem_dc, r.dib.get());
  return true;
}

int create_from(const Creation& c) {
  if (!valid_id(c.id)) return 4;
  ImageRecord& r = g_images.records[c.id];
  if (r.in_use) return 1;
  if (c.bits != 8 && c.bits != 32) return 3;
  FittedSize fitted;
  int width = std::max(1, c.width), height = std::max(1, c.height);
  if (!fit_size(width, height, c.zoom, size_limits(c.fit_to_screen != 0), &fitted)) return 2;
  r.bits = c.bits;
  r.fit_to_screen = c.fit_to_screen;
  r.width = width;
  r.height = height;
  r.zoom = fitted.zoom;
  r.disp_width = fitted.disp_width;
  r.disp_height = fitted.disp_height;
  if (!make_window(r, c)) {
    release_platform_parts(r);
    return 3;
  }
  g_images.pixels[c.id] = r.dib->data.get();
  r.in_use = 1;
  publish_window(c.id, r.window);
  platform::invalidate_window(r.window);
  rebuild_snap_list();
  ORV_SelectImage(c.id);
  return 0;
}

}  // namespace

int create_image(int id, const char* title, int x, int y, int width, int height, int bits, int zoom,
                 int fit_to_screen) {
  return create_from({id, title, x, y, width, height, bits, zoom, fit_to_screen});
}

ImageRecord& image_record(int id) {
  return g_images.records[id];
}

std::uint8_t* image_pixels(int id) {
  return valid_id(id) ? g_images.pixels[id] : nullptr;
}

ImageRecord* image_in_use(int id) {
  return valid_id(id) && g_images.records[id].in_use ? &g_images.records[id] : nullptr;
}

std::vector<platform::Window> image_windows_in_id_order() {
  std::lock_guard lock(g_windows_mutex);
  std::vector<platform::Window> windows;
  for (platform::Window w : g_windows)
    if (w) windows.push_back(w);
  return windows;
}

platform::Window image_window(int id) {
  if (id < 0 || id >= kImageCount) return {};
  std::lock_guard lock(g_windows_mutex);
  return g_windows[id];
}

int current_image() {
  return g_images.current;
}

SizeLimits size_limits(bool fit_to_screen) {
  platform::ScreenMetrics m = platform::screen_metrics();
  if (!fit_to_screen) return {1, 1, 2 * m.screen_width, 2 * m.screen_height};
  return {m.min_window_width - 2 * m.frame, m.min_window_height - 2 * m.frame - m.caption,
          m.screen_width, m.screen_height - m.caption};
}

// In double precision and in this order, so that a zoom that does not divide
// evenly lands where it always has (23 pixels at zoom 10 give 9). The
// products are taken in 64 bits: a huge typed zoom cannot overflow.
bool fit_size(int w, int h, int z, const SizeLimits& limits, FittedSize* fitted) {
  double W = double(std::int64_t(w) * z) / 100.0;
  W = std::max(1.0, std::min(double(limits.max_width), W));
  double H = double(std::int64_t(h) * z) / 100.0;
  H = std::max(1.0, std::min(double(limits.max_height), H));
  double best = std::min(100.0 * W / w, 100.0 * H / h);
  std::int64_t zoom = std::int64_t(best);
  auto display = [&](std::int64_t size) { return zoom * size / 100; };
  std::int64_t dw = display(w), dh = display(h);
  if (dw < limits.min_width || dh < limits.min_height) {
    zoom = std::max(std::int64_t(std::ceil(100.0 * limits.min_width / w)),
                    std::int64_t(std::ceil(100.0 * limits.min_height / h)));
    dw = display(w);
    dh = display(h);
    if (dw > limits.max_width || dh > limits.max_height) return false;
  }
  if (zoom > INT32_MAX) return false;
  *fitted = {int(zoom), int(dw), int(dh)};
  return true;
}

std::string image_caption(const ImageRecord& r) {
  char caption[256];
  std::snprintf(caption, sizeof caption, r.bits == 8 ? "%s(%d%%)[8bit]" : "%s(%d%%)",
                r.title.c_str(), r.zoom);
  std::string text = caption;
  if (r.mem_dc && platform::stretch_mode(r.mem_dc) == platform::kStretchHalftone &&
      text.size() < 255)
    text += '*';
  return text;
}

void set_image_allocator_for_tests(BitmapAllocator allocator) {
  g_allocator = allocator ? allocator : default_allocator;
}

void reset_images_for_tests() {
  for (int id = 0; id < kImageCount; ++id) {
    if (g_images.records[id].in_use) ORV_DestroyImage(id);
    g_images.pixels[id] = nullptr;
  }
  g_images.current = 0;
  std::fill(std::begin(g_images.stack), std::end(g_images.stack), 0);
  refresh_current_pixels();
  g_allocator = default_allocator;
}

int image_of_window(platform::Window window) {
  for (int id = 0; id < kImageCount; ++id)
    if (g_images.records[id].in_use && g_images.records[id].window == window) return id;
  return -1;
}

int select_image_of_window(platform::Window window) {
  int id = image_of_window(window);
  return ORV_SelectImage(id) == 0 ? id : -1;
}

}  // namespace orv

int ORV_CreateImage(int id, const char* title, int x, int y, int width, int height, int zoom) {
  return orv::create_from({id, title, x, y, width, height, 32, zoom, 1});
}
int ORV_CreateImageFL(int id, const char* title, int x, int y, int width, int height, int zoom) {
  return orv::create_from({id, title, x, y, width, height, 32, zoom, 0});
}
int ORV_CreateImage8(int id, const char* title, int x, int y, int width, int height, int zoom) {
  return orv::create_from({id, title, x, y, width, height, 8, zoom, 1});
}
int ORV_CreateImage8FL(int id, const char* title, int x, int y, int width, int height, int zoom) {
  return orv::create_from({id, title, x, y, width, height, 8, zoom, 0});
}

int ORV_DestroyImage(int id) {
  orv::ImageRecord* r = orv::image_in_use(id);
  if (!r) return 1;
  r->in_use = 0;
  orv::pick_image_destroyed(id);  // a tool waiting on it must not erase into freed pixels
  orv::publish_window(id, {});
  orv::release_platform_parts(*r);
  orv::refresh_current_pixels();
  orv::rebuild_snap_list();
  return 0;
}

// The new size is fitted before the old image goes: a size the limits refuse
// leaves the image as it was and returns the same status a creation would.
int ORV_ResizeImage(int id, int width, int height) {
  orv::ImageRecord* r = orv::image_in_use(id);
  if (!r) return 1;
  orv::FittedSize fitted;
  if (!orv::fit_size(std::max(1, width), std::max(1, height), r->zoom, orv::size_limits(true),
                     &fitted))
    return 2;
  std::string title = r->title.substr(0, 255);
  int bits = r->bits, zoom = r->zoom;
  platform::Rect outer = platform::window_rect(r->window);
  int mode = platform::stretch_mode(r->window_dc);
  auto palette = r->dib->palette;
  // The new buffer comes first: without the memory for it, the image stays.
  std::unique_ptr<platform::Bitmap> buffer =
      orv::g_allocator(std::max(1, width), std::max(1, height), bits);
  if (!buffer) return 3;
  ORV_DestroyImage(id);
  int status = orv::create_from(
      {id, title.c_str(), outer.left, outer.top, width, height, bits, zoom, 1, &buffer});
  if (status != 0) return status;
  if (bits == 8) orv::image_record(id).dib->palette = palette;
  ORV_SetImageStretchMode(mode, id);
  return 0;
}

int ORV_SelectImage(int id) {
  if (!orv::image_in_use(id)) return 1;
  orv::push_selection(id);
  return 0;
}

int ORV_RestoreImage() {
  int previous = orv::g_images.stack[0];
  if (!orv::image_in_use(previous)) return 1;
  orv::g_images.current = previous;
  std::memmove(orv::g_images.stack, orv::g_images.stack + 1,
               sizeof orv::g_images.stack - sizeof(int));
  orv::refresh_current_pixels();
  return 0;
}

int ORV_SetPalette(const unsigned char* entries, int count) {
  orv::ImageRecord* r = orv::image_in_use(orv::current_image());
  if (!r) return 1;
  if (r->bits != 8) return 2;
  count = std::clamp(count, 0, 256);
  for (int i = 0; entries && i < count; ++i) {
    const unsigned char* e = entries + 4 * i;
    r->dib->palette[std::size_t(i)] = {e[0], e[1], e[2], e[3]};
  }
  platform::invalidate_window(r->window);
  return 0;
}

int ORV_GetPalette(unsigned char* entries) {
  orv::ImageRecord* r = orv::image_in_use(orv::current_image());
  if (!r) return 1;
  if (r->bits != 8) return 2;
  for (int i = 0; entries && i < 256; ++i) {
    const platform::PaletteEntry& p = r->dib->palette[std::size_t(i)];
    unsigned char* e = entries + 4 * i;
    e[0] = p.blue;
    e[1] = p.green;
    e[2] = p.red;
    e[3] = p.reserved;
  }
  return 0;
}
