// The in-process clipboard store behind one mutex. Hooks are copied out and
// called with the mutex released, so a back end may marshal them to its GUI
// thread without deadlocking against a thread that waits here.
#include "platform/text/clipboard.h"

#include <atomic>
#include <mutex>
#include <utility>

#include "platform/text/codepage.h"

namespace platform {
namespace {

constexpr std::size_t kDibHeaderSize = 40;
constexpr int kMaxDibSide = 32768;

// A number per thread, never reused (thread ids are, so a thread that ended
// holding the clipboard would otherwise hand its session to a newcomer).
std::uint64_t caller_token() {
  static std::atomic<std::uint64_t> next{1};
  thread_local const std::uint64_t token = next.fetch_add(1);
  return token;
}

struct ClipboardState {
  std::mutex lock;
  ClipboardContents contents;
  bool open = false;
  std::uint64_t holder = 0;
  bool changed = false;  // emptied or set during the current session
  unsigned sequence = 0;
  ClipboardHooks hooks;
};

ClipboardState& clipboard_state() {
  static ClipboardState state;
  return state;
}

// True when the calling thread holds the session; the lock must be held.
bool held_by_caller(const ClipboardState& s) {
  return s.open && s.holder == caller_token();
}

void note_change(ClipboardState& s) {
  s.changed = true;
  ++s.sequence;
}

bool available(const ClipboardContents& c, ClipFormat format) {
  switch (format) {
    case ClipFormat::text:
    case ClipFormat::unicode_text:
      return c.text.has_value() || c.unicode_text.has_value();
    case ClipFormat::dib:
      return c.dib.has_value() || c.bitmap.has_value();
    case ClipFormat::bitmap:
      return c.bitmap.has_value();
  }
  return false;
}

void put_u16(std::uint8_t* p, unsigned v) {
  p[0] = std::uint8_t(v);
  p[1] = std::uint8_t(v >> 8);
}

void put_u32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = std::uint8_t(v >> (8 * i));
}

std::uint32_t get_u32(const std::uint8_t* p) {
  return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
         std::uint32_t(p[3]) << 24;
}

unsigned get_u16(const std::uint8_t* p) {
  return unsigned(p[0]) | unsigned(p[1]) << 8;
}

// The packed DIB the classic system offers for a device-dependent bitmap:
// 32 bits per pixel, uncompressed, rows bottom-up.
std::vector<std::uint8_t> dib_from_bitmap(const ClipBitmap& bitmap) {
  const std::size_t row = std::size_t(bitmap.width) * 4;
  std::vector<std::uint8_t> dib(kDibHeaderSize + row * std::size_t(bitmap.height), 0);
  put_u32(&dib[0], kDibHeaderSize);
  put_u32(&dib[4], std::uint32_t(bitmap.width));
  put_u32(&dib[8], std::uint32_t(bitmap.height));
  put_u16(&dib[12], 1);
  put_u16(&dib[14], 32);
  put_u32(&dib[20], std::uint32_t(row * std::size_t(bitmap.height)));
  std::uint8_t* out = dib.data() + kDibHeaderSize;
  for (int y = bitmap.height - 1; y >= 0; --y) {
    const std::uint32_t* src = bitmap.pixels.data() + std::size_t(y) * std::size_t(bitmap.width);
    for (int x = 0; x < bitmap.width; ++x, out += 4) {
      out[0] = std::uint8_t(src[x]);        // blue
      out[1] = std::uint8_t(src[x] >> 8);   // green
      out[2] = std::uint8_t(src[x] >> 16);  // red
    }
  }
  return dib;
}

// Runs the fetch hook outside the lock; installs its result when `still_ok`
// holds for the state afterwards.
template <typename Check>
void fetch_into_store(const ClipboardHooks& hooks, Check still_ok) {
  if (hooks.fetch_external == nullptr) return;
  ClipboardContents fresh;
  if (!hooks.fetch_external(hooks.user, &fresh)) return;
  ClipboardState& s = clipboard_state();
  std::lock_guard<std::mutex> guard(s.lock);
  if (!still_ok(s)) return;
  s.contents = std::move(fresh);
  ++s.sequence;  // a change, but not ours: nothing to hand back on close
}

// Runs `action` on the state when the caller holds the session.
template <typename Action>
bool with_session(Action action) {
  ClipboardState& s = clipboard_state();
  std::lock_guard<std::mutex> guard(s.lock);
  if (!held_by_caller(s)) return false;
  return action(s);
}

}  // namespace

void clipboard_set_hooks(const ClipboardHooks* hooks) {
  ClipboardState& s = clipboard_state();
  std::lock_guard<std::mutex> guard(s.lock);
  s.hooks = hooks != nullptr ? *hooks : ClipboardHooks{};
}

bool clipboard_open() {
  ClipboardState& s = clipboard_state();
  ClipboardHooks hooks;
  {
    std::lock_guard<std::mutex> guard(s.lock);
    if (s.open) return s.holder == caller_token();
    s.open = true;
    s.holder = caller_token();
    s.changed = false;
    hooks = s.hooks;
  }
  fetch_into_store(hooks, [](const ClipboardState& st) { return held_by_caller(st); });
  return true;
}

bool clipboard_close() {
  ClipboardState& s = clipboard_state();
  ClipboardHooks hooks;
  ClipboardContents snapshot;
  bool notify = false;
  {
    std::lock_guard<std::mutex> guard(s.lock);
    if (!held_by_caller(s)) return false;
    s.open = false;
    s.holder = 0;
    hooks = s.hooks;
    notify = s.changed && hooks.on_clipboard_changed != nullptr;
    if (notify) snapshot = s.contents;
    s.changed = false;
  }
  if (notify) hooks.on_clipboard_changed(hooks.user, snapshot);
  return true;
}

bool clipboard_empty() {
  return with_session([](ClipboardState& s) {
    s.contents = ClipboardContents{};
    note_change(s);
    return true;
  });
}

bool clipboard_set_text(std::string_view text) {
  const std::string stored(text.substr(0, text.find('\0')));
  return with_session([&](ClipboardState& s) {
    s.contents.text = stored;
    note_change(s);
    return true;
  });
}

bool clipboard_set_unicode_text(std::u16string_view text) {
  const std::u16string stored(text.substr(0, text.find(u'\0')));
  return with_session([&](ClipboardState& s) {
    s.contents.unicode_text = stored;
    note_change(s);
    return true;
  });
}

bool clipboard_set_dib(const std::uint8_t* data, std::size_t size) {
  if (data == nullptr || size < kDibHeaderSize) return false;
  std::vector<std::uint8_t> stored(data, data + size);
  return with_session([&](ClipboardState& s) {
    s.contents.dib = std::move(stored);
    note_change(s);
    return true;
  });
}

bool clipboard_set_bitmap(const ClipBitmap& bitmap) {
  if (bitmap.width <= 0 || bitmap.height <= 0 || bitmap.width > kMaxDibSide ||
      bitmap.height > kMaxDibSide ||
      bitmap.pixels.size() != std::size_t(bitmap.width) * std::size_t(bitmap.height)) {
    return false;
  }
  return with_session([&](ClipboardState& s) {
    s.contents.bitmap = bitmap;
    note_change(s);
    return true;
  });
}

bool clipboard_get_text(std::string* out) {
  if (out == nullptr) return false;
  std::u16string wide;
  bool synthesise = false;
  const bool found = with_session([&](ClipboardState& s) {
    if (s.contents.text) {
      *out = *s.contents.text;
      return true;
    }
    if (!s.contents.unicode_text) return false;
    wide = *s.contents.unicode_text;
    synthesise = true;
    return true;
  });
  // Converted outside the lock: iconv may take a while on long texts.
  if (synthesise) *out = from_utf16(wide);
  return found;
}

bool clipboard_get_unicode_text(std::u16string* out) {
  if (out == nullptr) return false;
  std::string narrow;
  bool synthesise = false;
  const bool found = with_session([&](ClipboardState& s) {
    if (s.contents.unicode_text) {
      *out = *s.contents.unicode_text;
      return true;
    }
    if (!s.contents.text) return false;
    narrow = *s.contents.text;
    synthesise = true;
    return true;
  });
  if (synthesise) *out = to_utf16(narrow);
  return found;
}

bool clipboard_get_dib(std::vector<std::uint8_t>* out) {
  if (out == nullptr) return false;
  return with_session([&](ClipboardState& s) {
    if (s.contents.dib) {
      *out = *s.contents.dib;
      return true;
    }
    if (!s.contents.bitmap) return false;
    *out = dib_from_bitmap(*s.contents.bitmap);
    return true;
  });
}

bool clipboard_get_bitmap(ClipBitmap* out) {
  if (out == nullptr) return false;
  return with_session([&](ClipboardState& s) {
    if (!s.contents.bitmap) return false;
    *out = *s.contents.bitmap;
    return true;
  });
}

bool clipboard_has_format(ClipFormat format) {
  ClipboardState& s = clipboard_state();
  ClipboardHooks hooks;
  bool fetch = false;
  {
    std::lock_guard<std::mutex> guard(s.lock);
    // Inside a session the store is already what the session fetched.
    fetch = !s.open;
    hooks = s.hooks;
  }
  if (fetch) fetch_into_store(hooks, [](const ClipboardState& st) { return !st.open; });
  std::lock_guard<std::mutex> guard(s.lock);
  return available(s.contents, format);
}

unsigned clipboard_sequence() {
  ClipboardState& s = clipboard_state();
  std::lock_guard<std::mutex> guard(s.lock);
  return s.sequence;
}

void clipboard_reset_for_tests() {
  ClipboardState& s = clipboard_state();
  std::lock_guard<std::mutex> guard(s.lock);
  s.contents = ClipboardContents{};
  s.open = false;
  s.holder = 0;
  s.changed = false;
  s.hooks = ClipboardHooks{};
}

bool dib_layout(const std::uint8_t* data, std::size_t size, DibLayout* layout) {
  if (data == nullptr || layout == nullptr || size < kDibHeaderSize) return false;
  const std::uint32_t header = get_u32(data);
  if (header < kDibHeaderSize || header > size) return false;
  const auto width = std::int32_t(get_u32(data + 4));
  const auto height = std::int32_t(get_u32(data + 8));
  const int bits = int(get_u16(data + 14));
  const std::uint32_t compression = get_u32(data + 16);
  const std::uint32_t colours_used = get_u32(data + 32);
  if (width <= 0 || width > kMaxDibSide || height == 0 || height > kMaxDibSide ||
      height < -kMaxDibSide) {
    return false;
  }
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
  // 0 none, 1 RLE8, 2 RLE4 (both bottom-up only), 3 bit fields.
  const bool rle = compression == 1 || compression == 2;
  if (compression > 3 || (compression == 1 && bits != 8) || (compression == 2 && bits != 4) ||
      (rle && height < 0) || (compression == 3 && bits != 16 && bits != 32)) {
    return false;
  }
  // Up to 8 bits the table is the palette; above, an optional list that
  // readers skip.
  std::uint32_t colours = colours_used;
  if (bits <= 8) {
    if (colours == 0) colours = 1u << bits;
    if (colours > (1u << bits)) return false;
  } else if (colours > 256) {
    return false;
  }
  const std::size_t masks = (compression == 3 && header == kDibHeaderSize) ? 12 : 0;
  const std::size_t table = std::size_t(header) + masks;
  const std::size_t pixels = table + 4 * std::size_t(colours);
  const std::size_t row = (std::size_t(width) * std::size_t(bits) + 31) / 32 * 4;
  const std::size_t rows = std::size_t(height < 0 ? -std::int64_t(height) : height);
  if (rle ? pixels >= size : (pixels > size || row * rows > size - pixels)) return false;
  layout->width = width;
  layout->height = height;
  layout->bits = bits;
  layout->compression = int(compression);
  layout->colours = int(colours);
  layout->colour_table_offset = table;
  layout->pixel_offset = pixels;
  layout->row_bytes = row;
  return true;
}

}  // namespace platform
