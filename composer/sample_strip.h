// The built-in sample strip, "demo": a small scene seen from viewpoints
// shifted step by step to the right, so that near and far objects move
// against each other from picture to picture as they do in a real strip.
#pragma once

#include <cstdint>

namespace composer {

constexpr int kSamplePictureWidth = 480;
constexpr int kSamplePictureHeight = 270;
constexpr int kSampleMinPictures = 2;
constexpr int kSampleMaxPictures = 16;
constexpr int kSampleDefaultPictures = 8;

// Picture `index` (0-based) of `count` into a 32-bit 0x00RRGGBB buffer of
// kSamplePictureWidth x kSamplePictureHeight whose rows are `stride` pixels
// apart; it carries its number (index + 1) in the top-left corner.
void draw_sample_picture(std::uint32_t* pixels, int stride, int index, int count);

// The strip of `count` pictures side by side as a new image window titled
// "%03d demo" at the first free id from first_id. The id, or -1 (count out
// of range, or no image could be made).
int create_sample_strip(int first_id, int count);

}  // namespace composer
