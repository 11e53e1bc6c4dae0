// Text conversion between the system code page and UTF-16.
//
// The system code page is the C library's locale charset (read with
// nl_langinfo(CODESET) once the program has called setlocale(LC_CTYPE, "")),
// treated as UTF-8 when the locale is plain C or POSIX. Texts cross the
// framework's calls in that code page and become UTF-16 here.
//
// Buffer contract of the two conversions (counts are in units of the
// destination: bytes for the code page, code units for UTF-16):
// - src_len >= 0 converts exactly that many source units (a NUL among them is
//   converted like any character); src_len < 0 converts up to the source's
//   NUL and writes a terminator, which the result counts.
// - dst_cap == 0 asks for the size: nothing is written and the result is the
//   number of units the whole conversion needs.
// - Otherwise at most dst_cap units are written and never more. When the text
//   does not fit, the longest prefix of whole characters that fits is written
//   (a two-byte character or a surrogate pair is never split; with src_len < 0
//   one unit is kept for the terminator, so the result is always a string).
//   The result is the number of units written; *truncated (when given) says
//   whether anything was left out.
// - The result is 0 for bad arguments (null source, negative capacity, null
//   destination with a capacity).
// Bytes that form no character of the code page become U+FFFD; a lone
// surrogate becomes U+FFFD in a UTF-8 code page and '?' in any other, as do
// characters the code page cannot hold. Nothing here ever reads or writes
// outside the given lengths.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// The charset in effect ("UTF-8", "CP932", ...).
std::string code_page_name();

// Forces the code page to an iconv charset name, or back to the locale's with
// nullptr. Returns false (and changes nothing) when iconv does not know it.
// Meant for tests, so that Shift-JIS paths run whatever the locale is.
bool set_code_page_for_tests(const char* name);

// Bytes of the character starting at s: 1 to 4; 1 for a byte that starts no
// valid character (it converts to U+FFFD on its own); 0 when len <= 0.
int code_page_char_length(const char* s, int len);

// Bytes of the longest prefix of s[0..len) made of whole characters that is
// at most max_bytes long.
int code_page_fit(const char* s, int len, int max_bytes);

// System code page to UTF-16 (see the contract above).
int code_page_to_utf16(const char* src, int src_len, char16_t* dst, int dst_cap,
                       bool* truncated = nullptr);

// UTF-16 to the system code page (see the contract above).
int utf16_to_code_page(const char16_t* src, int src_len, char* dst, int dst_cap,
                       bool* truncated = nullptr);

// Whole-string conversions without a size limit.
std::u16string to_utf16(std::string_view text);
std::string from_utf16(std::u16string_view text);

// Length of a NUL-terminated UTF-16 string.
int utf16_length(const char16_t* text);

}  // namespace platform
