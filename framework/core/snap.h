// Window snapping: while a framework window is dragged with Ctrl held, its
// edges jump to nearby screen edges and window edges (internal).
#pragma once

#include <vector>

#include "platform/geometry.h"
#include "platform/window.h"

namespace orv {

// Distance below which an edge snaps (strict: 8 itself does not snap).
constexpr int kSnapThreshold = 8;

// Screen-edge strips followed by the outer rectangles of the framework's windows.
using SnapList = std::vector<platform::Rect>;

// The four strips around the screen area of a maximised window.
SnapList screen_strips(const platform::ScreenMetrics& metrics);
// The proposed rectangle after snapping `current` (the window's rectangle now,
// skipped in the list) against the list.
platform::Rect snap_rect(const SnapList& list, platform::Rect current, platform::Rect proposed);

// Rebuilds the shared list from the framework's open windows.
void rebuild_snap_list();
// A Moving handler's step: snaps msg.proposed when Ctrl is held.
void snap_moving_window(platform::Window window, platform::Rect& proposed);
// Move and Moving of a framework window: the list follows the window and a
// Ctrl-drag snaps. True when msg was one of them.
bool handle_snap_message(platform::Window window, platform::Msg& msg);

}  // namespace orv
