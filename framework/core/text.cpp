// Text crossing from ORV_ calls to the platform.
#include "framework/core/pump.h"

namespace orv {

// UTF-8 as the code page; invalid bytes become U+FFFD.
std::u16string to_platform_text(const char* text, std::size_t max_units) {
  std::u16string out;
  const auto* p = reinterpret_cast<const unsigned char*>(text);
  while (*p && out.size() < max_units) {
    char32_t c = 0xFFFD;
    int extra = *p < 0x80 ? 0 : (*p >> 5) == 6 ? 1 : (*p >> 4) == 14 ? 2 : (*p >> 3) == 30 ? 3 : -1;
    if (extra >= 0) {
      c = extra == 0 ? *p : (*p & (0x3F >> extra));
      int i = 1;
      for (; i <= extra && (p[i] & 0xC0) == 0x80; ++i) c = (c << 6) | (p[i] & 0x3F);
      if (i <= extra) c = 0xFFFD, extra = i - 1;
    }
    p += extra < 0 ? 1 : extra + 1;
    if (c >= 0x10000 && c <= 0x10FFFF) {
      if (out.size() + 2 > max_units) break;
      out += char16_t(0xD800 + ((c - 0x10000) >> 10));
      out += char16_t(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      out += char16_t(c > 0xFFFF ? 0xFFFD : c);
    }
  }
  return out;
}

}  // namespace orv
