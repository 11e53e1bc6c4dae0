// The desktop tests' main: Qt on the offscreen platform, the test thread as
// the GUI thread, as the desktop program's main thread is.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/qt/qt_backend.h"

// Qt, fontconfig and glib keep parts of their state until the process ends.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libQt6\nleak:libfontconfig.so\nleak:libglib\nleak:libgobject\nleak:libdbus\n";
}

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  ::testing::InitGoogleTest(&argc, argv);
  platform::set_backend(platform::qt::qt_backend(argc, argv));
  return RUN_ALL_TESTS();
}
