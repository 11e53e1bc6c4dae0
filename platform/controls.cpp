// Child controls (static text, one-line edit, push button) and the default
// window procedure.
#include <algorithm>

#include "platform/backend.h"
#include "platform/queue.h"
#include "platform/window.h"
#include "platform/window_internal.h"

namespace platform {
namespace {

using internal::WindowRecord;

void notify_parent(Window control, int notify) {
  Window parent = window_parent(control);
  if (!parent) return;
  Msg msg;
  msg.kind = MsgKind::Command;
  msg.command = control_id(control);
  msg.notify = notify;
  msg.control = control;
  send_message(parent, msg);
}

// Applies an edit to the record's text under the lock; true when it changed.
template <class Edit>
bool edit_record(Window window, Edit edit) {
  bool changed = false;
  {
    std::lock_guard lock(internal::window_mutex());
    WindowRecord* record = internal::find_record(window);
    if (!record) return false;
    std::u16string before = record->text;
    edit(*record);
    record->caret = std::clamp(record->caret, 0, int(record->text.size()));
    changed = record->text != before;
  }
  // Text, caret or selection may have changed: the back end mirrors them.
  if (current_backend().window_changed) current_backend().window_changed(window);
  return changed;
}

void erase_selection(WindowRecord& r) {
  int start = std::min(r.selection_start, r.selection_end);
  int end = std::max(r.selection_start, r.selection_end);
  end = std::min(end, int(r.text.size()));
  if (start < end) {
    r.text.erase(start, end - start);
    r.caret = start;
  }
  r.selection_start = r.selection_end = r.caret;
}

bool has_selection(const WindowRecord& r) {
  return r.selection_start != r.selection_end;
}

void edit_char(Window window, char16_t ch) {
  bool changed = edit_record(window, [ch](WindowRecord& r) {
    if (ch == 1) {  // Ctrl+A
      r.selection_start = 0;
      r.selection_end = r.caret = int(r.text.size());
    } else if (ch == 8) {
      if (has_selection(r)) {
        erase_selection(r);
      } else if (r.caret > 0) {
        r.text.erase(r.caret - 1, 1);
        r.selection_start = r.selection_end = --r.caret;
      }
    } else if (ch >= 32) {
      erase_selection(r);
      r.text.insert(r.text.begin() + r.caret, ch);
      r.selection_start = r.selection_end = ++r.caret;
    }
  });
  if (changed) notify_parent(window, kNotifyEditChange);
}

void edit_key(Window window, int key) {
  bool changed = edit_record(window, [key](WindowRecord& r) {
    int size = int(r.text.size());
    switch (key) {
      case kKeyLeft:
        r.caret = std::max(0, r.caret - 1);
        break;
      case kKeyRight:
        r.caret = std::min(size, r.caret + 1);
        break;
      case kKeyHome:
        r.caret = 0;
        break;
      case kKeyEnd:
        r.caret = size;
        break;
      case kKeyDelete:
        if (has_selection(r))
          erase_selection(r);
        else if (r.caret < size)
          r.text.erase(r.caret, 1);
        break;
      default:
        return;
    }
    r.selection_start = r.selection_end = r.caret;
  });
  if (changed) notify_parent(window, kNotifyEditChange);
}

std::intptr_t edit_proc(Window window, Msg& msg) {
  switch (msg.kind) {
    case MsgKind::LeftDown:
    case MsgKind::LeftDoubleClick:
      set_focus(window);
      return 0;
    case MsgKind::SetFocus:
      notify_parent(window, kNotifyEditSetFocus);
      return 0;
    case MsgKind::KillFocus:
      notify_parent(window, kNotifyEditKillFocus);
      return 0;
    case MsgKind::Char:
      edit_char(window, msg.ch);
      return 0;
    case MsgKind::KeyDown:
      edit_key(window, msg.key);
      return 0;
    default:
      return 0;
  }
}

bool set_pressed(Window window, bool pressed) {
  std::lock_guard lock(internal::window_mutex());
  WindowRecord* record = internal::find_record(window);
  if (!record) return false;
  bool was = record->pressed;
  record->pressed = pressed;
  return was;
}

std::intptr_t button_proc(Window window, Msg& msg) {
  switch (msg.kind) {
    case MsgKind::LeftDown:
    case MsgKind::LeftDoubleClick:  // a quick second press is a second click
      set_focus(window);
      set_pressed(window, true);
      return 0;
    case MsgKind::LeftUp: {
      Rect client = client_rect(window);
      if (set_pressed(window, false) && client.contains({msg.x, msg.y})) click_button(window);
      return 0;
    }
    default:
      return 0;
  }
}

}  // namespace

namespace internal {

std::intptr_t control_proc(Window window, Msg& msg) {
  switch (control_kind(window)) {
    case ControlKind::Edit:
      return edit_proc(window, msg);
    case ControlKind::Button:
      return button_proc(window, msg);
    default:
      return 0;
  }
}

}  // namespace internal

void click_button(Window button) {
  if (control_kind(button) == ControlKind::Button) notify_parent(button, kNotifyButtonClicked);
}

void edit_select_all(Window edit) {
  edit_record(edit, [](WindowRecord& r) {
    r.selection_start = 0;
    r.selection_end = r.caret = int(r.text.size());
  });
}

Rect edit_selection(Window edit) {
  std::lock_guard lock(internal::window_mutex());
  WindowRecord* record = internal::find_record(edit);
  if (!record) return {};
  return {std::min(record->selection_start, record->selection_end), record->caret,
          std::max(record->selection_start, record->selection_end), record->caret};
}

std::intptr_t default_window_proc(Window window, Msg& msg) {
  if (control_kind(window) != ControlKind::None) return internal::control_proc(window, msg);
  if (msg.kind == MsgKind::Close) destroy_window(window);
  return 0;
}

}  // namespace platform
