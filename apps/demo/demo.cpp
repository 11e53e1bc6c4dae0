// The demo user program: a text window, an input box and a button box;
// Start echoes button clicks and input-box values until Stop. Everything it
// prints on its text window also goes to standard output, for runs without
// a display (ORV_BACKEND=headless, with ORV_PERSON saying what to do).
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "framework/orvlib.h"

namespace {

constexpr int kButtons = 4;
const char* const kButtonNames[kButtons] = {"One", "Two", "Three", "Four"};

void say(const char* format, ...) __attribute__((format(printf, 1, 2)));

void say(const char* format, ...) {
  char line[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  ORV_Print("%s", line);
  std::printf("demo: %s", line);
  std::fflush(stdout);
}

void echo_clicks() {
  if (!ORV_IsButtonBoxOpen()) return;  // the person may have closed it
  for (int i = 0; i < orv_bb_count; ++i) {
    int clicks = orv_bb_click[i];
    orv_bb_click[i] = 0;
    if (clicks > 0) say("button %s clicked %d time(s)\n", kButtonNames[i % kButtons], clicks);
  }
}

void echo_changed_values(char (&seen)[2][256]) {
  if (!ORV_IsInputBoxOpen()) return;
  for (int i = 0; i < orv_ib_items && i < 2; ++i) {
    if (!orv_ib_text[i] || std::strcmp(seen[i], orv_ib_text[i]) == 0) continue;
    std::snprintf(seen[i], sizeof seen[i], "%s", orv_ib_text[i]);
    say("item %d = %s\n", i, seen[i]);
  }
}

}  // namespace

// Two image windows: a colour gradient (32-bit, zoom 100) and a grey ramp
// (8-bit, zoom 200). Tab toggles an image's scaling mode, Ctrl + wheel or
// Ctrl + keypad plus / minus / 0 its zoom.
void open_images() {
  ORV_CreateImage(0, "gradient", 20, 400, 256, 128, 100);
  for (int y = 0; y < 128; ++y)
    for (int x = 0; x < 256; ++x) ORV_SetPixel(x, y, (x << 16) | (2 * y << 8) | (255 - x));
  ORV_CreateImage8(1, "grey", 320, 400, 128, 64, 200);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 128; ++x) ORV_SetPixel(x, y, ((x + y) & 1) ? 2 * x : 255 - 2 * x);
  ORV_DrawImage(0);
  ORV_DrawImage(1);
}

void ORV_Ready() {
  open_images();
  ORV_OpenTextWindow(0, 20, 20, 480, 320);
  ORV_OpenInputBox(540, 20, 2);
  ORV_SetInputBoxTitle(0, "Width");
  ORV_SetInputBoxTitle(1, "Scale");
  ORV_SetInputBoxInt(0, 640);
  ORV_SetInputBoxReal(1, 1.5);
  ORV_OpenButtonBox(540, 160, 2, kButtons / 2);
  for (int i = 0; i < kButtons; ++i) ORV_SetButtonBoxTitle(i, kButtonNames[i]);
  say("ready: press Start\n");
}

int ORV_Main() {
  say("started: click buttons or edit the values; Stop ends\n");
  char seen[2][256] = {};
  while (ORV_Wait(100) == 0) {
    echo_clicks();
    echo_changed_values(seen);
  }
  say("stopped\n");
  return 0;
}
