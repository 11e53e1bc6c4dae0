// Pumping helpers and text conversion used across the framework (internal).
#pragma once

#include <cstddef>
#include <string>

#include "platform/message.h"

namespace orv {

// The two box windows whose messages get dialog navigation in ORV_ProcessMessages.
void set_dialog_boxes(platform::Window input_box, platform::Window button_box);
// Dispatches the calling thread's queued messages without dialog navigation.
void plain_pump();
// A text in the system code page as UTF-16, at most max_units long.
std::u16string to_platform_text(const char* text, std::size_t max_units);

}  // namespace orv
