// The sample strip as an image window.
#include "composer/sample_strip.h"

#include <cstdio>

#include "framework/orvlib.h"

namespace composer {

int create_sample_strip(int first_id, int count) {
  if (count < kSampleMinPictures || count > kSampleMaxPictures || first_id < 0) return -1;
  for (int id = first_id; id < 256; ++id) {
    char title[24];
    std::snprintf(title, sizeof title, "%03d demo", id);
    int result =
        ORV_CreateImage(id, title, -1, -1, kSamplePictureWidth * count, kSamplePictureHeight, 100);
    if (result == 1) continue;  // in use
    ORV_PixelBuffer view;
    if (result != 0 || ORV_GetImageBuffer(id, &view) != 0) return -1;
    auto* base = reinterpret_cast<std::uint32_t*>(view.pixels);
    int stride = view.stride / 4;
    for (int i = 0; i < count; ++i)
      draw_sample_picture(base + i * kSamplePictureWidth, stride, i, count);
    ORV_DrawImage(id);
    return id;
  }
  return -1;
}

}  // namespace composer
