// The image window: its class and style, painting, zoom and scaling mode
// (internal).
#pragma once

#include "platform/window.h"

namespace orv {

constexpr const char* kImageWindowClass = "orv_iw";
constexpr unsigned kImageWindowStyle = platform::kStyleCaption | platform::kStyleCloseBox |
                                       platform::kStyleResizable | platform::kStyleVisible;

// Zoom steps: from 100, in asks for 111 and out for 90.
int zoom_in_step(int zoom);
int zoom_out_step(int zoom);

}  // namespace orv
