// Encode-then-decode round trips, the layout of the files written, the
// encoder table and how encoding reports failures.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "test_util.h"

using namespace platform;
using namespace codec_test;

namespace {

// A palette where every entry differs from its neighbours in every channel.
std::vector<std::uint32_t> custom_palette() {
  std::vector<std::uint32_t> palette(256);
  for (std::uint32_t i = 0; i < 256; ++i)
    palette[i] =
        0xFF000000u | (((i * 7 + 3) & 255) << 16) | ((255 - i) << 8) | ((i * 37 + 11) & 255);
  return palette;
}

Picture three_by_two() {
  return make_picture8(3, 2, {0, 7, 255, 200, 1, 128}, custom_palette());
}

std::vector<std::uint8_t> encode(const Picture& picture, const char* mime, int quality = 100) {
  std::vector<std::uint8_t> bytes;
  EXPECT_EQ(encode_picture_to_memory(picture, mime, quality, bytes), CodecStatus::Ok) << mime;
  return bytes;
}

std::string temp_path(const char* name) {
  return std::string(::testing::TempDir()) + "/codec_" + std::to_string(getpid()) + "_" + name;
}

bool file_exists(const std::string& path) {
  return access(path.c_str(), F_OK) == 0;
}

}  // namespace

TEST(CodecRoundTrip, EightBitPictureKeepsIndicesAndPaletteInEveryLosslessFormat) {
  Picture source = three_by_two();
  for (const char* mime : {"image/bmp", "image/png", "image/gif", "image/tiff"}) {
    std::vector<std::uint8_t> bytes = encode(source, mime);
    Picture back;
    ASSERT_EQ(decode_picture(bytes.data(), bytes.size(), back), CodecStatus::Ok) << mime;
    EXPECT_EQ(back.width, 3) << mime;
    EXPECT_EQ(back.height, 2) << mime;
    EXPECT_EQ(back.bits, 8) << mime;
    EXPECT_EQ(back.indices, std::vector<std::uint8_t>({0, 7, 255, 200, 1, 128})) << mime;
    EXPECT_EQ(back.palette, custom_palette()) << mime;
  }
}

TEST(CodecRoundTrip, EightBitBmpHoldsPaddedRowsBottomUpAndTheWholePalette) {
  std::vector<std::uint8_t> bytes = encode(three_by_two(), "image/bmp");
  // 14 + 40 header bytes, 256 * 4 palette bytes, two rows of 3 indices padded to 4.
  ASSERT_EQ(bytes.size(), 14u + 40 + 1024 + 8);
  EXPECT_EQ(le32(bytes, 10), 1078u);  // pixel offset
  EXPECT_EQ(le16(bytes, 28), 8u);     // bits per pixel
  EXPECT_EQ(le32(bytes, 38), 2834u);  // 72 dots per inch
  // Entry 7 as blue, green, red, 0: red 7*7+3 = 52, green 255-7 = 248,
  // blue (7*37+11) & 255 = 14.
  EXPECT_EQ(bytes[54 + 28], 14);
  EXPECT_EQ(bytes[54 + 29], 248);
  EXPECT_EQ(bytes[54 + 30], 52);
  EXPECT_EQ(bytes[54 + 31], 0);
  std::vector<std::uint8_t> rows(bytes.begin() + 1078, bytes.end());
  EXPECT_EQ(rows, std::vector<std::uint8_t>({200, 1, 128, 0, 0, 7, 255, 0}));
}

TEST(CodecRoundTrip, ShortPalettesSurviveBmpAndPngAsTheyAre) {
  Picture source = make_picture8(2, 2, {0, 1, 2, 1}, {0xFF102030, 0xFF405060, 0xFFA0B0C0});
  for (const char* mime : {"image/bmp", "image/png"}) {
    std::vector<std::uint8_t> bytes = encode(source, mime);
    Picture back;
    ASSERT_EQ(decode_picture(bytes.data(), bytes.size(), back), CodecStatus::Ok) << mime;
    EXPECT_EQ(back.palette, source.palette) << mime;
    EXPECT_EQ(back.indices, source.indices) << mime;
  }
  // GIF colour tables come in powers of two: the fourth entry is black padding.
  std::vector<std::uint8_t> gif = encode(source, "image/gif");
  Picture back;
  ASSERT_EQ(decode_picture(gif.data(), gif.size(), back), CodecStatus::Ok);
  EXPECT_EQ(back.palette,
            std::vector<std::uint32_t>({0xFF102030, 0xFF405060, 0xFFA0B0C0, 0xFF000000}));
}

TEST(CodecRoundTrip, ThirtyTwoBitPngIsTwentyFourBitRgbWithoutTheTopByte) {
  Picture source = make_picture32(2, 2, {0xAB112233, 0xFF000000, 0x01FFFFFF, 0x00804020});
  std::vector<std::uint8_t> bytes = encode(source, "image/png");
  ASSERT_GT(bytes.size(), 33u);
  EXPECT_EQ(std::memcmp(bytes.data() + 12, "IHDR", 4), 0);
  EXPECT_EQ(be32(bytes, 16), 2u);  // width
  EXPECT_EQ(be32(bytes, 20), 2u);  // height
  EXPECT_EQ(bytes[24], 8);         // bit depth
  EXPECT_EQ(bytes[25], 2);         // colour type 2: RGB, no alpha
  Picture back;
  ASSERT_EQ(decode_picture(bytes.data(), bytes.size(), back), CodecStatus::Ok);
  EXPECT_EQ(back.bits, 32);
  EXPECT_EQ(back.pixels, std::vector<std::uint32_t>({0x112233, 0x000000, 0xFFFFFF, 0x804020}));
}

TEST(CodecRoundTrip, ThirtyTwoBitPicturesStayExactInBmpTiffAndSmallGif) {
  Picture source =
      make_picture32(3, 2, {0x112233, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0x7F8081});
  for (const char* mime : {"image/bmp", "image/tiff", "image/gif"}) {
    std::vector<std::uint8_t> bytes = encode(source, mime);
    Picture back;
    ASSERT_EQ(decode_picture(bytes.data(), bytes.size(), back), CodecStatus::Ok) << mime;
    ASSERT_EQ(back.width * back.height, 6) << mime;
    for (std::size_t i = 0; i < 6; ++i) {
      std::uint32_t got =
          back.bits == 8 ? back.palette[back.indices[i]] & 0xFFFFFF : back.pixels[i];
      EXPECT_EQ(got, source.pixels[i]) << mime << " pixel " << i;
    }
  }
  // The BMP is a 24-bit file: 3 * 3 bytes padded to 12 per row.
  std::vector<std::uint8_t> bmp = encode(source, "image/bmp");
  EXPECT_EQ(le16(bmp, 28), 24u);
  EXPECT_EQ(bmp.size(), 54u + 24);
}

TEST(CodecRoundTrip, ManyColoursGoToGifThroughAQuantisedPalette) {
  std::vector<std::uint32_t> pixels;
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x)
      pixels.push_back(std::uint32_t((x * 8) << 16 | (y * 8) << 8 | 0x40));
  Picture source = make_picture32(32, 32, pixels);
  std::vector<std::uint8_t> bytes = encode(source, "image/gif");
  Picture back;
  ASSERT_EQ(decode_picture(bytes.data(), bytes.size(), back), CodecStatus::Ok);
  ASSERT_EQ(back.bits, 8);
  ASSERT_EQ(back.indices.size(), 1024u);
  int worst = 0;
  for (std::size_t i = 0; i < 1024; ++i) {
    std::uint32_t got = back.palette[back.indices[i]];
    for (int shift : {0, 8, 16})
      worst =
          std::max(worst, std::abs(int((got >> shift) & 255) - int((pixels[i] >> shift) & 255)));
  }
  EXPECT_LE(worst, 32);
}

TEST(CodecRoundTrip, JpegAtQualityHundredStaysCloseAndQualityMatters) {
  std::vector<std::uint32_t> pixels;
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x)
      pixels.push_back(std::uint32_t((x * 16) << 16 | (y * 16) << 8 | (x + y) * 8));
  Picture source = make_picture32(16, 16, pixels);
  auto worst_error = [&](const std::vector<std::uint8_t>& bytes) {
    Picture back;
    EXPECT_EQ(decode_picture(bytes.data(), bytes.size(), back), CodecStatus::Ok);
    EXPECT_EQ(back.pixels.size(), pixels.size());
    int worst = 0;
    for (std::size_t i = 0; i < back.pixels.size() && i < pixels.size(); ++i)
      for (int shift : {0, 8, 16})
        worst = std::max(worst, std::abs(int((back.pixels[i] >> shift) & 255) -
                                         int((pixels[i] >> shift) & 255)));
    return worst;
  };
  std::vector<std::uint8_t> best = encode(source, "image/jpeg", 100);
  std::vector<std::uint8_t> poor = encode(source, "image/jpeg", 5);
  EXPECT_LE(worst_error(best), 4);
  EXPECT_GT(worst_error(poor), worst_error(best));
  EXPECT_LT(poor.size(), best.size());
  // An 8-bit picture goes to JPEG through its palette.
  std::vector<std::uint8_t> eight =
      encode(make_picture8(8, 8, std::vector<std::uint8_t>(64, 1), {0xFF000000, 0xFF30C060}),
             "image/jpeg", 100);
  Picture back;
  ASSERT_EQ(decode_picture(eight.data(), eight.size(), back), CodecStatus::Ok);
  EXPECT_NEAR(int(back.pixels[27] >> 16), 0x30, 2);
  EXPECT_NEAR(int((back.pixels[27] >> 8) & 255), 0xC0, 2);
  EXPECT_NEAR(int(back.pixels[27] & 255), 0x60, 2);
}

TEST(CodecEncoders, TableListsTheFiveFormatsInSaveOrder) {
  ASSERT_EQ(encoder_count(), 5);
  const char* mimes[] = {"image/bmp", "image/jpeg", "image/gif", "image/png", "image/tiff"};
  const char* extensions[] = {".bmp", ".jpg", ".gif", ".png", ".tif"};
  for (int i = 0; i < 5; ++i) {
    EXPECT_STREQ(encoder_at(i)->mime_type, mimes[i]);
    EXPECT_STREQ(encoder_at(i)->extension, extensions[i]);
  }
  EXPECT_EQ(encoder_at(-1), nullptr);
  EXPECT_EQ(encoder_at(5), nullptr);
}

TEST(CodecEncoders, RefusalsAreNeverReportedAsSuccess) {
  std::vector<std::uint8_t> bytes;
  Picture good = three_by_two();
  EXPECT_EQ(encode_picture_to_memory(good, "image/x-icon", 100, bytes),
            CodecStatus::UnknownEncoder);
  EXPECT_EQ(encode_picture_to_memory(good, "IMAGE/PNG", 100, bytes), CodecStatus::UnknownEncoder);
  EXPECT_EQ(encode_picture_to_memory(good, nullptr, 100, bytes), CodecStatus::UnknownEncoder);
  EXPECT_EQ(encode_picture_to_memory(good, "image/jpeg", 101, bytes), CodecStatus::BadArgument);
  EXPECT_EQ(encode_picture_to_memory(good, "image/jpeg", -1, bytes), CodecStatus::BadArgument);
  Picture short_pixels = make_picture32(3, 2, {1, 2, 3});
  EXPECT_EQ(encode_picture_to_memory(short_pixels, "image/png", 100, bytes),
            CodecStatus::BadArgument);
  Picture empty;
  EXPECT_EQ(encode_picture_to_memory(empty, "image/bmp", 100, bytes), CodecStatus::BadArgument);
  Picture odd_bits = make_picture32(1, 1, {0});
  odd_bits.bits = 24;
  EXPECT_EQ(encode_picture_to_memory(odd_bits, "image/bmp", 100, bytes), CodecStatus::BadArgument);
  EXPECT_TRUE(bytes.empty());
}

TEST(CodecEncoders, FilesAreWrittenWholeOrNotAtAll) {
  Picture good = three_by_two();
  std::string path = temp_path("ok.png");
  ASSERT_EQ(encode_picture(good, "image/png", 100, path.c_str()), CodecStatus::Ok);
  EXPECT_EQ(read_bytes(path), encode(good, "image/png"));
  Picture back;
  EXPECT_EQ(load_picture(path.c_str(), back), CodecStatus::Ok);
  EXPECT_EQ(back.indices, good.indices);
  std::remove(path.c_str());

  std::string unknown = temp_path("unknown.xyz");
  EXPECT_EQ(encode_picture(good, "image/xyz", 100, unknown.c_str()), CodecStatus::UnknownEncoder);
  EXPECT_FALSE(file_exists(unknown));
  std::string no_folder = temp_path("missing-folder/a.png");
  EXPECT_EQ(encode_picture(good, "image/png", 100, no_folder.c_str()), CodecStatus::WriteFailed);

  // A file size limit makes the write fail part-way: the part written goes,
  // and the file that was there stays as it was.
  std::string limited = temp_path("limited.bmp");
  const std::vector<std::uint8_t> old_bytes = {'o', 'l', 'd'};
  std::FILE* old_file = std::fopen(limited.c_str(), "wb");
  ASSERT_TRUE(old_file);
  std::fwrite(old_bytes.data(), 1, old_bytes.size(), old_file);
  std::fclose(old_file);
  std::vector<std::uint32_t> pixels(256 * 256, 0x123456);
  Picture big = make_picture32(256, 256, pixels);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{1000, 1000};
    setrlimit(RLIMIT_FSIZE, &limit);
    CodecStatus status = encode_picture(big, "image/bmp", 100, limited.c_str());
    _exit(status == CodecStatus::WriteFailed ? 0 : 1);
  }
  int wstatus = 0;
  waitpid(child, &wstatus, 0);
  EXPECT_TRUE(WIFEXITED(wstatus) && WEXITSTATUS(wstatus) == 0);
  EXPECT_EQ(read_bytes(limited), old_bytes);
  std::remove(limited.c_str());
  std::filesystem::path folder = std::filesystem::path(limited).parent_path();
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    EXPECT_EQ(entry.path().filename().string().find("limited.bmp.part"), std::string::npos);
}
