// The BETA, STABLE and PRINT renderers over pixel buffers.
#include "composer/render.h"

#include <algorithm>
#include <cstring>

#include "composer/lanes.h"
#include "composer/params.h"
#include "composer/pixels.h"
#include "composer/pool.h"

namespace composer {
namespace {

constexpr std::uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF;
constexpr std::uint32_t kChannels[3] = {kRed, kGreen, kBlue};

// The second sample of each table position: at a zone boundary (with
// anti-aliasing on) the tables' second view and weight, elsewhere the main
// view again with weight 0, which leaves the main sample as it is:
// (1 − 0)·a + 0·a = a. Worked out once per redraw, with the positions that
// blend in order, so that a row group blends only those, eight at a time.
struct SecondSamples {
  std::vector<int> view;
  std::vector<double> weight;
  std::vector<int> boundaries;  // the table positions that blend
  // Their weights, in the same order, so that eight load together.
  std::vector<double> boundary_weight;
  bool blends = false;  // whether any does (none with anti-aliasing off)
  // Where each sample lies in a row group's row when every view shows a
  // picture: sub-pixel i = k − at of the view's picture, that is the
  // picture's offset plus k, less `at` (the same for all row groups).
  std::vector<int> main_column, second_column, boundary_column;

  SecondSamples(const Params& p, const Tables& t) : view(t.pos_table, t.pos_table + t.length) {
    const std::size_t length = std::size_t(std::max(t.length, 0));
    weight.assign(length, 0.0);
    main_column.resize(length);
    second_column.resize(length);
    const int row = 3 * p.scaled_width;
    auto column = [&](int v, int k) { return picture_of_view(p, v) * row + k; };
    for (int k = 0; k < t.length; ++k) {
      const std::size_t i = std::size_t(k);
      main_column[i] = column(view[i], k);
      if (p.aa && t.th_flg_table[k] == 1) {
        view[i] = t.aa_pos_table[k];
        weight[i] = t.th_tablep[k];
        boundaries.push_back(k);
        boundary_weight.push_back(weight[i]);
        boundary_column.push_back(column(view[i], k));
        blends = true;
      }
      second_column[i] = column(view[i], k);
    }
  }
};

// Per thread: a row group's colours behind two black entries, each view's
// offset into the row its samples come from, and (when rows are resampled
// as needed) the row group's work row.
struct BetaScratch {
  std::vector<std::uint32_t> colours, work_row;
  std::vector<int> offsets;

  BetaScratch(const Params& p, const WorkSource& w) {
    const std::size_t row = 3 * std::size_t(p.scaled_width);
    colours.assign(row + 2, 0u);
    offsets.resize(std::size_t(std::max(p.view_num, 0)));
    if (!w.work && !reads_source_directly(*w.resampling, w.source))
      work_row.resize(row * std::size_t(p.pic_num));
  }
};

// Where one row group's samples are: sample (v, i) is row[offsets[v] + i],
// or row[columns[offsets[v] + i]] when `columns` is set (the source row,
// read through a nearest resampling's columns).
struct GroupSamples {
  const std::uint32_t* row = nullptr;
  const int* columns = nullptr;
  const int* offsets = nullptr;
  const Resampling* nearest = nullptr;  // with `columns`: their steps
};

// How a row group reads its samples: a row of work samples as they are, or
// the source row through a nearest resampling's columns, worked out as the
// resampling works them out (the same whole numbers as its table).
enum class Reads { kWork, kNearest, kNnTest };

bool every_view_shows_a_picture(const Params& p) {
  for (int v = 0; v < p.view_num; ++v)
    if (unsigned(picture_of_view(p, v)) >= unsigned(p.pic_num)) return false;
  return true;
}

GroupSamples find_group_samples(const Params& p, const WorkSource& w, int r, BetaScratch& s) {
  const int row = 3 * p.scaled_width;
  GroupSamples g;
  g.offsets = s.offsets.data();
  for (int v = 0; v < p.view_num; ++v) s.offsets[std::size_t(v)] = picture_of_view(p, v) * row;
  if (w.work) {
    g.row = w.work + std::size_t(r) * std::size_t(p.pic_num) * std::size_t(row);
  } else if (s.work_row.empty()) {
    g.row = row32(w.source, w.resampling->rows[std::size_t(r)].whole);
    g.columns = w.resampling->source_columns.data();
    g.nearest = w.resampling;
  } else {
    // Only the pictures the views show are resampled.
    for (int v = 0; v < p.view_num; ++v) {
      const int e = picture_of_view(p, v);
      resample_row(*w.resampling, w.source, r, e * row, (e + 1) * row, s.work_row.data());
    }
    g.row = s.work_row.data();
  }
  return g;
}

// colours[j] = blend(weight[j], a(j), b(j)) for j in [0, count), eight at a
// time; with kStream past the cache (for output rows, which are far larger
// than the cache and not read again here).
template <bool kStream = false, class SampleA, class SampleB>
[[gnu::always_inline]] inline void blend_samples(const SampleA& a, const SampleB& b,
                                                 const double* weight, int count,
                                                 std::uint32_t* colours) {
  int j = 0;
  if (kStream)
    for (; j < count && reinterpret_cast<std::uintptr_t>(colours + j) % sizeof(Words8) != 0; ++j)
      colours[j] = blend(weight[j], a(j), b(j));
  for (; j + 8 <= count; j += 8) {
    // Built lane by lane in registers (a loop over the lanes goes through
    // the stack, and reading the vector back stalls on the eight stores).
    const Words8 wa = {a(j), a(j + 1), a(j + 2), a(j + 3), a(j + 4), a(j + 5), a(j + 6), a(j + 7)};
    const Words8 wb = {b(j), b(j + 1), b(j + 2), b(j + 3), b(j + 4), b(j + 5), b(j + 6), b(j + 7)};
    Doubles8 w;
    std::memcpy(&w, weight + j, sizeof w);
    const Words8 c = blend8(w, wa, wb);
    if (kStream)
      stream_store(c, colours + j);
    else
      std::memcpy(colours + j, &c, sizeof c);
  }
  for (; j < count; ++j) colours[j] = blend(weight[j], a(j), b(j));
  if (kStream) __builtin_ia32_sfence();  // seen by whoever joins this thread next
}

// The columns a row group's samples lie at, plus `at`: each table
// position's main and second sample, and the boundaries' (table positions
// k[j], their second samples' columns and weights, `boundaries` of them).
struct GroupColumns {
  const int* main;
  const int* second;
  const double* weight;  // every position's second weight
  const int* k;
  const int* boundary;
  const double* boundary_weight;
  int boundaries;
};

// The colours of a row group's `count` sub-pixels, its table starting at
// position `at`: at sub-pixel i its main sample (from sub-pixel `from` on:
// the ones before are already there); then, at each boundary, that sample
// blended with the boundary's second sample by its weight, eight boundaries
// at a time. (Blending with weight 0 leaves a sample as it is, so blending
// every position gives the same colours.)
template <Reads kReads>
[[gnu::target_clones("avx2", "default")]] void group_colours(const GroupSamples& g, int count,
                                                             int at, const GroupColumns& columns,
                                                             std::uint32_t* colours, int from = 0) {
  const std::uint32_t* row = g.row;
  const double step = g.nearest ? g.nearest->column_step : 0;
  const std::uint32_t fixed_step = g.nearest ? g.nearest->column_fixed_step : 0;
  auto sample = [&](int column) {
    column -= at;
    if constexpr (kReads == Reads::kNearest) column = int(column * step);
    if constexpr (kReads == Reads::kNnTest)
      column = int((std::uint32_t(column) * fixed_step) >> 16);
    return row[column];
  };
  const int *main = columns.main + at, *second = columns.second + at;
  if (kReads == Reads::kWork && columns.boundaries > 0) {
    // From a work image both samples lie in the rows read anyway: blending
    // every sub-pixel in one sweep beats reaching back for the boundaries.
    blend_samples([&](int i) { return sample(main[i]); }, [&](int i) { return sample(second[i]); },
                  columns.weight + at, count, colours);
    return;
  }
  for (int i = from; i < count; ++i) colours[i] = sample(main[i]);
  const int blending = columns.boundaries;
  int j = 0;
  for (; j + 8 <= blending; j += 8) {
    Words8 a, b;
    int sub_pixel[8];
    for (int l = 0; l < 8; ++l) {
      const int i = columns.k[j + l] - at;
      sub_pixel[l] = i;
      a[l] = colours[i];
      b[l] = sample(columns.boundary[j + l]);
    }
    Doubles8 w;
    std::memcpy(&w, columns.boundary_weight + j, sizeof w);
    const Words8 c = blend8(w, a, b);
    for (int l = 0; l < 8; ++l) colours[sub_pixel[l]] = c[l];
  }
  for (; j < blending; ++j) {
    const int i = columns.k[j] - at;
    colours[i] = blend(columns.boundary_weight[j], colours[i], sample(columns.boundary[j]));
  }
}

// The column of the row that sample column c − at reads, eight at a time,
// worked out as group_colours works it out.
template <Reads kReads>
[[gnu::always_inline]] inline Ints8 row_columns8(const GroupSamples& g, const int* c, int at) {
  Ints8 column;
  std::memcpy(&column, c, sizeof column);
  column -= at;
  if constexpr (kReads == Reads::kNearest)
    column = __builtin_convertvector(
        __builtin_convertvector(column, Doubles8) * splat8(g.nearest->column_step), Ints8);
  if constexpr (kReads == Reads::kNnTest)
    column = Ints8((Words8(column) * g.nearest->column_fixed_step) >> 16);
  return column;
}

// group_colours from the source with AVX2 gathers, which fetch eight
// samples at once: the same colours.
template <Reads kReads>
[[gnu::target("avx2")]] void group_colours_gathered(const GroupSamples& g, int count, int at,
                                                    const GroupColumns& columns,
                                                    std::uint32_t* colours) {
  const int* row = reinterpret_cast<const int*>(g.row);
  const int whole = count / 8 * 8;
  for (int i = 0; i < whole; i += 8) {
    const Ints8 v = gather8(row, row_columns8<kReads>(g, columns.main + at + i, at));
    std::memcpy(colours + i, &v, sizeof v);
  }
  // The last few sub-pixels, and the boundaries, as group_colours does them
  // (gathering the boundaries' samples costs more than it saves).
  group_colours<kReads>(g, count, at, columns, colours, whole);
}

std::uint32_t group_sample(const Params& p, const GroupSamples& g, int v, int i) {
  if (unsigned(picture_of_view(p, v)) >= unsigned(p.pic_num)) return 0;
  const int at = g.offsets[v] + i;
  return g.row[g.columns ? g.columns[at] : at];
}

// Row 3r + k of n pixels from the row group's colours: pixel x takes red
// from sub-pixel 3x − k, green from 3x + 1 − k and blue from 3x + 2 − k.
// Eight pixels are written at a time past the cache: the output is far
// larger than the cache and is not read again here.
[[gnu::always_inline]] inline void diagonal_row_in(const std::uint32_t* colours, int k, int n,
                                                   std::uint32_t* out) {
  const std::uint32_t* c = colours - k;
  auto pixel = [&](int x) {
    return (c[3 * x] & kRed) | (c[3 * x + 1] & kGreen) | (c[3 * x + 2] & kBlue);
  };
  int x = 0;
  for (; x < n && reinterpret_cast<std::uintptr_t>(out + x) % sizeof(Words8) != 0; ++x)
    out[x] = pixel(x);
  // Sub-pixels 3x .. 3x + 23 in three vectors; sub-pixel j gives channel j mod 3.
  const Words8 mask_a = {kRed, kGreen, kBlue, kRed, kGreen, kBlue, kRed, kGreen};
  const Words8 mask_b = {kBlue, kRed, kGreen, kBlue, kRed, kGreen, kBlue, kRed};
  const Words8 mask_c = {kGreen, kBlue, kRed, kGreen, kBlue, kRed, kGreen, kBlue};
  for (; x + 8 <= n; x += 8) {
    Words8 a, b, d;
    std::memcpy(&a, c + 3 * x, sizeof a);
    std::memcpy(&b, c + 3 * x + 8, sizeof b);
    std::memcpy(&d, c + 3 * x + 16, sizeof d);
    a &= mask_a;
    b &= mask_b;
    d &= mask_c;
    const Words8 v = __builtin_shuffle(__builtin_shuffle(a, b, Words8{0, 3, 6, 9, 12, 15, 0, 0}), d,
                                       Words8{0, 1, 2, 3, 4, 5, 10, 13}) |
                     __builtin_shuffle(__builtin_shuffle(a, b, Words8{1, 4, 7, 10, 13, 0, 0, 0}), d,
                                       Words8{0, 1, 2, 3, 4, 8, 11, 14}) |
                     __builtin_shuffle(__builtin_shuffle(a, b, Words8{2, 5, 8, 11, 14, 0, 0, 0}), d,
                                       Words8{0, 1, 2, 3, 4, 9, 12, 15});
    stream_store(v, out + x);
  }
  for (; x < n; ++x) out[x] = pixel(x);
  __builtin_ia32_sfence();  // seen by whoever joins this thread next
}

// Built for AVX-512 as well, still eight pixels at a time: its permutes
// take from two vectors in one step, where AVX2 needs three.
[[gnu::target("avx512f,avx512vl")]] void diagonal_row_wide(const std::uint32_t* colours, int k,
                                                           int n, std::uint32_t* out) {
  diagonal_row_in(colours, k, n, out);
}

[[gnu::target_clones("avx2", "default")]] void diagonal_row_narrow(const std::uint32_t* colours,
                                                                   int k, int n,
                                                                   std::uint32_t* out) {
  diagonal_row_in(colours, k, n, out);
}

void diagonal_row(const std::uint32_t* colours, int k, int n, std::uint32_t* out) {
  if (wide_lanes())
    diagonal_row_wide(colours, k, n, out);
  else
    diagonal_row_narrow(colours, k, n, out);
}

// Row group r reads, for each sub-pixel i, one work sample (and a second
// one to blend with at a zone boundary) and places its colour on the three
// rows as a diagonal: row 3r + k takes channel (i + k) mod 3 of it at
// sub-pixel i + k, each black before the row group's first sub-pixel.
// Returns the colours (in s), for diagonal_row to place.
const std::uint32_t* compose_group(const Params& p, const Tables& t, const SecondSamples& second,
                                   const WorkSource& w, int r, BetaScratch& s) {
  const int n = p.scaled_width, m = p.scaled_height, row = 3 * n;
  const GroupSamples g = find_group_samples(p, w, r, s);
  // Row group r's entries are the tables from position m − 3r on, with the
  // sub-pixel itself as both columns.
  const std::size_t at = std::size_t(m - 3 * r);
  const int *pos = t.pos_table + at, *view2 = second.view.data() + at;
  const double* weight2 = second.weight.data() + at;
  std::uint32_t* colours = s.colours.data() + 2;
  if (!every_view_shows_a_picture(p)) {
    for (int i = 0; i < row; ++i)
      colours[i] =
          blend(weight2[i], group_sample(p, g, pos[i], i), group_sample(p, g, view2[i], i));
  } else {
    const int* first = std::lower_bound(
        second.boundaries.data(), second.boundaries.data() + second.boundaries.size(), int(at));
    const int* last =
        std::lower_bound(first, second.boundaries.data() + second.boundaries.size(), int(at) + row);
    const std::size_t j = std::size_t(first - second.boundaries.data());
    const GroupColumns columns{second.main_column.data(),
                               second.second_column.data(),
                               second.weight.data(),
                               first,
                               second.boundary_column.data() + j,
                               second.boundary_weight.data() + j,
                               int(last - first)};
    if (!g.columns)
      group_colours<Reads::kWork>(g, row, int(at), columns, colours);
    else if (g.nearest->mode == kNnTest && sample_gathers())
      group_colours_gathered<Reads::kNnTest>(g, row, int(at), columns, colours);
    else if (g.nearest->mode == kNnTest)
      group_colours<Reads::kNnTest>(g, row, int(at), columns, colours);
    else if (sample_gathers())
      group_colours_gathered<Reads::kNearest>(g, row, int(at), columns, colours);
    else
      group_colours<Reads::kNearest>(g, row, int(at), columns, colours);
  }
  return colours;
}

}  // namespace

int picture_of_view(const Params& p, int v) {
  int e = v + p.view_pos;
  if (p.loop && e >= p.pic_num) e -= p.pic_num;
  return e;
}

void compose_beta(const Params& p, const Tables& t, const WorkSource& w, std::uint32_t* display,
                  int rows) {
  const int n = p.scaled_width, row = 3 * n;
  const int m = rows >= 0 ? std::min(rows, p.scaled_height) : p.scaled_height;
  const int groups = std::min(p.scaled_height / 3, (m + 2) / 3);
  if (3 * groups < m)
    std::fill(display + std::size_t(3 * groups) * n, display + std::size_t(n) * m, 0u);
  if (row <= 0 || (!w.work && !w.resampling)) return;
  const SecondSamples second(p, t);
  parallel_for(groups, 1, [&](int begin, int end) {
    BetaScratch s(p, w);
    for (int r = begin; r < end; ++r) {
      const std::uint32_t* colours = compose_group(p, t, second, w, r, s);
      for (int k = 0; k < 3; ++k) diagonal_row(colours, k, n, display + std::size_t(3 * r + k) * n);
    }
  });
}

Placement place_output(const Params& p, Scroll& scroll, int out_w, int out_h) {
  const int n = p.scaled_width, m = p.scaled_height;
  auto span = [](int window, int picture, int& from, int& to) {
    int d = window - picture;
    from = d >= 0 ? d / 2 + d % 2 : 0;
    to = d >= 0 ? window - d / 2 : window;
  };
  Placement at;
  int x1, y1;
  span(p.width, n, at.x0, x1);
  span(p.height, m, at.y0, y1);
  if (scroll.reset) {
    scroll = {0, 0, false};
  } else {
    scroll.x = std::clamp(scroll.x, 0, std::max(0, n - (x1 - at.x0)));
    scroll.y = std::clamp(scroll.y, 0, std::max(0, m - (y1 - at.y0)));
  }
  at.oy = std::clamp(p.view_num * (scroll.y / p.view_num), 0, std::max(0, m - (y1 - at.y0)));
  at.sx = scroll.x;
  at.xe = std::min(x1, out_w);
  at.ye = std::min(y1, out_h);
  return at;
}

void copy_placed(const Params& p, const std::uint32_t* display, const Placement& at,
                 const ORV_PixelBuffer& out) {
  const int n = p.scaled_width;
  parallel_for(out.height, 16, [&](int begin, int end) {
    for (int y = begin; y < end; ++y) {
      std::uint32_t* row = row32(out, y);
      if (y < at.y0 || y >= at.ye || at.xe <= at.x0) {
        std::fill(row, row + out.width, 0u);
        continue;
      }
      const std::uint32_t* from = display + std::size_t(at.oy + y - at.y0) * n + at.sx;
      std::fill(row, row + at.x0, 0u);
      std::copy(from, from + (at.xe - at.x0), row + at.x0);
      std::fill(row + at.xe, row + out.width, 0u);
    }
  });
}

void compose_beta_placed(const Params& p, const Tables& t, const WorkSource& w, const Placement& at,
                         const ORV_PixelBuffer& out) {
  const int n = p.scaled_width, row = 3 * n, groups = p.scaled_height / 3;
  // Output row y shows composed row oy + y − y0; rows outside the span, and
  // composed rows past the last whole row group, are black.
  auto black = [&](int y) { std::fill(row32(out, y), row32(out, y) + out.width, 0u); };
  parallel_for(out.height, 16, [&](int begin, int end) {
    for (int y = begin; y < end; ++y)
      if (y < at.y0 || y >= at.ye || at.oy + y - at.y0 >= 3 * groups || at.xe <= at.x0) black(y);
  });
  if (row <= 0 || at.ye <= at.y0 || at.xe <= at.x0 || (!w.work && !w.resampling)) return;
  const int first = at.oy / 3, last = std::min(groups, (at.oy + at.ye - at.y0 + 2) / 3);
  const SecondSamples second(p, t);
  parallel_for(last - first, 1, [&](int begin, int end) {
    BetaScratch s(p, w);
    for (int r = first + begin; r < first + end; ++r) {
      const std::uint32_t* colours = compose_group(p, t, second, w, r, s);
      for (int k = 0; k < 3; ++k) {
        int y = at.y0 + 3 * r + k - at.oy;
        if (y < at.y0 || y >= at.ye) continue;
        // Pixels sx.. of the composed row, placed at x0.
        std::uint32_t* to = row32(out, y);
        std::fill(to, to + at.x0, 0u);
        diagonal_row(colours + 3 * at.sx, k, at.xe - at.x0, to + at.x0);
        std::fill(to + at.xe, to + out.width, 0u);
      }
    }
  });
}

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

std::uint32_t channel_of_sub_pixel(int s) {
  return kChannels[s % 3];
}

int stable_sub_pixel(const Params& p, const LensColumn& c, int r) {
  return p.view_num / 2 + c.k + 3 * r;
}

void write_diagonal(const ORV_PixelBuffer& out, std::uint32_t colour, int a, int r) {
  for (int row = 0; row < 3; ++row) {
    int sub = a + row, px = sub / 3, py = 3 * r + row;
    std::uint32_t mask = channel_of_sub_pixel(sub);
    store_value(out, px, py, (stored_value(out, px, py) & ~mask) | (colour & mask));
  }
}

namespace {

// A row of `count` colours read at columns first[j] + shift of `row` (black
// outside [0, width)), each blended with what column j − 1 read (black
// before the first) by weight[j]: STABLE's lens walk along one row group.
[[gnu::target_clones("avx2", "default")]] void stable_line(const std::uint32_t* row, int width,
                                                           const int* first, const double* weight,
                                                           int shift, int count,
                                                           std::uint32_t* read,
                                                           std::uint32_t* colours) {
  read[0] = 0;
  for (int j = 0; j < count; ++j) {
    const int x = first[j] + shift;
    read[j + 1] = unsigned(x) < unsigned(width) ? row[x] : 0;
  }
  blend_samples([&](int j) { return read[j + 1]; }, [&](int j) { return read[j]; }, weight, count,
                colours);
}

// Column j of the walk is k = j; row group r writes its colour at sub-pixel
// view_num / 2 + j + 3r, read from strip column picture·pw1 + j + 3r of row
// 3r. A row group's colours go to a line of sub-pixels, then its three rows
// whole, as BETA does: each sub-pixel is written once, over black, so this
// is what the diagonal writes leave.
void render_stable_by_lines(const Params& p, const std::vector<LensColumn>& columns,
                            const ORV_PixelBuffer& strip, const ORV_PixelBuffer& out) {
  const int groups = p.scaled_height / 3, pw1 = strip.width / p.pic_num;
  const int count = int(columns.size());
  std::vector<int> first(columns.size());
  std::vector<double> weight(columns.size(), 0.0);
  for (int j = 0; j < count; ++j) {
    const LensColumn& c = columns[std::size_t(j)];
    first[std::size_t(j)] = c.picture * pw1 + c.k;
    if (c.blends) weight[std::size_t(j)] = c.weight;
  }
  const int line_length = 3 * std::max(out.width, 0) + 3;
  parallel_for(groups, 1, [&](int begin, int end) {
    std::vector<std::uint32_t> line(std::size_t(line_length) + 2), read(columns.size() + 1);
    for (int r = begin; r < end; ++r) {
      const int a = p.view_num / 2 + 3 * r;  // where column 0 lands
      const int shown = std::clamp(line_length - a, 0, count);
      std::fill(line.begin(), line.end(), 0u);
      if (3 * r < strip.height && shown > 0)
        stable_line(row32(strip, 3 * r), strip.width, first.data(), weight.data(), 3 * r, shown,
                    read.data(), line.data() + 2 + a);
      for (int k = 0; k < 3 && 3 * r + k < out.height; ++k)
        diagonal_row(line.data() + 2, k, out.width, row32(out, 3 * r + k));
    }
  });
}

// One row of PRINT: column j reads `from` at first[j] and second[j] (black
// at -1) and blends the two by weight[j].
[[gnu::target_clones("avx2", "default")]] void print_row(const std::uint32_t* from,
                                                         const int* first, const int* second,
                                                         const double* weight, int count,
                                                         std::uint32_t* to) {
  auto read = [&](int x) -> std::uint32_t { return x >= 0 ? from[x] : 0; };
  blend_samples<true>([&](int j) { return read(first[j]); }, [&](int j) { return read(second[j]); },
                      weight, count, to);
}

}  // namespace

// Every sub-pixel of the output is written by one (column, row group) alone,
// and a row group's blend needs only its own previous read: row groups are
// independent, and going along each row group writes what the walk's
// column-by-column order writes.
//
// Rows by lines write every pixel of the rows they reach, so only the rest
// is blackened first (a fill of the whole output doubled the bytes written).
std::vector<LensColumn> render_stable(Params& p, const ORV_PixelBuffer& strip,
                                      const ORV_PixelBuffer& out) {
  const bool by_lines = strip.pixels && strip.bits == 32 && out.bits == 32 && p.view_num >= 1;
  const int groups = std::max(p.scaled_height / 3, 0);
  const int written = by_lines ? std::min(3 * groups, std::max(out.height, 0)) : 0;
  if (out.pixels)
    parallel_for(out.height - written, 16, [&](int begin, int end) {
      for (int y = written + begin; y < written + end; ++y) {
        if (out.bits == 32)
          std::fill(row32(out, y), row32(out, y) + out.width, 0u);
        else
          for (int x = 0; x < out.width; ++x) store_value(out, x, y, 0);
      }
    });
  if (p.view_num < 1) return {};
  p.dt = p.pitch / p.view_num;
  const std::vector<LensColumn> columns = lens_walk(p, 3 * p.scaled_width);
  if (!strip.pixels) return columns;
  const int pw1 = strip.width / p.pic_num;
  if (by_lines) {
    render_stable_by_lines(p, columns, strip, out);
    return columns;
  }
  parallel_for(groups, 1, [&](int begin, int end) {
    for (int r = begin; r < end; ++r) {
      std::uint32_t previous = 0;
      for (const LensColumn& c : columns) {
        std::uint32_t u = stored_value(strip, c.picture * pw1 + c.k + 3 * r, 3 * r);
        write_diagonal(out, c.blends ? blend(c.weight, u, previous) : u, stable_sub_pixel(p, c, r),
                       r);
        previous = u;
      }
    }
  });
  return columns;
}

PrintStep print_step(const Params& p, const Tables& t, const ORV_PixelBuffer& strip, int i, int j) {
  const int n = p.scaled_width;
  PrintStep step;
  step.x1 = n * picture_of_view(p, t.pos_table[j]) + t.point_table[j];
  step.colour = stored_value(strip, step.x1, i);
  step.second = t.th_flg_table[j] == 1 && p.aa;
  if (step.second) {
    step.x2 = n * picture_of_view(p, t.aa_pos_table[j]) + t.aa_table[j];
    step.colour = blend(t.th_tablep[j], step.colour, stored_value(strip, step.x2, i));
  }
  return step;
}

void render_print(Params& p, const Tables& t, const ORV_PixelBuffer& strip,
                  const ORV_PixelBuffer& out) {
  build_print_table(p, t);
  const int n = p.scaled_width;
  if (!strip.pixels) return;
  if (strip.bits != 32 || out.bits != 32) {
    parallel_for(p.scaled_height - 1, 8, [&](int begin, int end) {
      for (int i = begin; i < end; ++i)
        for (int j = 0; j < n; ++j) store_value(out, j, i, print_step(p, t, strip, i, j).colour);
    });
    return;
  }
  // Every row reads the same strip columns: they are worked out once, with
  // -1 for a column outside the strip (which reads as black). A column that
  // does not blend reads its first column twice, with weight 0.
  const int columns = std::min(n, out.width);
  std::vector<int> first(std::size_t(std::max(columns, 0))), second(first.size());
  std::vector<double> weight(first.size(), 0.0);
  auto inside_strip = [&](int x) { return unsigned(x) < unsigned(strip.width) ? x : -1; };
  for (int j = 0; j < columns; ++j) {
    const PrintStep step = print_step(p, t, ORV_PixelBuffer{}, 0, j);
    first[std::size_t(j)] = inside_strip(step.x1);
    second[std::size_t(j)] = step.second ? inside_strip(step.x2) : first[std::size_t(j)];
    if (step.second) weight[std::size_t(j)] = t.th_tablep[j];
  }
  const int rows = std::min(p.scaled_height - 1, std::min(out.height, strip.height));
  parallel_for(p.scaled_height - 1, 8, [&](int begin, int end) {
    for (int i = begin; i < std::min(end, out.height); ++i) {
      std::uint32_t* to = row32(out, i);
      if (i >= rows)  // past the strip's last row every read is black, and so is a blend of them
        std::fill(to, to + columns, 0u);
      else
        print_row(row32(strip, i), first.data(), second.data(), weight.data(), columns, to);
    }
  });
}

}  // namespace composer
