// The window report: every open framework window with its place and size,
// printed into the current text window, and the same layout as the framework
// calls that recreate it, put on the clipboard as text for a program's
// ORV_Ready (internal).
#pragma once

namespace orv {

// Prints the report into the current text window and puts the source list
// on the clipboard (when the clipboard can be opened). The window's colours
// are as before afterwards. Runs on the thread that owns the text window.
void run_window_report();

}  // namespace orv
