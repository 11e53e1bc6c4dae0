// Image buffers as plain memory, and pictures read and written without
// windows: what a program needs to work on whole buffers, from the desktop or
// from a batch run with no framework running.
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "framework/image/image_table.h"
#include "framework/orvlib.h"
#include "platform/codec/codec.h"
#include "platform/codec/memory_budget.h"
#include "platform/window.h"

int ORV_GetImageBuffer(int id, ORV_PixelBuffer* buffer) {
  if (!buffer) return 1;
  *buffer = ORV_PixelBuffer{};
  orv::ImageRecord* r = orv::image_in_use(id);
  if (!r || !r->dib) return 1;
  buffer->pixels = orv::image_pixels(id);
  buffer->width = r->width;
  buffer->height = r->height;
  buffer->stride = r->dib->stride;
  buffer->bits = r->bits;
  if (r->bits == 8) buffer->palette = reinterpret_cast<const unsigned char*>(r->dib->palette.data());
  return 0;
}

int ORV_GetImageWindowRect(int id, int* x, int* y, int* width, int* height) {
  orv::ImageRecord* r = orv::image_in_use(id);
  if (!r) return 1;
  platform::Rect rect = platform::window_rect(r->window);
  if (x) *x = rect.left;
  if (y) *y = rect.top;
  if (width) *width = rect.width();
  if (height) *height = rect.height();
  return 0;
}

int ORV_MoveImageWindow(int id, int x, int y) {
  orv::ImageRecord* r = orv::image_in_use(id);
  if (!r) return 1;
  platform::Rect rect = platform::window_rect(r->window);
  platform::move_window(r->window, {x, y, x + rect.width(), y + rect.height()});
  return 0;
}

namespace {

int result_of(platform::CodecStatus status) {
  switch (status) {
    case platform::CodecStatus::Ok:
      return ORV_PICTURE_OK;
    case platform::CodecStatus::FileNotFound:
    case platform::CodecStatus::FileUnreadable:
      return ORV_PICTURE_UNREADABLE;
    case platform::CodecStatus::TooLarge:
      return ORV_PICTURE_TOO_LARGE;
    case platform::CodecStatus::OutOfMemory:
      return ORV_PICTURE_NO_MEMORY;
    case platform::CodecStatus::WriteFailed:
      return ORV_PICTURE_WRITE_FAILED;
    default:
      return ORV_PICTURE_UNKNOWN;
  }
}

// A regular file's bytes. The file is opened without blocking and checked
// after opening, so a FIFO, a device or a folder is refused rather than
// waited on or read for ever, and nothing can be swapped in between.
int read_regular_file(const char* path, std::vector<std::uint8_t>& bytes) {
  int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return ORV_PICTURE_UNREADABLE;
  int result = ORV_PICTURE_UNREADABLE;
  struct stat st {};
  if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
    result = ORV_PICTURE_OK;
    try {
      bytes.resize(std::size_t(st.st_size));
    } catch (const std::bad_alloc&) {
      result = ORV_PICTURE_NO_MEMORY;
    }
    std::size_t got = 0;
    while (result == ORV_PICTURE_OK && got < bytes.size()) {
      ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) result = ORV_PICTURE_UNREADABLE;
      if (n <= 0) break;
      got += std::size_t(n);
    }
    bytes.resize(got);  // a file that shrank meanwhile is read as far as it goes
  }
  ::close(fd);
  return result;
}

}  // namespace

std::FILE* ORV_OpenRegularFile(const char* path) {
  int fd = path ? ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC) : -1;
  if (fd < 0) return nullptr;
  struct stat st {};
  // Checked once open, so nothing can be swapped in between; reads of a
  // regular file never block, so the flag can stay.
  std::FILE* file = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) ? fdopen(fd, "rb") : nullptr;
  if (!file) ::close(fd);
  return file;
}

int ORV_NewPicture(int width, int height, ORV_Picture* picture) {
  if (!picture) return ORV_PICTURE_UNKNOWN;
  *picture = ORV_Picture{};
  if (width < 1 || height < 1 || width > ORV_MAX_PICTURE_SIDE || height > ORV_MAX_PICTURE_SIDE)
    return ORV_PICTURE_TOO_LARGE;
  const std::uint64_t bytes = std::uint64_t(width) * std::uint64_t(height) * 4;
  if (!platform::fits_memory_budget(bytes)) return ORV_PICTURE_NO_MEMORY;
  // Not zero-filled: the caller writes every pixel.
  picture->pixels = static_cast<unsigned int*>(std::malloc(std::size_t(bytes)));
  if (!picture->pixels) return ORV_PICTURE_NO_MEMORY;
  picture->width = width;
  picture->height = height;
  return ORV_PICTURE_OK;
}

void ORV_FreePicture(ORV_Picture* picture) {
  if (!picture) return;
  std::free(picture->pixels);
  *picture = ORV_Picture{};
}

int ORV_ReadPicture(const char* path, ORV_Picture* picture) {
  if (!picture) return ORV_PICTURE_UNKNOWN;
  *picture = ORV_Picture{};
  if (!path) return ORV_PICTURE_UNREADABLE;
  std::vector<std::uint8_t> bytes;
  int result = read_regular_file(path, bytes);
  if (result != ORV_PICTURE_OK) return result;
  platform::Picture decoded;
  result = result_of(platform::decode_picture(bytes.data(), bytes.size(), decoded));
  if (result != ORV_PICTURE_OK) return result;
  bytes = {};
  result = ORV_NewPicture(decoded.width, decoded.height, picture);
  if (result != ORV_PICTURE_OK) return result;
  const std::size_t count = std::size_t(decoded.width) * std::size_t(decoded.height);
  if (decoded.bits == 32) {
    for (std::size_t i = 0; i < count; ++i) picture->pixels[i] = decoded.pixels[i] & 0xFFFFFF;
  } else {
    std::uint32_t colours[256] = {};
    for (std::size_t i = 0; i < decoded.palette.size() && i < 256; ++i)
      colours[i] = decoded.palette[i] & 0xFFFFFF;
    for (std::size_t i = 0; i < count; ++i) picture->pixels[i] = colours[decoded.indices[i]];
  }
  return ORV_PICTURE_OK;
}

int ORV_WritePng(const char* path, const ORV_PixelBuffer& pixels, double pixels_per_inch,
                 int threads) {
  (void)threads;
  if (!path || !pixels.pixels || pixels.bits != 32 || pixels.width < 1 || pixels.height < 1)
    return ORV_PICTURE_UNKNOWN;
  platform::Picture picture;
  try {
    picture.width = pixels.width;
    picture.height = pixels.height;
    picture.pixels.resize(std::size_t(pixels.width) * std::size_t(pixels.height));
  } catch (const std::bad_alloc&) {
    return ORV_PICTURE_NO_MEMORY;
  }
  for (int y = 0; y < pixels.height; ++y)
    std::memcpy(picture.pixels.data() + std::size_t(y) * pixels.width,
                pixels.pixels + std::size_t(y) * std::size_t(pixels.stride),
                std::size_t(pixels.width) * 4);
  picture.pixels_per_inch = pixels_per_inch;
  return result_of(platform::encode_picture(picture, "image/png", 0, path));
}

const char* ORV_PictureResultText(int result) {
  switch (result) {
    case ORV_PICTURE_OK:
      return "done";
    case ORV_PICTURE_UNREADABLE:
      return "cannot be read (missing, or not a regular file)";
    case ORV_PICTURE_UNKNOWN:
      return "not a picture this program reads";
    case ORV_PICTURE_TOO_LARGE:
      return "too large: a side over 32768 pixels, or more pixels than the file can hold";
    case ORV_PICTURE_NO_MEMORY:
      return "not enough memory";
    case ORV_PICTURE_WRITE_FAILED:
      return "cannot be written";
    default:
      return "unknown result";
  }
}

unsigned long long ORV_MemoryBudget() {
  return platform::memory_budget();
}
