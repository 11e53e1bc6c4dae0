// ORVLIB: the whole interface of a user program.
//
// A user program supplies two hooks and drives the framework's windows with
// the ORV_ calls. Texts cross every call as NUL-terminated strings in the
// system code page. Calls return 0 on success unless said otherwise.
#pragma once

#include <atomic>

// Hooks the user program supplies; both run on the worker thread.
void ORV_Ready();  // once, first thing at start-up: open windows, read settings
int ORV_Main();    // on each Start; the result is ignored

// Run state shared by the main and worker threads (lock-free, one writer at a time).
extern std::atomic<int> orv_start_req;   // 1: Start accepted, ORV_Main not yet begun
extern std::atomic<int> orv_running;     // 1: ORV_Main is executing
extern std::atomic<int> orv_stop_req;    // 1: Stop was requested; poll it in long loops
extern std::atomic<int> orv_exit_state;  // 0 running, 1 exit requested, 2 worker finished

// Dispatches every message already queued for the calling thread; never blocks. Returns 0.
int ORV_ProcessMessages();
// Waits ms milliseconds while dispatching messages; 1 as soon as Stop is
// requested, 0 when the time has passed (at once for ms <= 0).
int ORV_Wait(int ms);
// Milliseconds of the high-resolution counter, wrapping at 2^32: use differences.
unsigned int ORV_GetTime();
// Shows text in a modal box titled "Pause" and returns when OK is pressed.
void ORV_Pause(const char* text);

// Shows text (at most 63 bytes) centred in the main window's status line.
void ORV_SetStatusText(const char* text);

// ---- Text windows: 256 consoles (ids 0..255); one is current ----

// Opens text window id with a client area of width x height (negative: 400 x 300) at
// (x, y) (negative: the platform's choice) and makes it current; 1 when it was open
// (it is brought to the front and made current) or id is outside 0..255, 2 when the
// window or its back buffer cannot be made.
int ORV_OpenTextWindow(int id, int x, int y, int width, int height);
// Closes text window id; 1 when id is out of range or the window is not open.
int ORV_CloseTextWindow(int id);
// Makes text window id current; 1 when id is out of range or the window is not open.
int ORV_SelectTextWindow(int id);
// Brings the current text window to the front, opening window 0 in mid-screen if needed.
void ORV_RaiseTextWindow();
// Prints printf-style text at the cursor of the current text window (at most 4095 bytes).
void ORV_Print(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Clears the current text window and puts the cursor top left.
void ORV_ClearTextWindow();
// Saves the current colours on the window's 8-deep stack and uses these (colour words).
void ORV_PushTextColor(int text_color, int background_color);
// Takes the colours back from the stack.
void ORV_PopTextColor();
// Reads one typed line into buffer (at least 256 bytes; empty when cancelled).
void ORV_Input(char* buffer);
// The current text window's cursor in pixels: x of the next character, y the top
// of its line; 1 when the current window is not open. Set it between prints to
// overwrite what is shown (0, 0: from the top left); it is kept inside the window.
int ORV_GetTextCursor(int* x, int* y);
int ORV_SetTextCursor(int x, int y);

// ---- Input box: one box of up to 30 labelled edit fields ----

extern int orv_ib_items;  // number of rows, 1..30
extern char*
    orv_ib_text[30];  // each row's value as text, taken when its field loses the focus or on Enter

// Opens the box at (x, y) with items rows (clamped to 1..30), each "0"; nothing when one is open.
void ORV_OpenInputBox(int x, int y, int items);
void ORV_CloseInputBox();
// 1 while the input box is open, else 0. The person can close it at any time:
// test it before reading orv_ib_text, whose buffers go with the box.
int ORV_IsInputBoxOpen();
// Sets row i's value as a decimal integer / with 10 significant digits.
void ORV_SetInputBoxInt(int i, int value);
void ORV_SetInputBoxReal(int i, double value);
// Sets row i's label.
void ORV_SetInputBoxTitle(int i, const char* text);
// Sets the label and edit column widths and lays the open box out again.
void ORV_ResizeInputBox(int label_width, int edit_width);

// ---- Button box: one box of up to 256 push buttons ----

extern int orv_bb_count;  // nx * ny, 1..256
extern int
    orv_bb_click[256];  // clicks of button i since the program last took them (read, then write 0)

// Opens an nx x ny box at (x, y); nothing when one is open, a side is not
// positive or there would be more than 256 buttons.
void ORV_OpenButtonBox(int x, int y, int nx, int ny);
void ORV_CloseButtonBox();
// 1 while the button box is open, else 0; clicks are counted only while it is.
int ORV_IsButtonBoxOpen();
void ORV_SetButtonBoxTitle(int i, const char* text);
// Gives the open box this client size, the buttons laid out to fill it.
void ORV_ResizeButtonBox(int width, int height);
