// The preview through the lens in an image window of its own.
#include "composer/lens_window.h"

#include <algorithm>

#include "composer/output_window.h"
#include "composer/params.h"
#include "composer/pixels.h"
#include "composer/preview.h"
#include "composer/render.h"
#include "framework/orvlib.h"

namespace composer {
namespace {

constexpr int kHighestImageId = 255;

// The highest id no image holds: far from the composer's own (0, 1, 2) and
// from the pictures a person opens, which take the low ids first.
int free_image_id() {
  for (int id = kHighestImageId; id > kOutputImage; --id)
    if (!image_buffer(id).pixels) return id;
  return -1;
}

void show_frame(LensWindow& w, const std::vector<std::uint32_t>& frame) {
  const ORV_PixelBuffer to = image_buffer(w.id);
  if (!to.pixels || to.bits != 32 || to.width != w.width || to.height != w.height) return;
  for (int y = 0; y < w.height; ++y)
    std::copy_n(frame.data() + std::size_t(y) * std::size_t(w.width), w.width, row32(to, y));
  ORV_DrawImage(w.id);
}

}  // namespace

int lens_preview_command() {
  return ORV_AddProgramCommand("Preview through the lens");
}

bool open_lens_window(const Params& p, LensWindow& w) {
  close_lens_window(w);
  const ORV_PixelBuffer output = image_buffer(kOutputImage);
  if (!output.pixels || preview_bytes(p, output.width, output.height) > ORV_MemoryBudget())
    return false;
  std::vector<std::vector<std::uint32_t>> views = preview_views(p, output);
  const int id = free_image_id();
  if (views.empty() || id < 0) return false;
  if (ORV_CreateImage(id, "Preview through the lens", p.display_x + 40, p.display_y + 40,
                      output.width, output.height, 100) != 0)
    return false;
  w.id = id;
  w.width = output.width;
  w.height = output.height;
  // Through the views and back, as tilting the print one way and the other.
  w.frames = views;
  for (std::size_t v = views.size() - 1; v-- > 1;) w.frames.push_back(views[v]);
  w.next = 0;
  step_lens_window(w);
  return true;
}

void step_lens_window(LensWindow& w) {
  if (w.id < 0) return;
  if (!image_buffer(w.id).pixels) {  // closed by the person
    w = LensWindow{};
    return;
  }
  show_frame(w, w.frames[w.next]);
  w.next = (w.next + 1) % w.frames.size();
}

void close_lens_window(LensWindow& w) {
  if (w.id >= 0 && image_buffer(w.id).pixels) ORV_DestroyImage(w.id);
  w = LensWindow{};
}

}  // namespace composer
