// The desktop back end on Qt 6 Widgets, and the choice of back end at start.
//
// Qt runs on the main thread, which becomes the GUI thread: call these from
// main() before anything else touches Qt or the platform.
#pragma once

#include "platform/backend.h"

namespace platform::qt {

// Creates the application object (once; later calls return the same table),
// puts LC_NUMERIC back to "C", reads the screen's metrics into the platform
// and joins the platform clipboard to the system's.
const Backend* qt_backend(int& argc, char** argv);

// ORV_BACKEND=headless or qt chooses; otherwise Qt runs when an X display
// exists (DISPLAY is set), on the xcb platform unless QT_QPA_PLATFORM names
// another. Without a display it prints one line saying so and returns
// nullptr: the caller then exits with code 1.
const Backend* choose_backend(int& argc, char** argv);

}  // namespace platform::qt
