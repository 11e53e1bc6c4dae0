// Dialog-key navigation for box windows (a window with tab-stop controls).
#pragma once

#include "platform/message.h"

namespace platform {

// True when msg belongs to `box` or one of its controls. Then it has been
// handled: Tab and Shift+Tab move the focus among the tab-stop controls (an
// edit control reached this way has its text selected), the arrow keys do
// the same unless an edit control has the focus (it keeps them for its
// caret), Enter sends command 1 and Escape command 2 to the box and go no
// further, Space on a focused push button clicks it; everything else is
// translated and dispatched as usual.
bool dialog_message(Window box, Msg& msg);

}  // namespace platform
