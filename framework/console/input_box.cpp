// The input box: opening and closing, the set calls, value synchronisation,
// width-only resizing, activation focus and renaming a row's label.
#include "framework/console/input_box.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>

#include "framework/console/box_window.h"
#include "framework/console/button_box.h"
#include "framework/core/main_window.h"
#include "framework/core/pump.h"
#include "framework/core/snap.h"
#include "framework/orvlib.h"
#include "platform/text/codepage.h"

int orv_ib_items = 0;
char* orv_ib_text[30] = {};

namespace orv {
namespace {

constexpr char kClassName[] = "orv_ib";
constexpr unsigned kBoxStyle = platform::kStyleCaption | platform::kStyleCloseBox |
                               platform::kStyleResizable | platform::kStyleVisible;
constexpr int kLabelId = kInputBoxLabelIdBase;
constexpr int kEditId = 4100;  // + row
constexpr int kDefaultLabelWidth = 80;
constexpr int kDefaultEditWidth = 70;

// Everything but the window handle belongs to the worker thread; the handle
// is also read by the snap list on the main thread.
struct InputBox {
  std::atomic<platform::Window> window;
  int label_width = kDefaultLabelWidth;
  int edit_width = kDefaultEditWidth;
  platform::Window labels[kInputBoxMaxItems];
  platform::Window edits[kInputBoxMaxItems];
  platform::Window last_focused;
  int sizing_edge = 0;
  int rename_row = 0;
};

InputBox g_box;

int client_width() {
  return g_box.label_width + g_box.edit_width + 12;
}
int client_height() {
  return kInputBoxRowPitch * orv_ib_items + 2;
}

platform::Rect label_rect(int row) {
  int top = 4 + kInputBoxRowPitch * row + 3;
  return {4, top, 4 + g_box.label_width, top + 24};
}

platform::Rect edit_rect(int row) {
  int left = g_box.label_width + 8;
  int top = 4 + kInputBoxRowPitch * row;
  return {left, top, left + g_box.edit_width, top + 24};
}

// Frees the texts and forgets the controls; the window itself is gone or given up.
void release_box() {
  for (int i = 0; i < kInputBoxMaxItems; ++i) {
    delete[] orv_ib_text[i];
    orv_ib_text[i] = nullptr;
    g_box.labels[i] = {};
    g_box.edits[i] = {};
  }
  g_box.last_focused = {};
  g_box.window = platform::Window{};
  set_dialog_boxes({}, button_box_window());
}

// The open box; a handle whose window no longer exists counts as closed.
platform::Window open_box() {
  platform::Window box = g_box.window.load();
  if (box && !platform::is_window(box)) {
    release_box();
    return {};
  }
  return box;
}

void lay_out_rows() {
  for (int i = 0; i < orv_ib_items; ++i) {
    platform::move_window(g_box.labels[i], label_rect(i));
    platform::move_window(g_box.edits[i], edit_rect(i));
  }
}

bool valid_row(int row) {
  return row >= 0 && row < orv_ib_items;
}

// The field's text, as typed, into its row's buffer.
void store_field(platform::Window edit) {
  if (!edit) return;
  for (int i = 0; i < orv_ib_items; ++i) {
    if (g_box.edits[i] != edit || !orv_ib_text[i]) continue;
    copy_to_code_page(platform::caption(edit), kInputBoxTextBytes - 1, orv_ib_text[i],
                      kInputBoxTextBytes);
    return;
  }
}

void set_label(int row, const char* text) {
  platform::set_caption(g_box.labels[row], std::u16string(20, u' '));
  platform::set_caption(g_box.labels[row], to_platform_text(text ? text : "", 256));
}

void set_row_text(int row, const char* text) {
  std::snprintf(orv_ib_text[row], kInputBoxTextBytes, "%s", text);
  platform::set_caption(g_box.edits[row], to_platform_text(orv_ib_text[row], 256));
}

void rename_row(int row) {
  // Below the last row the label is empty: there is no control to read.
  std::u16string old_label = valid_row(row) ? platform::caption(g_box.labels[row]) : u"";
  char line[256] = {};
  ask_new_label(row, old_label, 255, line);
  if (line[0] && open_box() && valid_row(row)) set_label(row, line);
}

void on_command(const platform::Msg& msg) {
  if (msg.control) {
    if (msg.notify == platform::kNotifyEditSetFocus) g_box.last_focused = msg.control;
    if (msg.notify == platform::kNotifyEditKillFocus) store_field(msg.control);
    return;
  }
  switch (msg.command) {
    case 1:  // OK: Enter, from dialog navigation
      store_field(g_box.last_focused);
      break;
    case kCommandInputBoxDestroy:
      ORV_CloseInputBox();
      break;
    case kCommandInputBoxRename:
      rename_row(g_box.rename_row);
      break;
    default:  // Escape's Cancel does nothing
      break;
  }
}

// The height never changes; which edge is dragged decides which column grows.
void on_sizing(platform::Window window, platform::Msg& msg) {
  platform::Rect now = platform::window_rect(window);
  msg.proposed.top = now.top;
  msg.proposed.bottom = now.bottom;
  g_box.sizing_edge = msg.edge;
}

void on_size(int width) {
  int edge = g_box.sizing_edge;
  if (edge == platform::kEdgeLeft || edge == platform::kEdgeTopLeft ||
      edge == platform::kEdgeBottomLeft)
    g_box.label_width = std::max(width - g_box.edit_width - 12, 1);
  else
    g_box.edit_width = std::max(width - g_box.label_width - 12, 1);
  lay_out_rows();
}

void on_activate() {
  platform::Window target = g_box.last_focused ? g_box.last_focused : g_box.edits[0];
  if (platform::is_window(target)) platform::set_focus(target);
  platform::edit_select_all(g_box.edits[0]);
}

// Another window became active: the field being edited loses the focus
// with its window, so its text is the row's value from now on.
void on_deactivate() {
  platform::Window focus = platform::focus_window();
  if (focus && platform::window_parent(focus) == g_box.window.load()) store_field(focus);
}

int row_at(int y) {
  return y / kInputBoxRowPitch;
}

// The box's own messages; the rest are the boxes' shared ones.
bool own_message(platform::Window window, platform::Msg& msg) {
  switch (msg.kind) {
    case platform::MsgKind::Sizing:
      on_sizing(window, msg);
      return true;
    case platform::MsgKind::Size:
      on_size(msg.x);
      return true;
    case platform::MsgKind::Activate:
      if (msg.active)
        on_activate();
      else
        on_deactivate();
      return true;
    default:
      return false;
  }
}

const BoxWindow kBoxWindow = {
    &g_box.window,
    kCommandInputBoxRename,
    kCommandInputBoxDestroy,
    u"Destroy",
    [](platform::Window, const platform::Msg& msg) { on_command(msg); },
    [](int, int y) { return row_at(y); },
    rename_row,
    [](int row) { g_box.rename_row = row; },
    ORV_CloseInputBox,
    release_box,
    own_message,
};

std::intptr_t input_box_proc(platform::Window window, platform::Msg& msg) {
  return box_window_proc(kBoxWindow, window, msg);
}

void create_row(platform::Window box, int row) {
  char label[16];
  std::snprintf(label, sizeof label, "Item %d", row);
  g_box.labels[row] =
      platform::create_control(platform::ControlKind::Static, box, kLabelId + row, label_rect(row),
                               to_platform_text(label, 16), platform::kStyleVisible);
  orv_ib_text[row] = new char[kInputBoxTextBytes];
  std::snprintf(orv_ib_text[row], kInputBoxTextBytes, "0");
  unsigned edit_style = platform::kStyleVisible | platform::kStyleTabStop | platform::kStyleBorder;
  g_box.edits[row] = platform::create_control(platform::ControlKind::Edit, box, kEditId + row,
                                              edit_rect(row), u"0", edit_style);
}

}  // namespace

bool register_input_box_class() {
  return platform::register_class({kClassName, input_box_proc, true, platform::kButtonFaceColour});
}

platform::Rect outer_at(int x, int y, int width, int height, unsigned style) {
  platform::Rect outer = platform::adjust_window_rect({0, 0, width, height}, style, false);
  return {x, y, x + outer.width(), y + outer.height()};
}

void copy_to_code_page(std::u16string text, std::size_t max_units, char* out, std::size_t size) {
  if (!out || size == 0) return;
  if (text.size() > max_units) {
    text.resize(max_units);
    if (!text.empty() && text.back() >= 0xD800 && text.back() < 0xDC00) text.pop_back();
  }
  if (platform::utf16_to_code_page(text.c_str(), -1, out, int(size)) <= 0) out[0] = '\0';
}

void ask_new_label(int index, const std::u16string& old_label, std::size_t max_units,
                   char (&line)[256]) {
  char label[3 * 512 + 1];
  copy_to_code_page(old_label, max_units, label, sizeof label);
  line[0] = '\0';
  ORV_RaiseTextWindow();
  ORV_Print("%d '%s' ->", index, label);
  ORV_Input(line);
}

platform::Window input_box_window() {
  return g_box.window.load();
}
int input_box_label_width() {
  return g_box.label_width;
}
int input_box_edit_width() {
  return g_box.edit_width;
}

// %g chooses fixed notation for decimal exponents -4..9 and the exponent
// form otherwise, from the value rounded to ten digits, and drops the zeros
// that end a fraction together with a point left alone.
void format_real(double value, char* out, std::size_t size) {
  if (!out || size == 0) return;
  std::snprintf(out, size, "%.10g", value);
}

void reset_input_box_for_tests() {
  release_box();
  orv_ib_items = 0;
  g_box.label_width = kDefaultLabelWidth;
  g_box.edit_width = kDefaultEditWidth;
  g_box.sizing_edge = 0;
  g_box.rename_row = 0;
}

}  // namespace orv

void ORV_OpenInputBox(int x, int y, int items) {
  if (orv::open_box()) return;
  orv_ib_items = std::clamp(items, 1, orv::kInputBoxMaxItems);
  orv::g_box.last_focused = {};
  orv::g_box.sizing_edge = 0;
  platform::CreateParams params;
  params.class_name = orv::kClassName;
  params.caption = u"InputBox";
  params.style = orv::kBoxStyle;
  params.owner = orv::main_window();
  params.outer = orv::outer_at(x, y, orv::client_width(), orv::client_height(), params.style);
  platform::Window box = platform::create_window(params);
  if (!box) return;
  orv::g_box.window = box;
  for (int i = 0; i < orv_ib_items; ++i) orv::create_row(box, i);
  platform::show_window(box, true);
  platform::raise_window(box);
  platform::set_foreground(box);
  platform::set_focus(orv::g_box.edits[0]);
  orv::set_dialog_boxes(box, orv::button_box_window());
  orv::rebuild_snap_list();
}

void ORV_CloseInputBox() {
  platform::Window box = orv::open_box();
  if (!box) return;
  if (!platform::destroy_window(box))
    platform::message_box(orv::main_window(), u"DestroyWindow[IB] Error", u"ORVLIB Error!",
                          platform::kIconError);
  // The Destroy handler has released the box; after a refusal it is given up here.
  if (orv::g_box.window.load()) orv::release_box();
  orv::rebuild_snap_list();
}

void ORV_SetInputBoxInt(int i, int value) {
  if (!orv::open_box() || !orv::valid_row(i)) return;
  char text[16];
  std::snprintf(text, sizeof text, "%d", value);
  orv::set_row_text(i, text);
}

void ORV_SetInputBoxReal(int i, double value) {
  if (!orv::open_box() || !orv::valid_row(i)) return;
  char text[48];
  orv::format_real(value, text, sizeof text);
  orv::set_row_text(i, text);
}

void ORV_SetInputBoxTitle(int i, const char* text) {
  if (!orv::open_box() || !orv::valid_row(i)) return;
  orv::set_label(i, text);
}

// Before the box is opened this only sets the widths the next open uses.
void ORV_ResizeInputBox(int label_width, int edit_width) {
  orv::g_box.label_width = std::max(label_width, 1);
  orv::g_box.edit_width = std::max(edit_width, 1);
  platform::Window box = orv::open_box();
  if (!box) return;
  platform::Rect now = platform::window_rect(box);
  platform::Rect outer =
      orv::outer_at(now.left, now.top, orv::client_width(), orv::client_height(), orv::kBoxStyle);
  orv::g_box.sizing_edge = 0;
  platform::move_window(box, outer);
  orv::lay_out_rows();
}

int ORV_IsInputBoxOpen() {
  return orv::open_box() ? 1 : 0;
}
