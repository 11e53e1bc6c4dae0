// The pick state fed by image windows, and the start and end of a pick wait.
#include "framework/image/pick_state.h"

#include <cstdint>
#include <cstdio>

#include "framework/core/main_window.h"
#include "framework/image/image_table.h"
#include "framework/orvlib.h"
#include "platform/window.h"

namespace orv {
namespace {

PickState g_pick;

}  // namespace

PickState& pick_state() {
  return g_pick;
}

bool pick_waiting() {
  return g_pick.pick_active == 1;
}

// Client coordinates count as unsigned 16-bit values, as the platform's
// packed mouse positions do; a record that is being re-zoomed reads as not in
// use, and its events are dropped.
void feed_pick(platform::Window window, const platform::Msg& msg) {
  if (!pick_waiting() || g_pick.pick_lost) return;
  int id = image_of_window(window);
  if (id < 0 || id != g_pick.pick_image) return;
  ImageRecord* r = image_in_use(id);
  if (!r || r->zoom <= 0) return;
  const int x = int(std::uint16_t(msg.x) * 100 / r->zoom);
  const int y = int(std::uint16_t(msg.y) * 100 / r->zoom);
  switch (msg.kind) {
    case platform::MsgKind::MouseMove:
      g_pick.mouse_x = x;
      g_pick.mouse_y = y;
      g_pick.pick_moved = 1;
      break;
    case platform::MsgKind::LeftDown:
      g_pick.pick_x = x;
      g_pick.pick_y = y;
      g_pick.pick_clicked = 1;
      break;
    case platform::MsgKind::RightDown:
    case platform::MsgKind::MiddleDown:
      g_pick.pick_cancel = 1;
      break;
    default:
      break;
  }
}

void pick_image_destroyed(int id) {
  if (pick_waiting() && id == g_pick.pick_image) g_pick.pick_lost = 1;
}

void begin_pick(int id) {
  platform::Window main = main_window();
  g_pick.drops_were_accepted = main && platform::accepts_drops(main) ? 1 : 0;
  if (main) platform::accept_drops(main, false);
  g_pick.pick_clicked = 0;
  g_pick.pick_lost = 0;
  orv_stop_req.store(0);
  g_pick.pick_image = id;
  g_pick.pick_active = 1;
}

// Drops come back only if they were on when the tool began: a tool called
// from a running ORV_Main must not reopen drops the run has closed.
void end_pick() {
  char depth[32];
  std::snprintf(depth, sizeof depth, "%d-bit color", display_depth());
  ORV_SetStatusText(depth);
  const bool was_waiting = pick_waiting();
  g_pick.pick_active = 0;
  g_pick.pick_image = -1;
  g_pick.pick_lost = 0;
  platform::Window main = main_window();
  if (was_waiting && main && g_pick.drops_were_accepted) platform::accept_drops(main, true);
}

void reset_pick_for_tests() {
  g_pick = PickState{};
}

}  // namespace orv
