// Text crossing from ORV_ calls to the platform.
#include "framework/core/pump.h"

#include <vector>

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
