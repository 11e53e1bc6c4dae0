// PNG straight to and from words: the fast decoder reads exactly what the
// general decoder reads, leaves every other kind (and every fault) to it,
// and the encoder's files read back as the words written.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/codec/codec.h"
#include "platform/codec/png_words.h"
#include "tests/platform/codec/test_util.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// A file of these bytes for the test's life.
struct TempFile {
  std::string path;
  explicit TempFile(const Bytes& bytes) {
    char name[] = "/tmp/orv-png-words-XXXXXX";
    int fd = mkstemp(name);
    path = name;
    if (fd >= 0) {
      EXPECT_EQ(write(fd, bytes.data(), bytes.size()), ssize_t(bytes.size()));
      close(fd);
    }
  }
  ~TempFile() { std::remove(path.c_str()); }
};

struct Decoded {
  platform::CodecStatus status;
  std::vector<std::uint32_t> words;
  int width = 0, height = 0;
};

Decoded fast_decode(const Bytes& bytes) {
  TempFile file(bytes);
  int fd = open(file.path.c_str(), O_RDONLY);
  Decoded d;
  std::uint32_t* words = nullptr;
  d.status = platform::decode_png_file_words(fd, bytes.size(), &words, &d.width, &d.height);
  close(fd);
  if (words) d.words.assign(words, words + std::size_t(d.width) * d.height);
  std::free(words);
  return d;
}

std::vector<std::uint32_t> general_decode(const Bytes& bytes) {
  platform::Picture p;
  EXPECT_EQ(platform::decode_picture(bytes.data(), bytes.size(), p), platform::CodecStatus::Ok);
  return p.pixels;
}

std::vector<std::uint32_t> busy_words(int width, int height) {
  std::vector<std::uint32_t> words(std::size_t(width) * height);
  std::uint32_t state = 7;
  for (std::size_t i = 0; i < words.size(); ++i) {
    state = state * 1664525u + 1013904223u;
    // Smooth with noise, so that the adaptive filters choose all kinds.
    words[i] = ((state >> 8) & 0x0F0F0F) + std::uint32_t(i % 97) * 0x010203u % 0xE0E0E0u;
  }
  return words;
}

void put32(Bytes& out, std::uint32_t v) {
  for (int s = 24; s >= 0; s -= 8) out.push_back(std::uint8_t(v >> s));
}

void chunk(Bytes& out, const char* type, const Bytes& body) {
  put32(out, std::uint32_t(body.size()));
  Bytes typed(type, type + 4);
  typed.insert(typed.end(), body.begin(), body.end());
  out.insert(out.end(), typed.begin(), typed.end());
  put32(out, std::uint32_t(crc32(0, typed.data(), uInt(typed.size()))));
}

// An 8-bit PNG of `colour` type from raw filtered rows, optionally with a
// chunk before the data.
Bytes hand_made_png(int width, int height, int colour, const Bytes& raw,
                    const char* extra = nullptr) {
  Bytes out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  Bytes header;
  put32(header, std::uint32_t(width));
  put32(header, std::uint32_t(height));
  header.insert(header.end(), {8, std::uint8_t(colour), 0, 0, 0});
  chunk(out, "IHDR", header);
  if (extra) chunk(out, extra, {0, 0, 0, 0, 0, 0});
  uLongf packed_size = compressBound(uLong(raw.size()));
  Bytes packed(packed_size);
  compress(packed.data(), &packed_size, raw.data(), uLong(raw.size()));
  packed.resize(packed_size);
  chunk(out, "IDAT", packed);
  chunk(out, "IEND", {});
  return out;
}

TEST(PngWordsTest, TheFastDecoderReadsWhatTheGeneralOneReads) {
  // RGB from the general encoder, whose adaptive filters pick every kind.
  const std::vector<std::uint32_t> words = busy_words(37, 23);
  Bytes rgb;
  ASSERT_EQ(platform::encode_picture_to_memory(codec_test::make_picture32(37, 23, words),
                                               "image/png", 0, rgb),
            platform::CodecStatus::Ok);
  Decoded fast = fast_decode(rgb);
  ASSERT_EQ(fast.status, platform::CodecStatus::Ok);
  EXPECT_EQ((std::tuple{fast.width, fast.height}), (std::tuple{37, 23}));
  EXPECT_EQ(fast.words, words);
  // RGBA by hand, 2 x 2: row 0 unfiltered, row 1 Paeth. Alpha 255, 0 and
  // 128 laid over black: (200 * 128 + 127) / 255 = 100.
  const Bytes raw = {0, 10, 20, 30, 255, 200, 200, 200, 0, 4, 190, 180, 170, 128, 0, 0, 0, 0};
  Bytes rgba = hand_made_png(2, 2, 6, raw);
  fast = fast_decode(rgba);
  ASSERT_EQ(fast.status, platform::CodecStatus::Ok);
  EXPECT_EQ(fast.words, general_decode(rgba));
  EXPECT_EQ(fast.words[0], 0x0A141Eu);
  EXPECT_EQ(fast.words[1], 0u);
}

TEST(PngWordsTest, OtherKindsAndFaultsAreLeftToTheGeneralDecoder) {
  Bytes rgb;
  ASSERT_EQ(platform::encode_picture_to_memory(codec_test::make_picture32(8, 8, busy_words(8, 8)),
                                               "image/png", 0, rgb),
            platform::CodecStatus::Ok);
  Bytes palette;
  ASSERT_EQ(platform::encode_picture_to_memory(
                codec_test::make_picture8(4, 4, std::vector<std::uint8_t>(16, 1), {0, 0xFF00FF}),
                "image/png", 0, palette),
            platform::CodecStatus::Ok);
  Bytes bad_crc = rgb, cut = rgb, bmp;
  bad_crc[bad_crc.size() - 20] ^= 0x40;  // inside the last IDAT: its CRC fails
  cut.resize(cut.size() / 2);
  ASSERT_EQ(platform::encode_picture_to_memory(codec_test::make_picture32(2, 2, {1, 2, 3, 4}),
                                               "image/bmp", 0, bmp),
            platform::CodecStatus::Ok);
  const Bytes bad_filter = hand_made_png(1, 1, 2, {5, 1, 2, 3});
  const Bytes keyed = hand_made_png(1, 1, 2, {0, 1, 2, 3}, "tRNS");
  const Bytes short_rows = hand_made_png(2, 2, 2, {0, 1, 2, 3, 4, 5, 6});
  const std::vector<const Bytes*> refused = {&palette,    &bad_crc, &cut,       &bmp,
                                             &bad_filter, &keyed,   &short_rows};
  for (const Bytes* bytes : refused) {
    Decoded d = fast_decode(*bytes);
    EXPECT_EQ(d.status, platform::CodecStatus::UnknownEncoder);
    EXPECT_TRUE(d.words.empty());
  }
}

TEST(PngWordsTest, WrittenFilesReadBackAsTheWordsOfTheirView) {
  // A 5 x 3 view into rows of 9 words, at 600 pixels per inch.
  const std::vector<std::uint32_t> rows = busy_words(9, 3);
  platform::EncodedPng png;
  ASSERT_EQ(platform::encode_png_words(rows.data(), 9, 5, 3, 600, 1, png),
            platform::CodecStatus::Ok);
  Bytes file = png.head;
  file.insert(file.end(), png.body.get(), png.body.get() + png.body_size);
  file.insert(file.end(), png.tail.begin(), png.tail.end());
  std::vector<std::uint32_t> expected;
  for (int y = 0; y < 3; ++y)
    expected.insert(expected.end(), rows.begin() + 9 * y, rows.begin() + 9 * y + 5);
  EXPECT_EQ(general_decode(file), expected);
  // 600 / 0.0254 = 23622.05 pixels per metre, both ways, unit metre.
  const Bytes phys = {'p', 'H', 'Y', 's', 0, 0, 0x5C, 0x46, 0, 0, 0x5C, 0x46, 1};
  EXPECT_NE(std::search(file.begin(), file.end(), phys.begin(), phys.end()), file.end());
  // Written whole or not at all: a folder in the way fails and stays a folder.
  char folder[] = "/tmp/orv-png-words-dir-XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  EXPECT_EQ(platform::write_whole_file(folder, png), platform::CodecStatus::WriteFailed);
  std::string target = std::string(folder) + "/out.png";
  EXPECT_EQ(platform::write_whole_file(target.c_str(), png), platform::CodecStatus::Ok);
  EXPECT_EQ(codec_test::read_bytes(target), file);
  std::remove(target.c_str());
  rmdir(folder);
}

}  // namespace
