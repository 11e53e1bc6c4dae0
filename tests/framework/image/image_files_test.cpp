// Loading picture files into images, saving images and bands, the file
// name extensions, and the memory of the two file dialogs.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "framework/image/image_files.h"
#include "framework/image/image_table.h"
#include "platform/backend.h"
#include "platform/choosers.h"
#include "platform/codec/codec.h"
#include "platform/text/codepage.h"
#include "platform/text/files.h"
#include "tests/framework/test_program.h"

namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using test_program::on_worker;

std::vector<std::uint8_t> read_bytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void write_bytes(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

platform::Picture picture32(int w, int h, std::uint32_t (*colour)(int x, int y)) {
  platform::Picture p;
  p.width = w;
  p.height = h;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) p.pixels.push_back(colour(x, y));
  return p;
}

// A 4 x 4 PNG showing indices 0..15 in reading order, with a 16-entry palette.
platform::Picture sixteen_colours() {
  platform::Picture p;
  p.width = p.height = 4;
  p.bits = 8;
  for (std::uint32_t i = 0; i < 16; ++i) {
    p.indices.push_back(std::uint8_t(i));
    p.palette.push_back(0xFF000000u | (i * 16) << 16 | (255 - i * 16) << 8 | i);
  }
  return p;
}

void fill(int w, int h, int colour) {
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) ORV_SetPixel(x, y, colour);
}

// The current image's pixels at `points`, read on the worker.
std::vector<int> pixels_at(std::initializer_list<std::pair<int, int>> points) {
  std::vector<int> pixels;
  for (auto [x, y] : points) pixels.push_back(ORV_GetPixel(x, y));
  return pixels;
}

// The serving framework, no image, and a temporary folder.
class ImageFilesTest : public ::testing::Test {
 protected:
  ImageFilesTest() {
    std::string pattern = (fs::temp_directory_path() / "orv-files-XXXXXX").string();
    if (mkdtemp(pattern.data())) dir = pattern;
    on_worker([] { orv::reset_images_for_tests(); });
  }
  ~ImageFilesTest() override {
    on_worker([] { orv::reset_images_for_tests(); });
    std::error_code ignored;
    fs::remove_all(dir, ignored);
  }
  std::string at(const std::string& name) const { return (dir / name).string(); }
  void save_picture(const std::string& name, const platform::Picture& p) {
    ASSERT_EQ(platform::encode_picture(p, "image/png", 0, at(name).c_str()),
              platform::CodecStatus::Ok);
  }

  test_program::Serving serving;
  fs::path dir;
};

TEST_F(ImageFilesTest, LoadDrawsTheFileAtItsOwnSizeIntoTheImage) {
  save_picture("small.png", picture32(100, 50, [](int x, int y) {
                 return std::uint32_t(x << 16 | y << 8 | 0x80);
               }));
  save_picture("big.png",
               picture32(1000, 1000, [](int x, int y) { return std::uint32_t(x * 1000 + y); }));
  on_worker([&] {
    ASSERT_EQ(ORV_CreateImage(0, "wide", -1, -1, 640, 480, 100), 0);
    fill(640, 480, 0x123456);
    EXPECT_EQ(ORV_LoadImageFile(at("small.png").c_str(), 0, 0), 0);
    EXPECT_EQ(pixels_at({{0, 0}, {99, 49}, {100, 0}, {0, 50}}),
              (std::vector{0x000080, 0x633180, 0x123456, 0x123456}));
    // Placed near the far corner, the file is cut at the image's edges.
    EXPECT_EQ(ORV_LoadImageFile(at("small.png").c_str(), 600, 460), 0);
    EXPECT_EQ(pixels_at({{600, 460}, {639, 479}, {599, 479}}),
              (std::vector{0x000080, 0x271380, 0x123456}));

    ASSERT_EQ(ORV_CreateImage(1, "square", -1, -1, 200, 200, 100), 0);
    EXPECT_EQ(ORV_LoadImageFile(at("big.png").c_str(), 0, 0), 0);
    const orv::ImageRecord& square = orv::image_record(1);
    EXPECT_EQ((std::pair{square.width, square.height}), (std::pair{200, 200}));
    EXPECT_EQ(pixels_at({{123, 45}, {199, 199}}), (std::vector{123045, 199199}));
  });
}

TEST_F(ImageFilesTest, An8BitImageTakesTheFilesPaletteAndIndices) {
  save_picture("sixteen.png", sixteen_colours());
  on_worker([&] {
    ASSERT_EQ(ORV_CreateImage8(0, "indexed", -1, -1, 8, 8, 100), 0);
    ORV_SetPixel(5, 5, 200);
    EXPECT_EQ(ORV_LoadImageFile(at("sixteen.png").c_str(), 0, 0), 0);
    unsigned char palette[1024];
    ASSERT_EQ(ORV_GetPalette(palette), 0);
    for (int i = 0; i < 256; ++i) {
      // File entry i is red 16i, green 255 - 16i, blue i; from 16 on the grey (i, i, i) stays.
      const int expected[4] = {i, i < 16 ? 255 - 16 * i : i, i < 16 ? 16 * i : i, 0};
      for (int k = 0; k < 4; ++k) EXPECT_EQ(palette[4 * i + k], expected[k]) << i << "," << k;
    }
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 4; ++x) EXPECT_EQ(ORV_GetPixel(x, y), 4 * y + x);
    EXPECT_EQ(ORV_GetPixel(5, 5), 200);
  });
}

TEST_F(ImageFilesTest, FilesThatCannotBeDecodedLeaveTheImageAlone) {
  save_picture("sixteen.png", sixteen_colours());
  std::vector<std::uint8_t> png = read_bytes(at("sixteen.png"));
  write_bytes(at("cut.png"), {png.begin(), png.begin() + std::ptrdiff_t(png.size() / 2)});
  write_bytes(at("text.png"), {'h', 'e', 'l', 'l', 'o', '\n'});
  write_bytes(at("empty.bmp"), {});
  fs::create_directory(at("folder.png"));
  on_worker([&] {
    EXPECT_EQ(ORV_LoadImageFile(at("sixteen.png").c_str(), 0, 0), 2);  // no image yet
    ASSERT_EQ(ORV_CreateImage8(0, "kept", -1, -1, 4, 4, 100), 0);
    fill(4, 4, 77);
    for (const char* name : {"missing.png", "cut.png", "text.png", "empty.bmp", "folder.png"}) {
      EXPECT_EQ(ORV_LoadImageFile(at(name).c_str(), 0, 0), 1) << name;
      unsigned char palette[1024];
      ORV_GetPalette(palette);
      EXPECT_EQ(palette[4 * 3 + 1], 3) << name;  // still grey
      EXPECT_EQ(ORV_GetPixel(3, 3), 77) << name;
    }
    EXPECT_EQ(ORV_LoadImageFile(std::string(300, 'a').c_str(), 0, 0), 1);
    EXPECT_EQ(ORV_LoadImageFile(nullptr, 0, 0), 1);
  });
}

TEST_F(ImageFilesTest, An8BitImageIsSavedAsIndicesWithItsWholePalette) {
  on_worker([&] {
    ASSERT_EQ(ORV_CreateImage8(0, "three", -1, -1, 3, 2, 100), 0);
    const unsigned char seven[4] = {0x30, 0x20, 0x10, 0};  // blue, green, red
    const int indices[2][3] = {{0, 7, 255}, {7, 255, 0}};
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 3; ++x) ORV_SetPixel(x, y, indices[y][x]);
    unsigned char palette[1024];
    ORV_GetPalette(palette);
    std::copy(seven, seven + 4, palette + 4 * 7);
    ORV_SetPalette(palette, 256);
    EXPECT_EQ(ORV_SaveImageFile(3, 2, 0, at("three").c_str(), 0), 0);
    EXPECT_EQ(ORV_SaveImageFile(3, 2, 3, at("three").c_str(), 0), 0);
  });
  // File header 14, info header 40, 256 colours of 4 bytes, 2 rows padded to 4.
  EXPECT_EQ(read_bytes(at("three.bmp")).size(), 14u + 40 + 1024 + 2 * 4);
  for (const char* name : {"three.bmp", "three.png"}) {
    platform::Picture p;
    ASSERT_EQ(platform::load_picture(at(name).c_str(), p), platform::CodecStatus::Ok) << name;
    EXPECT_EQ(p.bits, 8) << name;
    EXPECT_EQ(p.indices, (std::vector<std::uint8_t>{0, 7, 255, 7, 255, 0})) << name;
    ASSERT_EQ(p.palette.size(), 256u) << name;
    EXPECT_EQ(p.palette[7] & 0xFFFFFF, 0x102030u) << name;
    EXPECT_EQ(p.palette[100] & 0xFFFFFF, 0x646464u) << name;
  }
}

TEST_F(ImageFilesTest, A32BitBandIsSavedAs24BitRgb) {
  on_worker([&] {
    ASSERT_EQ(ORV_CreateImage(0, "band", -1, -1, 8, 3, 100), 0);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 8; ++x) ORV_SetPixel(x, y, int(0xAB000000u) | (x * 16 + y));
    EXPECT_EQ(ORV_SaveImageFile(4, 3, 3, at("band.png").c_str(), 2), 0);
  });
  std::vector<std::uint8_t> bytes = read_bytes(at("band.png"));
  ASSERT_GT(bytes.size(), 26u);
  // 8 bits per channel, colour type 2: RGB, no alpha, no palette.
  EXPECT_EQ((std::pair{bytes[24], bytes[25]}), (std::pair<std::uint8_t, std::uint8_t>{8, 2}));
  platform::Picture p;
  ASSERT_EQ(platform::load_picture(at("band.png").c_str(), p), platform::CodecStatus::Ok);
  EXPECT_EQ((std::pair{p.width, p.height}), (std::pair{4, 3}));
  // (x + 2) * 16 + y: the band starts at column 2, the top byte is gone.
  EXPECT_EQ(p.pixels, (std::vector<std::uint32_t>{32, 48, 64, 80, 33, 49, 65, 81, 34, 50, 66, 82}));
}

// The format's extension is appended unless the name ends in it; refused
// and failed saves leave no file.
TEST_F(ImageFilesTest, SavesAppendTheFormatsExtensionOrAreRefusedWithoutAFile) {
  struct Case {
    const char* name;
    int format;
    const char* file;
    platform::PictureFormat written;
  } cases[] = {
      {"pic.PNG", 3, "pic.PNG", platform::PictureFormat::Png},
      {"pic", 3, "pic.png", platform::PictureFormat::Png},
      {"pic.jpeg", 1, "pic.jpeg.jpg", platform::PictureFormat::Jpeg},
      {"pic.tiff", 4, "pic.tiff.tif", platform::PictureFormat::Tiff},
      {"a.png", 0, "a.png.bmp", platform::PictureFormat::Bmp},
      {"b.Gif", 2, "b.Gif", platform::PictureFormat::Gif},
      // File names are bytes: one that is not valid text keeps them.
      {"o\xff", 3, "o\xff.png", platform::PictureFormat::Png},
      {"\xfe.BMP", 0, "\xfe.BMP", platform::PictureFormat::Bmp},
  };
  write_bytes(at("plain"), {'x'});
  on_worker([&] {
    EXPECT_EQ(ORV_SaveImageFile(2, 2, 3, at("none").c_str(), 0), 3);  // no image yet
    ASSERT_EQ(ORV_CreateImage(0, "named", -1, -1, 2, 2, 100), 0);
    for (const Case& c : cases)
      EXPECT_EQ(ORV_SaveImageFile(2, 2, c.format, at(c.name).c_str(), 0), 0);
    EXPECT_EQ(ORV_SaveImageFile(0, 2, 3, at("w0").c_str(), 0), 2);
    EXPECT_EQ(ORV_SaveImageFile(2, 0, 3, at("h0").c_str(), 0), 2);
    EXPECT_EQ(ORV_SaveImageFile(2, 2, 5, at("f5").c_str(), 0), 1);
    EXPECT_EQ(ORV_SaveImageFile(2, 2, -1, at("fm").c_str(), 0), 1);
    EXPECT_EQ(ORV_SaveImageFile(2, 2, 3, at("missing/x").c_str(), 0), 1);
    EXPECT_EQ(ORV_SaveImageFile(2, 2, 3, at("plain/x").c_str(), 0), 1);
    EXPECT_EQ(ORV_SaveImageFile(2, 2, 3, at(std::string(300, 'l')).c_str(), 0), 1);
  });
  for (const Case& c : cases) {
    std::vector<std::uint8_t> bytes = read_bytes(at(c.file));
    EXPECT_EQ(platform::detect_picture_format(bytes.data(), bytes.size()), c.written) << c.file;
  }
  // Read back under exactly those bytes.
  on_worker([&] { EXPECT_EQ(ORV_LoadImageFile(at("o\xff.png").c_str(), 0, 0), 0); });
  // The eight saved and "plain"; none under a name with U+FFFD.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 9);
  EXPECT_FALSE(fs::exists(at("o\xEF\xBF\xBD.png")));
}

// The dialogs alone, answered by a back end that records what it was asked.
platform::FileDialogRequest g_asked;
bool g_asked_save = false;
std::u16string g_answer;  // empty: cancel
int g_answer_filter = 1;

// What the last dialog was asked: save, title, filter, file name, folder.
std::tuple<bool, std::u16string, int, std::u16string, std::u16string> asked() {
  return {g_asked_save, g_asked.title, g_asked.filter_index, g_asked.file_name, g_asked.folder};
}

bool record_dialog(platform::FileDialogRequest& request, bool save, std::u16string& path) {
  g_asked = request;
  g_asked_save = save;
  if (g_answer.empty()) return false;
  request.filter_index = g_answer_filter;
  path = g_answer;
  return true;
}

// The back end above installed, and the dialog memory fresh, for one test.
struct AnsweringDialogs {
  platform::Backend backend = *headless::backend();
  AnsweringDialogs() {
    backend.file_dialog = record_dialog;
    platform::set_backend(&backend);
    orv::reset_image_file_dialogs_for_tests();
  }
  ~AnsweringDialogs() {
    platform::set_backend(headless::backend());
    orv::reset_image_file_dialogs_for_tests();
  }
};

TEST(ImageFileDialogs, RememberFilterAndFolderOfTheLastChoice) {
  AnsweringDialogs answering;
  std::u16string start = platform::to_utf16(platform::current_folder());
  char path[platform::kMaxPath];

  g_answer.clear();
  EXPECT_EQ(orv::open_image_file_dialog(path), 1);
  EXPECT_EQ(asked(), (std::tuple{false, u"Load image file"s, 2, u"*.BMP;*.RLE;*.DIB"s, start}));
  ASSERT_EQ(g_asked.filters.size(), 9u);
  EXPECT_EQ(g_asked.filters[3].description, u"CompuServe GIF (*.GIF)");
  EXPECT_EQ(g_asked.filters[8].patterns, u"*.ICO");
  EXPECT_TRUE(g_asked.file_must_exist);

  g_answer = u"/data/pics/sub/../photo.png";
  g_answer_filter = 5;
  EXPECT_EQ(orv::open_image_file_dialog(path), 0);
  EXPECT_STREQ(path, "/data/pics/sub/../photo.png");
  EXPECT_EQ(orv::open_image_file_dialog(path), 0);
  EXPECT_EQ(asked(), (std::tuple{false, u"Load image file"s, 5, u"*.PNG"s, u"/data/pics/"s}));

  g_answer = u"/out/a.png";
  g_answer_filter = 1;
  EXPECT_EQ(orv::save_image_file_dialog(path), 0);
  // The load dialog's choice is not the save folder.
  EXPECT_EQ(asked(), (std::tuple{true, u"Save as"s, 2, u"noname"s, start}));
  ASSERT_EQ(g_asked.filters.size(), 6u);
  EXPECT_EQ(g_asked.filters[5].description, u"TIFF (*.TIF;*.TIFF)");
  EXPECT_TRUE(g_asked.overwrite_prompt);
  EXPECT_EQ(orv::save_filter_index(), 1);
  g_answer.clear();
  EXPECT_EQ(orv::save_image_file_dialog(path), 1);
  EXPECT_EQ(g_asked.folder, u"/out/");
  EXPECT_EQ(orv::save_filter_index(), 1);  // a cancel keeps the last choice

  const int formats[] = {0, 0, 1, 2, 3, 4};  // filters 1..6
  for (int i = 1; i <= 6; ++i) EXPECT_EQ(orv::save_format_of_filter(i), formats[i - 1]) << i;
}

// The image window's commands: the save format follows the filter chosen,
// and a load lands at the top-left corner of the window's image.
TEST_F(ImageFilesTest, TheMenuCommandsSaveByFilterAndLoadAtTheCorner) {
  AnsweringDialogs answering;
  on_worker([&] {
    ASSERT_EQ(ORV_CreateImage(0, "saved", -1, -1, 3, 1, 100), 0);
    fill(3, 1, 0x0A0B0C);
    ASSERT_EQ(ORV_CreateImage(1, "loaded", -1, -1, 4, 2, 100), 0);
    const std::pair<int, const char*> answers[] = {{1, "a.png"}, {5, "a.bmp"}};
    for (auto [filter, name] : answers) {
      g_answer_filter = filter;
      g_answer = platform::to_utf16(at(name));
      orv::save_image_as_command(orv::image_record(0).window);
    }
    EXPECT_EQ(orv::current_image(), 0);
    g_answer = platform::to_utf16(at("a.bmp.png"));
    orv::load_image_file_command(orv::image_record(1).window);
    EXPECT_EQ(orv::current_image(), 1);
    EXPECT_EQ(ORV_GetPixel(2, 0), 0x0A0B0C);
    EXPECT_EQ(ORV_GetPixel(3, 0), 0);
  });
  std::vector<std::uint8_t> bmp = read_bytes(at("a.png.bmp"));
  EXPECT_EQ(platform::detect_picture_format(bmp.data(), bmp.size()), platform::PictureFormat::Bmp);
  std::vector<std::uint8_t> png = read_bytes(at("a.bmp.png"));
  EXPECT_EQ(platform::detect_picture_format(png.data(), png.size()), platform::PictureFormat::Png);
}

}  // namespace
