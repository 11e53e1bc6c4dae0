// The back end a program runs on, chosen when it starts.
#pragma once

#include "platform/backend.h"

namespace platform {

// ORV_BACKEND=headless or qt chooses. Otherwise the desktop runs when a
// display is named (DISPLAY, or QT_QPA_PLATFORM for another Qt platform),
// and headless, after a line saying so, when none is. nullptr after one line
// on stderr when the chosen back end cannot start (a display that cannot be
// opened, a build without the desktop): the program then exits with 1.
// With `desktop_only` given, no display named is such a case too, and
// `desktop_only` is the line.
const Backend* choose_backend(int& argc, char** argv, const char* desktop_only = nullptr);

}  // namespace platform
