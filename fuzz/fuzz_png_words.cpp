// The PNG fast path, differentially: a file it decodes must decode to the
// same pixels through the general decoder; anything else it must leave to
// that decoder without having allocated a thing.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/codec/codec_internal.h"
#include "platform/codec/png_words.h"

using namespace platform;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  int fd = memfd_create("png", 0);
  if (fd < 0) return 0;
  if (size > 0 && write(fd, data, size) != ssize_t(size)) {
    close(fd);
    return 0;
  }
  lseek(fd, 0, SEEK_SET);
  std::uint32_t* words = nullptr;
  int width = 0, height = 0;
  CodecStatus fast = decode_png_file_words(fd, size, &words, &width, &height);
  close(fd);
  if (fast != CodecStatus::Ok) {
    if (words) std::abort();  // nothing may be handed on after a failure
    return 0;
  }
  Picture general;
  if (codec::decode_picture_as(PictureFormat::Png, data, size, general) != CodecStatus::Ok ||
      general.width != width || general.height != height || general.bits != 32 ||
      std::memcmp(general.pixels.data(), words, general.pixels.size() * 4) != 0)
    std::abort();
  std::free(words);
  return 0;
}
