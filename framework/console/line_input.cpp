// ORV_Input: one line typed into the current text window, echoed with a
// blinking cursor, with Backspace across wraps and double-cell characters,
// Up to recall the last line and Ctrl+V to paste clipboard text.
//
// Keys reach the input through a 256-slot queue that every text window's
// character handler fills while an input waits. Only one input waits at a
// time; the owner, the pending action and the queue are shared between the
// thread that owns the windows and the thread that reads the line.
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>

#include "framework/console/log_file.h"
#include "framework/console/text_window_internal.h"
#include "framework/core/main_window.h"
#include "framework/orvlib.h"
#include "platform/text/clipboard.h"
#include "platform/text/codepage.h"

namespace orv {
namespace {

constexpr int kQueueSize = 256;
constexpr int kMaxLine = 255;  // code units per line; the 256th is ignored
constexpr unsigned kBlinkMs = 200;

enum PendingAction : int { kNoAction = 0, kRecall = 1, kPaste = 2 };

struct KeyQueue {
  std::mutex lock;
  char16_t slots[kQueueSize] = {};
  int write = 0;
  int read = -1;  // -1: empty
};

KeyQueue g_queue;
std::atomic<int> g_owner{0};
// Which input the keyboard belongs to: a new input (a label rename during
// a program's input, say) takes it over, and the one it took it from ends as
// cancelled instead of reading what was typed for the new one.
std::atomic<unsigned> g_serial{0};
std::atomic<int> g_pending{kNoAction};
// Written and read only by the one waiting input.
char16_t g_last_line[kMaxLine + 1] = {};

// A full queue drops the character.
bool queue_put(char16_t c) {
  std::lock_guard lock(g_queue.lock);
  if (g_queue.write == g_queue.read) return false;
  g_queue.slots[g_queue.write] = c;
  if (g_queue.read == -1) g_queue.read = g_queue.write;
  g_queue.write = (g_queue.write + 1) % kQueueSize;
  return true;
}

// Nothing for an input that no longer owns the keyboard.
char16_t queue_take(unsigned serial) {
  std::lock_guard lock(g_queue.lock);
  if (g_queue.read == -1 || g_serial.load() != serial) return 0;
  char16_t c = g_queue.slots[g_queue.read];
  g_queue.read = (g_queue.read + 1) % kQueueSize;
  if (g_queue.read == g_queue.write) g_queue.read = -1;
  return c;
}

// The state of one ORV_Input call.
struct LineEdit {
  int id = 0;
  unsigned serial = 0;
  platform::Window window;
  int cw = 8;  // cell width and line height when the input began
  int lh = 16;
  char16_t line[kMaxLine + 1] = {};
  int n = 0;
  // The x a wrap left from, to go back over it; a character can wrap twice
  // (before a double-cell character and after it in a very narrow window).
  int saved_x[2 * kMaxLine + 2] = {};
  int saved = 0;
  bool visible = true;
  bool redraw_cursor = true;
  unsigned mark = 0;
};

// Runs `edit` on the input's record while its window is still open, then
// has the window painted again.
template <class Edit>
void with_record(const LineEdit& e, Edit edit) {
  {
    std::lock_guard lock(text_windows().lock);
    TextWindowRecord* r = open_record(e.id);
    if (!r || r->window != e.window) return;
    edit(*r);
  }
  platform::invalidate_window(e.window);
}

void draw_cell(TextWindowRecord& r, char16_t c) {
  draw_at_cursor(r, &c, 1);
}

void wrap(LineEdit& e, TextWindowRecord& r, int saved_x) {
  e.saved_x[e.saved++] = saved_x;
  r.cursor_x = 0;
  r.cursor_y += e.lh;
  scroll_step(r);
}

// Going back over a wrap after the window scrolled lands in the scrolled
// text; the cursor never leaves the window upwards.
void unwrap(LineEdit& e, TextWindowRecord& r, int x) {
  --e.saved;
  r.cursor_x = std::max(0, x);
  r.cursor_y = std::max(0, r.cursor_y - e.lh);
}

void backspace(LineEdit& e) {
  if (e.n == 0) return;
  with_record(e, [&](TextWindowRecord& r) {
    draw_cell(r, u' ');
    int w = e.line[--e.n] >= 0x80 ? 2 : 1;
    if (e.saved > 0 && r.cursor_x == 0)
      unwrap(e, r, e.saved_x[e.saved - 1]);
    else
      r.cursor_x = std::max(0, r.cursor_x - w * e.cw);
    if (w == 2) {
      draw_cell(r, u'\u3000');
      // A double-cell character moved to a new line whole: back to where it
      // would have started on the line before.
      if (e.saved > 0 && r.cursor_x == 0 && e.saved_x[e.saved - 1] >= r.width)
        unwrap(e, r, e.saved_x[e.saved - 1] - 2 * e.cw);
    }
  });
  e.redraw_cursor = true;
}

void type_char(LineEdit& e, char16_t c) {
  if (e.n >= kMaxLine) return;
  with_record(e, [&](TextWindowRecord& r) {
    int w = 1;
    if (c >= 0x80) {
      w = 2;
      if (r.cursor_x > 0 && r.cursor_x > r.width - 2 * e.cw) {
        draw_cell(r, u' ');
        wrap(e, r, r.cursor_x + 2 * e.cw);
      }
    }
    draw_cell(r, c);
    if (r.cursor_x + w * e.cw > r.width - e.cw)
      wrap(e, r, r.cursor_x);
    else
      r.cursor_x += w * e.cw;
  });
  e.line[e.n++] = c;
  e.redraw_cursor = true;
}

void draw_cursor(LineEdit& e) {
  with_record(e, [&](TextWindowRecord& r) { draw_cell(r, e.visible ? u'_' : u' '); });
  e.redraw_cursor = false;
}

void paste_clipboard_text() {
  if (!platform::clipboard_open()) return;
  std::u16string text;
  if (platform::clipboard_get_unicode_text(&text)) {
    for (char16_t c : text) {
      if (c == 0 || c == u'\r' || c == u'\n') break;
      if (!queue_put(c)) break;
    }
  }
  platform::clipboard_close();
}

// The recalled line enters the queue behind whatever was typed, as typing would.
void run_pending_action() {
  switch (g_pending.exchange(kNoAction)) {
    case kRecall:
      for (int i = 0; i <= kMaxLine && g_last_line[i]; ++i) queue_put(g_last_line[i]);
      break;
    case kPaste:
      paste_clipboard_text();
      break;
    default:
      break;
  }
}

unsigned take_keyboard(int id) {
  std::lock_guard lock(g_queue.lock);
  g_owner = id + 1;
  g_pending = kNoAction;
  return ++g_serial;
}

// Only the input that owns the keyboard gives it back.
void release_keyboard(unsigned serial) {
  std::lock_guard lock(g_queue.lock);
  if (g_serial.load() != serial) return;
  g_owner = 0;
  g_pending = kNoAction;
}

void end_line(LineEdit& e, char* buffer) {
  with_record(e, [&](TextWindowRecord& r) {
    draw_cell(r, u' ');
    r.cursor_x = 0;
    r.cursor_y += e.lh;
    scroll_step(r);
  });
  std::copy(e.line, e.line + e.n, g_last_line);
  g_last_line[e.n] = 0;
  // A line whose code page form needs more than 255 bytes keeps its longest
  // prefix of whole characters.
  int bytes = e.n > 0 ? platform::utf16_to_code_page(e.line, e.n, buffer, kMaxLine) : 0;
  buffer[bytes] = '\0';
  write_log_line(e.id, buffer, std::size_t(bytes));
}

// True when Enter ended the line, false when the input was cancelled.
bool read_line(LineEdit& e, char* buffer) {
  for (;;) {
    ORV_ProcessMessages();
    if (g_owner.load() == 0 || g_serial.load() != e.serial || orv_exit_state.load() != 0) {
      release_keyboard(e.serial);
      return false;
    }
    char16_t c = queue_take(e.serial);
    if (c == u'\t') c = u' ';
    run_pending_action();
    if (c == u'\r') {
      end_line(e, buffer);
      return true;
    }
    if (c == 8)
      backspace(e);
    else if (c != 0)
      type_char(e, c);
    if (e.redraw_cursor) draw_cursor(e);
    unsigned now = ORV_GetTime();
    if (now - e.mark > kBlinkMs) {
      e.mark = now;
      e.visible = !e.visible;
      e.redraw_cursor = true;
    }
  }
}

void show_display_depth() {
  char depth[32];
  std::snprintf(depth, sizeof depth, "%d-bit color", display_depth());
  ORV_SetStatusText(depth);
}

}  // namespace

int line_input_owner() {
  return g_owner.load();
}

unsigned line_inputs_begun() {
  return g_serial.load();
}

void cancel_line_input() {
  g_owner.store(0);
}

void line_input_key_down(const platform::Msg& msg) {
  if (g_owner.load() == 0 || g_pending.load() != kNoAction) return;
  if (msg.key == platform::kKeyUp)
    g_pending = kRecall;
  else if (msg.key == 'V' && (msg.keys & platform::kKeyBitCtrl))
    g_pending = kPaste;
}

// Whichever text window gets the character, it goes to the one waiting input.
void line_input_char(const platform::Msg& msg) {
  if (g_owner.load() == 0 || (msg.keys & platform::kKeyBitCtrl)) return;
  queue_put(msg.ch);
}

void reset_line_input() {
  {
    std::lock_guard lock(g_queue.lock);
    g_queue.write = 0;
    g_queue.read = -1;
  }
  g_owner = 0;
  g_pending = kNoAction;
  std::fill(std::begin(g_last_line), std::end(g_last_line), u'\0');
}

}  // namespace orv

void ORV_Input(char* buffer) {
  if (!buffer) return;
  buffer[0] = '\0';
  auto e = std::make_unique<orv::LineEdit>();
  {
    orv::TextWindowTable& table = orv::text_windows();
    std::lock_guard lock(table.lock);
    e->id = table.current;
    orv::TextWindowRecord* r = orv::open_record(e->id);
    if (!r) return;
    e->window = r->window;
    e->cw = r->cell_width;
    e->lh = r->line_height;
  }
  e->serial = orv::take_keyboard(e->id);
  orv::bring_to_front(e->window);
  ORV_SetStatusText("Input text");
  e->mark = ORV_GetTime();
  if (orv::read_line(*e, buffer)) orv::release_keyboard(e->serial);
  orv::show_display_depth();
}
