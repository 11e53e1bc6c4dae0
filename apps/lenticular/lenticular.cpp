// lenticular: the lenticular composer. Drop a strip of pictures on the main
// window (it becomes image 0), press Start, tune the output with the 31
// buttons and the input box; "cap" saves lenti_test.png, "break" ends a run.
//
//   lenticular [PICTURE...]
//
// opens the pictures as a drop on the main window would, from image 0 on;
// the word demo stands for the built-in sample strip; as image 0 it also
// sets Pic_num to the strip's pictures, so that Start shows it at once.
#include <cstring>

#include "composer/main_loop.h"
#include "composer/sample_strip.h"
#include "composer/start_up.h"
#include "framework/orvlib.h"

namespace {

// Where the pictures named on the command line open: below the button box
// (16 rows of 30 pixels and its frame), each a little further down and
// right, so that none covers a button or a field before Start (which moves
// the strip up beside the output).
constexpr int kPicturesX = 0, kPicturesY = 520, kCascade = 30;

void open_named_pictures() {
  int next = 0;
  for (int i = 1; i < ORV_ArgCount(); ++i) {
    const char* name = ORV_Arg(i);
    int id = std::strcmp(name, "demo") == 0
                 ? composer::create_sample_strip(next, composer::kSampleDefaultPictures)
                 : ORV_OpenPictureFile(name, next);
    if (id < 0) {
      ORV_Print("not a picture: %s\n", name);
      continue;
    }
    if (id == 0 && std::strcmp(name, "demo") == 0)
      ORV_SetInputBoxInt(2, composer::kSampleDefaultPictures);
    ORV_MoveImageWindow(id, kPicturesX + kCascade * id, kPicturesY + kCascade * id);
    next = id + 1;
  }
}

// The composer is driven by a person at the desktop; batch work has a
// program of its own.
[[maybe_unused]] const bool g_needs_desktop =
    (ORV_RequireDesktop("lenticular: needs an X display; without one, render with "
                        "lenticular-render (lenticular-render --help)"),
     true);

}  // namespace

void ORV_Ready() {
  composer::ready();
  // What a first look needs, in lines that fit the 24 columns of the window.
  ORV_Print(
      "Press S to start,\n"
      "tune with the buttons;\n"
      "cap saves the output,\n"
      "break ends the run.\n"
      "Manual: README.md\n");
  open_named_pictures();
}

int ORV_Main() {
  composer::run_composer();
  // "break" closes the pictures; those named on the command line come back
  // for the next Start.
  if (orv_exit_state.load() == 0 && ORV_GetImageStretchMode(0) == 0) open_named_pictures();
  return 0;
}
