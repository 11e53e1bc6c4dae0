// The main window's commands that make windows without a user program: the
// short dialogues on the text window that ask for an image window, an input
// box or a button box, the next text window, the window report, and Paste
// into a new image window (internal). All run on the main thread and hand
// the windows' work to the worker through window requests.
#pragma once

namespace orv {

void ask_for_image_window();
void open_next_text_window();
void ask_for_input_box();
void ask_for_button_box();
void request_window_report();
void paste_as_image_window();

}  // namespace orv
