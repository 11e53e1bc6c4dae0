// Animations of 32-bit frames of one size: an animated GIF (each frame with
// its own palette of up to 256 colours, quantised by giflib) or an animated
// PNG (frames as a PNG file's picture data, lossless).
#include <gif_lib.h>
#include <libdeflate.h>

#include <cstring>
#include <vector>

#include "platform/codec/animation.h"
#include "platform/codec/png_words.h"

namespace platform {
namespace {

void put32(std::vector<std::uint8_t>& to, std::uint32_t v) {
  for (int shift : {24, 16, 8, 0}) to.push_back(std::uint8_t(v >> shift));
}

void put16(std::vector<std::uint8_t>& to, std::uint32_t v) {
  to.push_back(std::uint8_t(v >> 8));
  to.push_back(std::uint8_t(v));
}

// A chunk of type `type` holding `data`, with its length and CRC.
void put_chunk(std::vector<std::uint8_t>& to, const char* type, const std::uint8_t* data,
               std::size_t size) {
  put32(to, std::uint32_t(size));
  const std::size_t start = to.size();
  to.insert(to.end(), type, type + 4);
  to.insert(to.end(), data, data + size);
  put32(to, libdeflate_crc32(0, to.data() + start, size + 4));
}

// The frame control of frame `sequence`: the whole picture, shown for
// delay_cs hundredths of a second, replacing the one before.
void put_frame_control(std::vector<std::uint8_t>& to, std::uint32_t sequence, int width, int height,
                       int delay_cs) {
  std::vector<std::uint8_t> fc;
  put32(fc, sequence);
  put32(fc, std::uint32_t(width));
  put32(fc, std::uint32_t(height));
  put32(fc, 0);
  put32(fc, 0);
  put16(fc, std::uint32_t(delay_cs));
  put16(fc, 100);
  fc.push_back(0);  // dispose: none
  fc.push_back(0);  // blend: source
  put_chunk(to, "fcTL", fc.data(), fc.size());
}

// The picture data of an encoded frame: the IDAT chunk without its length,
// type and CRC.
const std::uint8_t* frame_data(const EncodedPng& png, std::size_t* size) {
  *size = png.body_size - 12;
  return png.body.get() + 8;
}

int write_gif_bytes(GifFileType* gif, const GifByteType* data, int size) {
  auto* out = static_cast<std::vector<std::uint8_t>*>(gif->UserData);
  out->insert(out->end(), data, data + size);
  return size;
}

bool put_gif_frame(GifFileType* gif, const std::uint32_t* pixels, int width, int height,
                   int delay_cs) {
  const std::size_t count = std::size_t(width) * std::size_t(height);
  std::vector<GifByteType> red(count), green(count), blue(count), indices(count);
  for (std::size_t i = 0; i < count; ++i) {
    red[i] = GifByteType(pixels[i] >> 16);
    green[i] = GifByteType(pixels[i] >> 8);
    blue[i] = GifByteType(pixels[i]);
  }
  int colours = 256;
  GifColorType palette[256] = {};
  if (GifQuantizeBuffer(unsigned(width), unsigned(height), &colours, red.data(), green.data(),
                        blue.data(), indices.data(), palette) != GIF_OK)
    return false;
  ColorMapObject* map = GifMakeMapObject(256, palette);
  if (!map) return false;
  const GifByteType control[4] = {0, GifByteType(delay_cs & 0xFF), GifByteType(delay_cs >> 8), 0};
  bool ok = EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, control) == GIF_OK &&
            EGifPutImageDesc(gif, 0, 0, width, height, false, map) == GIF_OK;
  for (int y = 0; ok && y < height; ++y)
    ok = EGifPutLine(gif, indices.data() + std::size_t(y) * width, width) == GIF_OK;
  GifFreeMapObject(map);
  return ok;
}

}  // namespace

CodecStatus encode_animated_png(const std::vector<const std::uint32_t*>& frames, int width,
                                int height, int delay_cs, std::vector<std::uint8_t>& out) {
  if (frames.empty() || width < 1 || height < 1) return CodecStatus::BadArgument;
  std::uint32_t sequence = 0;
  for (std::size_t f = 0; f < frames.size(); ++f) {
    EncodedPng png;
    CodecStatus status = encode_png_words(frames[f], std::size_t(width), width, height, 0, 6, png);
    if (status != CodecStatus::Ok) return status;
    std::size_t size = 0;
    const std::uint8_t* data = frame_data(png, &size);
    if (f == 0) {
      out = png.head;  // signature and IHDR
      std::vector<std::uint8_t> control;
      put32(control, std::uint32_t(frames.size()));
      put32(control, 0);  // played for ever
      put_chunk(out, "acTL", control.data(), control.size());
      put_frame_control(out, sequence++, width, height, delay_cs);
      put_chunk(out, "IDAT", data, size);
    } else {
      put_frame_control(out, sequence++, width, height, delay_cs);
      std::vector<std::uint8_t> body;
      put32(body, sequence++);
      body.insert(body.end(), data, data + size);
      put_chunk(out, "fdAT", body.data(), body.size());
    }
    if (f + 1 == frames.size()) out.insert(out.end(), png.tail.begin(), png.tail.end());
  }
  return CodecStatus::Ok;
}

CodecStatus encode_animated_gif(const std::vector<const std::uint32_t*>& frames, int width,
                                int height, int delay_cs, std::vector<std::uint8_t>& out) {
  if (frames.empty() || width < 1 || height < 1 || width > 65535 || height > 65535)
    return CodecStatus::BadArgument;
  out.clear();
  int error = 0;
  GifFileType* gif = EGifOpen(&out, write_gif_bytes, &error);
  if (!gif) return CodecStatus::OutOfMemory;
  EGifSetGifVersion(gif, true);
  bool ok = EGifPutScreenDesc(gif, width, height, 8, 0, nullptr) == GIF_OK;
  // The NETSCAPE2.0 block: loop for ever.
  static const GifByteType kApplication[] = {'N', 'E', 'T', 'S', 'C', 'A',
                                             'P', 'E', '2', '0', '.', '0'};
  static const GifByteType kLoop[] = {1, 0, 0};
  ok = ok && EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) == GIF_OK &&
       EGifPutExtensionBlock(gif, sizeof kApplication, kApplication) == GIF_OK &&
       EGifPutExtensionBlock(gif, sizeof kLoop, kLoop) == GIF_OK &&
       EGifPutExtensionTrailer(gif) == GIF_OK;
  for (const std::uint32_t* frame : frames)
    ok = ok && put_gif_frame(gif, frame, width, height, delay_cs);
  if (EGifCloseFile(gif, &error) != GIF_OK) ok = false;
  return ok ? CodecStatus::Ok : CodecStatus::WriteFailed;
}

}  // namespace platform
