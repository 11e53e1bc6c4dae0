// The text window table shared by the window, print and line-input files.
//
// One lock guards the records and their back buffers: prints come from
// both threads while the owner thread paints. It is never held while a
// window is created or destroyed, nor while messages are dispatched.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "framework/console/text_window.h"
#include "platform/bitmap.h"
#include "platform/draw/dc.h"
#include "platform/message.h"

namespace orv {

constexpr int kColorStackDepth = 8;

struct TextWindowRecord {
  int open = 0;
  int width = 0;  // client size, also the back buffer's
  int height = 0;
  int cursor_x = 0;  // where the next character goes; y is the top of its line
  int cursor_y = 0;
  int cell_width = 8;
  int line_height = 16;
  std::uint32_t text_color = 0xFFFFFF;  // colour words 0x00RRGGBB
  std::uint32_t background_color = 0x000000;
  std::uint32_t saved_text[kColorStackDepth] = {};  // entry 0 is the top
  std::uint32_t saved_background[kColorStackDepth] = {};
  platform::Window window;
  platform::Dc back_dc;
  platform::Dc window_dc;
  std::unique_ptr<platform::Bitmap> back_buffer;
  platform::Bitmap* previous_bitmap = nullptr;
};

struct TextWindowTable {
  std::mutex lock;
  TextWindowRecord records[kTextWindowCount];
  std::atomic<int> current{0};
};

TextWindowTable& text_windows();

// The open record of id, or nullptr; the caller holds the lock.
TextWindowRecord* open_record(int id);

// Draws a run at the cursor in the current colours (lock held).
void draw_at_cursor(TextWindowRecord& r, const char16_t* text, int length);
// Cursor to the start of the next line, then the scroll step; true when it
// scrolled (lock held).
bool new_line(TextWindowRecord& r);
// Scrolls one line when the cursor line would reach the bottom (lock held).
bool scroll_step(TextWindowRecord& r);

// The id of the open text window `window`, or -1.
int text_window_id(platform::Window window);

// The text window procedure's share for keys while no input waits, the
// popup menu (a right press at client point x, y) and the commands.
void text_window_key_down(platform::Window window, const platform::Msg& msg);
void show_text_window_popup(platform::Window window, int x, int y);
void run_text_window_command(platform::Window window, int command);

// Raises the window and makes it the active one.
void bring_to_front(platform::Window window);

// The text window procedure's share for line input: keys and characters
// that arrive while an ORV_Input waits.
void line_input_key_down(const platform::Msg& msg);
void line_input_char(const platform::Msg& msg);
// Empties the key queue and the last line, nothing waiting (start-up).
void reset_line_input();

}  // namespace orv
