// Lines, boxes, circles and the flood fill on the current image, and the
// drawing colour.
//
// Nothing here clips: every point goes to a pixel call, which ignores points
// outside the image. Each XOR figure inverts every one of its pixels exactly
// once, so drawing it twice restores the image (rubber bands rely on that).
// Lines set the pen to their second end point first; circles move it with
// every pixel; the pixels of lines, boxes and fills leave it alone.
#include <algorithm>
#include <climits>
#include <cstdint>
#include <utility>

#include "framework/image/image_table.h"
#include "framework/orvlib.h"
#include "imaging/pixels.h"

namespace {

using i64 = std::int64_t;

int g_draw_color = 0x00FFFFFF;

// A coordinate worked out in 64 bits, brought back to int. One beyond the
// int range is outside every image, and so is the nearest int to it.
int narrow(i64 v) {
  return int(std::clamp<i64>(v, INT_MIN, INT_MAX));
}

// Calls plot(x, y) for each point of the line from (x0, y0) to (x1, y1),
// both ends included, each once.
template <class Plot>
void walk_line(int x0, int y0, int x1, int y1, Plot plot) {
  orv::pen() = {x1, y1};
  if (x0 == x1) {
    if (y0 > y1) std::swap(y0, y1);
    for (int y = y0;; ++y) {
      plot(x0, y);
      if (y == y1) break;
    }
    return;
  }
  if (y0 == y1) {
    if (x0 > x1) std::swap(x0, x1);
    for (int x = x0;; ++x) {
      plot(x, y0);
      if (x == x1) break;
    }
    return;
  }
  if (x0 > x1) {
    std::swap(x0, x1);
    std::swap(y0, y1);
  }
  const i64 dx = i64(x1) - x0;
  const i64 dy = y0 < y1 ? i64(y1) - y0 : i64(y0) - y1;
  const int step = y0 < y1 ? 1 : -1;
  int x = x0, y = y0;
  plot(x, y);
  if (dx >= dy) {
    i64 e = (dx + 1) / 2;
    while (x != x1) {
      e -= dy;
      ++x;
      if (e <= 0) {
        e += dx;
        y += step;
      }
      plot(x, y);
    }
  } else {
    i64 e = (dy + 1) / 2;
    while (y != y1) {
      e -= dx;
      y += step;
      if (e <= 0) {
        e += dy;
        ++x;
      }
      plot(x, y);
    }
  }
}

struct Corners {
  int left, top, right, bottom;
};

Corners ordered(int x0, int y0, int x1, int y1) {
  return {std::min(x0, x1), std::min(y0, y1), std::max(x0, x1), std::max(y0, y1)};
}

// The midpoint walk of a circle outline; plot(x, y) once per outline pixel
// (the centre four times for r = 0).
template <class Plot>
void walk_circle(int cx, int cy, int r, Plot plot) {
  auto at = [&](i64 dx, i64 dy) { plot(narrow(cx + dx), narrow(cy + dy)); };
  const i64 limit = i64(5) * r / 7;
  i64 i = 0, a = r, e = r;
  do {
    at(-i, a);
    at(i, -a);
    // On the axes and the diagonals these mirror images coincide with the others.
    if (i != 0 && i != a) {
      at(i, a);
      at(-i, -a);
      at(a, -i);
      at(-a, i);
    }
    at(a, i);
    at(-a, -i);
    e -= 2 * i + 1;
    if (e <= 0) {
      e += 2 * a - 2;
      --a;
    }
    ++i;
  } while (i <= limit && i <= a);
}

// The rows of a filled circle: span(x0, x1, y) once per row of the disc
// (the centre row twice for r = 0).
template <class Span>
void walk_disc(int cx, int cy, int r, Span span) {
  auto row = [&](i64 half, i64 dy) { span(narrow(cx - half), narrow(cx + half), narrow(cy + dy)); };
  const i64 limit = i64(5) * r / 7;
  i64 i = r, j = 0, e = r;
  bool last_stepped = false;
  do {
    last_stepped = false;
    if (i != j) {
      row(i, j);
      if (j != 0) row(i, -j);
    }
    e -= 2 * j + 1;
    if (e <= 0) {
      row(j, i);
      row(j, -i);
      e += 2 * i - 2;
      --i;
      last_stepped = true;
    }
    ++j;
  } while (j <= limit && j <= i);
  --j;
  if (!last_stepped) {
    row(j, i);
    row(j, -i);
  }
}

}  // namespace

void ORV_SetDrawColor(int colour) {
  g_draw_color = colour;
}

int ORV_GetDrawColor() {
  return g_draw_color;
}

void ORV_Line(int colour, int x0, int y0, int x1, int y1) {
  walk_line(x0, y0, x1, y1, [colour](int x, int y) { orv::plot_pixel(x, y, colour); });
}

void ORV_XorLine(int x0, int y0, int x1, int y1) {
  walk_line(x0, y0, x1, y1, [](int x, int y) { orv::xor_plot_pixel(x, y); });
}

// The corners as given, so the pen ends at (x0, y0).
void ORV_Box(int x0, int y0, int x1, int y1) {
  const int colour = g_draw_color;
  ORV_Line(colour, x0, y0, x1, y0);
  ORV_Line(colour, x1, y0, x1, y1);
  ORV_Line(colour, x1, y1, x0, y1);
  ORV_Line(colour, x0, y1, x0, y0);
}

void ORV_XorBox(int x0, int y0, int x1, int y1) {
  const Corners c = ordered(x0, y0, x1, y1);
  ORV_XorLine(c.left, c.top, c.right, c.top);
  if (c.bottom != c.top) ORV_XorLine(c.left, c.bottom, c.right, c.bottom);
  // A box one pixel wide inverts its column twice: only its ends stay inverted.
  if (i64(c.bottom) - c.top > 1) {
    ORV_XorLine(c.left, c.top + 1, c.left, c.bottom - 1);
    ORV_XorLine(c.right, c.top + 1, c.right, c.bottom - 1);
  }
}

void ORV_FillBox(int x0, int y0, int x1, int y1, int outline, int fill) {
  const Corners c = ordered(x0, y0, x1, y1);
  ORV_Line(outline, c.left, c.top, c.right, c.top);
  ORV_Line(outline, c.right, c.top, c.right, c.bottom);
  ORV_Line(outline, c.right, c.bottom, c.left, c.bottom);
  ORV_Line(outline, c.left, c.bottom, c.left, c.top);
  if (i64(c.right) - c.left < 2 || i64(c.bottom) - c.top < 2) return;
  for (int y = c.top + 1; y <= c.bottom - 1; ++y) ORV_Line(fill, c.left + 1, y, c.right - 1, y);
}

void ORV_XorFillBox(int x0, int y0, int x1, int y1) {
  const Corners c = ordered(x0, y0, x1, y1);
  for (int y = c.top;; ++y) {
    ORV_XorLine(c.left, y, c.right, y);
    if (y == c.bottom) break;
  }
}

void ORV_Circle(int colour, int cx, int cy, int r) {
  walk_circle(cx, cy, r, [colour](int x, int y) { ORV_SetPixel(x, y, colour); });
}

void ORV_XorCircle(int cx, int cy, int r) {
  walk_circle(cx, cy, r, [](int x, int y) { ORV_XorPixel(x, y); });
}

// The outline goes over the rows so that the disc has the circle's own edge.
void ORV_FillCircle(int cx, int cy, int r) {
  const int colour = g_draw_color;
  walk_disc(cx, cy, r, [colour](int x0, int x1, int y) { ORV_Line(colour, x0, y, x1, y); });
  ORV_Circle(colour, cx, cy, r);
}

void ORV_XorFillCircle(int cx, int cy, int r) {
  walk_disc(cx, cy, r, [](int x0, int x1, int y) { ORV_XorLine(x0, y, x1, y); });
}

// Scanline seed fill, four-way connected, with a fixed stack of seeds: when
// it is full, further seeds are dropped and the fill may stop short.
void ORV_Paint(int x, int y) {
  const orv::ImageRecord* image = orv::image_in_use(orv::current_image());
  if (!image) return;
  const unsigned width = unsigned(image->width), height = unsigned(image->height);
  if (unsigned(x) >= width || unsigned(y) >= height) return;

  const int fill = g_draw_color;
  // Compared as stored: an 8-bit image keeps only the low byte, and a word
  // that differs from the target above it would re-seed the filled region
  // for ever.
  const int stored_fill = image->bits == 32 ? fill : fill & 0xFF;
  const int target = orv::read_pixel(x, y);
  if (target == stored_fill) return;

  // The bounds are tested here so that a 32-bit word with every bit set
  // (which read_pixel answers as -1, as it does outside) is an ordinary colour.
  auto matches = [&](int px, int py) {
    return unsigned(px) < width && unsigned(py) < height && orv::read_pixel(px, py) == target;
  };

  constexpr int kSeeds = 4000;
  std::int32_t seed_x[kSeeds];
  std::int32_t seed_y[kSeeds];
  int n = 0;
  // Pushes (px, py) when it starts a run of target pixels beside the span.
  auto look = [&](int px, int py, bool& open) {
    if (matches(px, py)) {
      if (open && n < kSeeds) {
        seed_x[n] = px;
        seed_y[n] = py;
        ++n;
        open = false;
      }
    } else {
      open = true;
    }
  };

  for (;;) {
    bool up_open = true, down_open = true;
    while (matches(x - 1, y)) --x;
    const int left = x;
    while (matches(x, y)) {
      look(x, y - 1, up_open);
      look(x, y + 1, down_open);
      ++x;
    }
    ORV_Line(fill, left, y, x - 1, y);

    do {
      if (n == 0) return;
      --n;
      x = seed_x[n];
      y = seed_y[n];
    } while (!matches(x, y));
  }
}
