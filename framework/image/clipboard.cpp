// Copy, the clipboard picture read back, and drops on image windows.
#include "framework/image/clipboard.h"

#include "framework/image/image_table.h"
#include "framework/orvlib.h"
#include "platform/codec/codec.h"
#include "platform/text/clipboard.h"

namespace orv {
namespace {

// The packed DIB of an image: 24-bit rows for a 32-bit image, indices and
// the 256 palette entries for an 8-bit one, bottom row first.
bool pack_image(const ImageRecord& r, std::vector<std::uint8_t>* dib) {
  platform::Picture picture;
  return platform::picture_from_bitmap(*r.dib, picture) == platform::CodecStatus::Ok &&
         platform::pack_dib(picture, *dib) == platform::CodecStatus::Ok;
}

bool read_clipboard_dib(std::vector<std::uint8_t>* dib) {
  if (!platform::clipboard_has_format(platform::ClipFormat::dib)) return false;
  if (!platform::clipboard_open()) return false;
  bool read = platform::clipboard_get_dib(dib);
  platform::clipboard_close();
  return read && !dib->empty();
}

}  // namespace

std::unique_ptr<platform::Bitmap> read_clipboard_bitmap(std::vector<std::uint32_t>* colours) {
  colours->clear();
  std::vector<std::uint8_t> dib;
  if (!read_clipboard_dib(&dib)) return nullptr;
  platform::Picture picture;
  if (platform::decode_packed_dib(dib.data(), dib.size(), picture) != platform::CodecStatus::Ok)
    return nullptr;
  auto bitmap = platform::create_bitmap(picture.width, picture.height, 32);
  if (!bitmap || platform::draw_picture(*bitmap, 0, 0, picture) != platform::CodecStatus::Ok)
    return nullptr;
  if (picture.bits == 8)
    for (std::uint32_t colour : picture.palette) colours->push_back(colour & 0xFFFFFF);
  return bitmap;
}

void load_file_dropped_on_image(platform::Window window, const std::vector<std::string>& files) {
  if (files.empty() || select_image_of_window(window) < 0) return;
  // The whole path: a path cut short could name another file.
  if (ORV_LoadImageFile(files.front().c_str(), 0, 0) == 0) platform::invalidate_window(window);
  ORV_RestoreImage();
  platform::set_foreground(window);
}

}  // namespace orv

// A clipboard that cannot be opened is left alone without a word; one that
// was emptied but cannot take the picture stays empty.
void ORV_CopyImageToClipboard(int id) {
  const orv::ImageRecord* r = orv::image_in_use(id);
  if (!r || !platform::clipboard_open()) return;
  platform::clipboard_empty();
  std::vector<std::uint8_t> dib;
  bool packed = orv::pack_image(*r, &dib) && platform::clipboard_set_dib(dib.data(), dib.size());
  platform::clipboard_close();
  if (!packed) ORV_Pause("No enough memory for copy");
}
