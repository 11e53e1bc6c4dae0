// PNG to and from words through libdeflate.
#include "platform/codec/png_words.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>

#include <unistd.h>

#include <libdeflate.h>
#include <zlib.h>

#include "platform/codec/codec_internal.h"
#include "platform/codec/memory_budget.h"

namespace platform {
namespace {

using codec::check_picture_size;
using codec::kRatioDeflate;
using codec::over_black;
using codec::rgb_word;

constexpr std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

std::uint32_t be32(const std::uint8_t* p) {
  return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  const std::uint8_t b[4] = {std::uint8_t(v >> 24), std::uint8_t(v >> 16), std::uint8_t(v >> 8),
                             std::uint8_t(v)};
  out.insert(out.end(), b, b + 4);
}

inline int paeth(int a, int b, int c) {
  int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
  return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

// Undoes one row's filter in place; `previous` is the row above (zeros for
// the first).
bool unfilter(std::uint8_t filter, std::uint8_t* row, const std::uint8_t* previous,
              std::size_t bytes, int bpp) {
  switch (filter) {
    case 0:
      return true;
    case 1:
      for (std::size_t i = std::size_t(bpp); i < bytes; ++i)
        row[i] = std::uint8_t(row[i] + row[i - bpp]);
      return true;
    case 2:
      for (std::size_t i = 0; i < bytes; ++i) row[i] = std::uint8_t(row[i] + previous[i]);
      return true;
    case 3:
      for (std::size_t i = 0; i < bytes; ++i) {
        int left = i >= std::size_t(bpp) ? row[i - bpp] : 0;
        row[i] = std::uint8_t(row[i] + ((left + previous[i]) >> 1));
      }
      return true;
    case 4:
      for (std::size_t i = 0; i < bytes; ++i) {
        int left = i >= std::size_t(bpp) ? row[i - bpp] : 0;
        int corner = i >= std::size_t(bpp) ? previous[i - bpp] : 0;
        row[i] = std::uint8_t(row[i] + paeth(left, previous[i], corner));
      }
      return true;
    default:
      return false;
  }
}

}  // namespace

namespace {

// The file read in large pieces through one buffer.
struct Reader {
  int fd;
  std::vector<std::uint8_t> buffer = std::vector<std::uint8_t>(std::size_t(1) << 18);
  std::size_t at = 0, end = 0;

  // Up to `wanted` bytes, at least one; nullptr at the end of the file or on an error.
  const std::uint8_t* take(std::size_t wanted, std::size_t* got) {
    if (at == end) {
      ssize_t n;
      do n = ::read(fd, buffer.data(), buffer.size());
      while (n < 0 && errno == EINTR);
      if (n <= 0) return nullptr;
      at = 0;
      end = std::size_t(n);
    }
    *got = std::min(wanted, end - at);
    at += *got;
    return buffer.data() + at - *got;
  }
  // Exactly n bytes into out (with the chunk's CRC running); false when short.
  bool read(std::uint8_t* out, std::size_t n, std::uint32_t* crc = nullptr) {
    while (n > 0) {
      std::size_t got = 0;
      const std::uint8_t* p = take(n, &got);
      if (!p) return false;
      if (crc) *crc = std::uint32_t(crc32(*crc, p, uInt(got)));
      std::memcpy(out, p, got);
      out += got;
      n -= got;
    }
    return true;
  }
};

// The rows as they are inflated: the reading thread inflates them into a
// ring, and a second thread unfilters each against the one above and turns
// it into words, so that inflating and unfiltering (with the page faults of
// the new picture) overlap. Without a second thread the reading thread does
// both in turn.
struct Rows {
  static constexpr std::uint32_t kRing = 64;
  std::uint32_t width = 0, height = 0;
  int channels = 0;
  std::size_t row_bytes = 0, filled = 0;
  std::vector<std::uint8_t> ring, zeros;
  std::uint32_t* words = nullptr;
  z_stream z{};
  bool inflating = false;
  // Rows inflated, and rows turned into words; the ring keeps the row above
  // the one being unfiltered, so at most kRing - 1 rows are ahead.
  std::uint32_t produced = 0, consumed = 0;
  bool failed = false, stopping = false;
  bool ended = false;  // the zlib stream ended, its checksum checked
  std::mutex mutex;
  std::condition_variable changed;
  std::thread converter;

  ~Rows() {
    stop();
    if (inflating) inflateEnd(&z);
    std::free(words);
  }

  std::uint8_t* slot(std::uint32_t row) { return ring.data() + (row % kRing) * (row_bytes + 1); }

  void start() {
    ring.assign(kRing * (row_bytes + 1), 0);
    zeros.assign(row_bytes + 1, 0);
    try {
      converter = std::thread([this] { convert_rows(); });
    } catch (const std::system_error&) {
      // No second thread: rows are converted as they come.
    }
  }

  void stop() {
    if (!converter.joinable()) return;
    {
      std::lock_guard<std::mutex> lock(mutex);
      stopping = true;
    }
    changed.notify_all();
    converter.join();
  }

  bool convert(std::uint32_t row) {
    std::uint8_t* current = slot(row);
    const std::uint8_t* above = row == 0 ? zeros.data() : slot(row - 1);
    if (!unfilter(current[0], current + 1, above + 1, row_bytes, channels)) return false;
    const std::uint8_t* s = current + 1;
    std::uint32_t* o = words + std::size_t(row) * width;
    if (channels == 3) {
      for (std::uint32_t x = 0; x < width; ++x, s += 3) o[x] = rgb_word(s[0], s[1], s[2]);
    } else {
      for (std::uint32_t x = 0; x < width; ++x, s += 4)
        o[x] = rgb_word(over_black(s[0], s[3]), over_black(s[1], s[3]), over_black(s[2], s[3]));
    }
    return true;
  }

  void convert_rows() {
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
      changed.wait(lock, [&] { return stopping || consumed < produced; });
      if (consumed == produced) return;  // stopping, and nothing left
      const std::uint32_t row = consumed;
      lock.unlock();
      bool ok = convert(row);
      lock.lock();
      failed = failed || !ok;
      ++consumed;
      changed.notify_all();
      if (failed) return;
    }
  }

  // A whole row is in its slot; false once a row has failed.
  bool row_done() {
    filled = 0;
    if (!converter.joinable()) {
      bool ok = convert(produced);
      ++produced;
      ++consumed;
      return ok;
    }
    std::unique_lock<std::mutex> lock(mutex);
    ++produced;
    changed.notify_all();
    changed.wait(lock, [&] { return failed || produced - consumed < kRing - 1; });
    return !failed;
  }

  // Every row inflated has been converted; false when one failed.
  bool finish() {
    stop();
    return !failed && consumed == produced;
  }

  // Feeds compressed bytes; false on a Deflate error, a bad filter, or data
  // past the rows or past the end of the stream.
  bool feed(const std::uint8_t* data, std::size_t size) {
    if (ended) return size == 0;
    z.next_in = const_cast<Bytef*>(data);
    z.avail_in = uInt(size);
    while (z.avail_in > 0) {
      std::uint8_t spare = 0;
      const bool rows_left = produced < height;
      z.next_out = rows_left ? slot(produced) + filled : &spare;
      z.avail_out = rows_left ? uInt(row_bytes + 1 - filled) : 1;
      int status = inflate(&z, Z_NO_FLUSH);
      if (!rows_left && z.avail_out == 0) return false;  // more than the rows hold
      if (rows_left) {
        filled = row_bytes + 1 - z.avail_out;
        if (filled == row_bytes + 1 && !row_done()) return false;
      }
      if (status == Z_STREAM_END) {
        ended = true;
        return z.avail_in == 0;
      }
      if (status != Z_OK && status != Z_BUF_ERROR) return false;
      if (status == Z_BUF_ERROR && z.avail_out > 0) break;  // it needs the next piece
    }
    return true;
  }
};

}  // namespace

CodecStatus decode_png_file_words(int fd, std::uint64_t file_size, std::uint32_t** words,
                                  int* width, int* height) {
  *words = nullptr;
  constexpr CodecStatus kOther = CodecStatus::UnknownEncoder;
  Reader in{fd};
  std::uint8_t head[13];
  if (!in.read(head, 8) || std::memcmp(head, kSignature, 8) != 0) return kOther;
  Rows rows;
  try {
    bool header = false, in_data = false, after_data = false;
    for (;;) {
      std::uint8_t chunk[8];
      if (!in.read(chunk, 8)) return kOther;
      const std::uint32_t length = be32(chunk);
      const std::uint8_t* type = chunk + 4;
      std::uint32_t crc = std::uint32_t(crc32(0, type, 4));
      const bool ihdr = std::memcmp(type, "IHDR", 4) == 0, idat = std::memcmp(type, "IDAT", 4) == 0;
      // Anything the general decoder might judge otherwise goes to it: a
      // chunk name that is not four letters, a critical chunk it does not
      // know, a colour key, picture data in two runs.
      const bool known_critical =
          ihdr || idat || std::memcmp(type, "IEND", 4) == 0 || std::memcmp(type, "PLTE", 4) == 0;
      bool letters = true;
      for (int k = 0; k < 4; ++k) letters = letters && std::isalpha(type[k]) != 0;
      if (!letters || header == ihdr || length > 0x7FFFFFFF || std::memcmp(type, "tRNS", 4) == 0 ||
          (!(type[0] & 0x20) && !known_critical) || (idat && after_data))
        return kOther;
      after_data = after_data || (in_data && !idat);
      in_data = idat;
      if (ihdr) {
        std::uint8_t stored[4];
        if (length != 13 || !in.read(head, 13, &crc) || !in.read(stored, 4)) return kOther;
#ifndef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION  // the fuzzer reaches past checksums
        if (be32(stored) != crc) return kOther;
#endif
        rows.width = be32(head);
        rows.height = be32(head + 4);
        if (head[8] != 8 || (head[9] != 2 && head[9] != 6) || head[10] || head[11] || head[12])
          return kOther;
        CodecStatus sized =
            check_picture_size(rows.width, rows.height, std::size_t(file_size), kRatioDeflate);
        if (sized != CodecStatus::Ok) return sized;
        rows.channels = head[9] == 2 ? 3 : 4;
        rows.row_bytes = std::size_t(rows.width) * std::size_t(rows.channels);
        const std::size_t word_bytes = std::size_t(rows.width) * rows.height * 4;
        if (!fits_memory_budget(word_bytes)) return CodecStatus::OutOfMemory;
        rows.words = static_cast<std::uint32_t*>(allocate_large(word_bytes));
        if (!rows.words) return CodecStatus::OutOfMemory;
        if (inflateInit(&rows.z) != Z_OK) return CodecStatus::OutOfMemory;
        rows.inflating = true;
        rows.start();
        header = true;
        continue;
      }
      for (std::uint32_t left = length; left > 0;) {
        std::size_t got = 0;
        const std::uint8_t* p = in.take(left, &got);
        if (!p) return kOther;
        crc = std::uint32_t(crc32(crc, p, uInt(got)));
        if (idat && !rows.feed(p, got)) return kOther;
        left -= std::uint32_t(got);
      }
      std::uint8_t stored[4];
      if (!in.read(stored, 4)) return kOther;
#ifndef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION  // the fuzzer reaches past checksums
      if (be32(stored) != crc) return kOther;
#endif
      if (std::memcmp(chunk + 4, "IEND", 4) == 0) break;
    }
  } catch (const std::bad_alloc&) {
    return CodecStatus::OutOfMemory;
  }
  // Anything short of every row is left to the general decoder to judge.
  if (!rows.finish() || !rows.ended || rows.consumed != rows.height) return kOther;
  *words = rows.words;
  rows.words = nullptr;
  *width = int(rows.width);
  *height = int(rows.height);
  return CodecStatus::Ok;
}

CodecStatus encode_png_words(const std::uint32_t* pixels, std::size_t stride_words, int width,
                             int height, double pixels_per_inch, int level, EncodedPng& out) {
  out = EncodedPng{};
  if (!pixels || width < 1 || height < 1 || width > kMaxPictureSide || height > kMaxPictureSide)
    return CodecStatus::BadArgument;
  const std::size_t row_bytes = std::size_t(width) * 3, raw_bytes = (row_bytes + 1) * height;
  libdeflate_compressor* deflater = libdeflate_alloc_compressor(level);
  if (!deflater) return CodecStatus::OutOfMemory;
  const std::size_t bound = libdeflate_zlib_compress_bound(deflater, raw_bytes);
  // Both blocks on huge pages and never zero-filled: fresh small pages cost
  // more in faults than the compression itself.
  LargeBlock raw(static_cast<std::uint8_t*>(allocate_large(raw_bytes)));
  out.body.reset(static_cast<std::uint8_t*>(allocate_large(bound + 12)));
  if (!raw || !out.body || !fits_memory_budget(std::uint64_t(raw_bytes) + bound)) {
    libdeflate_free_compressor(deflater);
    out = EncodedPng{};
    return CodecStatus::OutOfMemory;
  }
  // Up: the row above predicts best across an interlaced picture, whose
  // neighbouring columns come from different views.
  for (int y = 0; y < height; ++y) {
    const std::uint32_t* in = pixels + std::size_t(y) * stride_words;
    const std::uint32_t* above = y > 0 ? in - stride_words : nullptr;
    std::uint8_t* row = raw.get() + std::size_t(y) * (row_bytes + 1);
    row[0] = 2;
    for (int x = 0; x < width; ++x) {
      const std::uint32_t word = in[x], up = above ? above[x] : 0;
      row[1 + 3 * x] = std::uint8_t((word >> 16) - (up >> 16));
      row[2 + 3 * x] = std::uint8_t((word >> 8) - (up >> 8));
      row[3 + 3 * x] = std::uint8_t(word - up);
    }
  }
  // The IDAT chunk is written around the compressed data in place: its
  // length and type before it, its CRC after.
  std::uint8_t* chunk = out.body.get();
  std::size_t packed = libdeflate_zlib_compress(deflater, raw.get(), raw_bytes, chunk + 8, bound);
  libdeflate_free_compressor(deflater);
  if (packed == 0) {
    out = EncodedPng{};
    return CodecStatus::BadArgument;
  }
  auto store32 = [](std::uint8_t* p, std::uint32_t v) {
    p[0] = std::uint8_t(v >> 24), p[1] = std::uint8_t(v >> 16), p[2] = std::uint8_t(v >> 8),
    p[3] = std::uint8_t(v);
  };
  store32(chunk, std::uint32_t(packed));
  std::memcpy(chunk + 4, "IDAT", 4);
  store32(chunk + 8 + packed, libdeflate_crc32(0, chunk + 4, packed + 4));
  out.body_size = packed + 12;
  auto small_chunk = [](std::vector<std::uint8_t>& to, const char* type, const std::uint8_t* body,
                        std::size_t length) {
    put32(to, std::uint32_t(length));
    std::size_t start = to.size();
    to.insert(to.end(), type, type + 4);
    to.insert(to.end(), body, body + length);
    put32(to, libdeflate_crc32(0, to.data() + start, length + 4));
  };
  out.head.assign(kSignature, kSignature + 8);
  const std::uint8_t header[13] = {std::uint8_t(width >> 24),
                                   std::uint8_t(width >> 16),
                                   std::uint8_t(width >> 8),
                                   std::uint8_t(width),
                                   std::uint8_t(height >> 24),
                                   std::uint8_t(height >> 16),
                                   std::uint8_t(height >> 8),
                                   std::uint8_t(height),
                                   8,
                                   2,
                                   0,
                                   0,
                                   0};
  small_chunk(out.head, "IHDR", header, 13);
  if (pixels_per_inch > 0) {  // PNG counts pixels per metre
    auto per_metre = std::uint32_t(std::lround(pixels_per_inch / 0.0254));
    std::vector<std::uint8_t> phys;
    put32(phys, per_metre);
    put32(phys, per_metre);
    phys.push_back(1);
    small_chunk(out.head, "pHYs", phys.data(), phys.size());
  }
  small_chunk(out.tail, "IEND", nullptr, 0);
  return CodecStatus::Ok;
}

CodecStatus write_whole_file(const char* path, const EncodedPng& png) {
  return write_whole_file(path, {{png.head.data(), png.head.size()},
                                 {png.body.get(), png.body_size},
                                 {png.tail.data(), png.tail.size()}});
}

}  // namespace platform
