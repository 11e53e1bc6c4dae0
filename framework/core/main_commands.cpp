// The main window's window-making commands.
#include "framework/core/main_commands.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "framework/console/text_window_internal.h"
#include "framework/core/window_requests.h"
#include "framework/image/clipboard.h"
#include "framework/image/image_table.h"
#include "framework/orvlib.h"
#include "platform/queue.h"

namespace orv {
namespace {

constexpr int kWindowReportCommand = 1045;

// The leading decimal integer of an answer; 0 when there is none.
int leading_integer(const char* text) {
  long value = std::strtol(text, nullptr, 10);
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return int(value);
}

// Prints the prompt and reads the answer; false once Exit has begun.
bool ask(const char* prompt, int* answer) {
  char line[256];
  ORV_Print("%s", prompt);
  ORV_Input(line);
  if (orv_exit_state.load() != 0) return false;
  *answer = leading_integer(line);
  return true;
}

platform::Window open_text_window(int id) {
  TextWindowTable& table = text_windows();
  std::lock_guard lock(table.lock);
  const TextWindowRecord* r = open_record(id);
  return r ? r->window : platform::Window{};
}

// Text window 0 comes to the front, or is opened (and then is current).
void show_text_window_0() {
  if (platform::Window window = open_text_window(0))
    platform::raise_window(window);
  else
    post_text_window(0);
}

int lowest_free_image() {
  for (int id = 0; id < kImageCount; ++id)
    if (!image_record(id).in_use) return id;
  return -1;
}

int lowest_closed_text_window() {
  TextWindowTable& table = text_windows();
  std::lock_guard lock(table.lock);
  for (int id = 0; id < kTextWindowCount; ++id)
    if (!table.records[id].open) return id;
  return -1;
}

std::string three_digit_name(int id) {
  char name[16];
  std::snprintf(name, sizeof name, "%03d", id);
  return name;
}

}  // namespace

void ask_for_image_window() {
  show_text_window_0();
  ORV_Print("Creating ImageWindow...\n");
  int width = 0, height = 0, bits = 0;
  if (!ask(" Width=", &width) || !ask("Height=", &height) || !ask("Bit[32 or 8]=", &bits)) return;
  if (bits != 32 && bits != 8) return;
  int id = lowest_free_image();
  if (id < 0) return;
  post_create_image(id, three_digit_name(id), width, height, bits);
}

void open_next_text_window() {
  int id = lowest_closed_text_window();
  if (id >= 0) post_text_window(id);
}

void ask_for_input_box() {
  show_text_window_0();
  ORV_Print("Creating InpuxBox...\n");
  int items = 0;
  if (ask("How many items? >", &items)) post_input_box(items);
}

void ask_for_button_box() {
  show_text_window_0();
  ORV_Print("Creating ButtonBox...\n");
  int columns = 0, rows = 0;
  if (ask("Number[X]=>", &columns) && ask("Number[Y]=>", &rows)) post_button_box(columns, rows);
}

// While a program runs the worker answers no request, so the report is only
// asked of a text window that is open.
void request_window_report() {
  if (!open_text_window(current_text_window())) {
    if (orv_running.load() == 1) return;
    post_text_window(0);
  }
  platform::Window window = open_text_window(current_text_window());
  if (!window) return;
  platform::Msg msg;
  msg.kind = platform::MsgKind::Command;
  msg.command = kWindowReportCommand;
  platform::post_message(window, msg);
}

void paste_as_image_window() {
  if (orv_running.load() == 1) return;  // the worker would not answer
  std::vector<std::uint32_t> colours;
  std::unique_ptr<platform::Bitmap> picture = read_clipboard_bitmap(&colours);
  if (!picture) return;
  for (int id = 0; id < kImageCount; ++id) {
    int created = post_create_image(id, three_digit_name(id), picture->width, picture->height, 32);
    if (created < 0) return;  // Exit has begun
    if (created != 0) continue;
    post_copy_bitmap(picture.get());  // into the new image, which creation made current
    post_redraw_image(id, true);
    return;
  }
}

}  // namespace orv
