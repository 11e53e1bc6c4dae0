// Hostile and broken input: every file under tests/data/bad must be refused
// cleanly, and cut or damaged copies of the good samples must never crash a
// decoder (AddressSanitizer watches these runs).
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>

#if defined(__SANITIZE_ADDRESS__)
#define ORV_COUNT_HEAP 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ORV_COUNT_HEAP 1
#endif
#endif
#ifdef ORV_COUNT_HEAP
// AddressSanitizer's allocator interface (its header is not always installed).
extern "C" {
int __sanitizer_install_malloc_and_free_hooks(void (*malloc_hook)(const volatile void*,
                                                                  std::size_t),
                                              void (*free_hook)(const volatile void*));
std::size_t __sanitizer_get_allocated_size(const volatile void* p);
}
#endif

#include "platform/codec/codec_internal.h"
#include "platform/codec/memory_budget.h"
#include "test_util.h"

using namespace platform;
using namespace codec_test;

namespace {

std::vector<std::filesystem::path> files_in(const char* folder) {
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(data_path(folder)))
    if (entry.is_regular_file() && entry.path().extension() != ".sh") files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  return files;
}

// A decoded picture must be whole; a failed one must be empty.
void expect_consistent(CodecStatus status, const Picture& p, const std::string& what) {
  if (status == CodecStatus::Ok) {
    EXPECT_GT(p.width, 0) << what;
    EXPECT_GT(p.height, 0) << what;
    std::size_t count = std::size_t(p.width) * std::size_t(p.height);
    EXPECT_EQ(p.bits == 32 ? p.pixels.size() : p.indices.size(), count) << what;
    EXPECT_LE(p.palette.size(), 256u) << what;
  } else {
    EXPECT_EQ(p.width, 0) << what;
    EXPECT_TRUE(p.pixels.empty() && p.indices.empty() && p.palette.empty()) << what;
  }
}

#ifdef ORV_COUNT_HEAP
// Live heap bytes and their peak while counting, kept by AddressSanitizer's
// allocation hooks (which see malloc from the libraries as well as new).
std::atomic<bool> counting{false};
std::atomic<long long> live{0}, peak{0};

void on_malloc(const volatile void*, std::size_t size) {
  if (!counting) return;
  long long now = live += (long long)size;
  long long old = peak;
  while (now > old && !peak.compare_exchange_weak(old, now)) {
  }
}

void on_free(const volatile void* p) {
  if (counting && p != nullptr) live -= (long long)__sanitizer_get_allocated_size(p);
}
#endif

}  // namespace

TEST(CodecBadInput, EveryFileOfTheBadCorpusIsRefused) {
  std::vector<std::filesystem::path> files = files_in("bad");
  ASSERT_GE(files.size(), 30u);
  for (const auto& path : files) {
    Picture p;
    CodecStatus status = load_picture(path.c_str(), p);
    EXPECT_TRUE(status == CodecStatus::NotDecodable || status == CodecStatus::TooLarge)
        << path.filename() << ": " << codec_status_name(status);
    expect_consistent(status, p, path.filename());
  }
}

TEST(CodecBadInput, BombsAndOversizedPicturesAreTooLargeNotMerelyBroken) {
  for (const char* name :
       {"bmp-over-limit.bmp", "bmp-rle-bomb.bmp", "png-bomb.png", "png-over-limit.png",
        "jpeg-bomb.jpg", "jpeg-over-limit.jpg", "gif-bomb.gif", "gif-huge-screen.gif",
        "tiff-huge.tif", "ico-huge-dib.ico", "png-rgb-bomb.png", "jpeg-progressive-bomb.jpg"}) {
    Picture p;
    EXPECT_EQ(load_picture(data_path(std::string("bad/") + name).c_str(), p), CodecStatus::TooLarge)
        << name;
  }
}

// Small files that declare pictures of 64 MiB and more are refused before
// the picture, or a decoder's own whole-image buffer, is allocated.
TEST(CodecBadInput, RefusingDeclaredGiantsTakesLittleMemory) {
#ifdef ORV_COUNT_HEAP
  static const bool installed = __sanitizer_install_malloc_and_free_hooks(on_malloc, on_free) != 0;
  ASSERT_TRUE(installed);
  for (const char* name : {"tiff-plain-giant.tif", "tiff-unknown-coding.tif", "png-rgb-bomb.png",
                           "jpeg-progressive-bomb.jpg", "tiff-huge.tif", "png-bomb.png",
                           "jpeg-bomb.jpg", "gif-bomb.gif", "bmp-rle-bomb.bmp"}) {
    std::vector<std::uint8_t> bytes = read_bytes(data_path(std::string("bad/") + name));
    ASSERT_FALSE(bytes.empty()) << name;
    Picture p;
    live = 0, peak = 0;
    counting = true;
    CodecStatus status = decode_picture(bytes.data(), bytes.size(), p);
    counting = false;
    EXPECT_NE(status, CodecStatus::Ok) << name;
    EXPECT_LT(peak.load(), 64LL << 20) << name;
  }
#else
  GTEST_SKIP() << "counts allocations through AddressSanitizer's hooks";
#endif
}

// A PNG of 16384 x 16384 grey (1 GiB as a 32-bit picture) whose data ends
// early: enough of it to pass the bomb checks, then nothing.
std::vector<std::uint8_t> cut_giant_png() {
  auto crc = [](const std::uint8_t* p, std::size_t n) {
    std::uint32_t c = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < n; ++i) {
      c ^= p[i];
      for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1)));
    }
    return ~c;
  };
  auto put_be32 = [](std::vector<std::uint8_t>& v, std::uint32_t x) {
    for (int shift = 24; shift >= 0; shift -= 8) v.push_back(std::uint8_t(x >> shift));
  };
  std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  put_be32(png, 13);
  std::size_t ihdr = png.size();
  for (char c : std::string("IHDR")) png.push_back(std::uint8_t(c));
  put_be32(png, 16384);
  put_be32(png, 16384);
  for (std::uint8_t b : {8, 0, 0, 0, 0}) png.push_back(b);  // 8-bit grey, not interlaced
  put_be32(png, crc(png.data() + ihdr, png.size() - ihdr));
  put_be32(png, 2000000);  // an IDAT of 2 MB of which 300 KB are there
  for (char c : std::string("IDAT")) png.push_back(std::uint8_t(c));
  png.insert(png.end(), {0x78, 0x01});  // a zlib stream of stored blocks
  png.resize(png.size() + 300000, 0);
  return png;
}

// Each decoder checks its picture against the memory budget before it
// allocates it: a picture that does not fit is OutOfMemory at once, and
// nothing is left behind.
TEST(CodecBadInput, APictureBeyondTheMemoryBudgetIsOutOfMemoryBeforeItIsAllocated) {
  struct Row {
    std::string what;
    std::vector<std::uint8_t> bytes;
    std::uint64_t budget;
  };
  std::vector<Row> rows;
  for (const char* name :
       {"four.bmp", "rle8.bmp", "palette.png", "rgb16.png", "baseline.jpg", "progressive.jpg",
        "sixteen.gif", "strips.tif", "palette.tif", "icon.ico"})
    rows.push_back({name, read_bytes(data_path(std::string("samples/") + name)), 1});
  rows.push_back({"16384 x 16384 PNG cut short", cut_giant_png(), 512u << 20});
  for (const Row& row : rows) {
    ASSERT_FALSE(row.bytes.empty()) << row.what;
    set_memory_budget_for_tests(row.budget);
    Picture p;
    CodecStatus status = decode_picture(row.bytes.data(), row.bytes.size(), p);
    set_memory_budget_for_tests(0);
    EXPECT_EQ(status, CodecStatus::OutOfMemory) << row.what;
    expect_consistent(status, p, row.what);
  }
  // A file is not even read into memory when it cannot fit.
  set_memory_budget_for_tests(16);
  Picture p;
  CodecStatus status = load_picture(data_path("samples/four.bmp").c_str(), p);
  set_memory_budget_for_tests(0);
  EXPECT_EQ(status, CodecStatus::OutOfMemory);
  EXPECT_STREQ(codec_status_name(CodecStatus::OutOfMemory), "out of memory");
}

TEST(CodecBadInput, LimitsFollowTheDeclaredSizeAndTheInputSize) {
  using codec::check_picture_size;
  EXPECT_EQ(check_picture_size(32768, 8192, 0, 0), CodecStatus::Ok);  // exactly 1 GiB of words
  EXPECT_EQ(check_picture_size(32768, 8193, 0, 0), CodecStatus::TooLarge);  // one row more
  EXPECT_EQ(check_picture_size(32769, 1, 0, 0), CodecStatus::TooLarge);
  EXPECT_EQ(check_picture_size(0, 1, 0, 0), CodecStatus::NotDecodable);
  EXPECT_EQ(check_picture_size(1, -1, 0, 0), CodecStatus::NotDecodable);
  // 4096 x 4096 is always allowed; above that a compressed file needs one
  // byte per `ratio` pixels: 8192 x 8192 at ratio 1024 needs 65536 bytes.
  EXPECT_EQ(check_picture_size(4096, 4096, 10, 1024), CodecStatus::Ok);
  EXPECT_EQ(check_picture_size(8192, 8192, 65535, 1024), CodecStatus::TooLarge);
  EXPECT_EQ(check_picture_size(8192, 8192, 65536, 1024), CodecStatus::Ok);
}

// Every cut and every byte set to 0, 255 or flipped in its top bit.
TEST(CodecBadInput, CutOrDamagedSamplesNeverCrashAndHalvesAreRefused) {
  for (const auto& path : files_in("samples")) {
    const std::vector<std::uint8_t> bytes = read_bytes(path);
    const std::string name = path.filename().string();
    for (std::size_t at = 0; at < bytes.size(); ++at) {
      // A copy of exactly the cut size, so that reading past it is caught.
      std::vector<std::uint8_t> cut(bytes.begin(), bytes.begin() + std::ptrdiff_t(at));
      Picture p;
      CodecStatus status = decode_picture(cut.data(), cut.size(), p);
      expect_consistent(status, p, name + " cut at " + std::to_string(at));
      if (at <= bytes.size() / 2) {
        EXPECT_NE(status, CodecStatus::Ok) << name << " cut at " << at;
      }
      for (std::uint8_t value :
           {std::uint8_t(0), std::uint8_t(0xFF), std::uint8_t(bytes[at] ^ 0x80)}) {
        std::vector<std::uint8_t> damaged = bytes;
        damaged[at] = value;
        Picture q;
        expect_consistent(decode_picture(damaged.data(), damaged.size(), q), q,
                          name + " byte " + std::to_string(at));
      }
    }
  }
}

TEST(CodecBadInput, NullAndEmptyInputsAreRefused) {
  Picture p;
  EXPECT_EQ(decode_picture(nullptr, 10, p), CodecStatus::NotDecodable);
  std::uint8_t one = 'B';
  EXPECT_EQ(decode_picture(&one, 0, p), CodecStatus::NotDecodable);
  EXPECT_EQ(decode_packed_dib(nullptr, 0, p), CodecStatus::NotDecodable);
  EXPECT_EQ(load_picture(nullptr, p), CodecStatus::FileNotFound);
  for (auto format : {PictureFormat::Bmp, PictureFormat::Png, PictureFormat::Jpeg,
                      PictureFormat::Gif, PictureFormat::Tiff, PictureFormat::Ico}) {
    std::uint8_t zeros[64] = {};
    EXPECT_NE(codec::decode_picture_as(format, zeros, sizeof zeros, p), CodecStatus::Ok);
    expect_consistent(CodecStatus::NotDecodable, p, "zeros");
  }
}
