// Images on the clipboard: the packed device-independent bitmap that Copy
// and Cut leave there, the picture read back for the pastes, and files
// dropped on an image window (internal; user programs use the ORV_ calls).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/bitmap.h"
#include "platform/window.h"

namespace orv {

// The clipboard's picture as a 32-bit bitmap, with the colour table of a
// picture of 8 bits or fewer in *colours (0x00RRGGBB, at most 256; empty
// otherwise). nullptr when the clipboard holds no picture, cannot be opened,
// or holds one that is truncated, malformed or larger than it claims.
std::unique_ptr<platform::Bitmap> read_clipboard_bitmap(std::vector<std::uint32_t>* colours);

// Loads the first of the files dropped on an image window into its image at
// the top-left corner; a file that does not load changes nothing.
void load_file_dropped_on_image(platform::Window window, const std::vector<std::string>& files);

}  // namespace orv
