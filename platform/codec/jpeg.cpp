// JPEG through libjpeg-turbo: baseline and progressive, grey, colour and
// CMYK files decode to 32-bit RGB; encoding writes colour JPEG at a chosen
// quality. libjpeg's default error handler ends the process, so errors
// longjmp back here instead; warnings are silent (stray bytes between
// segments are skipped), but a file whose data ends early, before its last
// segment or inside a scan, is refused rather than padded with grey.
// Progressive files are limited in scan count, as each scan passes over the
// whole image.
#include <csetjmp>
#include <cstddef>
#include <cstdio>  // jpeglib.h needs size_t and FILE declared first
#include <cstdlib>
#include <new>

#include <jerror.h>
#include <jpeglib.h>
#include <libexif/exif-data.h>

#include "platform/codec/codec_internal.h"

namespace platform::codec {

namespace {

constexpr int kMaxScans = 500;
constexpr long kMaxWorkMemory = 1L << 30;

struct ErrorManager {
  jpeg_error_mgr base;
  std::jmp_buf jump;
};

[[noreturn]] void on_error(j_common_ptr cinfo) {
  std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}

void on_message(j_common_ptr cinfo, int level) {
  int code = cinfo->err->msg_code;
  if (level < 0 && (code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER)) on_error(cinfo);
}

void output_nothing(j_common_ptr) {}

void on_progress(j_common_ptr cinfo) {
  if (cinfo->is_decompressor) {
    auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (d->progressive_mode && d->input_scan_number > kMaxScans) on_error(cinfo);
  }
}

void install_errors(ErrorManager& err) {
  jpeg_std_error(&err.base);
  err.base.error_exit = on_error;
  err.base.emit_message = on_message;
  err.base.output_message = output_nothing;
}

struct DecodeState {
  jpeg_decompress_struct cinfo{};
  ErrorManager err{};
  jpeg_progress_mgr progress{};
  CodecStatus result = CodecStatus::NotDecodable;
};

void store_row(const jpeg_decompress_struct& cinfo, const std::uint8_t* src, std::uint32_t* dst) {
  for (JDIMENSION x = 0; x < cinfo.output_width; ++x) {
    if (cinfo.out_color_space == JCS_GRAYSCALE) {
      dst[x] = rgb_word(src[x], src[x], src[x]);
    } else if (cinfo.out_color_space == JCS_CMYK) {
      // Adobe writes inverted CMYK, which is what nearly every CMYK JPEG is.
      const std::uint8_t* p = src + 4 * x;
      unsigned k = p[3];
      dst[x] = rgb_word(over_black(p[0], k), over_black(p[1], k), over_black(p[2], k));
    } else {
      const std::uint8_t* p = src + 3 * x;
      dst[x] = rgb_word(p[0], p[1], p[2]);
    }
  }
}

// The fewest bytes a Huffman-coded file of this size can take: every 8 x 8
// block of the full-resolution component is coded at least once with a
// code of at least one bit (the DC difference, in the first scan of a
// sequential file or the DC scan of a progressive one). That is 512 pixels a
// byte, twice what a sequential file can reach (it also needs an end-of-block
// code a block), so no file an encoder wrote is refused. Arithmetic coding
// has no such floor and keeps the coarse ratio only.
std::size_t least_huffman_bytes(const jpeg_decompress_struct& cinfo) {
  std::size_t blocks =
      ((std::size_t(cinfo.image_width) + 7) / 8) * ((std::size_t(cinfo.image_height) + 7) / 8);
  return blocks / 8;
}

void run_decoder(DecodeState& s, const std::uint8_t* data, std::size_t size, Picture& out) {
  if (setjmp(s.err.jump)) return;
  jpeg_create_decompress(&s.cinfo);
  s.cinfo.mem->max_memory_to_use = kMaxWorkMemory;
  s.progress.progress_monitor = on_progress;
  s.cinfo.progress = &s.progress;
  jpeg_mem_src(&s.cinfo, data, static_cast<unsigned long>(size));
  if (jpeg_read_header(&s.cinfo, TRUE) != JPEG_HEADER_OK) return;
  s.result = check_picture_size(s.cinfo.image_width, s.cinfo.image_height, size, kRatioJpeg);
  if (s.result != CodecStatus::Ok) return;
  if (!s.cinfo.arith_code && size < least_huffman_bytes(s.cinfo)) {
    s.result = CodecStatus::TooLarge;
    return;
  }
  s.result = CodecStatus::NotDecodable;
  switch (s.cinfo.jpeg_color_space) {
    case JCS_GRAYSCALE:
      s.cinfo.out_color_space = JCS_GRAYSCALE;
      break;
    case JCS_CMYK:
    case JCS_YCCK:
      s.cinfo.out_color_space = JCS_CMYK;
      break;
    default:
      s.cinfo.out_color_space = JCS_RGB;
      break;
  }
  jpeg_start_decompress(&s.cinfo);
  if (s.cinfo.output_width != s.cinfo.image_width || s.cinfo.output_height != s.cinfo.image_height)
    return;
  // libjpeg's own pool holds the row, so that a longjmp leaves nothing behind.
  JSAMPARRAY rows =
      (*s.cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&s.cinfo), JPOOL_IMAGE,
                                   s.cinfo.output_width * JDIMENSION(s.cinfo.output_components), 1);
  try {
    CodecStatus prepared =
        prepare_picture(out, int(s.cinfo.output_width), int(s.cinfo.output_height), 32);
    if (prepared != CodecStatus::Ok) {
      s.result = prepared;
      return;
    }
  } catch (const std::bad_alloc&) {
    s.result = CodecStatus::OutOfMemory;
    return;
  }
  while (s.cinfo.output_scanline < s.cinfo.output_height) {
    JDIMENSION y = s.cinfo.output_scanline;
    if (jpeg_read_scanlines(&s.cinfo, rows, 1) != 1) return;
    store_row(s.cinfo, rows[0], out.pixels.data() + std::size_t(y) * s.cinfo.output_width);
  }
  jpeg_finish_decompress(&s.cinfo);
  s.result = CodecStatus::Ok;
}

}  // namespace

CodecStatus decode_jpeg(const std::uint8_t* data, std::size_t size, Picture& out) {
  DecodeState s;
  install_errors(s.err);
  s.cinfo.err = &s.err.base;
  run_decoder(s, data, size, out);
  jpeg_destroy_decompress(&s.cinfo);
  if (s.result != CodecStatus::Ok) clear_picture(out);
  return s.result;
}

namespace {

struct EncodeState {
  jpeg_compress_struct cinfo{};
  ErrorManager err{};
  std::vector<std::uint8_t> row;
  unsigned char* buffer = nullptr;
  unsigned long buffer_size = 0;
  bool ok = false;
};

void run_encoder(EncodeState& s, const Picture& picture, int quality) {
  if (setjmp(s.err.jump)) return;
  jpeg_create_compress(&s.cinfo);
  jpeg_mem_dest(&s.cinfo, &s.buffer, &s.buffer_size);
  s.cinfo.image_width = JDIMENSION(picture.width);
  s.cinfo.image_height = JDIMENSION(picture.height);
  s.cinfo.input_components = 3;
  s.cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&s.cinfo);
  jpeg_set_quality(&s.cinfo, quality, TRUE);
  // At high quality the colour planes are kept at full resolution as well,
  // so that a quality-100 save differs from the image only by rounding.
  if (quality >= 90) {
    for (int c = 0; c < s.cinfo.num_components; ++c) {
      s.cinfo.comp_info[c].h_samp_factor = 1;
      s.cinfo.comp_info[c].v_samp_factor = 1;
    }
  }
  jpeg_start_compress(&s.cinfo, TRUE);
  JSAMPROW row = s.row.data();
  while (s.cinfo.next_scanline < s.cinfo.image_height) {
    std::size_t start = std::size_t(s.cinfo.next_scanline) * picture.width;
    for (int x = 0; x < picture.width; ++x) {
      std::uint32_t c = picture_colour(picture, start + x);
      s.row[3 * x] = std::uint8_t(c >> 16);
      s.row[3 * x + 1] = std::uint8_t(c >> 8);
      s.row[3 * x + 2] = std::uint8_t(c);
    }
    jpeg_write_scanlines(&s.cinfo, &row, 1);
  }
  jpeg_finish_compress(&s.cinfo);
  s.ok = true;
}

}  // namespace

CodecStatus encode_jpeg(const Picture& picture, int quality, std::vector<std::uint8_t>& out) {
  if (picture.width > JPEG_MAX_DIMENSION || picture.height > JPEG_MAX_DIMENSION)
    return CodecStatus::TooLarge;
  EncodeState s;
  s.row.resize(std::size_t(picture.width) * 3);
  install_errors(s.err);
  s.cinfo.err = &s.err.base;
  run_encoder(s, picture, quality);
  jpeg_destroy_compress(&s.cinfo);
  CodecStatus result = CodecStatus::WriteFailed;
  if (s.ok) {
    try {
      out.assign(s.buffer, s.buffer + s.buffer_size);
      result = CodecStatus::Ok;
    } catch (const std::bad_alloc&) {
      result = CodecStatus::OutOfMemory;
    }
  }
  std::free(s.buffer);
  return result;
}

}  // namespace platform::codec

namespace platform {

int jpeg_exif_orientation(const std::uint8_t* data, std::size_t size) {
  if (!data || size < 4 || size > 0xFFFFFFFFu) return 1;
  // libexif finds the APP1 segment in the file's bytes and reads its tags
  // with their bounds checked.
  ExifData* exif = exif_data_new_from_data(data, unsigned(size));
  if (!exif) return 1;
  int orientation = 1;
  if (ExifEntry* entry = exif_data_get_entry(exif, EXIF_TAG_ORIENTATION);
      entry && entry->format == EXIF_FORMAT_SHORT && entry->components == 1 && entry->size >= 2) {
    const int value = exif_get_short(entry->data, exif_data_get_byte_order(exif));
    if (value >= 1 && value <= 8) orientation = value;
  }
  exif_data_unref(exif);
  return orientation;
}

}  // namespace platform
