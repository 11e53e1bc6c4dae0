// Single pixels, rows and rectangles of the current image, and clearing.
//
// Each call reads where the current image's pixels are (kept up to date by
// the image table on every selection, creation and destruction) and tests
// the point as unsigned numbers against the image size, so negative
// coordinates are outside. A
// current image that is not in use (destroyed, or never made) has no
// pixels: writes do nothing and reads answer their outside value.
#include "imaging/pixels.h"

#include <cstdint>
#include <cstring>

#include "framework/image/image_table.h"
#include "framework/orvlib.h"

namespace orv {
namespace {

Pen g_pen;

// The address of pixel (x, y) of the current image, or nullptr outside it.
struct PixelRef {
  std::uint8_t* byte = nullptr;   // 8-bit images
  std::uint32_t* word = nullptr;  // 32-bit images
};

inline PixelRef pixel_at(int x, int y) {
  const CurrentPixels& v = current_pixels();
  if (unsigned(x) >= unsigned(v.width) || unsigned(y) >= unsigned(v.height)) return {};
  std::uint8_t* row = v.base + std::size_t(y) * std::size_t(v.stride);
  if (v.bits == 32) return {nullptr, reinterpret_cast<std::uint32_t*>(row) + x};
  return {row + x, nullptr};
}

void plot(int x, int y, int colour) {
  PixelRef p = pixel_at(x, y);
  if (p.word)
    *p.word = std::uint32_t(colour);
  else if (p.byte)
    *p.byte = std::uint8_t(colour);
}

void invert(int x, int y) {
  PixelRef p = pixel_at(x, y);
  if (p.word)
    *p.word ^= 0x00FFFFFFu;
  else if (p.byte)
    *p.byte = std::uint8_t(~*p.byte);
}

int read(int x, int y, int outside) {
  PixelRef p = pixel_at(x, y);
  if (p.word) return int(*p.word);
  if (p.byte) return *p.byte;
  return outside;
}

// Packed rows of w entries from (x0, y0); 0 for points outside the image.
template <class Entry>
void copy_rect(Entry* dst, int x0, int y0, int w, int h) {
  for (int j = 0; j < h; ++j)
    for (int i = 0; i < w; ++i) dst[std::size_t(j) * w + i] = Entry(read(x0 + i, y0 + j, 0));
}

}  // namespace

Pen& pen() {
  return g_pen;
}

void reset_pen_for_tests() {
  g_pen = {};
}

}  // namespace orv

void ORV_SetPixel(int x, int y, int colour) {
  orv::g_pen = {x, y};
  orv::plot(x, y, colour);
}

void orv::plot_pixel(int x, int y, int colour) {
  orv::plot(x, y, colour);
}

int ORV_GetPixel(int x, int y) {
  return orv::read(x, y, 0);
}

int orv::read_pixel(int x, int y) {
  return orv::read(x, y, -1);
}

void ORV_XorPixel(int x, int y) {
  orv::g_pen = {x, y};
  orv::invert(x, y);
}

void orv::xor_plot_pixel(int x, int y) {
  orv::invert(x, y);
}

void ORV_GetRow(void* dst, int y, int count) {
  orv::ImageRecord* r = orv::image_in_use(orv::current_image());
  if (!r || !dst || count <= 0) return;
  if (r->bits == 32)
    orv::copy_rect(static_cast<std::uint32_t*>(dst), 0, y, count, 1);
  else
    orv::copy_rect(static_cast<std::uint8_t*>(dst), 0, y, count, 1);
}

void ORV_GetRect(void* dst, int x0, int y0, int w, int h) {
  orv::ImageRecord* r = orv::image_in_use(orv::current_image());
  if (!r || !dst || w <= 0 || h <= 0) return;
  if (r->bits == 32)
    orv::copy_rect(static_cast<std::uint32_t*>(dst), x0, y0, w, h);
  else
    orv::copy_rect(static_cast<std::uint8_t*>(dst), x0, y0, w, h);
}

// Checks its id and that the image is in use (its only caller passes one,
// but a stale id must never clear freed memory).
void ORV_ClearImage(int id) {
  orv::ImageRecord* r = orv::image_in_use(id);
  if (!r) return;
  std::memset(orv::image_pixels(id), 0, std::size_t(r->dib->stride) * r->height);
}
