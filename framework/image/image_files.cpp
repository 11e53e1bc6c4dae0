// Picture files into and out of images: loading draws a file into the
// current image at its own size, saving writes a band of the current image
// in one of five formats, and the two dialogs of the image window's menu
// remember their folder and filter for the life of the process.
#include "framework/image/image_files.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <string>

#include "framework/core/entry.h"
#include "framework/image/image_table.h"
#include "framework/orvlib.h"
#include "platform/choosers.h"
#include "platform/codec/codec.h"
#include "platform/text/codepage.h"
#include "platform/text/files.h"
#include "platform/window.h"

namespace orv {
namespace {

// By format number.
struct SaveFormat {
  const char* mime_type;
  const char16_t* extension;
};
constexpr SaveFormat kSaveFormats[] = {
    {"image/bmp", u".bmp"}, {"image/jpeg", u".jpg"}, {"image/gif", u".gif"},
    {"image/png", u".png"}, {"image/tiff", u".tif"},
};
constexpr int kFormatCount = int(std::size(kSaveFormats));
constexpr int kJpegFormat = 1;
constexpr int kJpegQuality = 100;

struct Filter {
  const char16_t* description;
  const char16_t* patterns;
};
// The open dialog offers all nine; the save dialog the first six.
constexpr Filter kFilters[] = {
    {u"All Files (*.*)", u"*.*"},
    {u"BMP (*.BMP;*.RLE;*.DIB)", u"*.BMP;*.RLE;*.DIB"},
    {u"JPEG (*.JPG;*.JPEG;*.JPE)", u"*.JPG;*.JPEG;*.JPE"},
    {u"CompuServe GIF (*.GIF)", u"*.GIF"},
    {u"PNG (*.PNG)", u"*.PNG"},
    {u"TIFF (*.TIF;*.TIFF)", u"*.TIF;*.TIFF"},
    {u"WMF (*.WMF)", u"*.WMF"},
    {u"EMF (*.EMF)", u"*.EMF"},
    {u"ICO (*.ICO)", u"*.ICO"},
};
constexpr int kOpenFilterCount = 9;
constexpr int kSaveFilterCount = 6;

// What the dialogs remember between uses; an empty folder stands for the
// current folder at start-up.
struct DialogMemory {
  std::u16string load_folder;
  std::u16string save_folder;
  int load_filter = 2;
  int save_filter = 2;
};
DialogMemory g_dialogs;

// A path of the calling program as the platform takes it: through UTF-16,
// where the 260-unit limit counts. A longer path fails rather than being
// cut, since a cut path names another file.
bool platform_path(const char* path, std::u16string& out) {
  if (!path) return false;
  char16_t buffer[platform::kMaxPath];
  bool truncated = false;
  int units = platform::code_page_to_utf16(path, -1, buffer, platform::kMaxPath, &truncated);
  if (units == 0 || truncated) return false;
  out.assign(buffer, std::size_t(units - 1));
  return true;
}

// The file name with the format's extension ensured: the last four
// characters, in lower case, either are the extension or the extension is
// appended. The name's bytes are kept as they are (file names are bytes:
// one that is not valid text still names exactly one file).
bool path_with_extension(const char* path, int format, std::string& out) {
  std::u16string name;
  if (!platform_path(path, name)) return false;
  std::string extension = platform::from_utf16(kSaveFormats[format].extension);
  out = path;
  bool present = false;
  if (out.size() >= 4) {
    std::string tail = out.substr(out.size() - 4);
    for (char& c : tail)
      if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    present = tail == extension;
  }
  if (present) return true;
  if (name.size() + extension.size() >= std::size_t(platform::kMaxPath)) return false;
  out += extension;
  return true;
}

// The installed encoder of the format's MIME type, by exact comparison.
const char* encoder_mime_type(int format) {
  if (format < 0 || format >= kFormatCount) return nullptr;
  for (int i = 0; i < platform::encoder_count(); ++i) {
    const platform::EncoderInfo* encoder = platform::encoder_at(i);
    if (std::strcmp(encoder->mime_type, kSaveFormats[format].mime_type) == 0)
      return encoder->mime_type;
  }
  return nullptr;
}

std::uint32_t palette_word(const platform::PaletteEntry& e) {
  return 0xFF000000u | std::uint32_t(e.red) << 16 | std::uint32_t(e.green) << 8 | e.blue;
}

// The band (x0, 0, width, height) as a picture, read as ORV_GetRect reads it
// (0 for positions outside the image). The framework reads its own buffer
// here rather than calling up into imaging/. A 32-bit image loses the high
// byte of each word and is encoded as 24-bit RGB; an 8-bit image keeps its
// indices and brings its whole palette.
void copy_band(const ImageRecord& r, int x0, int width, int height, platform::Picture& out) {
  const platform::Bitmap& dib = *r.dib;
  out.width = width;
  out.height = height;
  out.bits = r.bits;
  std::size_t count = std::size_t(width) * std::size_t(height);
  if (r.bits == 32)
    out.pixels.assign(count, 0);
  else
    out.indices.assign(count, 0);
  for (int y = 0; y < std::min(height, r.height); ++y) {
    for (int i = 0; i < width; ++i) {
      std::int64_t x = std::int64_t(x0) + i;
      if (x < 0 || x >= r.width) continue;
      std::size_t at = std::size_t(y) * std::size_t(width) + std::size_t(i);
      if (r.bits == 32)
        out.pixels[at] = dib.row32(y)[x] & 0x00FFFFFFu;
      else
        out.indices[at] = dib.row8(y)[x];
    }
  }
  if (r.bits == 8)
    for (const platform::PaletteEntry& e : dib.palette) out.palette.push_back(palette_word(e));
}

// Entries 0..count-1 of an 8-bit image from a file's palette, alpha dropped.
void take_palette(const std::vector<std::uint32_t>& palette) {
  int count = std::min(int(palette.size()), 256);
  if (count == 0) return;
  unsigned char entries[4 * 256];
  for (int i = 0; i < count; ++i) {
    std::uint32_t c = palette[std::size_t(i)];
    entries[4 * i] = std::uint8_t(c);
    entries[4 * i + 1] = std::uint8_t(c >> 8);
    entries[4 * i + 2] = std::uint8_t(c >> 16);
    entries[4 * i + 3] = 0;
  }
  ORV_SetPalette(entries, count);
}

std::u16string start_up_folder() {
  const std::string& folder = working_folder();
  return platform::to_utf16(folder.empty() ? platform::current_folder() : folder);
}

// Both dialogs: the remembered filter selected, the remembered folder shown,
// and on a choice the path returned with the filter and folder remembered.
int file_dialog(bool save, char* path) {
  if (!path) return 1;
  int count = save ? kSaveFilterCount : kOpenFilterCount;
  int& filter = save ? g_dialogs.save_filter : g_dialogs.load_filter;
  std::u16string& folder = save ? g_dialogs.save_folder : g_dialogs.load_folder;
  filter = std::clamp(filter, 1, count);

  platform::FileDialogRequest request;
  request.title = save ? u"Save as" : u"Load image file";
  for (int i = 0; i < count; ++i)
    request.filters.push_back({kFilters[i].description, kFilters[i].patterns});
  request.filter_index = filter;
  request.folder = folder.empty() ? start_up_folder() : folder;
  request.file_name = save ? u"noname" : kFilters[filter - 1].patterns;
  request.file_must_exist = !save;
  request.overwrite_prompt = save;

  std::u16string chosen;
  bool answered = save ? platform::save_file_dialog(request, chosen)
                       : platform::open_file_dialog(request, chosen);
  if (!answered) return 1;
  char buffer[platform::kMaxPath];
  bool truncated = false;
  int bytes =
      platform::utf16_to_code_page(chosen.c_str(), -1, buffer, platform::kMaxPath, &truncated);
  if (bytes == 0 || truncated) return 1;
  std::memcpy(path, buffer, std::size_t(bytes));

  filter = std::clamp(request.filter_index, 1, count);
  char16_t full[platform::kMaxPath];
  int file_part = -1;
  if (platform::full_path_utf16(chosen.c_str(), full, platform::kMaxPath, &file_part) > 0 &&
      file_part >= 0)
    folder.assign(full, std::size_t(file_part));
  return 0;
}

}  // namespace

int open_image_file_dialog(char* path) {
  return file_dialog(false, path);
}

int save_image_file_dialog(char* path) {
  return file_dialog(true, path);
}

int load_filter_index() {
  return g_dialogs.load_filter;
}

int save_filter_index() {
  return g_dialogs.save_filter;
}

// All Files and BMP save as BMP; the others follow the table order.
int save_format_of_filter(int filter_index) {
  return filter_index >= 3 && filter_index <= kSaveFilterCount ? filter_index - 2 : 0;
}

void load_image_file_command(platform::Window window) {
  if (select_image_of_window(window) < 0) return;
  char path[platform::kMaxPath];
  if (open_image_file_dialog(path) != 0) return;
  ORV_LoadImageFile(path, 0, 0);
  if (ImageRecord* r = image_in_use(current_image())) platform::invalidate_window(r->window);
}

// The format follows the filter chosen, whatever extension the name has.
void save_image_as_command(platform::Window window) {
  if (select_image_of_window(window) < 0) return;
  char path[platform::kMaxPath];
  if (save_image_file_dialog(path) != 0) return;
  // The image may have gone while the dialog was open.
  ImageRecord* r = image_in_use(current_image());
  if (!r) return;
  ORV_SaveImageFile(r->width, r->height, save_format_of_filter(g_dialogs.save_filter), path, 0);
}

void reset_image_file_dialogs_for_tests() {
  g_dialogs = DialogMemory{};
}

}  // namespace orv

// The palette is taken only once the file has been decoded, so a file that
// fails leaves the image as it was.
namespace orv {

bool read_picture_file(const char* path, platform::Picture& picture) {
  std::u16string name;  // only for the length limit: the file is opened by its own bytes
  if (!platform_path(path, name)) return false;
  return platform::load_picture(path, picture) == platform::CodecStatus::Ok && picture.width > 0 &&
         picture.height > 0;
}

int draw_into_current_image(const platform::Picture& picture, int x, int y) {
  ImageRecord* r = image_in_use(current_image());
  if (!r) return 2;
  if (r->bits == 8) take_palette(picture.palette);
  platform::draw_picture(*r->dib, x, y, picture);
  return 0;
}

}  // namespace orv

int ORV_LoadImageFile(const char* path, int x, int y) {
  if (!orv::image_in_use(orv::current_image())) return 2;
  platform::Picture picture;
  if (!orv::read_picture_file(path, picture)) return 1;
  return orv::draw_into_current_image(picture, x, y);
}

int ORV_SaveImageFile(int width, int height, int format, const char* path, int x0) {
  orv::ImageRecord* r = orv::image_in_use(orv::current_image());
  if (!r) return 3;
  if (width == 0 || height == 0) return 2;
  // Negative sizes are not supported; they and bands past the codec's
  // limits fail as an encoder would.
  if (width < 0 || height < 0 || std::int64_t(width) * height > platform::kMaxPicturePixels)
    return 1;
  const char* mime_type = orv::encoder_mime_type(format);
  std::string file;
  if (!mime_type || !orv::path_with_extension(path, format, file)) return 1;
  platform::Picture picture;
  try {
    orv::copy_band(*r, x0, width, height, picture);
  } catch (const std::bad_alloc&) {
    return 1;
  }
  int quality = format == orv::kJpegFormat ? orv::kJpegQuality : 0;
  return platform::encode_picture(picture, mime_type, quality, file.c_str()) ==
                 platform::CodecStatus::Ok
             ? 0
             : 1;
}
