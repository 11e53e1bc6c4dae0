// The image window's popup menus and the dispatch of its commands: the ones
// the window carries out itself (files, zoom, the zoom and size prompts,
// Destroy) and the table of slots the layers above fill with the rest.
#include "framework/image/image_commands.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdlib>

#include "framework/console/text_window.h"
#include "framework/image/image_files.h"
#include "framework/image/image_table.h"
#include "framework/image/pick_state.h"
#include "framework/orvlib.h"
#include "platform/window.h"

namespace orv {
namespace {

std::array<ImageCommandHandler, kEndImageCommand - kFirstImageCommand> g_slots{};

bool carried_out_by_the_window(int command) {
  switch (command) {
    case kImageLoad:
    case kImageDestroy:
    case kImageZoom50:
    case kImageZoom100:
    case kImageZoom200:
    case kImageSaveAs:
    case kImageZoomPrompt:
    case kImageSizePrompt:
      return true;
    default:
      return false;
  }
}

// Commands after which the current image's window is repainted here; the
// others repaint what they change themselves.
bool repaints_current_image(int command) {
  switch (command) {
    case kImageLoad:
    case kImageFillCircle:
    case kImageTrueTypeDraw:
    case kImagePatternRgb:
    case kImagePatternHsv:
    case kImagePatternYCrCb:
    case kImagePatternYuv:
    case kImagePatternYiq:
    case kImagePatternGrey:
      return true;
    default:
      return false;
  }
}

// A typed number: leading blanks, a sign and decimal digits; text that is
// not a number gives 0. A number past the int range is held at its end
// rather than wrapping into an unrelated value.
int typed_number(const char* text) {
  long value = std::strtol(text, nullptr, 10);
  return int(std::clamp<long>(value, INT_MIN, INT_MAX));
}

// Text window 0 at the platform's place and default size, current and in front.
int prompt_number(const char* format, int id) {
  ORV_OpenTextWindow(0, -1, -1, -1, -1);
  ORV_Print(format, id);
  char line[256] = {};
  ORV_Input(line);
  return typed_number(line);
}

void zoom_prompt(int id) {
  int zoom = prompt_number("[%d] Zoom(%%)=", id);
  ORV_SetImageZoom(zoom, id);
}

void size_prompt(int id) {
  int width = prompt_number("[%d] New x-size(pixel)=", id);
  int height = prompt_number("[%d] New y-size(pixel)=", id);
  ORV_ResizeImage(id, width, height);
}

void run_window_command(platform::Window window, int id, int command) {
  switch (command) {
    case kImageLoad:
      load_image_file_command(window);
      break;
    case kImageSaveAs:
      save_image_as_command(window);
      break;
    case kImageZoom50:
      ORV_SetImageZoom(50, id);
      break;
    case kImageZoom100:
      ORV_SetImageZoom(100, id);
      break;
    case kImageZoom200:
      ORV_SetImageZoom(200, id);
      break;
    case kImageZoomPrompt:
      zoom_prompt(id);
      break;
    case kImageSizePrompt:
      size_prompt(id);
      break;
    case kImageDestroy:
      ORV_DestroyImage(id);
      break;
    default:
      break;
  }
}

std::shared_ptr<platform::Menu> submenu() {
  return std::make_shared<platform::Menu>();
}

}  // namespace

void set_image_command(int command, ImageCommandHandler handler) {
  if (command < kFirstImageCommand || command >= kEndImageCommand) return;
  if (carried_out_by_the_window(command)) return;
  g_slots[std::size_t(command - kFirstImageCommand)] = handler;
}

ImageCommandHandler image_command(int command) {
  if (command < kFirstImageCommand || command >= kEndImageCommand) return nullptr;
  return g_slots[std::size_t(command - kFirstImageCommand)];
}

platform::Menu image_window_menu(int zoom) {
  platform::Menu menu;
  menu.add(kImageCut, u"Cut\tCtrl+X").add(kImageCopy, u"Copy\tCtrl+C");
  menu.add(kImagePaste, u"Paste\tCtrl+V").add_separator();
  menu.add(kImageLoad, u"&Load image file").add(kImageSaveAs, u"&Save as").add_separator();
  menu.add(kImageZoom50, u"Zoom: 50%", false, zoom == 50);
  menu.add(kImageZoom100, u"Zoom:100%\tCtrl+0", false, zoom == 100);
  menu.add(kImageZoom200, u"Zoom:200%", false, zoom == 200);
  menu.add(kImageZoomPrompt, u"&Zoom...").add_separator();
  menu.add(kImageSizePrompt, u"&Resize...").add(kImageDestroy, u"&Destroy\tCtrl+Q");
  return menu;
}

platform::Menu image_processing_menu(int bits) {
  auto process = submenu();
  process->add(kImageInvert, u"Invert").add_separator();
  process->add(kImageRightRotate, u"R. Rotate").add(kImageLeftRotate, u"L. Rotate").add_separator();
  process->add(kImageHorzFlip, u"Horz. Flip").add(kImageVertFlip, u"Vert. Flip").add_separator();
  process->add(kImageSize50, u"Size 50.0%").add(kImageSize71, u"Size 70.7%");
  process->add(kImageSize141, u"Size 141.4%").add(kImageSize200, u"Size 200.0%");

  auto information = submenu();
  information->add(kImageInfoPixel, u"Pixel");
  if (bits == 8) {
    information->add(kImageInfoLineLumi, u"Line(Lumi)");
  } else {
    information->add(kImageInfoLineRgb, u"Line(RGB)").add(kImageInfoLineHsv, u"Line(HSV)");
    information->add(kImageInfoLineYCrCb, u"Line(YCrCb)").add(kImageInfoLineCrCb, u"Line(CrCb)");
    information->add_separator().add(kImageInfoAreaCrCb, u"Area(CrCb)");
  }

  auto patterns = submenu();
  patterns->add(kImagePatternRgb, u"RGB").add(kImagePatternHsv, u"HSV");
  patterns->add(kImagePatternYCrCb, u"YCrCb").add(kImagePatternYuv, u"Yuv");
  patterns->add(kImagePatternYiq, u"YIQ").add(kImagePatternGrey, u"Grey");

  auto colour = submenu();
  colour->add(kImageColourChange, u"Change").add(kImageColourPick, u"Pick");
  auto line = submenu();
  line->add(kImageDrawLine, u"Normal").add(kImageDrawRow, u"Horz.").add(kImageDrawColumn, u"Vert.");
  auto box = submenu();
  box->add(kImageDrawBox, u"Normal").add(kImageFillBox, u"Fill").add(kImageXorFillBox, u"Fill XOR");
  auto circle = submenu();
  circle->add(kImageDrawCircle, u"Normal").add(kImageFillCircle, u"Fill");
  circle->add(kImageXorFillCircle, u"Fill XOR");
  auto truetype = submenu();
  truetype->add(kImageTrueTypeDraw, u"Draw").add(kImageFontChange, u"Font Change");

  platform::Menu menu;
  menu.add_submenu(u"Process...", process).add_separator();
  menu.add_submenu(u"Information...", information).add_separator();
  menu.add_submenu(u"Test Pattern...", patterns).add_separator();
  menu.add(kImageClipping, u"Clipping\tCtrl+R").add_separator();
  menu.add_submenu(u"Color...", colour).add_submenu(u"Draw Line...", line);
  menu.add_submenu(u"Draw Box...", box).add_submenu(u"Draw Circle...", circle);
  menu.add_submenu(u"TrueType...", truetype);
  menu.add(kImageDrawText, u"Draw Text").add(kImagePaint, u"Paint");
  return menu;
}

void run_image_command(platform::Window window, int command) {
  int id = image_of_window(window);
  if (id < 0) return;
  if (carried_out_by_the_window(command)) {
    run_window_command(window, id, command);
  } else if (ImageCommandHandler handler = image_command(command)) {
    handler(window, id, command);
  } else {
    return;  // not a command, or its slot is empty
  }
  if (repaints_current_image(command))
    if (ImageRecord* r = image_in_use(current_image())) platform::invalidate_window(r->window);
}

// The menu appears where the press was, which is where the cursor is.
void show_image_popup(platform::Window window, int x, int y, bool processing) {
  if (pick_waiting() || line_input_owner() != 0) return;
  ImageRecord* r = image_in_use(image_of_window(window));
  if (!r) return;
  platform::Menu menu = processing ? image_processing_menu(r->bits) : image_window_menu(r->zoom);
  int chosen = platform::track_popup_menu(window, menu, platform::client_to_screen(window, {x, y}));
  // Run at once rather than posted: a command posted behind the menu could
  // run inside the next menu's wait, out of the order the person chose.
  if (chosen != 0) run_image_command(window, chosen);
}

}  // namespace orv
