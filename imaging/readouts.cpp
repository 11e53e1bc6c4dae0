// Read-outs and plots. Profiles are curves in a graph 128 rows high with
// the samples from column m on: value v of full scale s lands on row
// 127 − v·127 / s, so 0 is the bottom row and full scale the top one.
// Chroma diagrams put a colour at (128 + Cb, 128 − Cr) on 256 x 256.
#include "imaging/readouts.h"

#include <cstdint>
#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "framework/image/image_table.h"
#include "framework/orvlib.h"
#include "imaging/colour.h"
#include "imaging/pixels.h"

namespace {

constexpr int kGraphHeight = 128;
constexpr int kChromaSize = 256;
constexpr int kAxisColour = 0x808080;
constexpr int kDots = ORV_PROFILE_DOTS, kLines = ORV_PROFILE_LINES, kBytes = ORV_PROFILE_BYTES;

// The channel flags in the order in which the first one set wins, with the
// full scale of each.
struct Channel {
  int flag;
  int full_scale;
};
constexpr Channel kChannels[] = {{ORV_PROFILE_RED, 255},        {ORV_PROFILE_GREEN, 255},
                                 {ORV_PROFILE_BLUE, 255},       {ORV_PROFILE_HUE, 359},
                                 {ORV_PROFILE_SATURATION, 255}, {ORV_PROFILE_VALUE, 255},
                                 {ORV_PROFILE_LUMINANCE, 255},  {ORV_PROFILE_CR, 255},
                                 {ORV_PROFILE_CB, 255},         {kBytes, 255}};

int channel_value(int flag, int word) {
  int h = 0, s = 0, v = 0;
  switch (flag) {
    case ORV_PROFILE_RED:
      return (word >> 16) & 0xFF;
    case ORV_PROFILE_GREEN:
      return (word >> 8) & 0xFF;
    case ORV_PROFILE_BLUE:
      return word & 0xFF;
    case ORV_PROFILE_HUE:
      RgbToHsv(word, &h, nullptr, nullptr);
      return h;
    case ORV_PROFILE_SATURATION:
      RgbToHsv(word, nullptr, &s, nullptr);
      return s;
    case ORV_PROFILE_VALUE:
      RgbToHsv(word, nullptr, nullptr, &v);
      return v;
    case ORV_PROFILE_LUMINANCE:
      return orv::fixed_point(orv::kLuma, word);
    case ORV_PROFILE_CR:
      return orv::fixed_point(orv::kCr, word) + 128;
    default:
      return orv::fixed_point(orv::kCb, word) + 128;
  }
}

// A point joined to the pen with a line in `colour`, or a dot when it is the first.
void plot_point(bool first, int x, int y, int colour) {
  if (first) {
    ORV_SetPixel(x, y, colour);
    return;
  }
  const orv::Pen pen = orv::pen();
  ORV_Line(colour, pen.x, pen.y, x, y);
}

void label(int x, int baseline, int colour, const char* text) {
  ORV_SetImageTextCursor(x, baseline, x);
  orv_tc = colour;
  if (text[1] == '\0')
    ORV_DrawChar(text[0]);
  else
    ORV_DrawText(text);
}

void chroma_axes_and_labels() {
  ORV_Line(kAxisColour, 0, 128, 256, 128);
  ORV_Line(kAxisColour, 128, 0, 128, 256);
  label(110, 16, 0xFF8888, "Cr");
  label(238, 144, 0x8888FF, "Cb");
}

int chroma_x(int word) {
  return 128 + orv::fixed_point(orv::kCb, word);
}
int chroma_y(int word) {
  return 128 - orv::fixed_point(orv::kCr, word);
}

}  // namespace

void PlotProfile(const void* samples, int m, int n, int flags, int colour) {
  if (!samples || n <= 0 || !(flags & (kDots | kLines))) return;
  const Channel* channel = nullptr;
  for (const Channel& c : kChannels) {
    if (flags & c.flag) {
      channel = &c;
      break;
    }
  }
  if (!channel) return;  // no channel: nothing to plot
  for (int i = 0; i < n; ++i) {
    int v = channel->flag == kBytes
                ? static_cast<const std::uint8_t*>(samples)[i]
                : channel_value(channel->flag, static_cast<const int*>(samples)[i]);
    int x = m + i, y = 127 - v * 127 / channel->full_scale;
    plot_point(i == 0 || (flags & kDots), x, y, colour);
  }
}

void PlotCrCbLine(const int* samples, int n) {
  chroma_axes_and_labels();
  int colour = 0x00FFFFFF;
  for (int i = 0; samples && i < n; ++i) {
    plot_point(i == 0, chroma_x(samples[i]), chroma_y(samples[i]), colour);
    colour ^= 0x00FF00;
  }
}

void PlotCrCbArea(int rows, const int* samples, int cols) {
  chroma_axes_and_labels();
  for (int r = 0; samples && r < rows; ++r)
    for (int c = 0; c < cols; ++c) {
      int word = samples[std::size_t(r) * std::size_t(cols) + std::size_t(c)];
      plot_point(c == 0, chroma_x(word), chroma_y(word), 0x00FFFFFF);
    }
}

namespace orv {
namespace {

// A new graph window at the first id that takes it; it becomes current. -1
// when none does. A graph no zoom fits on the screen (that of a row a few
// pixels wide is narrow and 128 rows high) takes the free limits instead of
// failing at every id.
int create_graph(const char* title, int width, int height) {
  for (int id = 0; id < kImageCount; ++id) {
    int result = ORV_CreateImage(id, title, 0, 0, width, height, 100);
    if (result == 2) result = ORV_CreateImageFL(id, title, 0, 0, width, height, 100);
    if (result == 0) return id;
    if (result != 1) return -1;  // no other id would do better
  }
  return -1;
}

struct Curve {
  int flags;
  int colour;
};
struct Label {
  int x, baseline, colour;
  const char* text;
};
struct RowCommand {
  int command;
  const char* title;
  int margin;  // 0: the chroma diagram
  Curve curves[3];
  Label labels[3];
};

// Unused curve and label slots have flags 0 and a null text.
constexpr RowCommand kRowCommands[] = {
    {kCommandInfoLineRgb,
     "RGB(Y=%d)",
     12,
     {{0x81, 0xFF0000}, {0x82, 0x00FF00}, {0x84, 0x0000FF}},
     {{2, 40, 0xFF0000, "R"}, {2, 72, 0x00FF00, "G"}, {2, 104, 0x0000FF, "B"}}},
    {kCommandInfoLineHsv,
     "HSV(Y=%d)",
     12,
     {{0x88, 0xFFFF00}, {0x90, 0xFF00FF}, {0xA0, 0x00FFFF}},
     {{2, 40, 0xFFFF00, "H"}, {2, 72, 0xFF00FF, "S"}, {2, 104, 0x00FFFF, "V"}}},
    {kCommandInfoLineYCrCb,
     "YCrCb(Y=%d)",
     20,
     {{0x180, 0xFFFFFF}, {0x280, 0xFF8888}, {0x480, 0x8888FF}},
     {{4, 40, 0xFFFFFF, "Y"}, {2, 72, 0xFF8888, "Cr"}, {2, 104, 0x8888FF, "Cb"}}},
    {kCommandInfoLineLumi,
     "Luminance(Y=%d)",
     12,
     {{0x1080, 0xFFFFFF}, {0, 0}, {0, 0}},
     {{2, 40, 0xFFFFFF, "L"}, {0, 0, 0, nullptr}, {0, 0, 0, nullptr}}},
    {kCommandInfoLineCrCb, "CrCb(Y=%d)", 0, {}, {}},
};

void row_command(const RowCommand& c, int image) {
  int x = 0, y = 0;
  if (ORV_PickRow(image, &x, &y) != 0) return;
  ImageRecord* r = image_in_use(image);
  if (!r) return;
  const int n = r->width;
  char title[512];
  std::snprintf(title, sizeof title, c.title, y);
  const bool bytes = c.command == kCommandInfoLineLumi;
  std::vector<int> words;
  std::vector<std::uint8_t> byte_samples;
  try {
    if (bytes)
      byte_samples.resize(std::size_t(n));
    else
      words.resize(std::size_t(n));
  } catch (const std::bad_alloc&) {
    return;  // too large to measure: no output
  }
  void* samples = bytes ? static_cast<void*>(byte_samples.data()) : words.data();
  ORV_GetRow(samples, y, n);
  const bool chroma = c.margin == 0;
  int graph = chroma ? create_graph(title, kChromaSize, kChromaSize)
                     : create_graph(title, n + c.margin, kGraphHeight);
  if (graph < 0) return;
  if (chroma) {
    PlotCrCbLine(words.data(), n);
  } else {
    for (const Curve& curve : c.curves)
      if (curve.flags) PlotProfile(samples, c.margin, n, curve.flags, curve.colour);
    for (const Label& l : c.labels)
      if (l.text) label(l.x, l.baseline, l.colour, l.text);
  }
  ORV_DrawImage(graph);
}

void area_command(int image) {
  int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  if (ORV_PickRect(image, &x1, &y1, &x2, &y2) != 0) return;
  char title[512];
  std::snprintf(title, sizeof title, "CrCb(%d,%d)-(%d,%d)", x1, y1, x2, y2);
  const int cols = x2 - x1 + 1, rows = y2 - y1 + 1;
  std::vector<int> samples;
  try {
    samples.resize(std::size_t(cols) * std::size_t(rows));
  } catch (const std::bad_alloc&) {
    return;
  }
  ORV_GetRect(samples.data(), x1, y1, cols, rows);
  int graph = create_graph(title, kChromaSize, kChromaSize);
  if (graph < 0) return;
  PlotCrCbArea(rows, samples.data(), cols);
  ORV_DrawImage(graph);
}

void pixel_command(int image) {
  int x = 0, y = 0;
  if (ORV_PickPoint(image, &x, &y) != 0) return;
  ImageRecord* r = image_in_use(image);
  if (!r) return;
  const std::string text = pixel_readout(x, y, ORV_GetPixel(x, y), r->bits != 32);
  ORV_RaiseTextWindow();
  ORV_Print("%s", text.c_str());
}

}  // namespace

std::string pixel_readout(int x, int y, int v, bool eight_bit) {
  char text[512];
  int at = std::snprintf(text, sizeof text, "(X,Y)=(%d,%d)\n", x, y);
  if (eight_bit) {
    std::snprintf(text + at, sizeof text - std::size_t(at), "(Luminance)=(%d)\n\n", v);
    return text;
  }
  const int luma = fixed_point(kLuma, v);
  std::snprintf(text + at, sizeof text - std::size_t(at),
                "(R,G,B)=(%d,%d,%d)\n(H,S,V)=(%d,%d,%d)\n(Y,Cr,Cb)=(%d,%d,%d)\n"
                "(Y,u,v)=(%d,%d,%d)\n(Y,I,Q)=(%d,%d,%d)\n\n",
                (v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF, ORV_Hue(v), ORV_Saturation(v),
                ORV_Value(v), luma, fixed_point(kCr, v), fixed_point(kCb, v), luma,
                fixed_point(kU, v), fixed_point(kV, v), luma, fixed_point(kI, v),
                fixed_point(kQ, v));
  return text;
}

bool run_information_command(int command, int id) {
  if (command == kCommandInfoPixel) return pixel_command(id), true;
  if (command == kCommandInfoAreaCrCb) return area_command(id), true;
  for (const RowCommand& c : kRowCommands)
    if (c.command == command) return row_command(c, id), true;
  return false;
}

}  // namespace orv
