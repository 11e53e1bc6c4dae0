// Whole-image transforms: inversion and mirroring in place through the
// image's memory context, quarter turns pixel by pixel from a packed copy,
// and size changes as one stretched copy from a copy of the old pixels into
// the re-created image.
//
// Rotations and size changes re-create the image with ORV_ResizeImage (same
// id, title, position, bits, zoom, scaling mode and palette; new window and
// buffer), so the pixels they keep must be copied out first.
#include "imaging/transform.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>

#include "framework/image/image_table.h"
#include "framework/orvlib.h"
#include "platform/bitmap.h"
#include "platform/draw/dc.h"
#include "platform/window.h"

namespace orv {
namespace {

// The largest side a pixel buffer can have (platform::create_bitmap refuses
// more). A size change past it is refused before the image is re-created:
// ORV_ResizeImage would destroy the image first and then fail to make the
// new one, losing the picture.
constexpr long long kMaxSide = 32768;

// Square tiles of the rotation, so that both the packed copy and the new
// buffer are walked through cache-sized pieces.
constexpr int kTile = 64;

void repaint(int id) {
  if (ImageRecord* r = image_in_use(id)) platform::invalidate_window(r->window);
}

// Mirrors the image onto itself: a stretched copy with a negative extent.
int flip(int id, bool horizontal) {
  ImageRecord* r = image_in_use(id);
  if (!r) return 1;
  const int w = r->width, h = r->height;
  // A mirror moves pixels and never changes them, so it runs in the
  // nearest-pixel mode whatever the image's scaling mode: the averaging mode
  // maps 8-bit indices through their colours back to the nearest entry, which
  // would turn an index into another one of the same colour.
  int mode = platform::set_stretch_mode(r->mem_dc, platform::kStretchColorOnColor);
  if (horizontal)
    platform::stretch_copy(r->mem_dc, w - 1, 0, -w, h, r->mem_dc, 0, 0, w, h);
  else
    platform::stretch_copy(r->mem_dc, 0, h - 1, w, -h, r->mem_dc, 0, 0, w, h);
  if (mode) platform::set_stretch_mode(r->mem_dc, mode);
  platform::invalidate_window(r->window);
  return 0;
}

// New pixel (x, y) of the turned image, W' = h wide and H' = w high, is
//   right turn: packed entry (W' - 1 - x) * H' + y, the former (y, h - 1 - x);
//   left turn:  packed entry x * H' + (H' - 1 - y), the former (w - 1 - y, x).
template <typename Pixel>
void turn(const Pixel* packed, platform::Bitmap& dst, bool right) {
  const int nw = dst.width, nh = dst.height;
  for (int ty = 0; ty < nh; ty += kTile) {
    for (int tx = 0; tx < nw; tx += kTile) {
      const int ey = std::min(nh, ty + kTile), ex = std::min(nw, tx + kTile);
      for (int y = ty; y < ey; ++y) {
        Pixel* row = reinterpret_cast<Pixel*>(dst.data.get() + std::size_t(y) * dst.stride);
        for (int x = tx; x < ex; ++x) {
          std::size_t from = right ? std::size_t(nw - 1 - x) * nh + y
                                   : std::size_t(x) * nh + std::size_t(nh - 1 - y);
          row[x] = packed[from];
        }
      }
    }
  }
}

int rotate(int id, bool right) {
  if (ORV_SelectImage(id) != 0) return 1;
  ImageRecord* r = image_in_use(id);
  const int w = r->width, h = r->height, bytes = r->bits / 8;
  std::unique_ptr<std::uint8_t[]> packed(new (std::nothrow)
                                             std::uint8_t[std::size_t(w) * h * bytes]);
  // Without room for the copy the image stays as it is.
  if (!packed) {
    repaint(id);
    return 3;
  }
  ORV_GetRect(packed.get(), 0, 0, w, h);
  int status = ORV_ResizeImage(id, h, w);
  if (status != 0) {
    repaint(id);
    return status;
  }
  // The row padding of a new 8-bit buffer is zero and is never written here.
  platform::Bitmap& dst = *image_record(id).dib;
  if (bytes == 4)
    turn(reinterpret_cast<const std::uint32_t*>(packed.get()), dst, right);
  else
    turn(packed.get(), dst, right);
  repaint(id);
  return 0;
}

}  // namespace

long long scaled_side(int size, int factor) {
  return (static_cast<long long>(size) * factor + 500) / 1000;
}

void invert_command(int image_id) {
  ORV_InvertImage(image_id);
}
void flip_horizontal_command(int image_id) {
  ORV_FlipHorizontal(image_id);
}
void flip_vertical_command(int image_id) {
  ORV_FlipVertical(image_id);
}
void rotate_right_command(int image_id) {
  ORV_RotateRight(image_id);
}
void rotate_left_command(int image_id) {
  ORV_RotateLeft(image_id);
}
void scale_command(int image_id, int factor) {
  ORV_ScaleImage(image_id, factor);
}

bool run_transform_command(int command, int image_id) {
  switch (command) {
    case kCommandInvert:
      invert_command(image_id);
      return true;
    case kCommandFlipHorizontal:
      flip_horizontal_command(image_id);
      return true;
    case kCommandFlipVertical:
      flip_vertical_command(image_id);
      return true;
    case kCommandRotateRight:
      rotate_right_command(image_id);
      return true;
    case kCommandRotateLeft:
      rotate_left_command(image_id);
      return true;
    case kCommandSize50:
      scale_command(image_id, kFactorSize50);
      return true;
    case kCommandSize70:
      scale_command(image_id, kFactorSize70);
      return true;
    case kCommandSize141:
      scale_command(image_id, kFactorSize141);
      return true;
    case kCommandSize200:
      scale_command(image_id, kFactorSize200);
      return true;
    default:
      return false;
  }
}

}  // namespace orv

int ORV_InvertImage(int id) {
  orv::ImageRecord* r = orv::image_in_use(id);
  if (!r) return 1;
  platform::invert_rect(r->mem_dc, 0, 0, r->width, r->height);
  platform::invalidate_window(r->window);
  return 0;
}

int ORV_FlipHorizontal(int id) {
  return orv::flip(id, true);
}

int ORV_FlipVertical(int id) {
  return orv::flip(id, false);
}

int ORV_RotateRight(int id) {
  return orv::rotate(id, true);
}

int ORV_RotateLeft(int id) {
  return orv::rotate(id, false);
}

// The old pixels go into a bitmap of a temporary context; after the
// re-creation one stretched copy in the image's scaling mode fills the new
// buffer from it.
int ORV_ScaleImage(int id, int factor) {
  if (factor < 1 || ORV_SelectImage(id) != 0) return 1;
  orv::ImageRecord* r = orv::image_in_use(id);
  const int w = r->width, h = r->height;
  // A side that rounds to 0 becomes 1, as ORV_ResizeImage would make it.
  const long long nw = std::max(1LL, orv::scaled_side(w, factor));
  const long long nh = std::max(1LL, orv::scaled_side(h, factor));
  if (nw > orv::kMaxSide || nh > orv::kMaxSide) return 3;
  std::unique_ptr<platform::Bitmap> copy = platform::create_bitmap(w, h, r->bits);
  platform::Dc temp = copy ? platform::create_memory_dc() : platform::Dc{};
  if (!temp) return 3;
  copy->palette = r->dib->palette;
  platform::Bitmap* held = platform::select_bitmap(temp, copy.get());
  platform::block_copy(temp, 0, 0, w, h, r->mem_dc, 0, 0);
  int status = ORV_ResizeImage(id, int(nw), int(nh));
  if (status == 0) {
    orv::ImageRecord& fresh = orv::image_record(id);
    platform::stretch_copy(fresh.mem_dc, 0, 0, int(nw), int(nh), temp, 0, 0, w, h);
    platform::invalidate_window(fresh.window);
  }
  platform::select_bitmap(temp, held);
  platform::delete_dc(temp);
  return status;
}
