// The composer's start-up: configuration, parameter windows, mouse state.
#include "composer/start_up.h"

#include <string>

#include "composer/lens_window.h"
#include "composer/params.h"
#include "framework/orvlib.h"

namespace composer {
namespace {

const char* const kCaptions[kButtonCount] = {
    "pitch-", "pitch+",  "pitch-0.01", "pitch+0.01", "pitch-0.001", "pitch+0.001", "break",
    "cap",    "pic-",    "pic+",       "view-",      "view+",       "AA",          "prn",
    "Beta",   "stable",  "pos--",      "pos++",      "BLI_ORV",     "BCI_ORV",     "BLI_1",
    "BLI_2",  "Nearest", "NN TEST",    "LOOP",       "CHG_ING",     "DEMO",        "<>",
    "FIT",    "CHG_DEV", "REC"};

// Each caption, label and value goes only where the box is open and has
// that many buttons or items.
void label_buttons() {
  if (!ORV_IsButtonBoxOpen()) return;
  for (int i = 0; i < kButtonCount && i < orv_bb_count; ++i) ORV_SetButtonBoxTitle(i, kCaptions[i]);
}

void fill_input_box(const Params& p) {
  if (!ORV_IsInputBoxOpen()) return;
  const char* const labels[] = {"Width", "Height", "Pic_num", "View_num", "Pitch", "Scale"};
  for (int i = 0; i < 6 && i < orv_ib_items; ++i) ORV_SetInputBoxTitle(i, labels[i]);
  const int ints[] = {p.width, p.height, p.pic_num, p.view_num, 0, p.scale};
  for (int i = 0; i < 6 && i < orv_ib_items; ++i) {
    if (i == 4)
      ORV_SetInputBoxReal(i, p.pitch);
    else
      ORV_SetInputBoxInt(i, ints[i]);
  }
}

}  // namespace

const char* button_caption(int i) {
  return i >= 0 && i < kButtonCount ? kCaptions[i] : "";
}

void ready(const char* path) {
  Params& p = params();
  std::string refused;
  read_configuration_file(path, p, &refused);
  p.pic_num = p.view_num = 2;
  p.scale = 100;
  p.prev_width = p.width;
  p.prev_height = p.height;
  p.prev_pitch = p.pitch;
  p.prev_pic_num = p.pic_num;
  p.prev_view_num = p.view_num;
  p.prev_scale = p.scale;
  p.display_x = 0;
  p.display_y = 232;
  ORV_OpenTextWindow(0, 0, 0, 198, 1000);
  ORV_OpenButtonBox(206, 0, 2, 16);
  label_buttons();
  ORV_OpenInputBox(422, 0, 6);
  fill_input_box(p);
  ORV_MouseTracking = 1;
  lens_preview_command();
  ORV_Print("hello,there!\n");
  // A W or H outside the input box's range keeps its default; say which.
  if (!refused.empty()) ORV_Print("VARNOLIS.txt: %s", refused.c_str());
}

}  // namespace composer
