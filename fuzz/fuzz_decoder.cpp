// One libFuzzer target per decoder, chosen when compiling (ORV_FUZZ_PNG and
// so on). A decoded picture is also drawn into small bitmaps of both depths
// and packed as a DIB, so that whatever a decoder hands on is exercised too.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "platform/codec/codec_internal.h"

using namespace platform;

namespace {

CodecStatus decode(const std::uint8_t* data, std::size_t size, Picture& out) {
#if defined(ORV_FUZZ_BMP)
  return codec::decode_picture_as(PictureFormat::Bmp, data, size, out);
#elif defined(ORV_FUZZ_DIB)
  return decode_packed_dib(data, size, out);
#elif defined(ORV_FUZZ_ICO)
  return codec::decode_picture_as(PictureFormat::Ico, data, size, out);
#elif defined(ORV_FUZZ_PNG)
  return codec::decode_picture_as(PictureFormat::Png, data, size, out);
#elif defined(ORV_FUZZ_JPEG)
  return codec::decode_picture_as(PictureFormat::Jpeg, data, size, out);
#elif defined(ORV_FUZZ_GIF)
  return codec::decode_picture_as(PictureFormat::Gif, data, size, out);
#elif defined(ORV_FUZZ_TIFF)
  return codec::decode_picture_as(PictureFormat::Tiff, data, size, out);
#else
#error "choose a decoder with ORV_FUZZ_<FORMAT>"
#endif
}

Bitmap small_bitmap(int bits) {
  Bitmap b;
  b.width = 16;
  b.height = 16;
  b.bits = bits;
  b.stride = bitmap_stride(16, bits);
  b.data = std::make_unique<std::uint8_t[]>(std::size_t(b.stride) * 16);
  for (int i = 0; i < 256; ++i)
    b.palette[i] = {std::uint8_t(i), std::uint8_t(255 - i), std::uint8_t(i * 7), 0};
  return b;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Picture picture;
  CodecStatus status = decode(data, size, picture);
  if (status != CodecStatus::Ok) {
    if (picture.width != 0 || !picture.pixels.empty() || !picture.indices.empty()) std::abort();
    return 0;
  }
  if (!codec::picture_is_valid(picture)) std::abort();
  for (int bits : {8, 32}) {
    Bitmap target = small_bitmap(bits);
    if (draw_picture(target, -3, 2, picture) != CodecStatus::Ok) std::abort();
  }
  if (std::size_t(picture.width) * std::size_t(picture.height) <= 4096) {
    std::vector<std::uint8_t> packed;
    if (pack_dib(picture, packed) != CodecStatus::Ok) std::abort();
  }
  return 0;
}
