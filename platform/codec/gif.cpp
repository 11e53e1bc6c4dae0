// GIF through giflib. The first frame is decoded into an indexed picture of
// the logical screen's size; the transparent index and the area the frame
// does not cover are black. Encoding writes one frame: an 8-bit picture keeps
// its indices and palette (padded to a power of two); a 32-bit picture uses
// its own colours when there are at most 256, otherwise giflib's median-cut
// quantiser.
#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <unordered_map>

#include "platform/codec/codec_internal.h"

namespace platform::codec {

namespace {

int read_from_memory(GifFileType* gif, GifByteType* out, int count) {
  auto* src = static_cast<MemorySource*>(gif->UserData);
  if (count < 0) return 0;
  return int(src->read(out, std::size_t(count)));
}

struct GifCloser {
  GifFileType* gif = nullptr;
  ~GifCloser() {
    int error = 0;
    if (gif != nullptr) DGifCloseFile(gif, &error);
  }
};

// Reads records up to the first image descriptor, noting the transparent
// index of the graphic control extension that precedes it (-1 for none).
bool find_first_frame(GifFileType* gif, int& transparent) {
  transparent = -1;
  for (;;) {
    GifRecordType type;
    if (DGifGetRecordType(gif, &type) == GIF_ERROR) return false;
    if (type == IMAGE_DESC_RECORD_TYPE) return DGifGetImageDesc(gif) != GIF_ERROR;
    if (type != EXTENSION_RECORD_TYPE) return false;  // the terminator before any frame
    int code = 0;
    GifByteType* block = nullptr;
    if (DGifGetExtension(gif, &code, &block) == GIF_ERROR) return false;
    if (code == GRAPHICS_EXT_FUNC_CODE && block != nullptr && block[0] >= 4) {
      transparent = (block[1] & 1) ? block[4] : -1;
    }
    while (block != nullptr)
      if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) return false;
  }
}

std::uint32_t read_colour(const GifColorType& c) {
  return 0xFF000000u | rgb_word(c.Red, c.Green, c.Blue);
}

void read_palette(const ColorMapObject* map, int transparent, Picture& out) {
  out.palette.resize(std::size_t(map->ColorCount));
  for (int i = 0; i < map->ColorCount; ++i)
    out.palette[i] = i == transparent ? 0u : read_colour(map->Colors[i]);
}

// The palette index of a colour: an equal entry, else a new entry while
// there is room, else the nearest entry.
int index_of_colour(std::uint32_t colour, Picture& out) {
  int nearest = 0;
  long best = -1;
  for (std::size_t i = 0; i < out.palette.size(); ++i) {
    std::uint32_t c = out.palette[i];
    if (c == colour) return int(i);
    long dr = long((c >> 16) & 255) - long((colour >> 16) & 255),
         dg = long((c >> 8) & 255) - long((colour >> 8) & 255),
         db = long(c & 255) - long(colour & 255);
    long distance = dr * dr + dg * dg + db * db;
    if (best < 0 || distance < best) best = distance, nearest = int(i);
  }
  if (out.palette.size() < 256) {
    out.palette.push_back(colour);
    return int(out.palette.size() - 1);
  }
  return nearest;
}

}  // namespace

CodecStatus decode_gif(const std::uint8_t* data, std::size_t size, Picture& out) {
  MemorySource source{data, size, 0};
  int error = 0;
  GifCloser file;
  file.gif = DGifOpen(&source, read_from_memory, &error);
  if (file.gif == nullptr) return CodecStatus::NotDecodable;
  GifFileType* gif = file.gif;
  int transparent = -1;
  if (!find_first_frame(gif, transparent)) return CodecStatus::NotDecodable;
  const GifImageDesc& frame = gif->Image;
  const ColorMapObject* map = frame.ColorMap != nullptr ? frame.ColorMap : gif->SColorMap;
  if (map == nullptr || map->ColorCount <= 0 || map->ColorCount > 256)
    return CodecStatus::NotDecodable;
  std::int64_t width = gif->SWidth, height = gif->SHeight;
  if (width == 0 || height == 0)
    width = frame.Left + frame.Width, height = frame.Top + frame.Height;
  CodecStatus result = check_picture_size(width, height, size, kRatioLzw);
  if (result != CodecStatus::Ok) return result;
  result = check_picture_size(frame.Width, frame.Height, size, kRatioLzw);
  if (result != CodecStatus::Ok) return result;

  result = prepare_picture(out, int(width), int(height), 8);
  if (result != CodecStatus::Ok) return result;
  read_palette(map, transparent, out);
  // Outside the frame: the transparent index when there is one, which is
  // black, otherwise the background colour. The background index belongs to
  // the global table, which the frame's own table may not contain.
  int fill = transparent;
  bool covered =
      frame.Left == 0 && frame.Top == 0 && frame.Width >= width && frame.Height >= height;
  if (fill < 0 && !covered) {
    const ColorMapObject* global = gif->SColorMap;
    int background = gif->SBackGroundColor;
    fill = index_of_colour(global != nullptr && background < global->ColorCount
                               ? read_colour(global->Colors[background])
                               : 0xFF000000u,
                           out);
  }
  if (fill > 0) std::fill(out.indices.begin(), out.indices.end(), std::uint8_t(fill));
  std::vector<GifPixelType> line(std::size_t(frame.Width));
  static const int kPassStart[] = {0, 4, 2, 1}, kPassStep[] = {8, 8, 4, 2};
  int passes = frame.Interlace ? 4 : 1;
  for (int pass = 0; pass < passes; ++pass) {
    int start = frame.Interlace ? kPassStart[pass] : 0,
        step = frame.Interlace ? kPassStep[pass] : 1;
    for (int row = start; row < frame.Height; row += step) {
      if (DGifGetLine(gif, line.data(), frame.Width) == GIF_ERROR) return CodecStatus::NotDecodable;
      std::int64_t y = std::int64_t(frame.Top) + row;
      if (y >= height) continue;
      for (int x = 0; x < frame.Width && frame.Left + x < width; ++x)
        out.indices[std::size_t(y) * std::size_t(width) + std::size_t(frame.Left + x)] = line[x];
    }
  }
  return CodecStatus::Ok;
}

namespace {

int write_to_memory(GifFileType* gif, const GifByteType* in, int count) {
  auto* out = static_cast<std::vector<std::uint8_t>*>(gif->UserData);
  try {
    out->insert(out->end(), in, in + count);
  } catch (...) {
    return 0;
  }
  return count;
}

struct GifWriter {
  GifFileType* gif = nullptr;
  ~GifWriter() {
    int error = 0;
    if (gif != nullptr) EGifCloseFile(gif, &error);
  }
  // Closing writes the trailer; false when that fails.
  bool close() {
    int error = 0;
    bool ok = EGifCloseFile(gif, &error) == GIF_OK;
    gif = nullptr;
    return ok;
  }
};

// The exact colours of a 32-bit picture as an index map, or false when
// there are more than 256.
bool exact_palette(const Picture& picture, std::vector<std::uint32_t>& palette,
                   std::vector<std::uint8_t>& indices) {
  std::unordered_map<std::uint32_t, std::uint8_t> seen;
  indices.resize(picture.pixels.size());
  for (std::size_t i = 0; i < picture.pixels.size(); ++i) {
    std::uint32_t c = picture.pixels[i] & 0xFFFFFF;
    auto it = seen.find(c);
    if (it == seen.end()) {
      if (palette.size() == 256) return false;
      it = seen.emplace(c, std::uint8_t(palette.size())).first;
      palette.push_back(c);
    }
    indices[i] = it->second;
  }
  return true;
}

bool quantised_palette(const Picture& picture, std::vector<std::uint32_t>& palette,
                       std::vector<std::uint8_t>& indices) {
  std::size_t n = picture.pixels.size();
  std::vector<GifByteType> red(n), green(n), blue(n);
  for (std::size_t i = 0; i < n; ++i) {
    red[i] = GifByteType(picture.pixels[i] >> 16);
    green[i] = GifByteType(picture.pixels[i] >> 8);
    blue[i] = GifByteType(picture.pixels[i]);
  }
  std::vector<GifColorType> colours(256);
  int count = 256;
  indices.assign(n, 0);
  if (GifQuantizeBuffer(unsigned(picture.width), unsigned(picture.height), &count, red.data(),
                        green.data(), blue.data(), indices.data(), colours.data()) == GIF_ERROR)
    return false;
  palette.clear();
  for (int i = 0; i < count; ++i)
    palette.push_back(rgb_word(colours[i].Red, colours[i].Green, colours[i].Blue));
  return true;
}

}  // namespace

CodecStatus encode_gif(const Picture& picture, std::vector<std::uint8_t>& out) {
  if (picture.width > 0xFFFF || picture.height > 0xFFFF) return CodecStatus::TooLarge;
  std::vector<std::uint32_t> palette;
  std::vector<std::uint8_t> converted;
  const std::uint8_t* indices = picture.indices.data();
  if (picture.bits == 8) {
    palette = padded_palette(picture, 2);
  } else {
    if (!exact_palette(picture, palette, converted) &&
        !quantised_palette(picture, palette, converted))
      return CodecStatus::WriteFailed;
    indices = converted.data();
  }
  std::size_t size = 2;
  while (size < palette.size()) size *= 2;
  palette.resize(size, 0);
  std::vector<GifColorType> colours(size);
  for (std::size_t i = 0; i < size; ++i)
    colours[i] = {GifByteType(palette[i] >> 16), GifByteType(palette[i] >> 8),
                  GifByteType(palette[i])};

  out.clear();
  int error = 0;
  GifWriter writer;
  writer.gif = EGifOpen(&out, write_to_memory, &error);
  if (writer.gif == nullptr) return CodecStatus::WriteFailed;
  ColorMapObject* map = GifMakeMapObject(int(size), colours.data());
  if (map == nullptr) return CodecStatus::OutOfMemory;
  bool ok = EGifPutScreenDesc(writer.gif, picture.width, picture.height, 8, 0, map) != GIF_ERROR &&
            EGifPutImageDesc(writer.gif, 0, 0, picture.width, picture.height, false, nullptr) !=
                GIF_ERROR;
  GifFreeMapObject(map);
  for (int y = 0; ok && y < picture.height; ++y) {
    auto* row = const_cast<GifPixelType*>(indices + std::size_t(y) * picture.width);
    ok = EGifPutLine(writer.gif, row, picture.width) != GIF_ERROR;
  }
  ok = writer.close() && ok;
  return ok ? CodecStatus::Ok : CodecStatus::WriteFailed;
}

}  // namespace platform::codec
