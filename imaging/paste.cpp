// Pasting the clipboard's picture into an image, at a given corner or where
// the person places it.
#include "framework/image/clipboard.h"
#include "framework/image/image_table.h"
#include "framework/orvlib.h"
#include "platform/draw/raster.h"

namespace {

platform::PaletteEntry palette_entry(std::uint32_t rgb) {
  return {std::uint8_t(rgb), std::uint8_t(rgb >> 8), std::uint8_t(rgb >> 16), 0};
}

}  // namespace

void ORV_PasteClipboardToImage(int x, int id, int y) {
  if (!orv::image_in_use(id)) return;
  std::vector<std::uint32_t> colours;
  std::unique_ptr<platform::Bitmap> picture = orv::read_clipboard_bitmap(&colours);
  if (!picture) return;
  int w = picture->width, h = picture->height;
  if (x == -1 || y == -1) {
    int px = 0, py = 0;
    if (ORV_PickPlacement(id, w, h, &px, &py) != 0) return;
    x = px - w / 2;  // centred on the click
    y = py - h / 2;
  }
  orv::ImageRecord* r = orv::image_in_use(id);  // the window may have gone meanwhile
  if (!r) return;
  if (r->bits == 8)
    for (std::size_t i = 0; i < colours.size(); ++i) r->dib->palette[i] = palette_entry(colours[i]);
  platform::blit_bitmap(*r->dib, x, y, w, h, *picture, 0, 0);
  platform::invalidate_window(r->window);
}
