// ORVLIB: the whole interface of a user program.
//
// A user program supplies two hooks and drives the framework's windows with
// the ORV_ calls. Texts cross every call as NUL-terminated strings in the
// system code page. Calls return 0 on success unless said otherwise.
#pragma once

#include <atomic>
#include <cstdio>

// Hooks the user program supplies; both run on the worker thread.
void ORV_Ready();  // once, first thing at start-up: open windows, read settings
int ORV_Main();    // on each Start; the result is ignored

// For a program that cannot run without a person at a desktop: call it from a
// static initialiser (before main). With no display named, the program then
// prints `why` as one line and exits with 1 instead of running headless;
// ORV_BACKEND=headless still runs it headless (tests, scripted persons).
void ORV_RequireDesktop(const char* why);

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

// The window ORV_SetForeground brings to the front.
#define ORVMAINWINDOW (-1)
// Brings a window to the front and activates it: ORVMAINWINDOW, the main window,
// is the only one; 0 when it was done, 1 for any other value or before start-up.
// The window report ends the layout it generates with it.
int ORV_SetForeground(int window);

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
// Sets row i's value as a decimal integer / with 10 significant digits, in
// the shorter of fixed and exponent notation ("0.0123", "1", "1e+10").
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
// The program's own commands, at the end of the main window's popup menu
// (right-click on it), up to eight. ORV_AddProgramCommand returns the
// command's number from 0 (the same label again: the same number), or -1
// for an empty label, one over 63 bytes or a full menu. The program polls
// ORV_TakeProgramCommand as it polls the button box: how many times the
// person chose it since the last call.
int ORV_AddProgramCommand(const char* label);
int ORV_TakeProgramCommand(int number);
void ORV_CloseButtonBox();
// 1 while the button box is open, else 0; clicks are counted only while it is.
int ORV_IsButtonBoxOpen();
void ORV_SetButtonBoxTitle(int i, const char* text);
// Gives the open box this client size, the buttons laid out to fill it.
void ORV_ResizeButtonBox(int width, int height);

// ---- Image windows: 256 images (ids 0..255), each a 32-bit or 8-bit pixel buffer ----
//
// 32-bit images hold one word 0x00RRGGBB per pixel, rows of `width` words,
// top row first. 8-bit images hold palette indices, rows padded to a
// multiple of 4 bytes, with a 256-entry palette (blue, green, red, 0), grey
// at first. Creation returns 0 when done, 1 when the id is in use, 2 when
// the image cannot be shown within the size limits at any zoom, 3 for bits
// other than 32 and 8 or a buffer that cannot be made, 4 for an id outside
// 0..255. Calls on an existing image return 1 for an id that is free or
// out of range.

// Creates image id (32-bit) titled `title`, its window's outer corner at
// (x, y) (-1: the system's choice, each separately), width x height pixels
// shown at `zoom` percent fitted to the screen; the new image becomes current.
int ORV_CreateImage(int id, const char* title, int x, int y, int width, int height, int zoom);
// The same without the screen limits (up to twice the screen's size).
int ORV_CreateImageFL(int id, const char* title, int x, int y, int width, int height, int zoom);
// 8-bit images with the grey palette, with and without the screen limits.
int ORV_CreateImage8(int id, const char* title, int x, int y, int width, int height, int zoom);
int ORV_CreateImage8FL(int id, const char* title, int x, int y, int width, int height, int zoom);
// A new, empty image of this size in place of image id, keeping its title,
// position, bits, zoom, scaling mode and palette. A size that cannot be shown
// leaves the image as it was (2), as does a lack of memory for the new size (3).
int ORV_ResizeImage(int id, int width, int height);
// Closes image id's window and frees its buffer.
int ORV_DestroyImage(int id);
// Palette entries 0..count-1 of the current image from `entries` (4 bytes
// each); 1 when it is not in use, 2 when it is not 8-bit.
int ORV_SetPalette(const unsigned char* entries, int count);
// All 256 entries of the current image's palette (1024 bytes); 1 / 2 as above.
int ORV_GetPalette(unsigned char* entries);

// Copies image id to its window now (outside any paint); 1 for a free id.
int ORV_DrawImage(int id);
// Rebuilds image id's caption: "title(zoom%)", "[8bit]" for 8-bit, "*" in HALFTONE.
void ORV_UpdateImageTitle(int id);
// Scaling modes of image windows.
enum : int {
  ORV_STRETCH_NEAREST = 3,  // nearest pixel (COLORONCOLOR)
  ORV_STRETCH_AVERAGE = 4,  // area averaging (HALFTONE)
};
// Scaling mode 3 (nearest pixel, COLORONCOLOR) or 4 (averaging, HALFTONE); others
// change nothing but repaint. 1 for a free id.
int ORV_SetImageStretchMode(int mode, int id);
// The scaling mode of image id, 0 for a free id.
int ORV_GetImageStretchMode(int id);
// Shows image id at `zoom` percent, fitted to its limits; 2 when nothing fits
// (nothing changes). The window keeps its top-left corner.
int ORV_SetImageZoom(int zoom, int id);

// ---- Picking points, lines and shapes in image windows ----
//
// Each tool makes image id current, prompts in the status line and waits,
// dispatching messages, until the person left-clicks in the image's window
// (twice for the two-point tools), cancels with a right or middle click, or
// Stop is requested. Meanwhile an XOR rubber band follows the mouse in the
// image itself and is erased again before the tool returns; image windows
// ignore keys and show no popup menu. Outputs are image coordinates (client
// position * 100 / zoom). Results: 0 picked, 1 cancelled (also by Stop, by
// the image being destroyed meanwhile, or when a tool already waits), 2 for an
// id that is free or out of range (then nothing at all changes). Every output
// is 0 unless the result is 0; null output pointers are allowed.

// One click, no rubber band.
int ORV_PickPoint(int id, int* x, int* y);
// One click; an XOR line across the whole width at the mouse row.
int ORV_PickRow(int id, int* x, int* y);
// One click; an XOR line down the whole height at the mouse column.
int ORV_PickColumn(int id, int* x, int* y);
// One click; an XOR box of bw x bh centred on the mouse, with both diagonals
// inside when bw > 8 and bh > 8.
int ORV_PickPlacement(int id, int bw, int bh, int* x, int* y);
// Two clicks: the corners of a rectangle, ordered so that x1 <= x2 and y1 <= y2.
// A right or middle click after the first corner starts again from the first.
int ORV_PickRect(int id, int* x1, int* y1, int* x2, int* y2);
// Two clicks: the ends of a line, in the order clicked; cancelling as ORV_PickRect.
int ORV_PickLine(int id, int* x0, int* y0, int* x1, int* y1);
// Two clicks: a centre and a point the circle goes through, giving the radius
// rounded to the nearest integer; cancelling as ORV_PickRect.
int ORV_PickCircle(int id, int* cx, int* cy, int* r);
// Ends a pick: the colour-depth text in the status line, no tool waiting, the
// main window's drops as they were when the tool began. The tools call it.
void EndPick();

// ---- Mouse over image windows ----
//
// With ORV_MouseTracking set to 1 by the program, every mouse move, left
// press and middle press in an image window sets the other values: the image
// id, the position in image pixels (client position * 100 / zoom), left 0/1,
// Ctrl 0/8, middle 0/16, Shift 0/4. Releases, right presses and the wheel
// change nothing. Read them on the worker thread (in ORV_Main).
extern int ORV_MouseTracking;
extern int ORV_MouseImage;
extern int ORV_MouseX;
extern int ORV_MouseY;
extern int ORV_MouseLeft;
extern int ORV_MouseCtrl;
extern int ORV_MouseMiddle;
extern int ORV_MouseShift;

// ---- Pixels of the current image ----
//
// Colours are words 0x00RRGGBB; an 8-bit image stores the low byte as the
// index. Points outside the image (negative ones too) are ignored by writes
// and read as 0. Pixel and drawing calls do not repaint: call ORV_DrawImage.

// Makes image id current, pushing the previous one on an 8-deep stack; 1 when
// id is free or out of range (nothing changes).
int ORV_SelectImage(int id);
// Makes the most recently pushed image current again; 1 when it is no longer
// in use (nothing changes).
int ORV_RestoreImage();
// Writes pixel (x, y) and moves the pen there (also when outside).
void ORV_SetPixel(int x, int y, int colour);
// Reads pixel (x, y): the word, or the index of an 8-bit image; 0 outside.
int ORV_GetPixel(int x, int y);
// Inverts red, green and blue of pixel (x, y) (every bit of an index) and moves the pen there.
void ORV_XorPixel(int x, int y);
// Row y into dst: count words (32-bit) or bytes (8-bit); 0 past the width.
void ORV_GetRow(void* dst, int y, int count);
// The w x h rectangle at (x0, y0) into dst as packed rows; 0 outside the image.
void ORV_GetRect(void* dst, int x0, int y0, int w, int h);
// Sets every byte of image id's buffer to 0 (row padding included).
void ORV_ClearImage(int id);

// ---- Pixel buffers: images as plain memory ----
//
// For programs that work on whole buffers rather than pixel by pixel: a
// view of an image's pixels that stays valid until the image is resized or
// destroyed. Writes through it do not repaint: call ORV_DrawImage.

struct ORV_PixelBuffer {
  unsigned char* pixels = nullptr;  // the top row's first byte
  int width = 0;
  int height = 0;
  int stride = 0;                          // bytes from one row to the next
  int bits = 0;                            // 32: words 0x00RRGGBB; 8: palette indices; 0: no pixels
  const unsigned char* palette = nullptr;  // 8-bit: 256 entries of blue, green, red, 0
};
// Image id's pixels; 1 (and an empty view) for a free id.
int ORV_GetImageBuffer(int id, ORV_PixelBuffer* buffer);
// The outer rectangle of image id's window in screen pixels; 1 for a free id.
int ORV_GetImageWindowRect(int id, int* x, int* y, int* width, int* height);
// Moves image id's window, its outer corner to (x, y), keeping its size; 1 for a free id.
int ORV_MoveImageWindow(int id, int x, int y);

// ---- Pictures in memory, without windows ----
//
// These need no running framework: a batch program may call them from its
// own main(). File names are bytes, used as given.

// Results of the picture file calls.
enum {
  ORV_PICTURE_OK = 0,
  ORV_PICTURE_UNREADABLE = 1,   // missing, not a regular file, or a read error
  ORV_PICTURE_UNKNOWN = 2,      // not a picture this program reads, or corrupt
  ORV_PICTURE_TOO_LARGE = 3,    // a side over 32768 pixels, or a decompression bomb
  ORV_PICTURE_NO_MEMORY = 4,    // more than the memory budget, or an allocation failed
  ORV_PICTURE_WRITE_FAILED = 5  // the output could not be written completely (none is left)
};
// The longest side a picture file may have.
constexpr int ORV_MAX_PICTURE_SIDE = 32768;
// A decoded picture: width x height words 0x00RRGGBB, rows of `width` words.
struct ORV_Picture {
  unsigned int* pixels = nullptr;  // owned; free with ORV_FreePicture
  int width = 0;
  int height = 0;
};
// Reads a picture file (BMP, JPEG, GIF, PNG, TIFF, ICO) into `picture`,
// upright as a JPEG file's EXIF orientation says.
int ORV_ReadPicture(const char* path, ORV_Picture* picture);
// An empty picture of width x height whose pixels are not yet written; NO_MEMORY
// or TOO_LARGE as ORV_ReadPicture would say.
int ORV_NewPicture(int width, int height, ORV_Picture* picture);
void ORV_FreePicture(ORV_Picture* picture);
// Writes 32-bit pixels as a 24-bit PNG file, with `pixels_per_inch` in its
// pHYs chunk when above 0; a file already there is replaced only once the
// new one is complete. `threads` (0: every core) compress parts of it side by side.
int ORV_WritePng(const char* path, const ORV_PixelBuffer& pixels, double pixels_per_inch,
                 int threads);
// Writes 32-bit pixels as a 24-bit TIFF file (LZW), with `pixels_per_inch`
// in its XResolution and YResolution (ResolutionUnit inch) when above 0,
// else 72; replaced as ORV_WritePng replaces.
int ORV_WriteTiff(const char* path, const ORV_PixelBuffer& pixels, double pixels_per_inch);
// Writes `count` frames of one size as an animation that loops for ever,
// each shown `delay_ms` milliseconds: an animated GIF when the name ends in
// .gif, else an animated PNG. Replaced as ORV_WritePng replaces.
int ORV_WriteAnimation(const char* path, const ORV_PixelBuffer* frames, int count, int delay_ms);
// Opens a regular file for reading ("rb") without ever blocking on it: a
// FIFO, a device or a folder gives nullptr, as does a file that cannot be
// opened. Close it with fclose.
std::FILE* ORV_OpenRegularFile(const char* path);
// A short English name of a picture result ("not enough memory", ...).
const char* ORV_PictureResultText(int result);
// A block for large pixel work, not zero-filled, on huge pages where the
// system has them (one page fault where small pages take 512); free it with
// std::free. nullptr when it cannot be had.
void* ORV_AllocateLarge(unsigned long long bytes);
// The bytes one job may allocate on this machine: physical memory, or less
// when the process's address-space or data limits are lower.
unsigned long long ORV_MemoryBudget();

// ---- Text helpers ----

// The 8 x 16 glyph of the console's built-in face for `code` (16 rows, bit 7
// the leftmost pixel); a blank one for codes it does not hold.
const unsigned char* ORV_ConsoleGlyph(int code);
// How many of the first `length` bytes of `text` (system code page) fit in
// `max_bytes` without splitting a character.
int ORV_FitText(const char* text, int length, int max_bytes);

// ---- Colour models and test patterns ----
//
// Integer HSV: hue H in whole degrees 0..359, saturation S the spread
// max - min of the three channels (0..255, not a ratio), value V the largest
// channel. The test patterns paint the whole current image pixel by pixel
// (the pen ends on the last pixel; an 8-bit image keeps the low byte, the
// blue part, as the index) and do nothing when no image is current. They do
// not repaint: call ORV_DrawImage.

// H, S or V of colour word `colour` (its top byte is ignored).
int ORV_Hue(int colour);
int ORV_Saturation(int colour);
int ORV_Value(int colour);
// The colour word of value v, saturation s and hue h. Nothing is clamped: an h
// outside 0..359 or an s or v outside 0..255 gives channels outside 0..255,
// added into the word as they are (modulo 2^32).
int ORV_HsvToRgb(int v, int s, int h);
// Red rising to the right, green downwards, blue falling toward the bottom right.
void ORV_TestPatternRgb();
// Hues 0..358 left to right; white fading into the full hues down to the middle
// row, then fading to black. An image of one row shows the full hues.
void ORV_TestPatternHsv();
// The chroma planes of YCrCb, Yuv and YIQ: black at the centre, the hue turning
// around it, brighter outward until the channels saturate.
void ORV_TestPatternYCrCb();
void ORV_TestPatternYuv();
void ORV_TestPatternYiq();
// Grey ramps in vertical lines: black to white along the top half, white to
// black along the bottom half; an 8-bit image first gets the grey palette.
void ORV_TestPatternGrey();

// ---- Drawing on the current image ----
//
// Integer lines, boxes, circles and a flood fill in colour words, drawn through
// the pixel calls above: nothing is clipped, points outside are ignored. Lines
// leave the pen at their second end point, circles at their last pixel. The
// Xor forms invert each pixel of the figure once: drawing one twice restores
// the image.

// The colour ORV_Box, ORV_FillCircle and ORV_Paint use; white at start-up.
void ORV_SetDrawColor(int colour);
int ORV_GetDrawColor();
// A line from (x0, y0) to (x1, y1), both ends included.
void ORV_Line(int colour, int x0, int y0, int x1, int y1);
void ORV_XorLine(int x0, int y0, int x1, int y1);
// The outline of the box with these corners, in the drawing colour; the pen ends at (x0, y0).
void ORV_Box(int x0, int y0, int x1, int y1);
// Inverts the outline; of a box one pixel wide, only its two end pixels.
void ORV_XorBox(int x0, int y0, int x1, int y1);
// The outline in `outline` and, when it is at least 2 pixels apart each way, the inside in `fill`.
void ORV_FillBox(int x0, int y0, int x1, int y1, int outline, int fill);
// Inverts every pixel of the box, outline and inside.
void ORV_XorFillBox(int x0, int y0, int x1, int y1);
// The outline of the circle of radius r around (cx, cy).
void ORV_Circle(int colour, int cx, int cy, int r);
void ORV_XorCircle(int cx, int cy, int r);
// The disc of radius r around (cx, cy) in the drawing colour.
void ORV_FillCircle(int cx, int cy, int r);
void ORV_XorFillCircle(int cx, int cy, int r);
// Fills the 4-connected region of the colour at (x, y) with the drawing colour.
// Up to 4000 runs wait at a time; a region needing more may be left partly unfilled.
void ORV_Paint(int x, int y);

// ---- Geometric transforms ----
//
// Whole-image transforms of image id, as the image window's "Process..."
// menu runs them; each asks for the window to be repainted. Invert and the
// flips change the pixels in place and leave the current image as it is. The
// rotations and ORV_ScaleImage make image id current and re-create it at its
// new size with ORV_ResizeImage (same id, title, position, bits, zoom,
// scaling mode and palette; a new window), which pushes the selection stack
// once more. Results: 0 done; 1 for an id that is free or out of range; else
// the status of ORV_ResizeImage (2: the new size cannot be shown, the image
// stays as it was) or 3 when the memory for the new size or for the copy of
// the old pixels cannot be had (the image stays as it was).

// R, G and B of every pixel become 255 minus themselves (the top byte is
// kept); on an 8-bit image every index i becomes 255 - i, the palette unchanged.
int ORV_InvertImage(int id);
// Pixel (x, y) becomes the former (w - 1 - x, y).
int ORV_FlipHorizontal(int id);
// Pixel (x, y) becomes the former (x, h - 1 - y).
int ORV_FlipVertical(int id);
// A quarter turn clockwise: the image becomes h wide and w high, new pixel
// (x, y) the former (y, h - 1 - x).
int ORV_RotateRight(int id);
// A quarter turn counter-clockwise: new pixel (x, y) the former (w - 1 - y, x).
int ORV_RotateLeft(int id);
// Resizes by factor thousandths (500, 707, 1414, 2000 in the menu) to
// (w * factor + 500) / 1000 by (h * factor + 500) / 1000 pixels (at least 1),
// stretching the picture in the image's scaling mode (nearest pixel or area
// average). A factor below 1 returns 1 and changes nothing.
int ORV_ScaleImage(int id, int factor);

// ---- Text in images ----
//
// Two fonts draw into the current image from one shared text cursor: x is
// the left edge of the next character, y the row the text stands on, and a
// new line returns x to the left margin (all 0 at start-up). Neither call
// repaints: call ORV_DrawImage.
//
// The bitmap font has 8 x 14 glyphs for printable ASCII on a 16-row line
// pitch. A glyph fills rows y - 14 .. y - 1 and columns x .. x + 7 with its
// set pixels only (the background stays), through ORV_SetPixel, so the pen
// ends on its last pixel; then x moves 8 on, and a new line begins (y + 16)
// as soon as the next cell would not fit in the image's width.
//
// TrueType text is drawn by the platform's rasteriser in one process-wide
// font (a fixed-pitch Japanese Gothic face, 8 x 16 at start-up) over a
// transparent background, each character's cell ending on row y; x moves
// on by the character's width. It does not wrap. Codes in the text change
// the font: 1 italic on, 2 off, 3 bold, 4 normal weight, 5 underline on,
// 6 off; 10 starts a new line (y + the font height).

// Colour words of bitmap-font text (black at start-up) and of TrueType text (white).
extern int orv_tc;
extern int orv_tttc;

// Puts the text cursor at (x, y) and the left margin at left_margin.
void ORV_SetImageTextCursor(int x, int y, int left_margin);
// The text cursor and the left margin; any pointer may be null.
void ORV_GetImageTextCursor(int* x, int* y, int* left_margin);
// One bitmap-font character: 0x20..0x7F are drawn (0x7F blank), a line feed
// starts a new line, anything else is skipped without moving the cursor.
void ORV_DrawChar(int code);
// Each byte of text through ORV_DrawChar.
void ORV_DrawText(const char* text);
// printf-style text through ORV_DrawText; output past 4095 bytes is cut off.
void ORV_DrawTextF(const char* format, ...) __attribute__((format(printf, 1, 2)));
// One TrueType character: a code below 32 is a control code (above), a code
// below 256 one byte of the system code page, lead * 256 + trail a
// double-byte character (three bytes for a three-byte UTF-8 character).
void ORV_TrueTypeChar(int code);
// The characters of text through ORV_TrueTypeChar (double-byte characters of
// Shift-JIS, or UTF-8 sequences when that is the code page); a character
// cut short by the end of the text is dropped.
void ORV_TrueTypeText(const char* text);
// Re-creates the TrueType font with width w / 2 and cell height h; 1 when the
// platform made no font (text then draws in a default font) or a side is
// above 4096 pixels (nothing changes), else 0.
int ORV_TrueTypeSize(int w, int h);

// ---- Command line ----

// The program's command-line arguments, without those the desktop back end
// takes for itself: 0 is the program, ORV_ArgCount() - 1 the last. Out of
// range gives nullptr.
int ORV_ArgCount();
const char* ORV_Arg(int i);

// ---- Image files ----
//
// Paths are texts in the system code page of at most 260 UTF-16 units. Both
// calls work on the current image and do not repaint: call ORV_DrawImage.

// Draws the picture file at `path` into the current image with its top-left
// corner at (x, y) at its own size, cut at the image's edges; an 8-bit image
// first takes the file's palette into its entries 0..count-1. 0 when drawn,
// 1 when the file cannot be read or decoded (the image is unchanged), 2 when
// no image is current.
int ORV_LoadImageFile(const char* path, int x, int y);
// Formats of ORV_SaveImageFile.
enum : int {
  ORV_FORMAT_BMP = 0,
  ORV_FORMAT_JPEG = 1,  // quality 100
  ORV_FORMAT_GIF = 2,
  ORV_FORMAT_PNG = 3,
  ORV_FORMAT_TIFF = 4,
};
// Writes the width x height band of the current image that starts at column
// x0 of row 0 as format 0 BMP, 1 JPEG (quality 100), 2 GIF, 3 PNG or 4 TIFF,
// appending ".bmp", ".jpg", ".gif", ".png" or ".tif" unless the path ends in
// it (in any case). 32-bit images are written as 24-bit RGB, 8-bit images as
// indices with their 256-entry palette. 0 when written, 1 when it cannot be
// encoded or written (a file already there stays as it was; no partial file is
// left), 2 for a width or height of 0, 3 when no image is current.
int ORV_SaveImageFile(int width, int height, int format, const char* path, int x0);
// Opens a picture file as one dropped on the main window: a new image window
// of the picture's size at zoom 100, titled "%03d %s" (id, file name), at the
// first free id from first_id, with the picture drawn. The id, or -1 when the
// file is not a readable picture or no id is free.
int ORV_OpenPictureFile(const char* path, int first_id);

// ---- The clipboard ----
//
// Pictures travel as packed device-independent bitmaps (on the desktop, also
// as PNG and BMP for other programs, and any PNG, BMP or JPEG they copy).

// Puts image id on the clipboard in place of what it held: 24-bit rows for a
// 32-bit image, indices with the 256-entry palette for an 8-bit one. Nothing
// for a free id or a clipboard another thread holds open.
void ORV_CopyImageToClipboard(int id);
// Pastes the clipboard's picture into image id with its top-left corner at
// (x, y), cut at the image's edges; with x or y -1 the person places it with
// a box that follows the mouse (a right click cancels). A picture with a
// colour table first sets the palette entries it holds of an 8-bit image. The
// image keeps its size. Nothing for a free id or when the clipboard holds no
// readable picture.
void ORV_PasteClipboardToImage(int x, int id, int y);

// ---- Read-outs and profile plots ----
//
// Plots go into the current image. A profile graph is 128 rows high: value v
// of full scale s (255, or 359 for hue) is plotted at row 127 - v * 127 / s,
// sample i at column m + i. A chroma diagram puts a colour at
// (128 + Cb, 128 - Cr) on 256 x 256, with grey axes through (128, 128).

// Flags of PlotProfile: one channel and one mode.
enum : int {
  ORV_PROFILE_RED = 0x1,
  ORV_PROFILE_GREEN = 0x2,
  ORV_PROFILE_BLUE = 0x4,
  ORV_PROFILE_HUE = 0x8,
  ORV_PROFILE_SATURATION = 0x10,
  ORV_PROFILE_VALUE = 0x20,
  ORV_PROFILE_DOTS = 0x40,
  ORV_PROFILE_LINES = 0x80,
  ORV_PROFILE_LUMINANCE = 0x100,
  ORV_PROFILE_CR = 0x200,  // Cr + 128
  ORV_PROFILE_CB = 0x400,  // Cb + 128
  ORV_PROFILE_BYTES = 0x1000,
};
// n samples of a row: 32-bit colour words, or bytes with flag 0x1000. One
// channel flag, the first set of R 0x1, G 0x2, B 0x4, hue 0x8, saturation
// 0x10, value 0x20, luminance 0x100, Cr + 128 0x200, Cb + 128 0x400, bytes
// 0x1000; and a mode flag, dots 0x40 (winning when both are set) or lines
// 0x80 joined through the pen. Without a channel or a mode flag nothing is drawn.
void PlotProfile(const void* samples, int m, int n, int flags, int colour);
// The axes, the labels "Cr" and "Cb", then the n samples' chroma joined in
// order, alternating white and magenta.
void PlotCrCbLine(const int* samples, int n);
// The axes and labels, then each of the rows of cols samples joined in white
// (rows not joined to each other).
void PlotCrCbArea(int rows, const int* samples, int cols);
