// TIFF through libtiff, read from and written to memory with client
// procedures. The first page is decoded: palette pages in strips stay
// indexed, everything else goes through libtiff's RGBA reader (strips and
// tiles, every photometric it knows; alpha comes back premultiplied, which
// is the same as laying it over black). Encoding writes LZW-compressed
// 8-bit palette or 24-bit RGB strips. libtiff's messages are swallowed.
#include <tiffio.h>

#include <algorithm>
#include <cstring>

#include "platform/codec/codec_internal.h"

namespace platform::codec {

namespace {

constexpr tmsize_t kMaxSingleAlloc = tmsize_t(256) << 20;

// A byte buffer that libtiff reads from or writes into.
struct MemoryFile {
  const std::uint8_t* data = nullptr;        // reading
  std::vector<std::uint8_t>* out = nullptr;  // writing
  std::size_t size = 0;
  std::size_t pos = 0;
};

tmsize_t mem_read(thandle_t h, void* buf, tmsize_t count) {
  auto* f = static_cast<MemoryFile*>(h);
  if (count < 0 || f->pos >= f->size) return 0;
  std::size_t n = std::min(std::size_t(count), f->size - f->pos);
  const std::uint8_t* src = f->out != nullptr ? f->out->data() : f->data;
  std::memcpy(buf, src + f->pos, n);
  f->pos += n;
  return tmsize_t(n);
}

tmsize_t mem_write(thandle_t h, void* buf, tmsize_t count) {
  auto* f = static_cast<MemoryFile*>(h);
  if (f->out == nullptr || count < 0) return -1;
  try {
    std::size_t end = f->pos + std::size_t(count);
    if (end > f->out->size()) f->out->resize(end);
    std::memcpy(f->out->data() + f->pos, buf, std::size_t(count));
    f->pos = end;
    f->size = f->out->size();
  } catch (...) {
    return -1;
  }
  return count;
}

toff_t mem_seek(thandle_t h, toff_t offset, int whence) {
  auto* f = static_cast<MemoryFile*>(h);
  std::uint64_t base = whence == SEEK_CUR ? f->pos : whence == SEEK_END ? f->size : 0;
  std::uint64_t target = base + offset;
  // Reading never goes past the end; writing may leave a gap filled later.
  if (target > (f->out != nullptr ? (std::uint64_t(1) << 32) : f->size)) return toff_t(-1);
  f->pos = std::size_t(target);
  return target;
}

int mem_close(thandle_t) {
  return 0;
}
toff_t mem_size(thandle_t h) {
  return static_cast<MemoryFile*>(h)->size;
}
int mem_map(thandle_t, void**, toff_t*) {
  return 0;
}
void mem_unmap(thandle_t, void*, toff_t) {}

int quiet_handler(TIFF*, void*, const char*, const char*, va_list) {
  return 1;
}

struct TiffCloser {
  TIFF* tif = nullptr;
  ~TiffCloser() {
    if (tif != nullptr) TIFFClose(tif);
  }
};

TIFF* open_memory(MemoryFile& file, const char* mode) {
  TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
  if (options == nullptr) return nullptr;
  TIFFOpenOptionsSetMaxSingleMemAlloc(options, kMaxSingleAlloc);
  TIFFOpenOptionsSetErrorHandlerExtR(options, quiet_handler, nullptr);
  TIFFOpenOptionsSetWarningHandlerExtR(options, quiet_handler, nullptr);
  TIFF* tif = TIFFClientOpenExt("memory", mode, &file, mem_read, mem_write, mem_seek, mem_close,
                                mem_size, mem_map, mem_unmap, options);
  TIFFOpenOptionsFree(options);
  return tif;
}

// Palette strips of 1, 2, 4 or 8 bits: indices and colour map kept.
bool is_plain_palette(TIFF* tif) {
  std::uint16_t photometric = 0, spp = 1, bps = 1, planar = PLANARCONFIG_CONTIG;
  TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric);
  TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &spp);
  TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bps);
  TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar);
  return photometric == PHOTOMETRIC_PALETTE && spp == 1 && planar == PLANARCONFIG_CONTIG &&
         !TIFFIsTiled(tif) && (bps == 1 || bps == 2 || bps == 4 || bps == 8);
}

CodecStatus read_palette_image(TIFF* tif, Picture& out) {
  std::uint16_t bps = 8;
  TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bps);
  std::uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
  if (!TIFFGetField(tif, TIFFTAG_COLORMAP, &red, &green, &blue)) return CodecStatus::NotDecodable;
  int count = 1 << bps;
  // Some writers store 8-bit values in the 16-bit colour map.
  bool eight_bit = true;
  for (int i = 0; i < count; ++i)
    eight_bit = eight_bit && red[i] < 256 && green[i] < 256 && blue[i] < 256;
  int shift = eight_bit ? 0 : 8;
  out.palette.resize(std::size_t(count));
  for (int i = 0; i < count; ++i)
    out.palette[i] = 0xFF000000u | rgb_word(red[i] >> shift, green[i] >> shift, blue[i] >> shift);
  tmsize_t line_size = TIFFScanlineSize(tif);
  if (line_size < (tmsize_t(out.width) * bps + 7) / 8) return CodecStatus::NotDecodable;
  std::vector<std::uint8_t> line(static_cast<std::size_t>(line_size));
  int per_byte = 8 / bps;
  unsigned mask = (1u << bps) - 1;
  for (int y = 0; y < out.height; ++y) {
    if (TIFFReadScanline(tif, line.data(), std::uint32_t(y), 0) < 0)
      return CodecStatus::NotDecodable;
    std::uint8_t* dst = out.indices.data() + std::size_t(y) * out.width;
    for (int x = 0; x < out.width; ++x)
      dst[x] = std::uint8_t((line[x / per_byte] >> (8 - bps * (x % per_byte + 1))) & mask);
  }
  return CodecStatus::Ok;
}

CodecStatus read_rgba_image(TIFF* tif, Picture& out) {
  char message[1024];
  if (!TIFFRGBAImageOK(tif, message)) return CodecStatus::NotDecodable;
  if (!TIFFReadRGBAImageOriented(tif, std::uint32_t(out.width), std::uint32_t(out.height),
                                 out.pixels.data(), ORIENTATION_TOPLEFT, 1))
    return CodecStatus::NotDecodable;
  for (std::uint32_t& px : out.pixels) px = rgb_word(TIFFGetR(px), TIFFGetG(px), TIFFGetB(px));
  return CodecStatus::Ok;
}

}  // namespace

CodecStatus decode_tiff(const std::uint8_t* data, std::size_t size, Picture& out) {
  MemoryFile file;
  file.data = data;
  file.size = size;
  TiffCloser closer;
  closer.tif = open_memory(file, "rm");
  TIFF* tif = closer.tif;
  if (tif == nullptr) return CodecStatus::NotDecodable;
  std::uint32_t width = 0, height = 0;
  if (!TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width) ||
      !TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height))
    return CodecStatus::NotDecodable;
  CodecStatus result = check_picture_size(width, height, size, kRatioTiff);
  if (result != CodecStatus::Ok) return result;
  bool indexed = is_plain_palette(tif);
  prepare_picture(out, int(width), int(height), indexed ? 8 : 32);
  return indexed ? read_palette_image(tif, out) : read_rgba_image(tif, out);
}

namespace {

bool write_image(TIFF* tif, const Picture& picture) {
  bool indexed = picture.bits == 8;
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, std::uint32_t(picture.width));
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, std::uint32_t(picture.height));
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, indexed ? 1 : 3);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, indexed ? PHOTOMETRIC_PALETTE : PHOTOMETRIC_RGB);
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
  TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
  TIFFSetField(tif, TIFFTAG_XRESOLUTION, 72.0);
  TIFFSetField(tif, TIFFTAG_YRESOLUTION, 72.0);
  TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
  TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tif, 0));
  if (indexed) {
    std::vector<std::uint32_t> palette = padded_palette(picture, 256);
    std::vector<std::uint16_t> red(256), green(256), blue(256);
    for (std::size_t i = 0; i < 256; ++i) {
      red[i] = std::uint16_t(((palette[i] >> 16) & 255) * 257);
      green[i] = std::uint16_t(((palette[i] >> 8) & 255) * 257);
      blue[i] = std::uint16_t((palette[i] & 255) * 257);
    }
    TIFFSetField(tif, TIFFTAG_COLORMAP, red.data(), green.data(), blue.data());
  }
  std::vector<std::uint8_t> line(std::size_t(picture.width) * (indexed ? 1 : 3));
  for (int y = 0; y < picture.height; ++y) {
    std::size_t start = std::size_t(y) * picture.width;
    for (int x = 0; x < picture.width; ++x) {
      if (indexed) {
        line[x] = picture.indices[start + x];
        continue;
      }
      std::uint32_t c = picture.pixels[start + x];
      line[3 * x] = std::uint8_t(c >> 16);
      line[3 * x + 1] = std::uint8_t(c >> 8);
      line[3 * x + 2] = std::uint8_t(c);
    }
    if (TIFFWriteScanline(tif, line.data(), std::uint32_t(y), 0) < 0) return false;
  }
  return TIFFWriteDirectory(tif) != 0;
}

}  // namespace

CodecStatus encode_tiff(const Picture& picture, std::vector<std::uint8_t>& out) {
  out.clear();
  MemoryFile file;
  file.out = &out;
  TIFF* tif = open_memory(file, "wm");
  if (tif == nullptr) return CodecStatus::WriteFailed;
  bool ok = write_image(tif, picture);
  TIFFClose(tif);
  return ok ? CodecStatus::Ok : CodecStatus::WriteFailed;
}

}  // namespace platform::codec
