// The image window's commands: their numbers, the two popup menus that offer
// them, and their dispatch (internal).
//
// The window itself carries out loading, saving, zooming, its two prompts and
// Destroy. Every other command goes to a slot of the command table, which
// the layers above the framework fill at start-up (the imaging layer its
// drawing, measuring, test pattern and clipping commands), so that the
// framework reaches them without depending on them. A command whose slot is
// empty does nothing.
#pragma once

#include "platform/menu.h"
#include "platform/message.h"

namespace orv {

// Command numbers: the menu item ids, also what the shortcuts post.
enum ImageCommand : int {
  kImageLoad = 1004,
  kImageDestroy = 1005,
  kImageZoom50 = 1007,
  kImageZoom100 = 1008,
  kImageZoom200 = 1009,
  kImageSaveAs = 1010,
  kImageCut = 1011,
  kImageCopy = 1012,
  kImagePaste = 1013,         // at a clicked position
  kImagePasteTopLeft = 1014,  // Ctrl+V
  kImageInfoPixel = 1015,
  kImageInfoLineRgb = 1016,
  kImageInfoLineHsv = 1017,
  kImageInfoLineYCrCb = 1018,
  kImageClipping = 1019,
  kImageInfoLineCrCb = 1021,
  kImageInfoAreaCrCb = 1022,
  kImageColourChange = 1031,
  kImageDrawLine = 1032,
  kImageDrawRow = 1034,
  kImageDrawColumn = 1035,
  kImageDrawBox = 1036,
  kImageFillBox = 1037,
  kImageXorFillBox = 1038,
  kImageDrawCircle = 1039,
  kImageFillCircle = 1040,
  kImageXorFillCircle = 1041,
  kImageDrawText = 1042,
  kImagePaint = 1043,
  kImageZoomPrompt = 1046,
  kImageSizePrompt = 1047,
  kImageTrueTypeDraw = 1048,
  kImageFontChange = 1049,
  kImageColourPick = 1052,
  kImagePatternRgb = 1053,
  kImagePatternHsv = 1054,
  kImagePatternYCrCb = 1055,
  kImageInvert = 1058,
  kImageHorzFlip = 1059,
  kImageVertFlip = 1060,
  kImageRightRotate = 1061,
  kImageLeftRotate = 1062,
  kImageSize50 = 1063,
  kImageSize71 = 1064,
  kImageSize141 = 1065,
  kImageSize200 = 1066,
  kImagePatternYuv = 1067,
  kImagePatternYiq = 1068,
  kImageInfoLineLumi = 1070,
  kImagePatternGrey = 1071,
};

// The command numbers the table can hold: kFirstImageCommand up to, not
// including, kEndImageCommand.
constexpr int kFirstImageCommand = 1000;
constexpr int kEndImageCommand = 1100;

// A command of the table, run on the worker thread for image `id` (in use)
// whose window `window` received it. It selects the image itself where its
// contract says so.
using ImageCommandHandler = void (*)(platform::Window window, int id, int command);

// Fills the slot of `command` (nullptr empties it); numbers outside the
// table, and those the window carries out itself, are ignored.
void set_image_command(int command, ImageCommandHandler handler);
ImageCommandHandler image_command(int command);

// The window menu (right button) for an image at `zoom`, and the processing
// menu (Ctrl + right button, middle button) for an image of `bits`.
platform::Menu image_window_menu(int zoom);
platform::Menu image_processing_menu(int bits);

// Carries out command `command` on the image of `window`; a window with no
// image in use, or a number that names no command, does nothing.
void run_image_command(platform::Window window, int command);

// Shows one of the two menus for a press at client point (x, y) of `window`
// and carries out the chosen command; nothing while a pick waits or a text
// window waits for a typed line.
void show_image_popup(platform::Window window, int x, int y, bool processing);

}  // namespace orv
