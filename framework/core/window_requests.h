// Window requests: the main window's commands hand the creation of windows
// to the worker, which owns them, one request at a time; and files dropped
// on the main window become image windows through them (internal).
#pragma once

#include <string>
#include <vector>

#include "platform/bitmap.h"

namespace orv {

enum RequestCode : int {
  kRequestCreateImage = 9001,
  kRequestRedrawImage = 9002,
  kRequestLoadImage = 9003,
  kRequestCopyBitmap = 9004,
  kRequestTextWindow = 9005,
  kRequestInputBox = 9006,
  kRequestButtonBox = 9007,
};

// Main thread. Each waits, serving the main window, until a request still
// pending is done, posts its own and (but for the redraw) waits until the
// worker has carried it out; the wait also ends once Exit has begun, and
// then -1 stands for the result.
int post_create_image(int id, const std::string& name, int width, int height, int bits);
// With restore_selection the worker then makes the image that was current
// before the last creation current again.
void post_redraw_image(int id, bool restore_selection);
int post_load_image(int id, const std::string& path);
void post_copy_bitmap(const platform::Bitmap* bitmap);
void post_text_window(int id);
void post_input_box(int items);
void post_button_box(int columns, int rows);

// Worker: carries out the pending request, if any.
void serve_window_request();

// Main thread: each dropped picture becomes an image window titled
// "%03d %s" (id, file name) at the next free id from 0, its pixels loaded
// from the file; files that are not pictures are skipped.
void open_dropped_files(const std::vector<std::string>& paths);

// How many drops on the main window have been handled to the end.
int drops_handled();
// How many requests the worker has carried out (tests).
int window_requests_served();
// Back to no request pending (tests).
void reset_window_requests_for_tests();

}  // namespace orv
