// Popups and message boxes of the headless back end (shared by its files).
#pragma once

#include "platform/headless/driver.h"

namespace headless {

int show_popup(Window owner, const platform::Menu& menu, Point screen);
void show_message_box(Window owner, const std::u16string& text, const std::u16string& title,
                      platform::MessageBoxIcon icon);

}  // namespace headless
