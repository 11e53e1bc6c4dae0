// The clipboard store: ANSI text, Unicode text, packed device-independent
// bitmaps and device-dependent bitmaps, kept in the process and shared by
// every thread.
//
// Sessions work as on the classic desktop: a thread opens the clipboard
// (there is no owner window), empties it and sets formats, or reads them, and
// closes it. While one thread holds it open, opening from any other thread
// fails. Opening again from the thread that holds it succeeds and does not
// nest: the first close ends the session. Empty, set and get fail unless the
// calling thread holds the clipboard open; format queries work at any time.
// A clipboard left open by a thread that has ended stays held (nothing can
// tell a finished session from a slow one).
//
// Text is stored up to its first NUL, without a terminator. Formats the
// classic system synthesises are synthesised here too: Unicode text reads
// from ANSI text (and the other way round) through the system code page, and
// a packed DIB reads from a device-dependent bitmap. A device-dependent
// bitmap is not made from a packed DIB: readers take the DIB first anyway.
//
// A desktop back end keeps the store in step with the system clipboard
// through ClipboardHooks; without hooks the store is purely in-process.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

enum class ClipFormat { text, unicode_text, dib, bitmap };

// Device-dependent bitmap: top-down 0x00RRGGBB words, stride = width.
struct ClipBitmap {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;
};

// Everything the clipboard holds, as set (nothing synthesised).
struct ClipboardContents {
  std::optional<std::string> text;  // system code page
  std::optional<std::u16string> unicode_text;
  std::optional<std::vector<std::uint8_t>> dib;
  std::optional<ClipBitmap> bitmap;
};

struct ClipboardHooks {
  void* user = nullptr;
  // Pulls the system clipboard: fill *contents and return true to replace
  // the store, or return false to keep it (for instance when the system
  // clipboard still holds what this process put there). Called when a session
  // opens and by format queries outside a session, without any lock held; it
  // must not call the clipboard functions.
  bool (*fetch_external)(void* user, ClipboardContents* contents) = nullptr;
  // Called by the close of a session that emptied or set something, with
  // what the store now holds, without any lock held.
  void (*on_clipboard_changed)(void* user, const ClipboardContents& contents) = nullptr;
};

// Installs the back end's hooks (copied); nullptr removes them.
void clipboard_set_hooks(const ClipboardHooks* hooks);

// Opens a session for the calling thread; false while another thread holds it.
bool clipboard_open();
// Ends the calling thread's session; false when it holds none.
bool clipboard_close();
// Removes every format.
bool clipboard_empty();

// Each setter replaces that format only; false outside the caller's session
// (and for a bitmap whose pixels do not match its size, or a DIB shorter
// than its 40-byte header).
bool clipboard_set_text(std::string_view text);
bool clipboard_set_unicode_text(std::u16string_view text);
bool clipboard_set_dib(const std::uint8_t* data, std::size_t size);
bool clipboard_set_bitmap(const ClipBitmap& bitmap);

// Each getter copies the format (set or synthesised) into *out; false outside
// the caller's session or when the format is not available.
bool clipboard_get_text(std::string* out);
bool clipboard_get_unicode_text(std::u16string* out);
bool clipboard_get_dib(std::vector<std::uint8_t>* out);
bool clipboard_get_bitmap(ClipBitmap* out);

// Whether the format can be read, synthesised formats included.
bool clipboard_has_format(ClipFormat format);

// Counts every change of the contents (empty and each set).
unsigned clipboard_sequence();

// Forgets contents, session and hooks; for tests only.
void clipboard_reset_for_tests();

// Where the parts of a packed DIB lie, as the framework reads one: a header
// (its own size field, at least 40 bytes), the three colour masks after a
// 40-byte header when the compression is 3 (bit fields), a colour table for
// 8 bits per pixel or fewer (the colours-used count, or 2 to the power of the
// bit count when that is 0), then the pixels.
struct DibLayout {
  int width = 0;
  int height = 0;  // as stored: positive means bottom-up rows
  int bits = 0;
  int compression = 0;
  int colours = 0;  // colour table entries (4 bytes each)
  std::size_t colour_table_offset = 0;
  std::size_t pixel_offset = 0;
  std::size_t row_bytes = 0;  // uncompressed rows, padded to 4 bytes
};

// Checks a packed DIB and fills *layout. False when the header is short or
// malformed, the size is zero or beyond 32768 in either direction, the colour
// table has more than 256 (or 2 to the bit count) entries, or the table or
// the uncompressed pixels run past `size`. Compressed pixels (RLE) are only
// required to start inside the block.
bool dib_layout(const std::uint8_t* data, std::size_t size, DibLayout* layout);

}  // namespace platform
