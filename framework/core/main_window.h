// The main window: Start, Stop and Exit, the status line, the popup menu (internal).
#pragma once

#include <string>

#include "platform/window.h"

namespace orv {

enum MainCommand : int {
  kCommandStart = 1001,
  kCommandExit = 1002,
  kCommandStop = 1003,
  kCommandPaste = 1026,
  kCommandImageWindow = 1027,
  kCommandTextWindow = 1028,
  kCommandInputBox = 1044,
  kCommandWindowInfo = 1045,
  kCommandButtonBox = 1051,
};

constexpr int kStatusLineId = 2001;
constexpr int kInstanceLimit = 10;
extern const char16_t* const kBanner;

// The class name of the main window of an instance: "orvlib_mw<n>".
std::string main_window_class(int instance);
// Registers the class of this instance and creates the window, placed above
// the bottom of the screen; creation drops it in and starts the worker thread.
platform::Window create_main_window(int instance);
// Whether the main window drops in over a second (the default) or appears
// at its place at once, for programs that run with nobody watching.
void set_drop_in_animated(bool animated);
platform::Window main_window();
int instance_number();
int display_depth();
// The popup menu of the main window as it is now (greyed while a program runs).
platform::Menu main_popup_menu();

}  // namespace orv
