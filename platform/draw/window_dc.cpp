// Window contexts: drawing goes into the window's client surface under its
// lock, and the surface is shown after every operation. This file belongs
// to the window layer (orv_platform); the rest of the drawing library does
// not depend on it.
#include "platform/draw/dc_internal.h"
#include "platform/window.h"

namespace platform {

namespace {

bool draw_into_window(Window window, const std::function<void(Bitmap&)>& draw) {
  if (!is_window(window)) return false;
  bool drawn = false;
  with_client_surface(window, [&](Bitmap& surface) {
    draw(surface);
    drawn = true;
  });
  if (drawn) present_window(window);
  return drawn;
}

}  // namespace

Dc create_window_dc(Window window) {
  if (!is_window(window)) return Dc{};
  internal::set_surface_access(&draw_into_window);
  return internal::create_dc_for_window(window);
}

}  // namespace platform
