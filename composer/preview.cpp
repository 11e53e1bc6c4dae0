// The views worked back from an interlaced picture.
#include "composer/preview.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "composer/params.h"
#include "composer/pixels.h"
#include "composer/pool.h"
#include "composer/tables.h"

namespace composer {
namespace {

// Stretches a row of samples over `width` pixels, each pixel taking the
// sample under it; black where a view has no sample in the row.
void stretch(const std::vector<std::uint32_t>& samples, int width, std::uint32_t* out) {
  const std::size_t count = samples.size();
  for (int x = 0; x < width; ++x)
    out[x] = count ? samples[std::size_t(x) * count / std::size_t(width)] : 0u;
}

// Runs of equal values in values[0 .. count): calls run(value, first, end).
template <class Values, class Run>
void for_each_run(int count, const Values& value, const Run& run) {
  for (int first = 0; first < count;) {
    int end = first + 1;
    while (end < count && value(end) == value(first)) ++end;
    run(value(first), first, end);
    first = end;
  }
}

std::vector<std::vector<std::uint32_t>> preview_print(const Params& p, const ORV_PixelBuffer& in) {
  const std::vector<std::vector<int>> columns = print_preview_columns(p, in.width);
  std::vector<std::vector<std::uint32_t>> views(columns.size());
  for (std::size_t v = 0; v < columns.size(); ++v) {
    views[v].resize(std::size_t(in.width) * std::size_t(in.height));
    parallel_for(in.height, 16, [&](int begin, int end) {
      std::vector<std::uint32_t> samples(columns[v].size());
      for (int y = begin; y < end; ++y) {
        for (std::size_t k = 0; k < samples.size(); ++k)
          samples[k] = colour_at(in, columns[v][k], y);
        stretch(samples, in.width, views[v].data() + std::size_t(y) * std::size_t(in.width));
      }
    });
  }
  return views;
}

// BETA: sub-pixel s (= 3x + channel) of row y shows view pos[m − y + s],
// the composed picture's own tables with m its height.
std::vector<std::vector<std::uint32_t>> preview_beta(Params p, const ORV_PixelBuffer& in) {
  p.subpixels = 3;
  p.scaled_width = in.width;
  p.scaled_height = in.height;
  OwnedTables store(p);
  build_beta_tables(p, store.tables);
  const int views = std::max(p.view_num, 1), subpixels = 3 * in.width, m = in.height;
  std::vector<std::vector<std::uint32_t>> out(static_cast<std::size_t>(views));
  for (auto& view : out) view.resize(std::size_t(in.width) * std::size_t(in.height));
  parallel_for(in.height, 8, [&](int begin, int end) {
    std::vector<std::vector<std::uint32_t>> samples(static_cast<std::size_t>(views));
    for (int y = begin; y < end; ++y) {
      for (auto& s : samples) s.clear();
      const int* pos = store.tables.pos_table + (m - y);
      for_each_run(
          subpixels, [&](int s) { return pos[s]; },
          [&](int v, int first, int last) {
            const int middle = (first + last - 1) / 2;
            std::uint32_t colour = 0;
            for (int c = 0; c < 3; ++c) {
              // The sub-pixel of channel c nearest the middle of the run.
              int s = c + 3 * int(std::lround((middle - c) / 3.0));
              s = std::clamp(s, c, subpixels - 3 + c);
              const std::uint32_t mask = 0xFF0000u >> (8 * c);
              colour |= colour_at(in, s / 3, y) & mask;
            }
            if (unsigned(v) < unsigned(views)) samples[std::size_t(v)].push_back(colour);
          });
      for (int v = 0; v < views; ++v)
        stretch(samples[std::size_t(v)], in.width,
                out[std::size_t(v)].data() + std::size_t(y) * std::size_t(in.width));
    }
  });
  return out;
}

}  // namespace

std::vector<std::vector<int>> print_preview_columns(const Params& given, int width) {
  Params p = given;
  p.subpixels = 1;
  p.scaled_width = width;
  p.scaled_height = 0;
  OwnedTables store(p);
  build_print_table(p, store.tables);
  std::vector<std::vector<int>> columns(static_cast<std::size_t>(std::max(p.view_num, 1)));
  const int* pos = store.tables.pos_table;
  for_each_run(
      width, [&](int j) { return pos[j]; },
      [&](int v, int first, int end) {
        if (unsigned(v) < columns.size()) columns[std::size_t(v)].push_back((first + end - 1) / 2);
      });
  return columns;
}

std::uint64_t preview_bytes(const Params& p, int width, int height) {
  return std::uint64_t(std::max(p.view_num, 1)) * std::uint64_t(std::max(width, 0)) *
         std::uint64_t(std::max(height, 0)) * 4;
}

std::vector<std::vector<std::uint32_t>> preview_views(const Params& p,
                                                      const ORV_PixelBuffer& interlaced) {
  if (!interlaced.pixels || interlaced.width < 1 || interlaced.height < 1 || p.view_num < 1)
    return {};
  return p.print_mode == kPrint ? preview_print(p, interlaced) : preview_beta(p, interlaced);
}

double psnr(const std::uint32_t* a, const std::uint32_t* b, std::size_t count) {
  double sum = 0;
  for (std::size_t i = 0; i < count; ++i)
    for (int shift : {16, 8, 0}) {
      const double d = double(int((a[i] >> shift) & 0xFF) - int((b[i] >> shift) & 0xFF));
      sum += d * d;
    }
  if (sum == 0 || count == 0) return std::numeric_limits<double>::infinity();
  const double mse = sum / (3.0 * double(count));
  return 10 * std::log10(255.0 * 255.0 / mse);
}

}  // namespace composer
