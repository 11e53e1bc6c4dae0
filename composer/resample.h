// The work image: every source picture resampled to the sub-pixel grid of
// the output, with one of six modes; and the blend that anti-aliases zone
// boundaries. Rows are independent: a whole work image is built with the
// rows spread over the thread pool, and a batch render makes single rows as
// it needs them instead of keeping the whole image.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "framework/orvlib.h"

namespace composer {

struct Params;

// dst_w = subpixels · scaled_width · pic_num, dst_h = scaled_height / subpixels.
int work_width(const Params& p);
int work_height(const Params& p);

// A source coordinate split into its whole part and fraction, worked out
// once per column and once per row in the mode's arithmetic.
struct Axis {
  int whole = 0;
  double fraction = 0;
  double cubic[4] = {0, 0, 0, 0};  // bicubic's weights of the four neighbours
};

// One build's sizes and the source coordinate of every work column and row.
struct Resampling {
  int mode = 0;
  int src_w = 0, src_h = 0, dst_w = 0, dst_h = 0;
  std::vector<Axis> columns, rows;
  std::vector<int> source_columns;  // nearest modes: columns[j].whole, read without the Axis
  // Nearest modes: columns[j].whole is int(j · column_step) (nearest), or
  // (j · column_fixed_step) >> 16 in 32-bit arithmetic (NN TEST's running sum).
  double column_step = 0;
  std::uint32_t column_fixed_step = 0;
  // Interpolating modes: columns[j].fraction and .cubic[c], each in an array
  // of its own, so that eight columns' values load together.
  std::vector<double> column_fraction, column_cubic[4];
  bool usable() const { return dst_w > 0 && dst_h > 0 && src_w > 0 && src_h > 0; }
};

// The resampling of the source (src_w = pic_width · pic_num, src_h =
// src_height) with the mode p.rs.
Resampling plan_resampling(const Params& p);

// Whether a nearest resampling's samples can be read straight from a 32-bit
// `source` through rows[i].whole and source_columns: every one lies inside it.
bool reads_source_directly(const Resampling& r, const ORV_PixelBuffer& source);

// Work row i, columns [from, to), into out[from..to) from `source` (32-bit
// words or 8-bit indices with their palette; 0 outside it or when it is empty).
void resample_row(const Resampling& r, const ORV_PixelBuffer& source, int i, int from, int to,
                  std::uint32_t* out);

// Work pixel (i, j) computed on its own: what resample_row writes there.
std::uint32_t resample_pixel(const Resampling& r, const ORV_PixelBuffer& source, int i, int j);

// Called on the calling thread after each band of rows of an interpolating
// build: the last row done and the row count. It returns the source to read
// from then on (a desktop program takes it again, as the person may have
// closed the picture meanwhile).
using ResampleProgress = std::function<ORV_PixelBuffer(int row, int rows)>;

// Fills `work` (work_width × work_height words, row-major) with the mode p.rs.
void build_work_image(const Params& p, const ORV_PixelBuffer& source, std::uint32_t* work,
                      const ResampleProgress& progress = {});

// Per channel (1 − w)·a + w·b, truncated: a is the main sample, b the second.
inline std::uint32_t blend(double w, std::uint32_t a, std::uint32_t b) {
  auto channel = [&](std::uint32_t c, int shift) { return double(int((c >> shift) & 0xFF)); };
  std::uint32_t out = 0;
  for (int shift : {16, 8, 0})
    out |= std::uint32_t(int((1 - w) * channel(a, shift) + w * channel(b, shift))) << shift;
  return out;
}

}  // namespace composer
