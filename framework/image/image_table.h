// The image table: 256 records of image windows, their pixel buffers, the
// size fitting and the window class (internal; user programs use the ORV_
// calls of framework/orvlib.h).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/bitmap.h"
#include "platform/draw/dc.h"
#include "platform/message.h"

namespace orv {

constexpr int kImageCount = 256;

// One image window. Written only on the worker thread; the main thread reads
// `in_use` alone (to pick a free id).
struct ImageRecord {
  int in_use = 0;  // set last at creation, cleared first at destruction and during a zoom change
  int bits = 0;    // 32 or 8
  int width = 0;
  int height = 0;
  int disp_width = 0;  // client size: zoom * width / 100
  int disp_height = 0;
  int zoom = 0;           // percent
  int fit_to_screen = 0;  // 1: screen limits; 0: free limits
  platform::Window window;
  platform::Dc mem_dc;  // holds `dib` for the window's whole life
  platform::Dc window_dc;
  std::unique_ptr<platform::Bitmap> dib;  // owns the pixel buffer
  platform::Bitmap* old_bitmap = nullptr;
  std::string title;  // without the zoom suffix
};

ImageRecord& image_record(int id);
// The first byte of image id's pixel buffer; the slot keeps its value after
// destruction, so every use checks `in_use` first.
std::uint8_t* image_pixels(int id);
// The record of an id in 0..255 that is in use, else nullptr.
ImageRecord* image_in_use(int id);

// The id whose pixels the pixel and drawing calls use.
int current_image();

// Where the current image's pixels are, for the per-pixel calls. It is made
// again whenever the current image changes or the image it names is created
// or destroyed, so it always says what the table says; a current image that
// is not in use has size 0 x 0, so every point is outside it.
struct CurrentPixels {
  std::uint8_t* base = nullptr;
  int width = 0;
  int height = 0;
  int bits = 0;
  int stride = 0;  // bytes per row
};
extern CurrentPixels g_current_pixels;
inline const CurrentPixels& current_pixels() {
  return g_current_pixels;
}
// Windows of the images in use, lowest id first (for the snap list; any thread).
std::vector<platform::Window> image_windows_in_id_order();
// The window of image `id`, or a null window when it has none (any thread).
platform::Window image_window(int id);

// Client-area limits for the size fitting.
struct SizeLimits {
  int min_width = 1;
  int min_height = 1;
  int max_width = 1;
  int max_height = 1;
};
SizeLimits size_limits(bool fit_to_screen);

struct FittedSize {
  int zoom = 0;
  int disp_width = 0;
  int disp_height = 0;
};
// The zoom and client size for an image of w x h (both at least 1) asked for
// at zoom z; false when no zoom fits the limits.
bool fit_size(int w, int h, int z, const SizeLimits& limits, FittedSize* fitted);

// The creation routine the four ORV_CreateImage calls share (bits 32 or 8,
// fit_to_screen 1 or 0); the framework's own commands call it directly.
int create_image(int id, const char* title, int x, int y, int width, int height, int bits, int zoom,
                 int fit_to_screen);

// The caption: "%s(%d%%)" or "%s(%d%%)[8bit]", then "*" in HALFTONE mode.
std::string image_caption(const ImageRecord& r);

// The "orv_iw" class; false when it cannot be registered.
bool register_image_window_class();
// Allocation of image buffers, replaceable by tests to make it fail.
using BitmapAllocator = std::unique_ptr<platform::Bitmap> (*)(int width, int height, int bits);
void set_image_allocator_for_tests(BitmapAllocator allocator);
// Frees every image (between tests).
void reset_images_for_tests();

// The id of the in-use record whose window this is, searching from 0; -1 if none.
int image_of_window(platform::Window window);
// image_of_window, then ORV_SelectImage of that id; the id or -1.
int select_image_of_window(platform::Window window);

}  // namespace orv
