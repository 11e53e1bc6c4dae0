// The image window: it shows the whole image scaled by its zoom, cannot be
// resized by its frame, changes zoom with Ctrl + keypad 0 / plus / minus and
// Ctrl + wheel, toggles the scaling mode with Tab, turns Ctrl + letter keys
// into commands, hands Esc, S, X and C to the main window, shows its two
// popup menus, loads the first file dropped on it and is destroyed with its
// image by the close box. While a pick tool waits, its mouse events feed the
// pick state and every image window ignores keys.
#include "framework/image/image_window.h"

#include "framework/core/main_window.h"
#include "framework/core/pump.h"
#include "framework/core/snap.h"
#include "framework/image/clipboard.h"
#include "framework/image/image_commands.h"
#include "framework/image/image_table.h"
#include "framework/image/pick_state.h"
#include "framework/orvlib.h"
#include "platform/queue.h"

int ORV_MouseTracking = 0;
int ORV_MouseImage = 0;
int ORV_MouseX = 0;
int ORV_MouseY = 0;
int ORV_MouseLeft = 0;
int ORV_MouseCtrl = 0;
int ORV_MouseMiddle = 0;
int ORV_MouseShift = 0;

namespace orv {
namespace {

// Moves, left presses and middle presses over an image in use, while the
// program tracks the mouse. Client coordinates count as unsigned 16-bit
// values, as the platform's packed mouse positions do.
void report_mouse(platform::Window window, const platform::Msg& msg) {
  if (ORV_MouseTracking != 1) return;
  int id = image_of_window(window);
  ImageRecord* r = image_in_use(id);
  if (!r || r->zoom <= 0) return;
  ORV_MouseImage = id;
  ORV_MouseX = int(std::uint16_t(msg.x) * 100 / r->zoom);
  ORV_MouseY = int(std::uint16_t(msg.y) * 100 / r->zoom);
  ORV_MouseLeft = (msg.keys & platform::kKeyBitLeft) ? 1 : 0;
  ORV_MouseCtrl = msg.keys & platform::kKeyBitCtrl;
  ORV_MouseMiddle = msg.keys & platform::kKeyBitMiddle;
  ORV_MouseShift = msg.keys & platform::kKeyBitShift;
}

// A left release inside the window changes nothing, as the platform's
// mouse state has it. One outside it (the pointer left while dragging, so the
// window still holds the mouse) ends the drag: otherwise the left button
// would read as held until the pointer came back over the window.
void release_outside(platform::Window window, const platform::Msg& msg) {
  if (ORV_MouseTracking != 1) return;
  ImageRecord* r = image_in_use(image_of_window(window));
  if (!r) return;
  if (msg.x < 0 || msg.y < 0 || msg.x >= r->disp_width || msg.y >= r->disp_height)
    ORV_MouseLeft = 0;
}

void post_command(platform::Window window, int command) {
  platform::Msg msg;
  msg.kind = platform::MsgKind::Command;
  msg.command = command;
  platform::post_message(window, msg);
}

// The command a Ctrl + letter posts; 0 for a letter that has none.
int ctrl_letter_command(int key) {
  switch (key) {
    case 'X':
      return kImageCut;
    case 'C':
      return kImageCopy;
    case 'V':
      return kImagePasteTopLeft;
    case 'Q':
      return kImageDestroy;
    case 'R':
      return kImageClipping;
    default:
      return 0;
  }
}

// Ctrl with a key that has no Ctrl binding acts as the key alone: Ctrl+S
// reaches the main window as S, Ctrl+Tab toggles the scaling mode.
void on_key_down(platform::Window window, const platform::Msg& msg) {
  int id = image_of_window(window);
  ImageRecord* r = image_in_use(id);
  if (!r) return;
  bool ctrl = (msg.keys & platform::kKeyBitCtrl) != 0;
  if (int command = ctrl ? ctrl_letter_command(msg.key) : 0) {
    post_command(window, command);
  } else if (msg.key == platform::kKeyEscape || msg.key == 'S' || msg.key == 'X' ||
             msg.key == 'C') {
    // The main window ignores its letter keys with Ctrl, so the key goes on
    // as pressed alone.
    platform::Msg forwarded = msg;
    forwarded.keys &= ~platform::kKeyBitCtrl;
    forwarded.to_focus = false;
    platform::post_message(main_window(), forwarded);
  } else if (msg.key == platform::kKeyTab) {
    bool halftone = platform::stretch_mode(r->window_dc) == platform::kStretchHalftone;
    ORV_SetImageStretchMode(halftone ? platform::kStretchColorOnColor : platform::kStretchHalftone,
                            id);
  } else if (ctrl && msg.key == platform::kKeyNumpad0) {
    ORV_SetImageZoom(100, id);
  } else if (ctrl && msg.key == platform::kKeyAdd) {
    ORV_SetImageZoom(zoom_in_step(r->zoom), id);
  } else if (ctrl && msg.key == platform::kKeySubtract) {
    ORV_SetImageZoom(zoom_out_step(r->zoom), id);
  }
}

// Turned towards the person (negative) zooms in, away zooms out; Ctrl only.
void on_wheel(platform::Window window, const platform::Msg& msg) {
  if (!(msg.keys & platform::kKeyBitCtrl) || msg.wheel_delta == 0) return;
  int id = image_of_window(window);
  ImageRecord* r = image_in_use(id);
  if (!r) return;
  ORV_SetImageZoom(msg.wheel_delta < 0 ? zoom_in_step(r->zoom) : zoom_out_step(r->zoom), id);
}

std::intptr_t image_window_proc(platform::Window window, platform::Msg& msg) {
  using platform::MsgKind;
  if (handle_snap_message(window, msg)) return 0;
  switch (msg.kind) {
    case MsgKind::Paint:
      ORV_DrawImage(image_of_window(window));
      return 0;
    case MsgKind::Sizing:  // the size follows the zoom alone
      msg.proposed = platform::window_rect(window);
      return 0;
    case MsgKind::KeyDown:
      if (!pick_waiting()) on_key_down(window, msg);
      return 0;
    case MsgKind::Char:
      if (pick_waiting()) return 0;
      return platform::default_window_proc(window, msg);
    case MsgKind::Wheel:
      on_wheel(window, msg);
      return 0;
    case MsgKind::MouseMove:
    case MsgKind::LeftDown:
      report_mouse(window, msg);
      feed_pick(window, msg);
      return 0;
    case MsgKind::LeftUp:
      release_outside(window, msg);
      return 0;
    case MsgKind::MiddleDown:  // a pick that waits takes it; no popup menu then
      report_mouse(window, msg);
      if (pick_waiting())
        feed_pick(window, msg);
      else
        show_image_popup(window, msg.x, msg.y, true);
      return 0;
    case MsgKind::RightDown:
      if (pick_waiting())
        feed_pick(window, msg);
      else
        show_image_popup(window, msg.x, msg.y, (msg.keys & platform::kKeyBitCtrl) != 0);
      return 0;
    case MsgKind::Command:
      run_image_command(window, msg.command);
      return 0;
    case MsgKind::Close:
      if (int id = image_of_window(window); id >= 0) ORV_DestroyImage(id);
      return 0;
    case MsgKind::DropFiles:
      load_file_dropped_on_image(window, msg.files);
      return 0;
    default:
      return platform::default_window_proc(window, msg);
  }
}

}  // namespace

int zoom_in_step(int zoom) {
  return int((10 * std::int64_t(zoom) + 4) / 9);
}

int zoom_out_step(int zoom) {
  return int((9 * std::int64_t(zoom) + 5) / 10);
}

bool register_image_window_class() {
  if (platform::is_class_registered(kImageWindowClass)) return true;
  return platform::register_class({kImageWindowClass, image_window_proc, false, 0x000000});
}

}  // namespace orv

int ORV_DrawImage(int id) {
  orv::ImageRecord* r = orv::image_in_use(id);
  if (!r) return 1;
  if (r->zoom == 100)
    platform::block_copy(r->window_dc, 0, 0, r->width, r->height, r->mem_dc, 0, 0);
  else
    platform::stretch_copy(r->window_dc, 0, 0, r->disp_width, r->disp_height, r->mem_dc, 0, 0,
                           r->width, r->height);
  return 0;
}

void ORV_UpdateImageTitle(int id) {
  orv::ImageRecord* r = orv::image_in_use(id);
  if (!r) return;  // callers pass an id in use; a stale one must not reach freed parts
  platform::set_caption(r->window, orv::to_platform_text(orv::image_caption(*r).c_str(), 256));
}

int ORV_SetImageStretchMode(int mode, int id) {
  orv::ImageRecord* r = orv::image_in_use(id);
  if (!r) return 1;
  if (mode == platform::kStretchColorOnColor || mode == platform::kStretchHalftone) {
    for (platform::Dc dc : {r->window_dc, r->mem_dc}) {
      platform::set_stretch_mode(dc, mode);
      platform::set_brush_origin(dc, {0, 0});
    }
  }
  platform::invalidate_window(r->window);
  ORV_UpdateImageTitle(id);
  return 0;
}

int ORV_GetImageStretchMode(int id) {
  orv::ImageRecord* r = orv::image_in_use(id);
  return r ? platform::stretch_mode(r->window_dc) : 0;
}

// The record reads as not in use while the window changes size, so that its
// paint and input are ignored meanwhile; the top-left corner stays put.
int ORV_SetImageZoom(int zoom, int id) {
  orv::ImageRecord* r = orv::image_in_use(id);
  if (!r) return 1;
  r->in_use = 0;
  orv::FittedSize fitted;
  if (!orv::fit_size(r->width, r->height, zoom, orv::size_limits(r->fit_to_screen != 0), &fitted)) {
    r->in_use = 1;
    return 2;
  }
  r->zoom = fitted.zoom;
  platform::Rect outer = platform::window_rect(r->window);
  outer.right = outer.left + outer.width() - r->disp_width + fitted.disp_width;
  outer.bottom = outer.top + outer.height() - r->disp_height + fitted.disp_height;
  platform::move_window(r->window, outer);
  r->disp_width = fitted.disp_width;
  r->disp_height = fitted.disp_height;
  r->in_use = 1;
  platform::invalidate_window(r->window);
  ORV_UpdateImageTitle(id);
  orv::rebuild_snap_list();
  return 0;
}
