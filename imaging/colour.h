// The colour models behind the read-outs, profiles and test patterns: the
// integer HSV conversion and the fixed-point luma and chroma weights
// (internal; user programs use ORV_Hue, ORV_HsvToRgb and friends in
// framework/orvlib.h).
#pragma once

#include <cstdint>

// H (whole degrees 0..359), S (max - min of the channels, 0..255) and V (the
// largest channel, 0..255) of colour word `colour`; its top byte is ignored.
// Outputs given as nullptr are not written.
void RgbToHsv(int colour, int* h, int* s, int* v);

namespace orv {

// The weights of R, G and B of one quantity, scaled by 65536.
struct Weights {
  int r, g, b;
};

// The red weights sum to 65536 and every other row to 0, so each quantity
// stays within the range beside it for any colour.
inline constexpr Weights kLuma{19595, 38470, 7471};   // Y   0..255
inline constexpr Weights kCr{32768, -27460, -5308};   // Cr  -127..128
inline constexpr Weights kCb{-11076, -21692, 32768};  // Cb  -127..128
inline constexpr Weights kU{-9634, -18940, 28574};    // u   -110..111
inline constexpr Weights kV{40305, -33751, -6554};    // v   -156..157
inline constexpr Weights kI{39053, -18022, -21037};   // I   -151..152
inline constexpr Weights kQ{13533, -32565, 19032};    // Q   -126..127

// A sum scaled by 65536 back to an integer: half added, then truncated toward
// zero (-1.5 gives -1, -0.75 gives 0).
constexpr int round_fixed(std::int64_t sum) {
  return int((sum + 32768) / 65536);
}

// One quantity of colour word `colour` (top byte ignored), signed, without offset.
constexpr int fixed_point(const Weights& w, int colour) {
  const std::int64_t r = (colour >> 16) & 0xFF, g = (colour >> 8) & 0xFF, b = colour & 0xFF;
  return round_fixed(w.r * r + w.g * g + w.b * b);
}

}  // namespace orv
