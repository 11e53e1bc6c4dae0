// Code page <-> UTF-16 conversion. UTF-8 is decoded and encoded here
// directly; every other code page goes through iconv one character at a time,
// so a byte that forms no character costs one U+FFFD and never the rest of
// the text, and a limit always falls on a character boundary.
#include "platform/text/codepage.h"

#include <iconv.h>
#include <langinfo.h>

#include <cerrno>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <mutex>

namespace platform {
namespace {

constexpr char32_t kReplacement = 0xFFFD;
constexpr int kNameSize = 48;

// How characters are delimited in a code page.
enum class Family { utf8, shift_jis, other };

struct CodePage {
  char name[kNameSize] = "UTF-8";
  Family family = Family::utf8;
};

struct CodePageState {
  std::mutex lock;
  char forced[kNameSize] = "";
};

CodePageState& code_page_state() {
  static CodePageState state;
  return state;
}

// Upper case without '-' and '_', so "Shift_JIS" and "SHIFT-JIS" compare equal.
std::string folded(const char* name) {
  std::string out;
  for (const char* p = name; *p; ++p) {
    if (*p == '-' || *p == '_') continue;
    out += (*p >= 'a' && *p <= 'z') ? char(*p - 'a' + 'A') : *p;
  }
  return out;
}

Family family_of(const char* name) {
  static const char* const kShiftJisNames[] = {"SHIFTJIS",     "SJIS",     "CP932",   "WINDOWS31J",
                                               "MS932",        "IBM932",   "IBM943",  "CSSHIFTJIS",
                                               "CSWINDOWS31J", "CSIBM932", "SJISWIN", "SJISOPEN"};
  const std::string name_folded = folded(name);
  if (name_folded == "UTF8") return Family::utf8;
  for (const char* candidate : kShiftJisNames) {
    if (name_folded == candidate) return Family::shift_jis;
  }
  return Family::other;
}

// The C locale reports plain ASCII; UTF-8 is its superset and what every
// current system means, so non-ASCII bytes still convert.
bool is_plain_ascii(const char* name) {
  const std::string name_folded = folded(name);
  return name_folded.empty() || name_folded == "ANSIX3.41968" || name_folded == "ASCII" ||
         name_folded == "USASCII";
}

CodePage current_code_page() {
  CodePage cp;
  {
    std::lock_guard<std::mutex> guard(code_page_state().lock);
    if (code_page_state().forced[0] != '\0') {
      std::memcpy(cp.name, code_page_state().forced, kNameSize);
      cp.family = family_of(cp.name);
      return cp;
    }
  }
  const char* charset = nl_langinfo(CODESET);
  if (charset == nullptr || is_plain_ascii(charset) || std::strlen(charset) >= kNameSize) {
    return cp;  // UTF-8
  }
  std::strcpy(cp.name, charset);
  cp.family = family_of(cp.name);
  return cp;
}

// One iconv descriptor, reset before each character so no shift state leaks.
class Converter {
 public:
  // A null `to` makes a converter that is not ok (the UTF-8 paths need none).
  Converter(const char* to, const char* from)
      : cd_(to == nullptr ? reinterpret_cast<iconv_t>(-1) : iconv_open(to, from)) {}
  ~Converter() {
    if (ok()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  // Converts all n bytes of in; returns the bytes written to out, or -1 with
  // *error set to errno (EINVAL: the input ends inside a character).
  int convert(const char* in, std::size_t n, char* out, std::size_t cap, int* error) {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    char* in_ptr = const_cast<char*>(in);
    char* out_ptr = out;
    std::size_t in_left = n;
    std::size_t out_left = cap;
    if (iconv(cd_, &in_ptr, &in_left, &out_ptr, &out_left) == static_cast<std::size_t>(-1)) {
      *error = errno;
      return -1;
    }
    if (iconv(cd_, nullptr, nullptr, &out_ptr, &out_left) == static_cast<std::size_t>(-1)) {
      *error = errno;
      return -1;
    }
    if (in_left != 0) {
      *error = EINVAL;
      return -1;
    }
    return int(cap - out_left);
  }

 private:
  iconv_t cd_;
};

// Decodes one UTF-8 sequence. *used is the bytes taken; an ill-formed
// sequence takes its longest valid-looking start (at least one byte) and
// gives one U+FFFD, as Unicode recommends.
char32_t decode_utf8(const unsigned char* s, std::size_t n, int* used) {
  const unsigned char lead = s[0];
  *used = 1;
  if (lead < 0x80) return lead;
  int need = 0;
  unsigned lo = 0x80;
  unsigned hi = 0xBF;
  char32_t cp = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    need = 1;
    cp = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    need = 2;
    cp = lead & 0x0F;
    if (lead == 0xE0) lo = 0xA0;  // no overlong forms
    if (lead == 0xED) hi = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    need = 3;
    cp = lead & 0x07;
    if (lead == 0xF0) lo = 0x90;  // no overlong forms
    if (lead == 0xF4) hi = 0x8F;  // nothing above U+10FFFF
  } else {
    return kReplacement;
  }
  for (int k = 1; k <= need; ++k) {
    if (std::size_t(k) >= n || s[k] < lo || s[k] > hi) return kReplacement;
    cp = (cp << 6) | (s[k] & 0x3F);
    lo = 0x80;
    hi = 0xBF;
    *used = k + 1;
  }
  return cp;
}

int encode_utf8(char32_t cp, char* out) {
  if (cp < 0x80) {
    out[0] = char(cp);
    return 1;
  }
  if (cp < 0x800) {
    out[0] = char(0xC0 | (cp >> 6));
    out[1] = char(0x80 | (cp & 0x3F));
    return 2;
  }
  if (cp < 0x10000) {
    out[0] = char(0xE0 | (cp >> 12));
    out[1] = char(0x80 | ((cp >> 6) & 0x3F));
    out[2] = char(0x80 | (cp & 0x3F));
    return 3;
  }
  out[0] = char(0xF0 | (cp >> 18));
  out[1] = char(0x80 | ((cp >> 12) & 0x3F));
  out[2] = char(0x80 | ((cp >> 6) & 0x3F));
  out[3] = char(0x80 | (cp & 0x3F));
  return 4;
}

int encode_utf16(char32_t cp, char16_t* out) {
  if (cp < 0x10000) {
    out[0] = char16_t(cp);
    return 1;
  }
  cp -= 0x10000;
  out[0] = char16_t(0xD800 + (cp >> 10));
  out[1] = char16_t(0xDC00 + (cp & 0x3FF));
  return 2;
}

bool is_shift_jis_lead(unsigned char b) {
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}
bool is_shift_jis_trail(unsigned char b) {
  return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC);
}

// Bytes of the character at s; `decoder` (code page to UTF-16LE) is only
// needed for code pages without a fixed rule.
int char_length_in(const CodePage& cp, Converter* decoder, const char* s, std::size_t n) {
  if (n == 0) return 0;
  const auto* bytes = reinterpret_cast<const unsigned char*>(s);
  if (cp.family == Family::utf8) {
    int used = 1;
    decode_utf8(bytes, n, &used);
    return used;
  }
  if (cp.family == Family::shift_jis) {
    return (n >= 2 && is_shift_jis_lead(bytes[0]) && is_shift_jis_trail(bytes[1])) ? 2 : 1;
  }
  // Other code pages: the shortest prefix iconv accepts as a whole character.
  if (decoder == nullptr || !decoder->ok()) return 1;
  char out[16];
  for (std::size_t k = 1; k <= 4 && k <= n; ++k) {
    int error = 0;
    if (decoder->convert(s, k, out, sizeof out, &error) >= 0) return int(k);
    if (error != EINVAL) return 1;
  }
  return 1;
}

// Decodes one character of k bytes through iconv; the units written, or 0.
int decode_with(Converter* decoder, const char* s, std::size_t k, char16_t* units) {
  if (decoder == nullptr || !decoder->ok()) {
    // Without a converter only ASCII is certain.
    if (k == 1 && static_cast<unsigned char>(s[0]) < 0x80) {
      units[0] = char16_t(s[0]);
      return 1;
    }
    return 0;
  }
  unsigned char out[16];
  int error = 0;
  const int bytes = decoder->convert(s, k, reinterpret_cast<char*>(out), sizeof out, &error);
  if (bytes != 2 && bytes != 4) return 0;
  for (int i = 0; i < bytes / 2; ++i) units[i] = char16_t(out[2 * i] | (out[2 * i + 1] << 8));
  return bytes / 2;
}

// Appends the UTF-16 form of s[0..n) to *out, stopping before the first
// character that would take it past `limit` units.
void decode_text(const CodePage& cp, const char* s, std::size_t n, std::size_t limit,
                 std::u16string* out, bool* cut) {
  Converter decoder(cp.family == Family::utf8 ? nullptr : "UTF-16LE", cp.name);
  std::size_t pos = 0;
  while (pos < n) {
    char16_t units[4];
    int count = 0;
    int used = 1;
    if (cp.family == Family::utf8) {
      count = encode_utf16(
          decode_utf8(reinterpret_cast<const unsigned char*>(s + pos), n - pos, &used), units);
    } else {
      used = char_length_in(cp, &decoder, s + pos, n - pos);
      count = decode_with(&decoder, s + pos, std::size_t(used), units);
      if (count == 0) count = encode_utf16(kReplacement, units);
    }
    if (out->size() + std::size_t(count) > limit) {
      *cut = true;
      return;
    }
    out->append(units, std::size_t(count));
    pos += std::size_t(used);
  }
}

// Appends the code page form of s[0..n) to *out, stopping before the first
// character that would take it past `limit` bytes.
void encode_text(const CodePage& cp, const char16_t* s, std::size_t n, std::size_t limit,
                 std::string* out, bool* cut) {
  const bool utf8 = cp.family == Family::utf8;
  Converter encoder(utf8 ? nullptr : cp.name, "UTF-16LE");
  std::size_t pos = 0;
  while (pos < n) {
    char32_t code = s[pos];
    std::size_t units = 1;
    bool lone_surrogate = false;
    if (code >= 0xD800 && code <= 0xDBFF && pos + 1 < n && s[pos + 1] >= 0xDC00 &&
        s[pos + 1] <= 0xDFFF) {
      code = 0x10000 + ((code - 0xD800) << 10) + (s[pos + 1] - 0xDC00);
      units = 2;
    } else if (code >= 0xD800 && code <= 0xDFFF) {
      lone_surrogate = true;
    }
    char bytes[16];
    int count = 0;
    if (utf8) {
      count = encode_utf8(lone_surrogate ? kReplacement : code, bytes);
    } else if (!lone_surrogate && encoder.ok()) {
      unsigned char in[4];
      for (std::size_t i = 0; i < units; ++i) {
        in[2 * i] = static_cast<unsigned char>(s[pos + i] & 0xFF);
        in[2 * i + 1] = static_cast<unsigned char>(s[pos + i] >> 8);
      }
      int error = 0;
      count = encoder.convert(reinterpret_cast<const char*>(in), 2 * units, bytes, sizeof bytes,
                              &error);
    }
    if (count <= 0) {  // the code page has no such character
      bytes[0] = '?';
      count = 1;
    }
    if (out->size() + std::size_t(count) > limit) {
      *cut = true;
      return;
    }
    out->append(bytes, std::size_t(count));
    pos += units;
  }
}

bool bad_arguments(const void* src, const void* dst, int dst_cap) {
  return src == nullptr || dst_cap < 0 || (dst_cap > 0 && dst == nullptr);
}

}  // namespace

std::string code_page_name() {
  return current_code_page().name;
}

bool set_code_page_for_tests(const char* name) {
  std::lock_guard<std::mutex> guard(code_page_state().lock);
  if (name == nullptr) {
    code_page_state().forced[0] = '\0';
    return true;
  }
  if (std::strlen(name) >= std::size_t(kNameSize)) return false;
  Converter probe("UTF-16LE", name);
  if (!probe.ok()) return false;
  std::strcpy(code_page_state().forced, name);
  return true;
}

int code_page_char_length(const char* s, int len) {
  if (s == nullptr || len <= 0) return 0;
  const CodePage cp = current_code_page();
  Converter decoder(cp.family == Family::other ? "UTF-16LE" : nullptr, cp.name);
  return char_length_in(cp, &decoder, s, std::size_t(len));
}

int code_page_fit(const char* s, int len, int max_bytes) {
  if (s == nullptr || len <= 0 || max_bytes <= 0) return 0;
  const CodePage cp = current_code_page();
  Converter decoder(cp.family == Family::other ? "UTF-16LE" : nullptr, cp.name);
  int pos = 0;
  while (pos < len) {
    const int k = char_length_in(cp, &decoder, s + pos, std::size_t(len - pos));
    if (pos + k > max_bytes) break;
    pos += k;
  }
  return pos;
}

int code_page_to_utf16(const char* src, int src_len, char16_t* dst, int dst_cap, bool* truncated) {
  if (truncated != nullptr) *truncated = false;
  if (bad_arguments(src, dst, dst_cap)) return 0;
  const bool terminate = src_len < 0;
  const std::size_t n = terminate ? std::strlen(src) : std::size_t(src_len);
  const std::size_t room = dst_cap == 0 ? SIZE_MAX : std::size_t(dst_cap) - (terminate ? 1 : 0);
  std::u16string out;
  bool cut = false;
  decode_text(current_code_page(), src, n, room, &out, &cut);
  const std::size_t total = out.size() + (terminate ? 1 : 0);
  if (total > std::size_t(INT_MAX)) return 0;
  if (dst_cap == 0) return int(total);
  std::memcpy(dst, out.data(), out.size() * sizeof(char16_t));
  if (terminate) dst[out.size()] = u'\0';
  if (truncated != nullptr) *truncated = cut;
  return int(total);
}

int utf16_to_code_page(const char16_t* src, int src_len, char* dst, int dst_cap, bool* truncated) {
  if (truncated != nullptr) *truncated = false;
  if (bad_arguments(src, dst, dst_cap)) return 0;
  const bool terminate = src_len < 0;
  const std::size_t n = terminate ? std::size_t(utf16_length(src)) : std::size_t(src_len);
  const std::size_t room = dst_cap == 0 ? SIZE_MAX : std::size_t(dst_cap) - (terminate ? 1 : 0);
  std::string out;
  bool cut = false;
  encode_text(current_code_page(), src, n, room, &out, &cut);
  const std::size_t total = out.size() + (terminate ? 1 : 0);
  if (total > std::size_t(INT_MAX)) return 0;
  if (dst_cap == 0) return int(total);
  std::memcpy(dst, out.data(), out.size());
  if (terminate) dst[out.size()] = '\0';
  if (truncated != nullptr) *truncated = cut;
  return int(total);
}

std::u16string to_utf16(std::string_view text) {
  std::u16string out;
  bool cut = false;
  decode_text(current_code_page(), text.data(), text.size(), SIZE_MAX, &out, &cut);
  return out;
}

std::string from_utf16(std::u16string_view text) {
  std::string out;
  bool cut = false;
  encode_text(current_code_page(), text.data(), text.size(), SIZE_MAX, &out, &cut);
  return out;
}

int utf16_length(const char16_t* text) {
  if (text == nullptr) return 0;
  int n = 0;
  while (text[n] != u'\0') ++n;
  return n;
}

}  // namespace platform
