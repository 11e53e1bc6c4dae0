// The pitch test chart of lenticular-render, run as a person runs it: each
// band is what the renderer shows for the black and white strip at that
// pitch, the labels sit at the bands' left edges, --lpi with --dpi stands
// for the pitch DPI / LPI and writes the resolution, and bad combinations
// are refused with one line and no file.
#include <png.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/codec/codec.h"
#include "platform/draw/font.h"

namespace {

namespace fs = std::filesystem;

class PitchChartTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() / ("orv-chart-" + std::to_string(::getpid()));
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }

  std::string path(const std::string& name) const { return (folder_ / name).string(); }

  // Runs lenticular-render with `arguments`; its exit code, stderr in `said`.
  int render(const std::string& arguments, std::string* said = nullptr) {
    std::string err = path("stderr.txt");
    std::string command =
        std::string(LENTICULAR_RENDER) + " " + arguments + " --no-config 2>" + err;
    int status = std::system(command.c_str());
    if (said) {
      std::ifstream in(err);
      said->assign(std::istreambuf_iterator<char>(in), {});
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  platform::Picture load(const std::string& name) {
    platform::Picture picture;
    EXPECT_EQ(platform::load_picture(path(name).c_str(), picture), platform::CodecStatus::Ok)
        << name;
    return picture;
  }

  // Two flat pictures of width x height side by side: black, then white.
  void write_strip(const std::string& name, int width, int height) {
    platform::Picture strip;
    strip.width = 2 * width;
    strip.height = height;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < 2 * width; ++x) strip.pixels.push_back(x < width ? 0 : 0xFFFFFF);
    ASSERT_EQ(platform::encode_picture(strip, "image/png", 0, path(name).c_str()),
              platform::CodecStatus::Ok);
  }

  // Whether rows [0, rows) of `render` equal the band's rows from `top`,
  // outside the label box in the band's top-left corner.
  static void expect_band(const platform::Picture& chart, int top, const platform::Picture& render,
                          int rows, const std::string& what) {
    int differing = 0;
    for (int y = 0; y < rows; ++y)
      for (int x = 0; x < chart.width; ++x) {
        if (x < kLabelWidth && y < kLabelHeight) continue;
        differing += chart.pixels[std::size_t(top + y) * chart.width + x] !=
                     render.pixels[std::size_t(y) * render.width + x];
      }
    EXPECT_EQ(differing, 0) << what;
  }

  static constexpr int kLabelWidth = 6 * 8 + 8;  // "8.1000" and a margin of 4 each side
  static constexpr int kLabelHeight = 16 + 8;
  fs::path folder_;
};

constexpr double kPitches[5] = {8.0, 8.1, 8.2, 8.3, 8.4};

TEST_F(PitchChartTest, PrintBandsAreThePrintRendersOfTheBlackAndWhiteStrip) {
  // 5 bands of 100 rows and 4 gaps in 516 rows; PRINT leaves its last row,
  // so the render for comparison is one row higher.
  ASSERT_EQ(render("pitch-test --from 8 --to 8.4 --step 0.1 --size 400x516 " + path("chart.png")),
            0);
  write_strip("strip.png", 400, 101);
  platform::Picture chart = load("chart.png");
  ASSERT_EQ(chart.width, 400);
  ASSERT_EQ(chart.height, 516);
  for (int k = 0; k < 5; ++k) {
    char pitch[16];
    std::snprintf(pitch, sizeof pitch, "%.1f", kPitches[k]);
    ASSERT_EQ(
        render(std::string("--mode print --size 400x101 --pics 2 --views 2 --pitch ") + pitch +
               " --strip1 " + path("strip.png") + " " + path("strip.png") + " " + path("band.png")),
        0);
    expect_band(chart, 104 * k, load("band.png"), 100, std::string("PRINT band ") + pitch);
    if (k < 4) {
      EXPECT_EQ(chart.pixels[std::size_t(104 * k + 101) * 400 + 200], 0x808080u);
    }
  }
  // Band 1's label "8.1000": white glyphs of the built-in face on black,
  // 4 pixels in from the band's top-left corner.
  const char* text = "8.1000";
  for (int y = 0; y < kLabelHeight; ++y)
    for (int x = 0; x < kLabelWidth; ++x) {
      int gx = x - 4, gy = y - 4;
      bool lit = gx >= 0 && gx < 48 && gy >= 0 && gy < 16 &&
                 (platform::builtin_glyph(char32_t(text[gx / 8]))[gy] >> (7 - gx % 8) & 1);
      ASSERT_EQ(chart.pixels[std::size_t(104 + y) * 400 + x], lit ? 0xFFFFFFu : 0u)
          << x << "," << y;
    }
}

TEST_F(PitchChartTest, BetaBandsAreTheBetaRendersOfTheBlackAndWhiteStrip) {
  ASSERT_EQ(render("pitch-test --mode beta --from 8 --to 8.4 --step 0.1 --size 400x526 " +
                   path("chart.png")),
            0);
  write_strip("strip.png", 400, 102);
  platform::Picture chart = load("chart.png");
  for (int k = 0; k < 5; ++k) {
    char pitch[16];
    std::snprintf(pitch, sizeof pitch, "%.1f", kPitches[k]);
    ASSERT_EQ(render(std::string("--size 400x102 --pics 2 --views 2 --pitch ") + pitch + " " +
                     path("strip.png") + " " + path("band.png")),
              0);
    expect_band(chart, 106 * k, load("band.png"), 102, std::string("BETA band ") + pitch);
  }
}

// The pHYs chunk of a PNG file in pixels per metre; 0 when there is none.
unsigned pixels_per_metre(const std::string& file) {
  std::FILE* in = std::fopen(file.c_str(), "rb");
  if (!in) return 0;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_uint_32 x = 0, y = 0;
  int unit = 0;
  if (setjmp(png_jmpbuf(png)) == 0) {
    png_init_io(png, in);
    png_read_info(png, info);
    if (!png_get_pHYs(png, info, &x, &y, &unit) || unit != PNG_RESOLUTION_METER || x != y) x = 0;
  }
  png_destroy_read_struct(&png, &info, nullptr);
  std::fclose(in);
  return x;
}

TEST_F(PitchChartTest, LpiAndDpiStandForThePitchAndWriteTheResolution) {
  const std::string strip = path("strip.png");
  write_strip("strip.png", 200, 150);
  ASSERT_EQ(render("--mode print --lpi 60 --dpi 600 --strip1 " + strip + " " + strip + " " +
                   path("lpi.png")),
            0);
  ASSERT_EQ(
      render("--mode print --pitch 10 --strip1 " + strip + " " + strip + " " + path("pitch.png")),
      0);
  EXPECT_EQ(load("lpi.png").pixels, load("pitch.png").pixels);
  // 600 / 0.0254 = 23622.05 pixels per metre, which reads back as 600 DPI.
  EXPECT_EQ(pixels_per_metre(path("lpi.png")), 23622u);
  EXPECT_EQ(std::lround(pixels_per_metre(path("lpi.png")) * 0.0254), 600);
  EXPECT_EQ(pixels_per_metre(path("pitch.png")), 0u);
  ASSERT_EQ(render("pitch-test --lpi 60 --dpi 600 --size 200x2128 " + path("chart_lpi.png")), 0);
  ASSERT_EQ(render("pitch-test --pitch 10 --size 200x2128 " + path("chart_pitch.png")), 0);
  EXPECT_EQ(load("chart_lpi.png").pixels, load("chart_pitch.png").pixels);
  EXPECT_EQ(pixels_per_metre(path("chart_lpi.png")), 23622u);
}

TEST_F(PitchChartTest, BadCombinationsAreRefusedWithOneLineAndNoFile) {
  const std::string strip = path("strip.png");
  write_strip("strip.png", 200, 150);
  const std::string out = " " + path("out.png");
  const std::string cases[] = {
      "--lpi 60 --dpi 600 " + strip + out,                // BETA
      "--mode stable --lpi 60 --dpi 600 " + strip + out,  // STABLE
      "--mode print --lpi 60 --dpi 600 --pitch 10 " + strip + out,
      "--mode print --lpi 60 " + strip + out,  // no DPI
      "--mode print --lpi 0 --dpi 600 " + strip + out,
      "--mode print --lpi 60 --dpi nan " + strip + out,
      "--mode print --lpi -5 --dpi 600 " + strip + out,
      "pitch-test --mode beta --lpi 60 --dpi 600" + out,
      "pitch-test --mode stable" + out,
      "pitch-test --from 9 --to 8" + out,
      "pitch-test --from 8 --to 9 --step 0" + out,
      "pitch-test --from 1 --to 100 --step 0.1" + out,                 // too many bands
      "pitch-test --from 8 --to 8.4 --step 0.1 --size 400x200" + out,  // 5 bands need 256 rows
      "pitch-test --views 1" + out,
      "pitch-test --fit" + out,
      "pitch-test" + out + out,
  };
  for (const std::string& arguments : cases) {
    std::string said;
    EXPECT_EQ(render(arguments, &said), 2) << arguments;
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << arguments << ": " << said;
    EXPECT_FALSE(fs::exists(path("out.png"))) << arguments;
  }
}

}  // namespace
