// The narrow interface a back end fills: native windows, input turned into
// messages (the back end posts them), menus, message boxes, screen metrics.
// Every slot may be null; the platform then does what a display-less system
// would (nothing to show, a popup chooses nothing, a box is answered at once).
#pragma once

#include <string>

#include "platform/menu.h"
#include "platform/message.h"
#include "platform/window.h"

namespace platform {

struct Backend {
  const char* name = "none";
  // Window records change; the back end mirrors them. Called on the thread
  // that made the change, outside every platform lock.
  void (*window_created)(Window window) = nullptr;
  void (*window_destroyed)(Window window) = nullptr;
  void (*window_changed)(Window window) = nullptr;  // rectangle, caption, style, visibility, menu
  void (*present)(Window window) = nullptr;          // the client surface has new pixels
  // Modal calls: they return when the person answers; the calling thread's
  // windows keep being served (see pump_pending()).
  int (*popup_menu)(Window owner, const Menu& menu, Point screen) = nullptr;
  void (*message_box)(Window owner, const std::u16string& text, const std::u16string& title,
                      MessageBoxIcon icon) = nullptr;
};

// Installs the back end (once, before the first window).
void set_backend(const Backend* backend);
const Backend& current_backend();

}  // namespace platform
