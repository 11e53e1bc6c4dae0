// Format detection, decoding dispatch, file reading and writing, the encoder
// table, and the helpers every codec file shares.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <new>
#include <string>

#include "platform/codec/codec_internal.h"
#include "platform/codec/memory_budget.h"

namespace platform {

using namespace codec;

namespace {

constexpr EncoderInfo kEncoders[] = {
    {"image/bmp", ".bmp"}, {"image/jpeg", ".jpg"}, {"image/gif", ".gif"},
    {"image/png", ".png"}, {"image/tiff", ".tif"},
};

// Files larger than this are refused before reading: no accepted picture
// needs more (1 GiB of pixels plus headers).
constexpr long long kMaxFileSize = (1LL << 30) + (1LL << 20);

bool starts_with(const std::uint8_t* data, std::size_t size, const char* magic, std::size_t n) {
  return size >= n && std::memcmp(data, magic, n) == 0;
}

// Reads a whole regular file.
CodecStatus read_file(const char* path, std::vector<std::uint8_t>& bytes) {
  struct stat st {};
  if (path == nullptr || stat(path, &st) != 0 || !S_ISREG(st.st_mode))
    return CodecStatus::FileNotFound;
  if (st.st_size > kMaxFileSize) return CodecStatus::TooLarge;
  if (!fits_memory_budget(std::uint64_t(st.st_size))) return CodecStatus::OutOfMemory;
  std::FILE* file = std::fopen(path, "rb");
  if (file == nullptr) return CodecStatus::FileUnreadable;
  CodecStatus result = CodecStatus::FileUnreadable;
  try {
    bytes.resize(std::size_t(st.st_size));
    std::size_t got = bytes.empty() ? 0 : std::fread(bytes.data(), 1, bytes.size(), file);
    // A file that shrank while being read is read as far as it goes.
    if (!std::ferror(file)) {
      bytes.resize(got);
      result = CodecStatus::Ok;
    }
  } catch (const std::bad_alloc&) {
    result = CodecStatus::OutOfMemory;
  }
  std::fclose(file);
  return result;
}

}  // namespace

const char* codec_status_name(CodecStatus status) {
  switch (status) {
    case CodecStatus::Ok:
      return "ok";
    case CodecStatus::FileNotFound:
      return "file not found";
    case CodecStatus::FileUnreadable:
      return "file unreadable";
    case CodecStatus::NotDecodable:
      return "not decodable";
    case CodecStatus::TooLarge:
      return "too large";
    case CodecStatus::WriteFailed:
      return "write failed";
    case CodecStatus::UnknownEncoder:
      return "unknown encoder";
    case CodecStatus::BadArgument:
      return "bad argument";
    case CodecStatus::OutOfMemory:
      return "out of memory";
  }
  return "unknown status";
}

PictureFormat detect_picture_format(const std::uint8_t* data, std::size_t size) {
  if (data == nullptr) return PictureFormat::Unknown;
  if (starts_with(data, size, "\x89PNG\r\n\x1a\n", 8)) return PictureFormat::Png;
  if (starts_with(data, size, "\xff\xd8\xff", 3)) return PictureFormat::Jpeg;
  if (starts_with(data, size, "GIF87a", 6) || starts_with(data, size, "GIF89a", 6))
    return PictureFormat::Gif;
  if (starts_with(data, size, "II*\0", 4) || starts_with(data, size, "MM\0*", 4) ||
      starts_with(data, size, "II+\0", 4) || starts_with(data, size, "MM\0+", 4))
    return PictureFormat::Tiff;
  if (starts_with(data, size, "BM", 2)) return PictureFormat::Bmp;
  // Icons and cursors: reserved 0, type 1 or 2, at least one entry.
  if (size >= 6 && get_u16le(data) == 0 && (get_u16le(data + 2) == 1 || get_u16le(data + 2) == 2) &&
      get_u16le(data + 4) != 0)
    return PictureFormat::Ico;
  if (starts_with(data, size, "\xd7\xcd\xc6\x9a", 4)) return PictureFormat::Wmf;
  if (size >= 44 && get_u32le(data) == 1 && std::memcmp(data + 40, " EMF", 4) == 0)
    return PictureFormat::Emf;
  return PictureFormat::Unknown;
}

namespace codec {

CodecStatus check_picture_size(std::int64_t width, std::int64_t height, std::size_t input_size,
                               std::int64_t pixels_per_byte) {
  if (width <= 0 || height <= 0) return CodecStatus::NotDecodable;
  if (width > kMaxPictureSide || height > kMaxPictureSide) return CodecStatus::TooLarge;
  std::int64_t pixels = width * height;
  if (pixels > kMaxPicturePixels) return CodecStatus::TooLarge;
  if (pixels_per_byte > 0 && pixels > kBaselinePixels &&
      pixels / pixels_per_byte > std::int64_t(input_size))
    return CodecStatus::TooLarge;
  return CodecStatus::Ok;
}

CodecStatus prepare_picture(Picture& out, int width, int height, int bits) {
  clear_picture(out);
  std::size_t count = std::size_t(width) * std::size_t(height);
  if (!fits_memory_budget(std::uint64_t(count) * (bits == 8 ? 1 : 4)))
    return CodecStatus::OutOfMemory;
  if (bits == 8) {
    out.indices.assign(count, 0);
  } else {
    out.pixels.assign(count, 0);
  }
  out.width = width;
  out.height = height;
  out.bits = bits;
  return CodecStatus::Ok;
}

void clear_picture(Picture& out) {
  out.width = 0;
  out.height = 0;
  out.bits = 32;
  std::vector<std::uint32_t>().swap(out.palette);
  std::vector<std::uint32_t>().swap(out.pixels);
  std::vector<std::uint8_t>().swap(out.indices);
}

std::uint32_t picture_colour(const Picture& picture, std::size_t i) {
  if (picture.bits == 32) return picture.pixels[i] & 0xFFFFFF;
  std::uint8_t index = picture.indices[i];
  return index < picture.palette.size() ? picture.palette[index] & 0xFFFFFF : 0;
}

bool picture_is_valid(const Picture& picture) {
  if (picture.width <= 0 || picture.height <= 0) return false;
  if (picture.width > kMaxPictureSide || picture.height > kMaxPictureSide) return false;
  std::size_t count = std::size_t(picture.width) * std::size_t(picture.height);
  if (std::int64_t(count) > kMaxPicturePixels) return false;
  if (picture.bits == 32) return picture.pixels.size() == count;
  if (picture.bits == 8) return picture.indices.size() == count && picture.palette.size() <= 256;
  return false;
}

std::vector<std::uint32_t> padded_palette(const Picture& picture, std::size_t count) {
  std::size_t used = 0;
  for (std::uint8_t index : picture.indices) used = std::max<std::size_t>(used, index + 1u);
  std::size_t size = std::max({count, used, picture.palette.size()});
  std::vector<std::uint32_t> palette(std::min<std::size_t>(size, 256), 0);
  for (std::size_t i = 0; i < picture.palette.size() && i < palette.size(); ++i)
    palette[i] = picture.palette[i] & 0xFFFFFF;
  return palette;
}

CodecStatus decode_picture_as(PictureFormat format, const std::uint8_t* data, std::size_t size,
                              Picture& out) {
  CodecStatus result = CodecStatus::NotDecodable;
  clear_picture(out);
  if (data == nullptr || size == 0) return result;
  try {
    switch (format) {
      case PictureFormat::Bmp:
        result = decode_bmp(data, size, out);
        break;
      case PictureFormat::Jpeg:
        result = decode_jpeg(data, size, out);
        break;
      case PictureFormat::Gif:
        result = decode_gif(data, size, out);
        break;
      case PictureFormat::Png:
        result = decode_png(data, size, out);
        break;
      case PictureFormat::Tiff:
        result = decode_tiff(data, size, out);
        break;
      case PictureFormat::Ico:
        result = decode_ico(data, size, out);
        break;
      default:
        result = CodecStatus::NotDecodable;
        break;
    }
  } catch (const std::bad_alloc&) {
    result = CodecStatus::OutOfMemory;
  }
  if (result == CodecStatus::Ok && !picture_is_valid(out)) result = CodecStatus::NotDecodable;
  if (result != CodecStatus::Ok) clear_picture(out);
  return result;
}

}  // namespace codec

CodecStatus decode_picture(const std::uint8_t* data, std::size_t size, Picture& out) {
  return decode_picture_as(detect_picture_format(data, size), data, size, out);
}

CodecStatus load_picture(const char* path, Picture& out) {
  clear_picture(out);
  std::vector<std::uint8_t> bytes;
  CodecStatus result = read_file(path, bytes);
  if (result != CodecStatus::Ok) return result;
  return decode_picture(bytes.data(), bytes.size(), out);
}

CodecStatus decode_packed_dib(const std::uint8_t* data, std::size_t size, Picture& out) {
  CodecStatus result = CodecStatus::NotDecodable;
  clear_picture(out);
  if (data == nullptr || size == 0) return result;
  try {
    result = decode_dib(data, size, out);
  } catch (const std::bad_alloc&) {
    result = CodecStatus::OutOfMemory;
  }
  if (result != CodecStatus::Ok) clear_picture(out);
  return result;
}

int encoder_count() {
  return int(std::size(kEncoders));
}

const EncoderInfo* encoder_at(int index) {
  if (index < 0 || index >= encoder_count()) return nullptr;
  return &kEncoders[index];
}

CodecStatus encode_picture_to_memory(const Picture& picture, const char* mime_type, int quality,
                                     std::vector<std::uint8_t>& out) {
  out.clear();
  if (mime_type == nullptr) return CodecStatus::UnknownEncoder;
  int format = -1;
  for (int i = 0; i < encoder_count(); ++i)
    if (std::strcmp(kEncoders[i].mime_type, mime_type) == 0) format = i;
  if (format < 0) return CodecStatus::UnknownEncoder;
  if (!picture_is_valid(picture) || quality < 0 || quality > 100) return CodecStatus::BadArgument;
  CodecStatus result = CodecStatus::BadArgument;
  try {
    switch (format) {
      case 0:
        result = encode_bmp(picture, out);
        break;
      case 1:
        result = encode_jpeg(picture, quality, out);
        break;
      case 2:
        result = encode_gif(picture, out);
        break;
      case 3:
        result = encode_png(picture, out);
        break;
      default:
        result = encode_tiff(picture, out);
        break;
    }
  } catch (const std::bad_alloc&) {
    result = CodecStatus::OutOfMemory;
  }
  if (result != CodecStatus::Ok) out.clear();
  return result;
}

namespace {

bool write_all(int fd, const std::vector<ByteSpan>& pieces) {
  for (const ByteSpan& piece : pieces) {
    std::size_t done = 0;
    while (done < piece.size) {
      ssize_t n = write(fd, piece.data + done, piece.size - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      done += std::size_t(n);
    }
  }
  return true;
}

}  // namespace

// Straight into something that is not a regular file (a device such as
// /dev/full, a pipe) there is nothing to keep and nothing to rename over.
// A file is written beside its target and renamed over it once whole, so a
// failed write (a full disk, say) leaves the file that was there untouched
// and never a partial one.
CodecStatus write_whole_file(const char* path, const std::vector<ByteSpan>& pieces) {
  if (path == nullptr || *path == '\0') return CodecStatus::BadArgument;
  struct stat st {};
  if (stat(path, &st) == 0 && !S_ISREG(st.st_mode)) {
    int fd = open(path, O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0) return CodecStatus::WriteFailed;
    bool written = write_all(fd, pieces);
    written = close(fd) == 0 && written;
    return written ? CodecStatus::Ok : CodecStatus::WriteFailed;
  }
  static std::atomic<unsigned> counter{0};
  std::string temporary =
      std::string(path) + ".part-" + std::to_string(getpid()) + "-" + std::to_string(counter++);
  int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return CodecStatus::WriteFailed;
  bool written = write_all(fd, pieces);
  written = fsync(fd) == 0 && written;
  written = close(fd) == 0 && written;
  if (written && std::rename(temporary.c_str(), path) == 0) return CodecStatus::Ok;
  unlink(temporary.c_str());
  return CodecStatus::WriteFailed;
}

CodecStatus encode_picture(const Picture& picture, const char* mime_type, int quality,
                           const char* path) {
  if (path == nullptr || *path == '\0') return CodecStatus::BadArgument;
  std::vector<std::uint8_t> bytes;
  CodecStatus result = encode_picture_to_memory(picture, mime_type, quality, bytes);
  if (result != CodecStatus::Ok) return result;
  return write_whole_file(path, {{bytes.data(), bytes.size()}});
}

}  // namespace platform
