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
  for (const char* name :
       {"tiff-plain-giant.tif", "png-rgb-bomb.png", "jpeg-progressive-bomb.jpg", "tiff-huge.tif",
        "png-bomb.png", "jpeg-bomb.jpg", "gif-bomb.gif", "bmp-rle-bomb.bmp"}) {
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
