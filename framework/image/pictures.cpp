// Image buffers as plain memory, and pictures read and written without
// windows: what a program needs to work on whole buffers, from the desktop or
// from a batch run with no framework running.
#include <algorithm>
#include <cctype>
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
#include "platform/codec/animation.h"
#include "platform/codec/codec.h"
#include "platform/codec/memory_budget.h"
#include "platform/codec/png_words.h"
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
  if (r->bits == 8)
    buffer->palette = reinterpret_cast<const unsigned char*>(r->dib->palette.data());
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

// libdeflate's level for written PNG files. On an interlaced 1920 x 1080
// photograph levels 1 to 4 took the same time and level 1 made the smallest
// file (3.91 MB; 4.01 at 2 and 4); 6 was 30 % slower for 1 % less.
constexpr int kPngLevel = 1;

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

// A regular file's bytes, in a block that is not zero-filled first.
struct FileBytes {
  std::uint8_t* data = nullptr;
  std::size_t size = 0;
  ~FileBytes() { std::free(data); }
};

// The rest of an open regular file of `size` bytes, from its start.
int read_whole_file(int fd, std::size_t size, FileBytes& bytes) {
  if (lseek(fd, 0, SEEK_SET) != 0) return ORV_PICTURE_UNREADABLE;
  if (!platform::fits_memory_budget(size)) return ORV_PICTURE_NO_MEMORY;
  bytes.data = static_cast<std::uint8_t*>(platform::allocate_large(size));
  if (!bytes.data) return ORV_PICTURE_NO_MEMORY;
  while (bytes.size < size) {
    ssize_t n = ::read(fd, bytes.data + bytes.size, size - bytes.size);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return ORV_PICTURE_UNREADABLE;
    if (n == 0) break;  // a file that shrank meanwhile is read as far as it goes
    bytes.size += std::size_t(n);
  }
  return ORV_PICTURE_OK;
}

// Decodes an open regular file: the common PNG straight into words as it is
// read, every other picture (and any PNG the fast path leaves) through the
// general decoders.
// How a picture of w x h stored rows is shown upright under an EXIF
// orientation: the upright picture is width x height, and its pixel (x, y)
// is the stored pixel (x0 + xx·x + xy·y, y0 + yx·x + yy·y).
struct Turn {
  int width, height, x0, xx, xy, y0, yx, yy;
};

Turn turn_of(int orientation, int w, int h) {
  switch (orientation) {
    case 2:  // mirrored left to right
      return {w, h, w - 1, -1, 0, 0, 0, 1};
    case 3:  // turned half round
      return {w, h, w - 1, -1, 0, h - 1, 0, -1};
    case 4:  // mirrored top to bottom
      return {w, h, 0, 1, 0, h - 1, 0, -1};
    case 5:  // rows and columns swapped
      return {h, w, 0, 0, 1, 0, 1, 0};
    case 6:  // stored a quarter turn anticlockwise: shown turned clockwise
      return {h, w, 0, 0, 1, h - 1, -1, 0};
    case 7:  // swapped across the other diagonal
      return {h, w, w - 1, 0, -1, h - 1, -1, 0};
    case 8:  // stored a quarter turn clockwise: shown turned anticlockwise
      return {h, w, w - 1, 0, -1, 0, 1, 0};
    default:
      return {w, h, 0, 1, 0, 0, 0, 1};
  }
}

int decode_open_file(int fd, std::size_t size, ORV_Picture* picture) {
  std::uint32_t* words = nullptr;
  platform::CodecStatus fast =
      platform::decode_png_file_words(fd, size, &words, &picture->width, &picture->height);
  if (fast != platform::CodecStatus::UnknownEncoder) {
    picture->pixels = words;
    if (fast != platform::CodecStatus::Ok) *picture = ORV_Picture{};
    return result_of(fast);
  }
  FileBytes bytes;
  int result = read_whole_file(fd, size, bytes);
  if (result != ORV_PICTURE_OK) return result;
  platform::Picture decoded;
  result = result_of(platform::decode_picture(bytes.data, bytes.size, decoded));
  if (result != ORV_PICTURE_OK) return result;
  const int orientation =
      platform::detect_picture_format(bytes.data, bytes.size) == platform::PictureFormat::Jpeg
          ? platform::jpeg_exif_orientation(bytes.data, bytes.size)
          : 1;
  const Turn turn = turn_of(orientation, decoded.width, decoded.height);
  result = ORV_NewPicture(turn.width, turn.height, picture);
  if (result != ORV_PICTURE_OK) return result;
  std::uint32_t colours[256] = {};
  for (std::size_t i = 0; i < decoded.palette.size() && i < 256; ++i)
    colours[i] = decoded.palette[i] & 0xFFFFFF;
  auto stored = [&](int x, int y) {
    const std::size_t at = std::size_t(y) * std::size_t(decoded.width) + std::size_t(x);
    return decoded.bits == 32 ? decoded.pixels[at] : colours[decoded.indices[at]];
  };
  if (orientation == 1 && decoded.bits == 32) {  // upright already: the rows as they are
    std::memcpy(picture->pixels, decoded.pixels.data(),
                std::size_t(turn.width) * std::size_t(turn.height) * 4);
    return ORV_PICTURE_OK;
  }
  for (int y = 0; y < turn.height; ++y)
    for (int x = 0; x < turn.width; ++x) {
      const int sx = turn.x0 + turn.xx * x + turn.xy * y, sy = turn.y0 + turn.yx * x + turn.yy * y;
      picture->pixels[std::size_t(y) * std::size_t(turn.width) + std::size_t(x)] = stored(sx, sy);
    }
  return ORV_PICTURE_OK;
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
  picture->pixels = static_cast<unsigned int*>(platform::allocate_large(std::size_t(bytes)));
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
  // Opened without blocking and checked once open, so a FIFO, a device or a
  // folder is refused rather than waited on or read for ever, and nothing
  // can be swapped in between.
  int fd = path ? ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC) : -1;
  if (fd < 0) return ORV_PICTURE_UNREADABLE;
  struct stat st {};
  int result = fstat(fd, &st) == 0 && S_ISREG(st.st_mode)
                   ? decode_open_file(fd, std::size_t(st.st_size), picture)
                   : ORV_PICTURE_UNREADABLE;
  ::close(fd);
  return result;
}

int ORV_WritePng(const char* path, const ORV_PixelBuffer& pixels, double pixels_per_inch,
                 int threads) {
  (void)threads;
  if (!path || !pixels.pixels || pixels.bits != 32 || pixels.width < 1 || pixels.height < 1 ||
      pixels.stride % 4 != 0)
    return ORV_PICTURE_UNKNOWN;
  platform::EncodedPng bytes;
  platform::CodecStatus status = platform::encode_png_words(
      reinterpret_cast<const std::uint32_t*>(pixels.pixels), std::size_t(pixels.stride / 4),
      pixels.width, pixels.height, pixels_per_inch, kPngLevel, bytes);
  if (status == platform::CodecStatus::Ok) status = platform::write_whole_file(path, bytes);
  return result_of(status);
}

int ORV_WriteTiff(const char* path, const ORV_PixelBuffer& pixels, double pixels_per_inch) {
  if (!path || !pixels.pixels || pixels.bits != 32 || pixels.width < 1 || pixels.height < 1 ||
      pixels.stride % 4 != 0)
    return ORV_PICTURE_UNKNOWN;
  const std::uint64_t bytes = std::uint64_t(pixels.width) * std::uint64_t(pixels.height) * 4;
  if (!platform::fits_memory_budget(bytes)) return ORV_PICTURE_NO_MEMORY;
  platform::Picture picture;
  picture.width = pixels.width;
  picture.height = pixels.height;
  picture.pixels_per_inch = pixels_per_inch;
  picture.pixels.resize(std::size_t(pixels.width) * std::size_t(pixels.height));
  for (int y = 0; y < pixels.height; ++y) {
    const unsigned char* row = pixels.pixels + std::size_t(y) * std::size_t(pixels.stride);
    std::memcpy(picture.pixels.data() + std::size_t(y) * std::size_t(pixels.width), row,
                std::size_t(pixels.width) * 4);
  }
  std::vector<std::uint8_t> encoded;
  platform::CodecStatus status =
      platform::encode_picture_to_memory(picture, "image/tiff", 0, encoded);
  if (status == platform::CodecStatus::Ok)
    status = platform::write_whole_file(path, {platform::ByteSpan{encoded.data(), encoded.size()}});
  return result_of(status);
}

int ORV_WriteAnimation(const char* path, const ORV_PixelBuffer* frames, int count, int delay_ms) {
  if (!path || !frames || count < 1) return ORV_PICTURE_UNKNOWN;
  std::vector<const std::uint32_t*> words;
  for (int f = 0; f < count; ++f) {
    const ORV_PixelBuffer& b = frames[f];
    if (!b.pixels || b.bits != 32 || b.width != frames[0].width || b.height != frames[0].height ||
        b.stride != b.width * 4)
      return ORV_PICTURE_UNKNOWN;
    words.push_back(reinterpret_cast<const std::uint32_t*>(b.pixels));
  }
  std::string name = path;
  for (char& c : name) c = char(std::tolower(static_cast<unsigned char>(c)));
  const bool gif = name.size() > 4 && name.compare(name.size() - 4, 4, ".gif") == 0;
  const int delay_cs = std::max(1, (delay_ms + 5) / 10);
  std::vector<std::uint8_t> bytes;
  platform::CodecStatus status =
      gif ? platform::encode_animated_gif(words, frames[0].width, frames[0].height, delay_cs, bytes)
          : platform::encode_animated_png(words, frames[0].width, frames[0].height, delay_cs,
                                          bytes);
  if (status == platform::CodecStatus::Ok)
    status = platform::write_whole_file(path, {platform::ByteSpan{bytes.data(), bytes.size()}});
  return result_of(status);
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

void* ORV_AllocateLarge(unsigned long long bytes) {
  return platform::fits_memory_budget(bytes) ? platform::allocate_large(std::size_t(bytes))
                                             : nullptr;
}

unsigned long long ORV_MemoryBudget() {
  return platform::memory_budget();
}
