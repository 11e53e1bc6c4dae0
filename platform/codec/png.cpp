// PNG through libpng. Palette files stay indexed (bit depths below 8 are
// unpacked to one index a byte); every other colour type and depth becomes
// 32-bit RGB with alpha laid over black. Encoding writes 8-bit palette or
// 24-bit RGB files. libpng reports errors by longjmp back to the setjmp in
// the function that called it, so those functions keep no C++ objects that
// need destroying between the setjmp and the calls.
#include <png.h>

#include <cmath>
#include <csetjmp>
#include <cstring>
#include <new>

#include "platform/codec/codec_internal.h"

namespace platform::codec {

namespace {

void read_from_memory(png_structp png, png_bytep out, png_size_t count) {
  auto* src = static_cast<MemorySource*>(png_get_io_ptr(png));
  if (count > src->remaining()) png_error(png, "truncated");
  src->read(out, count);
}

void write_to_memory(png_structp png, png_bytep in, png_size_t count) {
  auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
  // A failed allocation must not unwind through libpng.
  try {
    out->insert(out->end(), in, in + count);
  } catch (...) {
    png_error(png, "out of memory");
  }
}

void flush_nothing(png_structp) {}

[[noreturn]] void on_error(png_structp png, png_const_charp) {
  png_longjmp(png, 1);
}
void on_warning(png_structp, png_const_charp) {}

// Takes the palette with its transparency, each entry laid over black.
void read_palette(png_structp png, png_infop info, Picture& out) {
  png_colorp colours = nullptr;
  int count = 0;
  png_get_PLTE(png, info, &colours, &count);
  png_bytep alphas = nullptr;
  int alpha_count = 0;
  if (png_get_valid(png, info, PNG_INFO_tRNS))
    png_get_tRNS(png, info, &alphas, &alpha_count, nullptr);
  out.palette.resize(std::size_t(count));
  for (int i = 0; i < count; ++i) {
    unsigned a = i < alpha_count ? alphas[i] : 255;
    out.palette[i] = (std::uint32_t(a) << 24) |
                     rgb_word(over_black(colours[i].red, a), over_black(colours[i].green, a),
                              over_black(colours[i].blue, a));
  }
}

// Turns bytes R, G, B, A, as libpng left them in each word, into 0x00RRGGBB over black.
void finish_rgba(Picture& out) {
  for (std::uint32_t& word : out.pixels) {
    std::uint8_t b[4];
    std::memcpy(b, &word, 4);
    word = rgb_word(over_black(b[0], b[3]), over_black(b[1], b[3]), over_black(b[2], b[3]));
  }
}

// The fewest bytes that can hold the image data: the filtered rows (a filter
// byte and the packed samples each, as in a file without interlacing, which
// adds rows) deflated at 1032:1, the most Deflate can reach (a 258-byte
// match coded in two bits).
std::uint64_t least_png_bytes(png_uint_32 width, png_uint_32 height, int depth, int colour) {
  int channels = colour == PNG_COLOR_TYPE_RGB          ? 3
                 : colour == PNG_COLOR_TYPE_RGB_ALPHA  ? 4
                 : colour == PNG_COLOR_TYPE_GRAY_ALPHA ? 2
                                                       : 1;
  std::uint64_t row = 1 + (std::uint64_t(width) * channels * std::uint64_t(depth) + 7) / 8;
  return row * height / 1032;
}

struct DecodeState {
  MemorySource source;
  png_structp png = nullptr;
  png_infop info = nullptr;
  std::vector<png_bytep> rows;
  CodecStatus result = CodecStatus::NotDecodable;
};

// Everything that may longjmp. Allocations happen only outside libpng calls.
void run_decoder(DecodeState& s, Picture& out) {
  if (setjmp(png_jmpbuf(s.png))) return;
  png_set_read_fn(s.png, &s.source, read_from_memory);
  // The size limits are checked here rather than by libpng, to tell TooLarge apart.
  png_set_user_limits(s.png, 0x7FFFFFFF, 0x7FFFFFFF);
  png_set_chunk_cache_max(s.png, 1000);
  png_set_chunk_malloc_max(s.png, 64u << 20);
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
  // Lets the fuzzer reach past the checksums; never in a real build.
  png_set_crc_action(s.png, PNG_CRC_QUIET_USE, PNG_CRC_QUIET_USE);
#endif
  png_read_info(s.png, s.info);
  png_uint_32 width = 0, height = 0;
  int depth = 0, colour = 0, interlace = 0;
  png_get_IHDR(s.png, s.info, &width, &height, &depth, &colour, &interlace, nullptr, nullptr);
  s.result = check_picture_size(width, height, s.source.size, kRatioDeflate);
  if (s.result != CodecStatus::Ok) return;
  if (s.source.size < least_png_bytes(width, height, depth, colour)) {
    s.result = CodecStatus::TooLarge;
    return;
  }
  s.result = CodecStatus::NotDecodable;
  bool indexed = colour == PNG_COLOR_TYPE_PALETTE;
  if (indexed) {
    if (depth < 8) png_set_packing(s.png);
  } else {
    png_set_expand(s.png);
    png_set_scale_16(s.png);
    png_set_gray_to_rgb(s.png);
    png_set_add_alpha(s.png, 0xFF, PNG_FILLER_AFTER);
  }
  png_set_interlace_handling(s.png);
  png_read_update_info(s.png, s.info);
  if (png_get_rowbytes(s.png, s.info) != png_size_t(width) * (indexed ? 1 : 4)) return;
  if (s.rows.size() != height) return;
  try {
    CodecStatus prepared = prepare_picture(out, int(width), int(height), indexed ? 8 : 32);
    if (prepared != CodecStatus::Ok) {
      s.result = prepared;
      return;
    }
    if (indexed) read_palette(s.png, s.info, out);
  } catch (const std::bad_alloc&) {
    s.result = CodecStatus::OutOfMemory;
    return;
  }
  auto* base = indexed ? out.indices.data() : reinterpret_cast<std::uint8_t*>(out.pixels.data());
  for (png_uint_32 y = 0; y < height; ++y)
    s.rows[y] = base + std::size_t(y) * png_get_rowbytes(s.png, s.info);
  png_read_image(s.png, s.rows.data());
  png_read_end(s.png, nullptr);
  if (!indexed) finish_rgba(out);
  s.result = CodecStatus::Ok;
}

}  // namespace

CodecStatus decode_png(const std::uint8_t* data, std::size_t size, Picture& out) {
  DecodeState s;
  s.source = {data, size, 0};
  if (size < 8 || png_sig_cmp(data, 0, 8) != 0) return CodecStatus::NotDecodable;
  s.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, on_error, on_warning);
  if (s.png == nullptr) return CodecStatus::OutOfMemory;
  s.info = png_create_info_struct(s.png);
  if (s.info == nullptr) {
    png_destroy_read_struct(&s.png, nullptr, nullptr);
    return CodecStatus::OutOfMemory;
  }
  // The row table is sized from the header; read it first without libpng's
  // error path owning any allocation of ours.
  if (size >= 24) {
    std::uint32_t height =
        (std::uint32_t(data[20]) << 24) | (data[21] << 16) | (data[22] << 8) | data[23];
    if (height <= std::uint32_t(kMaxPictureSide)) s.rows.resize(height);
  }
  run_decoder(s, out);
  png_destroy_read_struct(&s.png, &s.info, nullptr);
  if (s.result != CodecStatus::Ok) clear_picture(out);
  return s.result;
}

namespace {

struct EncodeState {
  png_structp png = nullptr;
  png_infop info = nullptr;
  std::vector<png_color> palette;
  std::vector<std::uint8_t> row;
  bool ok = false;
};

void run_encoder(EncodeState& s, const Picture& picture, std::vector<std::uint8_t>& out) {
  if (setjmp(png_jmpbuf(s.png))) return;
  png_set_write_fn(s.png, &out, write_to_memory, flush_nothing);
  bool indexed = picture.bits == 8;
  png_set_IHDR(s.png, s.info, png_uint_32(picture.width), png_uint_32(picture.height), 8,
               indexed ? PNG_COLOR_TYPE_PALETTE : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (indexed) png_set_PLTE(s.png, s.info, s.palette.data(), int(s.palette.size()));
  if (picture.pixels_per_inch > 0) {  // PNG counts pixels per metre
    auto per_metre = png_uint_32(std::lround(picture.pixels_per_inch / 0.0254));
    png_set_pHYs(s.png, s.info, per_metre, per_metre, PNG_RESOLUTION_METER);
  }
  png_write_info(s.png, s.info);
  for (int y = 0; y < picture.height; ++y) {
    std::size_t start = std::size_t(y) * picture.width;
    if (indexed) {
      std::memcpy(s.row.data(), picture.indices.data() + start, std::size_t(picture.width));
    } else {
      for (int x = 0; x < picture.width; ++x) {
        std::uint32_t c = picture.pixels[start + x];
        s.row[3 * x] = std::uint8_t(c >> 16);
        s.row[3 * x + 1] = std::uint8_t(c >> 8);
        s.row[3 * x + 2] = std::uint8_t(c);
      }
    }
    png_write_row(s.png, s.row.data());
  }
  png_write_end(s.png, s.info);
  s.ok = true;
}

}  // namespace

CodecStatus encode_png(const Picture& picture, std::vector<std::uint8_t>& out) {
  EncodeState s;
  if (picture.bits == 8) {
    for (std::uint32_t c : padded_palette(picture, 1))
      s.palette.push_back(png_color{std::uint8_t(c >> 16), std::uint8_t(c >> 8), std::uint8_t(c)});
  }
  s.row.resize(std::size_t(picture.width) * 3);
  out.clear();
  s.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, on_error, on_warning);
  if (s.png == nullptr) return CodecStatus::OutOfMemory;
  s.info = png_create_info_struct(s.png);
  if (s.info != nullptr) run_encoder(s, picture, out);
  png_destroy_write_struct(&s.png, &s.info);
  return s.ok ? CodecStatus::Ok : CodecStatus::WriteFailed;
}

}  // namespace platform::codec
