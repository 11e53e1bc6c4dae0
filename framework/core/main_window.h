// The main window: Start, Stop and Exit for the user program (internal).
#pragma once

#include "platform/window.h"

namespace orv {

constexpr int kCommandStart = 1001;
constexpr int kCommandExit = 1002;
constexpr int kCommandStop = 1003;

extern const char* const kMainWindowClass;

// Registers the class and creates the window, which starts the worker thread.
platform::Window create_main_window();
platform::Window main_window();

}  // namespace orv
