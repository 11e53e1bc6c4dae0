// TIFF through libtiff, read from and written to memory with client
// procedures; when reading, the whole file is handed to libtiff as a mapped
// view. The first page is decoded: palette pages in strips stay indexed,
// everything else goes through libtiff's RGBA reader (strips and tiles, every
// photometric it knows; alpha comes back premultiplied, which is the same as
// laying it over black; 8-bit CMYK is converted here, rounded). Both kinds of
// page follow the orientation tag. Encoding writes LZW-compressed 8-bit
// palette or 24-bit RGB strips. libtiff's messages are swallowed.
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
// A file being read is in memory already: libtiff may use it in place, which
// it needs for some layouts (uncompressed tiles are read straight from the map).
int mem_map(thandle_t h, void** base, toff_t* size) {
  auto* f = static_cast<MemoryFile*>(h);
  if (f->out != nullptr || f->data == nullptr) return 0;
  *base = const_cast<std::uint8_t*>(f->data);
  *size = f->size;
  return 1;
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

// Turns indexed rows stored in another orientation to top-left, as libtiff's
// RGBA reader does for the other pages: the column-major orientations (5 to
// 8) are taken as their row-major counterparts, so the size stays as declared.
void orient_indices(TIFF* tif, Picture& out) {
  std::uint16_t orientation = ORIENTATION_TOPLEFT;
  TIFFGetFieldDefaulted(tif, TIFFTAG_ORIENTATION, &orientation);
  bool mirror = orientation == ORIENTATION_TOPRIGHT || orientation == ORIENTATION_BOTRIGHT ||
                orientation == ORIENTATION_RIGHTTOP || orientation == ORIENTATION_RIGHTBOT;
  bool flip = orientation == ORIENTATION_BOTRIGHT || orientation == ORIENTATION_BOTLEFT ||
              orientation == ORIENTATION_RIGHTBOT || orientation == ORIENTATION_LEFTBOT;
  std::size_t width = std::size_t(out.width);
  auto row = [&](int y) { return out.indices.begin() + std::ptrdiff_t(std::size_t(y) * width); };
  if (mirror)
    for (int y = 0; y < out.height; ++y) std::reverse(row(y), row(y + 1));
  if (flip)
    for (int y = 0; y < out.height / 2; ++y)
      std::swap_ranges(row(y), row(y + 1), row(out.height - 1 - y));
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
  orient_indices(tif, out);
  return CodecStatus::Ok;
}

// 8-bit CMYK (ink amounts, 0 = none) to libtiff's packed RGBA, rounded:
// red = (255 - c) * (255 - k) / 255 to the nearest value.
std::uint32_t cmyk_word(unsigned c, unsigned m, unsigned y, unsigned k) {
  unsigned white = 255 - k;
  return std::uint32_t(over_black(255 - c, white)) | (over_black(255 - m, white) << 8) |
         (over_black(255 - y, white) << 16) | 0xFF000000u;
}

// Put procedures of libtiff's RGBA reader for 8-bit CMYK, interleaved and in
// planes; they replace libtiff's own, which truncate.
void put_cmyk_contig(TIFFRGBAImage* img, std::uint32_t* cp, std::uint32_t, std::uint32_t,
                     std::uint32_t w, std::uint32_t h, std::int32_t fromskew, std::int32_t toskew,
                     unsigned char* pp) {
  int spp = img->samplesperpixel;
  for (; h > 0; --h) {
    for (std::uint32_t x = 0; x < w; ++x, pp += spp) *cp++ = cmyk_word(pp[0], pp[1], pp[2], pp[3]);
    cp += toskew;
    pp += std::ptrdiff_t(fromskew) * spp;
  }
}

void put_cmyk_separate(TIFFRGBAImage*, std::uint32_t* cp, std::uint32_t, std::uint32_t,
                       std::uint32_t w, std::uint32_t h, std::int32_t fromskew, std::int32_t toskew,
                       unsigned char* c, unsigned char* m, unsigned char* y, unsigned char* k) {
  for (; h > 0; --h) {
    for (std::uint32_t x = 0; x < w; ++x) *cp++ = cmyk_word(*c++, *m++, *y++, *k++);
    c += fromskew, m += fromskew, y += fromskew, k += fromskew;
    cp += toskew;
  }
}

struct RgbaImageCloser {
  TIFFRGBAImage* img = nullptr;
  ~RgbaImageCloser() {
    if (img != nullptr) TIFFRGBAImageEnd(img);
  }
};

CodecStatus read_rgba_image(TIFF* tif, Picture& out) {
  char message[1024];
  TIFFRGBAImage img{};
  if (!TIFFRGBAImageOK(tif, message) || !TIFFRGBAImageBegin(&img, tif, 1, message))
    return CodecStatus::NotDecodable;
  RgbaImageCloser closer{&img};
  img.req_orientation = ORIENTATION_TOPLEFT;
  if (img.photometric == PHOTOMETRIC_SEPARATED && img.bitspersample == 8 &&
      img.put.any != nullptr) {
    if (img.isContig && img.samplesperpixel >= 4) img.put.contig = put_cmyk_contig;
    if (!img.isContig && img.samplesperpixel == 4) img.put.separate = put_cmyk_separate;
  }
  if (!TIFFRGBAImageGet(&img, out.pixels.data(), std::uint32_t(out.width),
                        std::uint32_t(out.height)))
    return CodecStatus::NotDecodable;
  for (std::uint32_t& px : out.pixels) px = rgb_word(TIFFGetR(px), TIFFGetG(px), TIFFGetB(px));
  return CodecStatus::Ok;
}

// Bytes of strip or tile data that the file really holds: each declared
// block cut at the end of the file.
std::uint64_t data_present(TIFF* tif, std::size_t file_size) {
  std::uint32_t blocks = TIFFIsTiled(tif) ? TIFFNumberOfTiles(tif) : TIFFNumberOfStrips(tif);
  std::uint64_t total = 0;
  for (std::uint32_t i = 0; i < blocks; ++i) {
    std::uint64_t offset = TIFFGetStrileOffset(tif, i), count = TIFFGetStrileByteCount(tif, i);
    if (offset < file_size) total += std::min<std::uint64_t>(count, file_size - offset);
  }
  return total;
}

// The fewest bytes of strip or tile data that can describe a page, from the
// best ratio its compression can reach; 0 when no useful bound is known.
//   none       every bit of every sample (luma alone for YCbCr, whose chroma
//              may be subsampled)
//   PackBits   a 2-byte run code repeats a byte at most 128 times: 64:1
//   LZW        a code of at least 9 bits stands for one table string, which
//              is under 4096 bytes long: below 4096:1
//   Deflate    a 258-byte match costs at least 2 bits: 1032:1
//   JPEG       every 8 x 8 block of the page costs at least one bit (the DC
//              code of a Huffman-coded block)
//   CCITT      a row costs at least one bit (a white row copied in 2-D mode)
// LZMA, Zstandard and the rarer codings can reach far higher ratios, and
// old-style JPEG may keep its data outside the strips; they keep only the
// coarse limit of check_picture_size.
std::uint64_t least_data(TIFF* tif, std::uint64_t width, std::uint64_t height) {
  std::uint16_t compression = COMPRESSION_NONE, bps = 1, spp = 1, photometric = 0;
  TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
  TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bps);
  TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &spp);
  TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric);
  std::uint64_t bits_per_pixel = std::uint64_t(bps) * (photometric == PHOTOMETRIC_YCBCR ? 1 : spp);
  std::uint64_t raw = (width * height * bits_per_pixel + 7) / 8;
  switch (compression) {
    case COMPRESSION_NONE:
      return raw;
    case COMPRESSION_PACKBITS:
      return raw / 64;
    case COMPRESSION_LZW:
      return raw / 4096;
    case COMPRESSION_ADOBE_DEFLATE:
    case COMPRESSION_DEFLATE:
      return raw / 1032;
    case COMPRESSION_JPEG:
      return ((width + 7) / 8) * ((height + 7) / 8) / 8;
    case COMPRESSION_CCITTRLE:
    case COMPRESSION_CCITTRLEW:
    case COMPRESSION_CCITTFAX3:
    case COMPRESSION_CCITTFAX4:
      return height / 8;
    default:
      return 0;
  }
}

}  // namespace

CodecStatus decode_tiff(const std::uint8_t* data, std::size_t size, Picture& out) {
  MemoryFile file;
  file.data = data;
  file.size = size;
  TiffCloser closer;
  closer.tif = open_memory(file, "r");
  TIFF* tif = closer.tif;
  if (tif == nullptr) return CodecStatus::NotDecodable;
  std::uint32_t width = 0, height = 0;
  if (!TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width) ||
      !TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height))
    return CodecStatus::NotDecodable;
  CodecStatus result = check_picture_size(width, height, size, kRatioTiff);
  if (result != CodecStatus::Ok) return result;
  // A coding this libtiff cannot decode fails only once the picture has been
  // allocated: refuse it first.
  std::uint16_t compression = COMPRESSION_NONE;
  TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
  if (!TIFFIsCODECConfigured(compression)) return CodecStatus::NotDecodable;
  // Refused before the picture is allocated: pages whose data cannot fill
  // them (uncompressed data missing, or a compressed page beyond what its
  // coding can reach).
  if (data_present(tif, size) < least_data(tif, width, height))
    return compression == COMPRESSION_NONE ? CodecStatus::NotDecodable : CodecStatus::TooLarge;
  bool indexed = is_plain_palette(tif);
  result = prepare_picture(out, int(width), int(height), indexed ? 8 : 32);
  if (result != CodecStatus::Ok) return result;
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
  // The print resolution when the picture has one, else the screen's 72.
  const double resolution = picture.pixels_per_inch > 0 ? picture.pixels_per_inch : 72.0;
  TIFFSetField(tif, TIFFTAG_XRESOLUTION, resolution);
  TIFFSetField(tif, TIFFTAG_YRESOLUTION, resolution);
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
