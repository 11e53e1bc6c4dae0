// Decoding files written by another program (ImageMagick, through
// tests/data/make-samples.sh), checked against the colours the script drew.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <utility>

#include "test_util.h"

using namespace platform;
using namespace codec_test;

namespace {

// The quadrant picture: red | blue over green | white, 8 x 6.
std::uint32_t quadrant(int x, int y) {
  if (y < 3) return x < 4 ? 0xFF0000 : 0x0000FF;
  return x < 4 ? 0x00FF00 : 0xFFFFFF;
}

Picture load_sample(const char* name) {
  Picture p;
  EXPECT_EQ(load_picture(data_path(std::string("samples/") + name).c_str(), p), CodecStatus::Ok)
      << name;
  return p;
}

std::uint32_t colour_at(const Picture& p, int x, int y) {
  std::size_t i = std::size_t(y) * p.width + x;
  if (p.bits == 32) return p.pixels[i];
  return p.indices[i] < p.palette.size() ? p.palette[p.indices[i]] & 0xFFFFFF : 0xDEADBEEF;
}

int channel_error(std::uint32_t a, std::uint32_t b) {
  int worst = 0;
  for (int shift : {0, 8, 16})
    worst = std::max(worst, std::abs(int((a >> shift) & 255) - int((b >> shift) & 255)));
  return worst;
}

// Every pixel exactly `expected(x, y)` (the quadrants unless told).
void expect_quadrants(const char* name, int bits, std::uint32_t (*expected)(int, int) = quadrant) {
  Picture p = load_sample(name);
  ASSERT_EQ(p.width, 8) << name;
  ASSERT_EQ(p.height, 6) << name;
  EXPECT_EQ(p.bits, bits) << name;
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 8; ++x)
      EXPECT_EQ(colour_at(p, x, y), expected(x, y)) << name << " at " << x << "," << y;
}

// Lossy files: the pixels one step inside each quadrant's corner, within a tolerance.
void expect_quadrants_near(const char* name, int tolerance) {
  Picture p = load_sample(name);
  ASSERT_EQ(p.width, 8) << name;
  ASSERT_EQ(p.height, 6) << name;
  for (int y : {1, 4})
    for (int x : {1, 2, 5, 6})
      EXPECT_LE(channel_error(colour_at(p, x, y), quadrant(x, y)), tolerance)
          << name << " at " << x << "," << y;
}

}  // namespace

TEST(CodecSamples, PngInterlacedSixteenBitAndPalette) {
  std::vector<std::uint8_t> bytes = read_bytes(data_path("samples/interlaced.png"));
  ASSERT_GT(bytes.size(), 29u);
  EXPECT_EQ(bytes[28], 1);  // Adam7
  expect_quadrants("interlaced.png", 32);

  bytes = read_bytes(data_path("samples/rgb16.png"));
  ASSERT_GT(bytes.size(), 29u);
  EXPECT_EQ(bytes[24], 16);
  // (65535, 0, 32768) and (0, 4096, 65535) scaled by 255 / 65535 and rounded.
  Picture p = load_sample("rgb16.png");
  ASSERT_EQ(p.pixels.size(), 48u);
  EXPECT_EQ(colour_at(p, 0, 0), 0xFF0080u);
  EXPECT_EQ(colour_at(p, 7, 5), 0x0010FFu);

  expect_quadrants("palette.png", 8);
}

TEST(CodecSamples, JpegGreyProgressiveAndBaseline) {
  Picture grey = load_sample("grey.jpg");
  ASSERT_EQ(grey.pixels.size(), 48u);
  const int levels[2][2] = {{0, 255}, {96, 192}};
  for (int y : {1, 4})
    for (int x : {1, 6}) {
      std::uint32_t c = colour_at(grey, x, y);
      int level = levels[y / 3][x / 4];
      EXPECT_NEAR(int(c & 255), level, 12) << x << "," << y;
      EXPECT_EQ(c >> 16, c & 255);  // grey: red, green and blue alike
      EXPECT_EQ((c >> 8) & 255, c & 255);
    }
  std::vector<std::uint8_t> bytes = read_bytes(data_path("samples/progressive.jpg"));
  bool progressive = false;
  for (std::size_t i = 0; i + 1 < bytes.size(); ++i)
    progressive = progressive || (bytes[i] == 0xFF && bytes[i + 1] == 0xC2);
  EXPECT_TRUE(progressive);
  expect_quadrants_near("progressive.jpg", 40);
  expect_quadrants_near("baseline.jpg", 40);
}

TEST(CodecSamples, JpegStrayBytesBetweenSegmentsAreSkipped) {
  Picture stray = load_sample("stray-bytes.jpg");
  Picture baseline = load_sample("baseline.jpg");
  ASSERT_EQ(stray.width, 8);
  EXPECT_EQ(stray.pixels, baseline.pixels);
}

// CMYK pixels as ImageMagick reads them back to sRGB, rounded (see
// make-samples.sh); a truncating conversion is one lower on most channels.
TEST(CodecSamples, CmykConvertsWithRounding) {
  const std::pair<const char*, std::vector<std::uint32_t>> files[] = {
      {"cmyk.tif", {0xC86432, 0x0A141E, 0xFA8003, 0x4DA0F0}},
      {"cmyk.jpg", {0xC86432, 0x0A141E, 0xF98002, 0x4CA0EF}},
  };
  for (const auto& [name, expected] : files) EXPECT_EQ(load_sample(name).pixels, expected) << name;
}

TEST(CodecSamples, BmpRle8Os2MasksAndFourBits) {
  std::vector<std::uint8_t> bytes = read_bytes(data_path("samples/rle8.bmp"));
  ASSERT_GT(bytes.size(), 34u);
  EXPECT_EQ(le32(bytes, 30), 1u);  // RLE8
  expect_quadrants("rle8.bmp", 8);
  expect_quadrants("os2.bmp", 32);
  expect_quadrants("rgb565.bmp", 32);
  expect_quadrants("four.bmp", 8);
}

// The quadrants with alpha 0 | 255 over 128 | 64, laid over black.
TEST(CodecSamples, BmpAlphaMasksLayPixelsOverBlack) {
  // 32-bit with an alpha mask in a V5 header: red vanishes, blue stays,
  // green 255 * 128 / 255 and white 64 (as ImageMagick flattens them).
  std::vector<std::uint8_t> bytes = read_bytes(data_path("samples/alpha.bmp"));
  ASSERT_GT(bytes.size(), 70u);
  EXPECT_EQ(le32(bytes, 14), 124u);
  EXPECT_EQ(le32(bytes, 66), 0xFF000000u);  // the alpha mask
  // ARGB 4444: ImageMagick stores alpha 128 as 7 and 64 as 3 (of 15), which
  // are 119 and 51 of 255.
  const std::pair<const char*, std::vector<std::uint32_t>> files[] = {
      {"alpha.bmp", {0x000000, 0x0000FF, 0x008000, 0x404040}},
      {"argb4444.bmp", {0x000000, 0x0000FF, 0x007700, 0x333333}},
  };
  for (const auto& [name, colours] : files) {
    Picture p = load_sample(name);
    ASSERT_EQ(p.pixels.size(), 48u) << name;
    EXPECT_EQ(colour_at(p, 0, 0), colours[0]) << name;
    EXPECT_EQ(colour_at(p, 7, 2), colours[1]) << name;
    EXPECT_EQ(colour_at(p, 3, 3), colours[2]) << name;
    EXPECT_EQ(colour_at(p, 4, 5), colours[3]) << name;
  }
}

TEST(CodecSamples, GifWithSixteenColours) {
  expect_quadrants("sixteen.gif", 8, [](int x, int y) {
    unsigned k = (x + 2 * y) % 16;
    return ((17 * k) << 16) | ((255 - 17 * k) << 8) | (85 * (k % 4));
  });
  EXPECT_EQ(load_sample("sixteen.gif").palette.size(), 16u);
}

// A hand-made 4 x 2 screen whose 2 x 2 frame (all index 0, red) has its own
// table: index 1 is green in the global table, the background, and yellow
// in the frame's.
TEST(CodecSamples, GifBackgroundComesFromTheGlobalTable) {
  std::vector<std::uint8_t> gif = {'G', 'I', 'F', '8', '9', 'a', 4, 0, 2, 0, 0x80, 1, 0, 0, 0, 255,
                                   0, 255, 0,  // global: blue, green
                                   ',', 0, 0, 0, 0, 2, 0, 2, 0, 0x80, 255, 0, 0, 255, 255,
                                   0,  // local: red, yellow
                                   // codes clear 0 0 clear 0 0 end, three bits each
                                   2, 3, 0x04, 0x08, 0x14, 0, ';'};
  Picture p;
  ASSERT_EQ(decode_picture(gif.data(), gif.size(), p), CodecStatus::Ok);
  ASSERT_EQ(p.width, 4);
  EXPECT_EQ(colour_at(p, 1, 1), 0xFF0000u);
  EXPECT_EQ(colour_at(p, 2, 0), 0x00FF00u);
  EXPECT_EQ(colour_at(p, 3, 1), 0x00FF00u);
}

TEST(CodecSamples, TiffStripsTilesAndPalette) {
  expect_quadrants("strips.tif", 32);
  expect_quadrants("tiles.tif", 32);
  expect_quadrants("palette.tif", 8);
  // Uncompressed 16 x 16 tiles: 768 bytes each.
  expect_quadrants("tiles-plain.tif", 32);
}

TEST(CodecSamples, TiffPalettePagesFollowTheOrientationTag) {
  // Stored top row first with the tag saying the first row is the bottom.
  expect_quadrants("palette-bottom-left.tif", 8, [](int x, int y) { return quadrant(x, 5 - y); });
}

TEST(CodecSamples, IconTransparencyFallsOnBlack) {
  expect_quadrants("icon.ico", 32,
                   [](int x, int y) { return quadrant(x, y) == 0xFFFFFF ? 0u : quadrant(x, y); });
}

TEST(CodecSamples, FormatComesFromContentNotName) {
  std::vector<std::uint8_t> png = read_bytes(data_path("samples/interlaced.png"));
  std::string path =
      std::string(::testing::TempDir()) + "/codec_" + std::to_string(getpid()) + "_named.bmp";
  std::FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fwrite(png.data(), 1, png.size(), f);
  std::fclose(f);
  Picture p;
  EXPECT_EQ(load_picture(path.c_str(), p), CodecStatus::Ok);
  EXPECT_EQ(p.width, 8);
  std::remove(path.c_str());
  EXPECT_EQ(detect_picture_format(png.data(), png.size()), PictureFormat::Png);

  EXPECT_EQ(load_picture(data_path("samples/no-such-file.png").c_str(), p),
            CodecStatus::FileNotFound);
  EXPECT_EQ(load_picture(data_path("samples").c_str(), p), CodecStatus::FileNotFound);
  EXPECT_EQ(p.width, 0);
  EXPECT_TRUE(p.pixels.empty());

  // Metafiles are recognised but not decoded.
  std::vector<std::uint8_t> wmf = {0xD7, 0xCD, 0xC6, 0x9A, 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(detect_picture_format(wmf.data(), wmf.size()), PictureFormat::Wmf);
  EXPECT_EQ(decode_picture(wmf.data(), wmf.size(), p), CodecStatus::NotDecodable);
  std::vector<std::uint8_t> emf(88, 0);
  emf[0] = 1;
  emf[40] = ' ', emf[41] = 'E', emf[42] = 'M', emf[43] = 'F';
  EXPECT_EQ(detect_picture_format(emf.data(), emf.size()), PictureFormat::Emf);
  EXPECT_EQ(decode_picture(emf.data(), emf.size(), p), CodecStatus::NotDecodable);
}
