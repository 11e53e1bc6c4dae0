// The narrow interface a back end fills: native windows, input turned into
// messages (the back end posts them), menus, message boxes, dialogs, screen
// metrics, and the event loop of a toolkit that owns one thread.
// Every slot may be null; the platform then does what a display-less system
// would (nothing to show, a popup chooses nothing, a box is answered at once,
// a dialog is cancelled, a thread waits on its own queue).
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "platform/menu.h"
#include "platform/message.h"
#include "platform/thread.h"
#include "platform/window.h"

namespace platform {

struct FileDialogRequest;  // platform/dialogs.h
struct LogFont;            // platform/draw/font.h

struct Backend {
  const char* name = "none";
  // Window records change; the back end mirrors them. Called on the thread
  // that made the change, outside every platform lock.
  void (*window_created)(Window window) = nullptr;
  void (*window_destroyed)(Window window) = nullptr;
  void (*window_changed)(Window window) = nullptr;  // rectangle, caption, style, visibility, menu
  void (*present)(Window window) = nullptr;         // the client surface has new pixels
  // Modal calls: they return when the person answers; the calling thread's
  // windows keep being served (see pump_pending()).
  int (*popup_menu)(Window owner, const Menu& menu, Point screen) = nullptr;
  void (*message_box)(Window owner, const std::u16string& text, const std::u16string& title,
                      MessageBoxIcon icon) = nullptr;
  // Dialogs (platform/dialogs.h): true when the person chose, false when cancelled.
  bool (*file_dialog)(FileDialogRequest& request, bool save, std::u16string& path) = nullptr;
  bool (*choose_colour)(Window owner, std::uint32_t& colour,
                        std::array<std::uint32_t, 16>& custom) = nullptr;
  bool (*choose_font)(Window owner, LogFont& font) = nullptr;

  // A toolkit whose event loop runs on one thread, the GUI thread. That
  // thread serves the toolkit's events whenever it peeks at its queue and
  // waits in the toolkit rather than on its queue; a message posted or sent
  // to it wakes the toolkit.
  ThreadId (*gui_thread)() = nullptr;
  void (*poll_events)() = nullptr;                // GUI thread: run what is pending, never block
  void (*wait_events)(int timeout_ms) = nullptr;  // GUI thread: run events, back by timeout_ms
  void (*wake_gui)() = nullptr;                   // any thread: make wait_events return soon
  // Exit has begun (see begin_shutdown()); any thread.
  void (*shutdown)() = nullptr;
  // The desktop session the windows appear on (an X display, say): window
  // classes and instance slots are counted per session. Null: the back end's
  // name is the session, so every headless run shares one set of its own.
  std::string (*session_name)() = nullptr;
};

// Installs the back end (once, before the first window).
void set_backend(const Backend* backend);
const Backend& current_backend();

// Exit has begun: from now on modal calls of the back end fail at once, and
// those still waiting return as cancelled, so that no thread stays blocked on
// the GUI thread while the process ends.
void begin_shutdown();
bool shutting_down();
// Clears the flag again (between tests).
void reset_shutdown_for_tests();

}  // namespace platform
