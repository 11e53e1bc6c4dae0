// The BETA, STABLE and PRINT renderers.
#include "composer/render.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "composer/params.h"
#include "composer/resample.h"
#include "composer/tables.h"
#include "framework/image/image_table.h"
#include "framework/orvlib.h"

namespace composer {
namespace {

constexpr std::uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF;

// The channel each of the three rows of a row group takes from a colour at
// sub-pixel i: row 3r takes i's own channel, the rows below the next ones.
constexpr std::uint32_t kChannelOfRow[3][3] = {{kRed, kGreen, kBlue},   // i mod 3 = 0
                                               {kGreen, kBlue, kRed},   // 1
                                               {kBlue, kRed, kGreen}};  // 2

// Replaces the channels of `mask` in pixel (x, y) of the current image.
void replace_channel(int x, int y, std::uint32_t mask, std::uint32_t colour) {
  std::uint32_t old = std::uint32_t(ORV_GetPixel(x, y));
  ORV_SetPixel(x, y, int((old & ~mask) | (colour & mask)));
}

// Colour at sub-pixel a of row group r: a in row 3r, a + 1 in row 3r + 1,
// a + 2 in row 3r + 2, as the BETA line buffers place it.
void diagonal_write(std::uint32_t colour, int a, int r) {
  for (int row = 0; row < 3; ++row) {
    int s = a + row;
    ORV_SelectImage(kOutputImage);
    replace_channel(s / 3, 3 * r + row, kChannelOfRow[s % 3][0], colour);
  }
}

std::uint32_t strip_pixel(int x, int y) {
  ORV_SelectImage(kStripImage);
  return std::uint32_t(ORV_GetPixel(x, y));
}

// An image's pixels read and written as ORV_GetPixel and ORV_SetPixel do
// (0 outside, an 8-bit image's index, writes outside ignored), without
// selecting the image for every pixel. STABLE and PRINT render through
// these, then do their last few steps again through the pixel calls (the
// same values into the same places), so that the current image, the
// selection stack and the pen end as a render through the pixel calls
// alone leaves them.
struct PixelView {
  std::uint8_t* base = nullptr;
  std::size_t stride = 0;
  int width = 0;
  int height = 0;
  int bits = 32;

  explicit PixelView(int id) {
    orv::ImageRecord* r = orv::image_in_use(id);
    if (!r) return;
    base = orv::image_pixels(id);
    stride = std::size_t(r->dib->stride);
    width = r->width;
    height = r->height;
    bits = r->bits;
  }
  std::uint32_t get(int x, int y) const {
    if (unsigned(x) >= unsigned(width) || unsigned(y) >= unsigned(height)) return 0;
    const std::uint8_t* row = base + std::size_t(y) * stride;
    return bits == 32 ? reinterpret_cast<const std::uint32_t*>(row)[x] : row[x];
  }
  void set(int x, int y, std::uint32_t colour) const {
    if (unsigned(x) >= unsigned(width) || unsigned(y) >= unsigned(height)) return;
    std::uint8_t* row = base + std::size_t(y) * stride;
    if (bits == 32)
      reinterpret_cast<std::uint32_t*>(row)[x] = colour;
    else
      row[x] = std::uint8_t(colour);
  }
};

// The last steps of a render, kept to be done again through the pixel
// calls: enough to refill the 8-entry selection stack.
template <class Step, std::size_t N>
struct LastSteps {
  Step steps[N] = {};
  std::size_t count = 0;
  void keep(const Step& step) { steps[count++ % N] = step; }
  template <class Replay>
  void replay(Replay replay) const {
    for (std::size_t i = count > N ? count - N : 0; i < count; ++i) replay(steps[i % N]);
  }
};

}  // namespace

int picture_of_view(const Params& p, int v) {
  int e = v + p.view_pos;
  if (p.loop && e >= p.pic_num) e -= p.pic_num;
  return e;
}

// Row group r reads, for each sub-pixel i, one work sample (and a second
// one to blend with at a zone boundary) and places its colour on the three
// rows as a diagonal: row 3r + k takes channel (i + k) mod 3 of it at
// sub-pixel i + k. So pixel x of row 3r + k is red from sub-pixel 3x − k,
// green from 3x + 1 − k and blue from 3x + 2 − k, each black before the row
// group's first sub-pixel. The row group's colours go into line_1, behind
// two black entries.
void compose_beta(const Params& p, const Buffers& b) {
  const int n = p.scaled_width, m = p.scaled_height, row = 3 * n, groups = m / 3;
  std::fill(b.display_buff + std::size_t(3 * groups) * n, b.display_buff + std::size_t(n) * m, 0u);
  if (row <= 0) return;
  // line_2 serves as a black row for the views whose picture is outside
  // the strip; line_1 holds the row group's colours behind two black entries.
  std::fill(b.line_2, b.line_2 + row, 0u);
  std::uint32_t* colours = b.line_1 + 2;
  b.line_1[0] = b.line_1[1] = 0;
  const Tables& t = b.tables;
  const unsigned views = unsigned(std::max(p.view_num, 0));
  std::vector<const std::uint32_t*> view_row(views);
  for (int r = 0; r < groups; ++r) {
    const std::uint32_t* group = b.work + std::size_t(r) * p.pic_num * std::size_t(row);
    auto row_of = [&](int v) -> const std::uint32_t* {
      int e = picture_of_view(p, v);
      return unsigned(e) < unsigned(p.pic_num) ? group + std::size_t(e) * row : b.line_2;
    };
    for (unsigned v = 0; v < views; ++v) view_row[v] = row_of(int(v));
    auto sample = [&](int v, int i) {
      return (unsigned(v) < views ? view_row[unsigned(v)] : row_of(v))[i];
    };
    // Row group r's maps are the tables from position m − 3r on (see
    // build_beta_maps), with the sub-pixel itself as both columns; reading
    // the tables there gives the maps' values without streaming six
    // output-sized arrays through the cache on every redraw.
    const std::size_t at = std::size_t(m - 3 * r);
    const int* pos = t.pos_table + at;
    const int* flag = t.th_flg_table + at;
    for (int i = 0; i < row; ++i) colours[i] = sample(pos[i], i);
    if (p.aa) {
      for (int i = 0; i < row; ++i)
        if (flag[i] == 1)
          colours[i] = blend(t.th_tablep[at + i], colours[i], sample(t.aa_pos_table[at + i], i));
    }
    for (int k = 0; k < 3; ++k) {
      std::uint32_t* out = b.display_buff + std::size_t(3 * r + k) * n;
      const std::uint32_t* c = colours - k;
      for (int x = 0; x < n; ++x)
        out[x] = (c[3 * x] & kRed) | (c[3 * x + 1] & kGreen) | (c[3 * x + 2] & kBlue);
    }
  }
}

void copy_to_output(const Params& p, const Buffers& b, Scroll& scroll) {
  orv::ImageRecord* out = orv::image_in_use(kOutputImage);
  if (!out) return;
  const int n = p.scaled_width, m = p.scaled_height, w = p.width, h = p.height;
  auto span = [](int window, int picture, int& from, int& to) {
    int d = window - picture;
    from = d >= 0 ? d / 2 + d % 2 : 0;
    to = d >= 0 ? window - d / 2 : window;
  };
  int x0, x1, y0, y1;
  span(w, n, x0, x1);
  span(h, m, y0, y1);
  if (scroll.reset) {
    scroll = {0, 0, false};
  } else {
    scroll.x = std::clamp(scroll.x, 0, std::max(0, n - (x1 - x0)));
    scroll.y = std::clamp(scroll.y, 0, std::max(0, m - (y1 - y0)));
  }
  int oy = std::clamp(p.view_num * (scroll.y / p.view_num), 0, std::max(0, m - (y1 - y0)));
  // Row by row into image 2's buffer: the picture's span copied whole, the
  // margins black. (An 8-bit image 2 is not the composer's; it goes pixel
  // by pixel through the pixel calls.)
  const int xe = std::min(x1, out->width), ye = std::min(y1, out->height);
  ORV_SelectImage(kOutputImage);
  for (int y = 0; y < out->height; ++y) {
    bool rows = y >= y0 && y < ye;
    const std::uint32_t* from =
        rows ? b.display_buff + std::size_t(oy + y - y0) * n + scroll.x : nullptr;
    if (out->bits != 32) {
      for (int x = 0; x < out->width; ++x)
        ORV_SetPixel(x, y, rows && x >= x0 && x < xe ? int(from[x - x0]) : 0);
      continue;
    }
    auto* row = reinterpret_cast<std::uint32_t*>(orv::image_pixels(kOutputImage) +
                                                 std::size_t(y) * out->dib->stride);
    if (!rows || xe <= x0) {
      std::fill(row, row + out->width, 0u);
      continue;
    }
    std::fill(row, row + x0, 0u);
    std::copy(from, from + (xe - x0), row + x0);
    std::fill(row + xe, row + out->width, 0u);
  }
  ORV_DrawImage(kOutputImage);
}

void full_beta_redraw(Params& p, const Buffers& b, Scroll& scroll) {
  build_beta_tables(p, b.tables);
  build_beta_maps(p, b.tables, b.maps);
  beta_position_redraw(p, b, scroll);
}

void beta_position_redraw(const Params& p, const Buffers& b, Scroll& scroll) {
  compose_beta(p, b);
  print_status(p);
  copy_to_output(p, b, scroll);
}

namespace {

// One column k of STABLE's lens walk: the picture it shows and, for the
// first column after a zone boundary, the weight of its blend with the
// column before.
struct LensColumn {
  int k;
  int picture;
  bool blends;
  double weight;
};

std::vector<LensColumn> lens_walk(const Params& p, int end) {
  std::vector<LensColumn> columns;
  double g = p.dt, w = 0;
  int k = 0;
  bool pending = false;
  while (k < end) {  // a lens begun is rendered to its end
    for (int h = 0; h < p.view_num;) {
      columns.push_back({k, picture_of_view(p, h), pending && p.aa, w});
      ++k;
      pending = false;
      if (k >= int(g)) {
        ++h;
        pending = true;
        w = g - int(g);
        g += p.dt;
      }
    }
  }
  return columns;
}

}  // namespace

// Every sub-pixel of image 2 is written by one (column, row group) alone,
// and a row group's blend needs only its own previous read: going row group
// by row group, along image 2's rows, writes what the walk's column-by-column
// order writes. The walk's own last two steps are then done again through
// the pixel calls.
void render_stable(Params& p) {
  orv::ImageRecord* out = orv::image_in_use(kOutputImage);
  if (!out || p.view_num < 1) return;
  p.dt = p.pitch / p.view_num;
  ORV_SelectImage(kOutputImage);
  ORV_FillBox(0, 0, out->width, out->height, 0, 0);
  orv::ImageRecord* strip = orv::image_in_use(kStripImage);
  if (strip) {
    const int groups = p.scaled_height / 3;
    const int pw1 = strip->width / p.pic_num;
    const std::vector<LensColumn> columns = lens_walk(p, 3 * p.scaled_width);
    const PixelView from(kStripImage), to(kOutputImage);
    auto read = [&](std::size_t c, int r) {
      return from.get(columns[c].picture * pw1 + columns[c].k + 3 * r, 3 * r);
    };
    auto colour_of = [&](std::size_t c, std::uint32_t u, std::uint32_t previous) {
      return columns[c].blends ? blend(columns[c].weight, u, previous) : u;
    };
    auto sub_pixel = [&](std::size_t c, int r) { return p.view_num / 2 + columns[c].k + 3 * r; };
    for (int r = 0; r < groups; ++r) {
      std::uint32_t previous = 0;
      for (std::size_t c = 0; c < columns.size(); ++c) {
        std::uint32_t u = read(c, r), colour = colour_of(c, u, previous);
        previous = u;
        const int a = sub_pixel(c, r);
        for (int row = 0; row < 3; ++row) {  // as diagonal_write does
          int sub = a + row;
          std::uint32_t mask = kChannelOfRow[sub % 3][0];
          int px = sub / 3, py = 3 * r + row;
          to.set(px, py, (to.get(px, py) & ~mask) | (colour & mask));
        }
      }
    }
    // Each step selects four times: two refill the selection stack.
    const long long steps = (long long)columns.size() * std::max(groups, 0);
    for (long long step = std::max(0LL, steps - 2); step < steps; ++step) {
      std::size_t c = std::size_t(step / groups);
      int r = int(step % groups);
      std::uint32_t u = read(c, r), previous = c > 0 ? read(c - 1, r) : 0;
      strip_pixel(columns[c].picture * pw1 + columns[c].k + 3 * r, 3 * r);
      diagonal_write(colour_of(c, u, previous), sub_pixel(c, r), r);
    }
  }
  ORV_DrawImage(kOutputImage);
  print_status(p);
}

void render_print(Params& p, const Buffers& b) {
  if (!orv::image_in_use(kOutputImage)) return;
  const Tables& t = b.tables;
  build_print_table(p, t);
  const int n = p.scaled_width;
  if (orv::image_in_use(kStripImage)) {
    const PixelView from(kStripImage), to(kOutputImage);
    // A step reads the strip once or twice and writes one pixel: four
    // steps select at least eight times.
    struct Step {
      int x1, x2, j, i;
      bool second;  // x2 was read too
      std::uint32_t colour;
    };
    LastSteps<Step, 4> last;
    for (int i = 0; i + 1 < p.scaled_height; ++i) {
      for (int j = 0; j < n; ++j) {
        int x1 = n * picture_of_view(p, t.pos_table[j]) + t.point_table[j], x2 = 0;
        std::uint32_t colour = from.get(x1, i);
        bool second = t.th_flg_table[j] == 1 && p.aa;
        if (second) {
          x2 = n * picture_of_view(p, t.aa_pos_table[j]) + t.aa_table[j];
          colour = blend(t.th_tablep[j], colour, from.get(x2, i));
        }
        to.set(j, i, colour);
        last.keep({x1, x2, j, i, second, colour});
      }
    }
    last.replay([](const Step& step) {
      strip_pixel(step.x1, step.i);
      if (step.second) strip_pixel(step.x2, step.i);
      ORV_SelectImage(kOutputImage);
      ORV_SetPixel(step.j, step.i, int(step.colour));
    });
  }
  ORV_DrawImage(kOutputImage);
  print_status(p);
}

}  // namespace composer
