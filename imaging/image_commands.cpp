// The image window commands that draw, measure and choose colours: Cut,
// Copy and the pastes, Clipping, the Information and Test Pattern submenus, the two colour
// commands, the line, box, circle and paint commands, and the two kinds of text. They are
// handed to the framework's command table by install_imaging.
#include <cstdint>
#include <cstdio>

#include "framework/core/console_commands.h"
#include "framework/core/layer_steps.h"
#include "framework/image/image_commands.h"
#include "framework/image/image_table.h"
#include "framework/orvlib.h"
#include "imaging/install.h"
#include "imaging/readouts.h"
#include "imaging/text.h"
#include "imaging/transform.h"
#include "platform/choosers.h"
#include "platform/window.h"

namespace orv {
namespace {

void repaint_current_image() {
  if (ImageRecord* r = image_in_use(current_image())) platform::invalidate_window(r->window);
}

// ---- Clipping: a picked rectangle into a new window ----

void clipping(platform::Window, int id, int) {
  int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  if (ORV_PickRect(id, &x1, &y1, &x2, &y2) != 0) return;
  const ImageRecord* source = image_in_use(id);
  if (!source) return;
  char title[64];
  std::snprintf(title, sizeof title, "(%d,%d)-(%d,%d)", x1, y1, x2, y2);
  int width = x2 - x1 + 1, height = y2 - y1 + 1, bits = source->bits;
  // The lowest id where a window can be made; an id in use refuses at once.
  int copy = 0;
  while (copy < kImageCount && create_image(copy, title, 0, 0, width, height, bits, 100, 1) != 0)
    ++copy;
  if (copy == kImageCount) return;
  ImageRecord& target = image_record(copy);
  if (bits == 8) target.dib->palette = source->dib->palette;
  platform::block_copy(target.mem_dc, 0, 0, width, height, source->mem_dc, x1, y1);
  ORV_DrawImage(current_image());
}

// ---- Information and test patterns ----

void information(platform::Window, int id, int command) {
  run_information_command(command, id);
}

void test_pattern(platform::Window window, int, int command) {
  if (select_image_of_window(window) < 0) return;
  switch (command) {
    case kImagePatternRgb:
      ORV_TestPatternRgb();
      break;
    case kImagePatternHsv:
      ORV_TestPatternHsv();
      break;
    case kImagePatternYCrCb:
      ORV_TestPatternYCrCb();
      break;
    case kImagePatternYuv:
      ORV_TestPatternYuv();
      break;
    case kImagePatternYiq:
      ORV_TestPatternYiq();
      break;
    case kImagePatternGrey:
      ORV_TestPatternGrey();
      break;
    default:
      break;
  }
}

// ---- Colours ----

// The chooser starts at the drawing colour; the colour chosen becomes the
// drawing colour and both text colours. A cancel leaves all three as they
// were: taking the starting colour instead would turn the text colours into
// the drawing colour, or into a palette index read as a colour word, when
// the person asked for no change.
void change_colour(platform::Window window, int, int) {
  std::uint32_t colour = std::uint32_t(ORV_GetDrawColor()) & 0xFFFFFF;
  if (!platform::choose_colour(window, colour)) return;
  ORV_SetDrawColor(int(colour));
  orv_tttc = int(colour);
  orv_tc = int(colour);
}

// The colour under a click becomes the drawing colour; TrueType text takes
// it as a colour word (an 8-bit image's palette entry), bitmap text keeps its own.
void pick_colour(platform::Window, int id, int) {
  int x = 0, y = 0;
  if (ORV_PickPoint(id, &x, &y) != 0) return;
  if (ORV_SelectImage(id) != 0) return;
  int v = ORV_GetPixel(x, y);
  ORV_SetDrawColor(v);
  const ImageRecord* r = image_in_use(id);
  if (r->bits == 8) {
    const platform::PaletteEntry& p = r->dib->palette[std::size_t(v & 0xFF)];
    orv_tttc = p.red * 65536 + p.green * 256 + p.blue;
  } else {
    orv_tttc = v;
  }
  ORV_RestoreImage();
}

// ---- Lines, boxes, circles and paint ----

void draw_figure(platform::Window window, int, int command) {
  int id = select_image_of_window(window);
  if (id < 0) return;
  int a = 0, b = 0, c = 0, d = 0;
  int result = 1;
  switch (command) {
    case kImageDrawLine:
      result = ORV_PickLine(id, &a, &b, &c, &d);
      break;
    case kImageDrawRow:
    case kImageDrawColumn:
      result = command == kImageDrawRow ? ORV_PickRow(id, &a, &b) : ORV_PickColumn(id, &a, &b);
      break;
    case kImageDrawBox:
    case kImageFillBox:
    case kImageXorFillBox:
      result = ORV_PickRect(id, &a, &b, &c, &d);
      break;
    case kImageDrawCircle:
    case kImageFillCircle:
    case kImageXorFillCircle:
      result = ORV_PickCircle(id, &a, &b, &c);
      break;
    case kImagePaint:
      result = ORV_PickPoint(id, &a, &b);
      break;
    default:
      break;
  }
  if (result != 0) return;
  const int colour = ORV_GetDrawColor();
  const CurrentPixels& image = current_pixels();
  switch (command) {
    case kImageDrawLine:
      ORV_Line(colour, a, b, c, d);
      break;
    case kImageDrawRow:
      ORV_Line(colour, 0, b, image.width - 1, b);
      break;
    case kImageDrawColumn:
      ORV_Line(colour, a, 0, a, image.height - 1);
      break;
    case kImageDrawBox:
      ORV_Box(a, b, c, d);
      break;
    case kImageFillBox:
      ORV_FillBox(a, b, c, d, colour, colour);
      break;
    case kImageXorFillBox:
      ORV_XorFillBox(a, b, c, d);
      break;
    case kImageDrawCircle:
      ORV_Circle(colour, a, b, c);
      break;
    case kImageFillCircle:
      ORV_FillCircle(a, b, c);
      break;
    case kImageXorFillCircle:
      ORV_XorFillCircle(a, b, c);
      break;
    case kImagePaint:
      ORV_Paint(a, b);
      break;
    default:
      break;
  }
  repaint_current_image();
}

// ---- Text ----

void read_text_line(char* line) {
  ORV_RaiseTextWindow();
  ORV_Print("Text>");
  ORV_Input(line);
}

// Bitmap-font text in the drawing colour, standing on the clicked row.
void draw_text(platform::Window window, int, int) {
  int id = select_image_of_window(window);
  if (id < 0) return;
  int x = 0, y = 0;
  if (ORV_PickPoint(id, &x, &y) != 0) return;
  char line[256] = {};
  read_text_line(line);
  ORV_SetImageTextCursor(x, y, x);
  orv_tc = ORV_GetDrawColor();
  ORV_DrawTextF("%s", line);
  repaint_current_image();
}

// TrueType text whose cells are as high as the picked rectangle, from its
// left edge; the text is not fitted to the rectangle's width.
void draw_truetype(platform::Window window, int, int) {
  int id = select_image_of_window(window);
  if (id < 0) return;
  int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  if (ORV_PickRect(id, &x1, &y1, &x2, &y2) != 0) return;
  char line[256] = {};
  read_text_line(line);
  ORV_SetImageTextCursor(x1, y2, x1);
  ORV_TrueTypeSize(x2 - x1 + 1, y2 - y1 + 1);
  ORV_TrueTypeText(line);
  repaint_current_image();
}

// The font chooser starts from the TrueType font's attributes; a cancel
// keeps the font as it is. The colour the chooser offers is not used.
void change_font(platform::Window window, int, int) {
  platform::LogFont record = truetype_font_record();
  if (platform::choose_font(window, record)) replace_truetype_font(record);
}

// The transforms find or select the window's image themselves: the turns
// and size steps select it (they re-create its window), the inversion and
// the mirrors leave the current image as it is.
void transform(platform::Window, int id, int command) {
  run_transform_command(command, id);
}

// ---- The clipboard ----

void cut(platform::Window, int id, int) {
  ORV_CopyImageToClipboard(id);
  ORV_ClearImage(id);  // also when the copy failed
  if (const ImageRecord* r = image_in_use(id)) platform::invalidate_window(r->window);
}

void copy(platform::Window, int id, int) {
  ORV_CopyImageToClipboard(id);
}

void paste_where_clicked(platform::Window, int id, int) {
  ORV_PasteClipboardToImage(-1, id, -1);
}

void paste_top_left(platform::Window, int id, int) {
  ORV_PasteClipboardToImage(0, id, 0);
}

struct Registration {
  int command;
  ImageCommandHandler handler;
};

constexpr Registration kRegistrations[] = {
    {kImageCut, cut},
    {kImageCopy, copy},
    {kImagePaste, paste_where_clicked},
    {kImagePasteTopLeft, paste_top_left},
    {kImageClipping, clipping},
    {kImageInfoPixel, information},
    {kImageInfoLineRgb, information},
    {kImageInfoLineHsv, information},
    {kImageInfoLineYCrCb, information},
    {kImageInfoLineCrCb, information},
    {kImageInfoAreaCrCb, information},
    {kImageInfoLineLumi, information},
    {kImagePatternRgb, test_pattern},
    {kImagePatternHsv, test_pattern},
    {kImagePatternYCrCb, test_pattern},
    {kImagePatternYuv, test_pattern},
    {kImagePatternYiq, test_pattern},
    {kImagePatternGrey, test_pattern},
    {kImageColourChange, change_colour},
    {kImageColourPick, pick_colour},
    {kImageDrawLine, draw_figure},
    {kImageDrawRow, draw_figure},
    {kImageDrawColumn, draw_figure},
    {kImageDrawBox, draw_figure},
    {kImageFillBox, draw_figure},
    {kImageXorFillBox, draw_figure},
    {kImageDrawCircle, draw_figure},
    {kImageFillCircle, draw_figure},
    {kImageXorFillCircle, draw_figure},
    {kImagePaint, draw_figure},
    {kImageDrawText, draw_text},
    {kImageTrueTypeDraw, draw_truetype},
    {kImageFontChange, change_font},
};

// What the console's "color" command prints.
DrawingColours drawing_colours() {
  return {ORV_GetDrawColor(), orv_tttc, orv_tc};
}

}  // namespace

void install_imaging() {
  set_drawing_colour_reader(drawing_colours);
  for (const Registration& r : kRegistrations) set_image_command(r.command, r.handler);
  for (int command = kCommandInvert; command <= kCommandSize200; ++command)
    set_image_command(command, transform);
  set_image_text_steps(set_up_image_text, shut_down_image_text);
}

}  // namespace orv
