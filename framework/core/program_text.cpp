// Text crossing from ORV_ calls to the platform.
#include "framework/core/pump.h"

#include <vector>

#include "framework/orvlib.h"
#include "platform/draw/font.h"
#include "platform/text/codepage.h"

namespace orv {

// The buffer holds max_units including the terminator, as the framework's
// fixed UTF-16 buffers do; a character that does not fit is left out whole.
std::u16string to_platform_text(const char* text, std::size_t max_units) {
  std::vector<char16_t> buffer(max_units + 1, u'\0');
  int written = platform::code_page_to_utf16(text, -1, buffer.data(), int(max_units));
  return written > 0 ? std::u16string(buffer.data()) : std::u16string();
}

}  // namespace orv

const unsigned char* ORV_ConsoleGlyph(int code) {
  static const unsigned char kBlank[16] = {};
  const std::uint8_t* glyph = code >= 0 ? platform::builtin_glyph(char32_t(code)) : nullptr;
  return glyph ? glyph : kBlank;
}

int ORV_FitText(const char* text, int length, int max_bytes) {
  return text ? platform::code_page_fit(text, length, max_bytes) : 0;
}
