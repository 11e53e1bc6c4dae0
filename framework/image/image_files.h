// The open and save dialogs of image files, their process-wide memory and
// the image window's two file commands (internal; user programs use
// ORV_LoadImageFile and ORV_SaveImageFile of framework/orvlib.h).
#pragma once

#include "platform/codec/codec.h"
#include "platform/message.h"

namespace orv {

// The open dialog: 0 with the chosen path in `path` (system code page, a
// buffer of platform::kMaxPath bytes), 1 when the person cancels. A chosen
// path that does not fit the buffer counts as a cancel.
int open_image_file_dialog(char* path);
// The save dialog, the same way; the filter chosen stays in the dialog memory.
int save_image_file_dialog(char* path);

// The filter index last chosen in each dialog (1-based).
int load_filter_index();
int save_filter_index();
// The save format (0 BMP, 1 JPEG, 2 GIF, 3 PNG, 4 TIFF) of a save filter index.
int save_format_of_filter(int filter_index);

// "&Load image file" and "&Save as" of an image window: each selects the
// window's image (and leaves it selected), asks for a path and loads or
// saves the whole image. Failures show nothing.
void load_image_file_command(platform::Window window);
void save_image_as_command(platform::Window window);

// The dialog memory as at start-up (between tests).
void reset_image_file_dialogs_for_tests();

// Decodes the picture file at `path` (a text in the system code page); false
// when it cannot be read or decoded, or holds no pixels.
bool read_picture_file(const char* path, platform::Picture& picture);
// Draws a decoded picture into the current image at (x, y) as
// ORV_LoadImageFile does; 2 when no image is current.
int draw_into_current_image(const platform::Picture& picture, int x, int y);

}  // namespace orv
