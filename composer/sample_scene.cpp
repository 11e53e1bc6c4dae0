// The sample strip's scene, from back to front: sky, a mountain range far
// behind the lens plane, a meadow, a house on the lens plane (it stays put),
// a ball and a fence in front of it. A layer's offset between the first and
// the last picture is its `parallax` in pixels: negative behind the lens
// plane, positive in front.
#include "composer/sample_strip.h"

#include <cmath>
#include <cstdio>

namespace composer {
namespace {

constexpr int W = kSamplePictureWidth;
constexpr int H = kSamplePictureHeight;

constexpr double kMountainParallax = -28;
constexpr double kBallParallax = 40;
constexpr double kFenceParallax = 84;

std::uint32_t rgb(int r, int g, int b) {
  return std::uint32_t(r) << 16 | std::uint32_t(g) << 8 | std::uint32_t(b);
}

// 5 x 7 digits, one byte per row, bit 4 the leftmost column.
constexpr std::uint8_t kDigits[10][7] = {{14, 17, 19, 21, 25, 17, 14}, {4, 12, 4, 4, 4, 4, 14},
                                         {14, 17, 1, 2, 4, 8, 31},     {31, 2, 4, 2, 1, 17, 14},
                                         {2, 6, 10, 18, 31, 2, 2},     {31, 16, 30, 1, 1, 17, 14},
                                         {6, 8, 16, 30, 17, 17, 14},   {31, 1, 2, 4, 8, 8, 8},
                                         {14, 17, 17, 14, 17, 17, 14}, {14, 17, 17, 15, 1, 2, 12}};

constexpr int kDigitScale = 4;

void draw_number(std::uint32_t* pixels, int stride, int number) {
  char text[8];
  int length = std::snprintf(text, sizeof text, "%d", number);
  int box_w = length * 6 * kDigitScale + 2 * kDigitScale, box_h = 9 * kDigitScale;
  for (int y = 0; y < box_h; ++y)
    for (int x = 0; x < box_w; ++x) pixels[y * stride + x] = 0;
  for (int i = 0; i < length; ++i) {
    const std::uint8_t* glyph = kDigits[text[i] - '0'];
    int left = kDigitScale + i * 6 * kDigitScale;
    for (int row = 0; row < 7 * kDigitScale; ++row)
      for (int col = 0; col < 5 * kDigitScale; ++col)
        if (glyph[row / kDigitScale] >> (4 - col / kDigitScale) & 1)
          pixels[(kDigitScale + row) * stride + left + col] = rgb(255, 255, 255);
  }
}

double mountain_top(double x) {
  return 0.40 * H + 0.07 * H * std::sin(x * 0.021) + 0.04 * H * std::sin(x * 0.057 + 1.3);
}

std::uint32_t background(double x, int y, double shift) {
  double horizon = 0.64 * H;
  if (y >= horizon) {
    int shade = 150 - int(60 * (y - horizon) / (H - horizon));
    return rgb(60, shade, 50);
  }
  double mx = x - kMountainParallax * shift;
  if (y >= mountain_top(mx))
    return (int(mx) / 40 + y / 40) % 2 ? rgb(92, 104, 140) : rgb(84, 96, 132);
  return rgb(120 + 100 * y / H, 170 + 60 * y / H, 235);
}

// The house on the lens plane: walls, a roof and two windows.
bool house(int x, int y, std::uint32_t* colour) {
  int left = int(0.52 * W), right = int(0.78 * W), eaves = int(0.44 * H), floor = int(0.70 * H);
  int middle = (left + right) / 2, rise = int(0.16 * H);
  if (y >= eaves && y < floor && x >= left && x < right) {
    bool window = (y - eaves) % 40 >= 12 && (y - eaves) % 40 < 30 && (x - left) % 40 >= 12 &&
                  (x - left) % 40 < 30 && y < floor - 20;
    *colour = window ? rgb(250, 230, 120) : rgb(200, 70, 50);
    return true;
  }
  int half = (right - left) / 2 + 8;
  if (y < eaves && y >= eaves - rise && std::abs(x - middle) * rise <= half * (y - eaves + rise)) {
    *colour = rgb(110, 40, 30);
    return true;
  }
  return false;
}

bool ball(double x, int y, double shift, std::uint32_t* colour) {
  double cx = 0.26 * W + kBallParallax * shift, cy = 0.74 * H, r = 0.13 * H;
  double dx = x - cx, dy = y - cy, d2 = dx * dx + dy * dy;
  if (d2 > r * r) return false;
  double light =
      0.55 +
      0.45 * (1 - std::sqrt((dx + r / 3) * (dx + r / 3) + (dy + r / 3) * (dy + r / 3)) / (1.4 * r));
  *colour = rgb(int(250 * light), int(200 * light), int(30 * light));
  return true;
}

bool fence(double x, int y, double shift, std::uint32_t* colour) {
  if (y < int(0.84 * H)) return false;
  double fx = x - kFenceParallax * shift;
  bool post = std::fmod(fx + 1000.0, 64.0) < 12;
  bool rail = y >= int(0.88 * H) && y < int(0.88 * H) + 7;
  if (!post && !rail) return false;
  *colour = post ? rgb(235, 235, 225) : rgb(200, 200, 190);
  return true;
}

}  // namespace

void draw_sample_picture(std::uint32_t* pixels, int stride, int index, int count) {
  // -0.5 for the leftmost viewpoint, +0.5 for the rightmost.
  double shift = count > 1 ? double(index) / (count - 1) - 0.5 : 0;
  for (int y = 0; y < H; ++y) {
    std::uint32_t* row = pixels + std::ptrdiff_t(y) * stride;
    for (int x = 0; x < W; ++x) {
      std::uint32_t colour = background(x, y, shift);
      house(x, y, &colour);
      ball(x, y, shift, &colour);
      fence(x, y, shift, &colour);
      row[x] = colour;
    }
  }
  draw_number(pixels, stride, index + 1);
}

}  // namespace composer
