// The window report and its source list.
//
// The list grows as long as the windows need (hundreds of image windows,
// text windows and buttons included) instead of being cut at a fixed size:
// a cut list would recreate a different layout without saying so.
#include "framework/core/window_report.h"

#include <cstdarg>
#include <cstdio>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "framework/console/button_box.h"
#include "framework/console/input_box.h"
#include "framework/console/text_window_internal.h"
#include "framework/image/image_table.h"
#include "framework/orvlib.h"
#include "platform/text/clipboard.h"

namespace orv {
namespace {

constexpr int kWhite = 0xFFFFFF;
constexpr int kBlack = 0x000000;
constexpr int kYellow = 0xFFFF00;
constexpr int kGreen = 0x00FF00;
constexpr int kDarkBlue = 0x000080;
constexpr int kBitsColour = 0x0080FF;
constexpr int kFitColour = 0xFF00FF;
constexpr std::size_t kLabelUnits = 255;

void append(std::string& list, const char* format, ...) __attribute__((format(printf, 2, 3)));
void append(std::string& list, const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list again;
  va_copy(again, args);
  int length = std::vsnprintf(nullptr, 0, format, args);
  va_end(args);
  if (length > 0) {
    std::size_t at = list.size();
    list.resize(at + std::size_t(length) + 1);
    std::vsnprintf(list.data() + at, std::size_t(length) + 1, format, again);
    list.resize(at + std::size_t(length));
  }
  va_end(again);
}

void print_in(int text_colour, const char* text) {
  ORV_PushTextColor(text_colour, kBlack);
  ORV_Print("%s", text);
  ORV_PopTextColor();
}

void section(std::string& list, const char* name) {
  char line[64];
  std::snprintf(line, sizeof line, "[%s]\n", name);
  print_in(kGreen, line);
  append(list, "\t// [%s]\n", name);
}

platform::Point outer_position(platform::Window window) {
  platform::Rect r = platform::window_rect(window);
  return {r.left, r.top};
}

std::string label_of(platform::Window control) {
  char text[kLabelUnits * 3 + 1];
  copy_to_code_page(control ? platform::caption(control) : u"", kLabelUnits, text, sizeof text);
  return text;
}

const char* create_call(int bits, int fit_to_screen) {
  if (bits == 32) return fit_to_screen ? "ORV_CreateImage" : "ORV_CreateImageFL";
  return fit_to_screen ? "ORV_CreateImage8" : "ORV_CreateImage8FL";
}

void report_images(std::string& list) {
  bool header = false;
  for (int id = 0; id < kImageCount; ++id) {
    const ImageRecord* r = image_in_use(id);
    if (!r) continue;
    if (!header) section(list, "Image Window");
    header = true;
    platform::Point at = outer_position(r->window);
    ORV_Print(" %d ", id);
    char number[16];
    std::snprintf(number, sizeof number, "%d ", r->bits);
    print_in(kBitsColour, number);
    std::snprintf(number, sizeof number, "%d ", r->fit_to_screen);
    print_in(kFitColour, number);
    ORV_Print("'%s' X:%d Y:%d W:%d H:%d ZM:%d%%\n", r->title.c_str(), at.x, at.y, r->width,
              r->height, r->zoom);
    append(list, "\t%s(%d,\"%s\",%d,%d,%d,%d,%d);\n", create_call(r->bits, r->fit_to_screen), id,
           r->title.c_str(), at.x, at.y, r->width, r->height, r->zoom);
  }
}

// Ids and windows first, under the table's lock; printing takes it again.
std::vector<std::pair<int, platform::Window>> open_text_windows() {
  std::vector<std::pair<int, platform::Window>> open;
  TextWindowTable& table = text_windows();
  std::lock_guard lock(table.lock);
  for (int id = 0; id < kTextWindowCount; ++id)
    if (table.records[id].open) open.emplace_back(id, table.records[id].window);
  return open;
}

void report_text_windows(std::string& list) {
  section(list, "Text Window");
  for (auto [id, window] : open_text_windows()) {
    platform::Point at = outer_position(window);
    platform::Rect client = platform::client_rect(window);
    ORV_Print(" %d X:%d Y:%d W:%d H:%d\n", id, at.x, at.y, client.width(), client.height());
    append(list, "\tORV_OpenTextWindow(%d,%d,%d,%d,%d);\n", id, at.x, at.y, client.width(),
           client.height());
  }
}

void report_input_box(std::string& list) {
  platform::Window box = input_box_window();
  if (!box) return;
  section(list, "Input Box");
  platform::Point at = outer_position(box);
  ORV_Print(" X:%d Y:%d ITEM:%d ", at.x, at.y, orv_ib_items);
  append(list, "\tORV_OpenInputBox(%d,%d,%d);\n", at.x, at.y, orv_ib_items);
  ORV_Print("ISIZE:%d ESIZE:%d\n", input_box_label_width(), input_box_edit_width());
  append(list, "\tORV_ResizeInputBox(%d,%d);\n", input_box_label_width(), input_box_edit_width());
  for (int i = 0; i < orv_ib_items; ++i) {
    std::string label = label_of(platform::control_by_id(box, kInputBoxLabelIdBase + i));
    append(list, "\tORV_SetInputBoxTitle(%d,\"%s\");\n", i, label.c_str());
  }
}

// A label's line feeds are written as backslash and n so that the call
// stays on one source line; quotes and backslashes are copied as they are.
std::string escaped_line_feeds(const std::string& label) {
  std::string out;
  for (char c : label) {
    if (c == '\n')
      out += "\\n";
    else
      out += c;
  }
  return out;
}

void report_button_box(std::string& list) {
  platform::Window box = button_box_window();
  if (!box) return;
  section(list, "Button Box");
  platform::Point at = outer_position(box);
  int columns = button_box_columns(), rows = button_box_rows();
  ORV_Print(" X:%d Y:%d NX:%d NY:%d ", at.x, at.y, columns, rows);
  append(list, "\tORV_OpenButtonBox(%d,%d,%d,%d);\n", at.x, at.y, columns, rows);
  platform::Rect client = platform::client_rect(box);
  ORV_Print("SIZE:%dx%d\n", client.width(), client.height());
  append(list, "\tORV_ResizeButtonBox(%d,%d);\n", client.width(), client.height());
  for (int b = 0; b < orv_bb_count; ++b) {
    std::string label = label_of(platform::control_by_id(box, kButtonIdBase + b));
    append(list, "\tORV_SetButtonBoxTitle(%d,\"%s\");\n", b, escaped_line_feeds(label).c_str());
  }
}

// A busy clipboard skips the copy without a word.
void put_on_clipboard(const std::string& list) {
  if (!platform::clipboard_open()) return;
  platform::clipboard_empty();
  bool copied = platform::clipboard_set_text(list);
  platform::clipboard_close();
  if (!copied) {
    ORV_Pause("GlobalAlloc() failed. (ID_INFO)");
    return;
  }
  ORV_PushTextColor(kYellow, kDarkBlue);
  ORV_Print("クリップボードにレイアウト作成ソースリストを保存しました．\n");
  ORV_PopTextColor();
}

void build_report(std::string& list) {
  list += "\t// ORVLIB --- Automatic Source Generator\n";
  report_images(list);
  report_text_windows(list);
  report_input_box(list);
  report_button_box(list);
}

}  // namespace

void run_window_report() {
  ORV_PushTextColor(kWhite, kBlack);
  ORV_PushTextColor(kYellow, kBlack);
  ORV_Print("******* Window information *******\n");
  ORV_PopTextColor();
  std::string list;
  bool complete = true;
  try {
    build_report(list);
  } catch (const std::bad_alloc&) {
    complete = false;
  }
  ORV_PushTextColor(kYellow, kBlack);
  ORV_Print("**********************************\n");
  if (complete) {
    try {
      list += "\tORV_SetForeground(ORVMAINWINDOW);\n";
    } catch (const std::bad_alloc&) {
      complete = false;
    }
  }
  ORV_PopTextColor();
  if (complete)
    put_on_clipboard(list);
  else
    ORV_Pause("GlobalAlloc() failed. (ID_INFO)");
  ORV_PopTextColor();
}

}  // namespace orv
