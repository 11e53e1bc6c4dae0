// The desktop tests' main: Qt on the offscreen platform, the test thread as
// the GUI thread, as the desktop program's main thread is.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/qt/qt_backend.h"

// Qt, fontconfig and glib keep parts of their state until the process ends.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libQt6\nleak:libfontconfig.so\nleak:libglib\nleak:libgobject\nleak:libdbus\n";
}

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  // Window classes are published as lock files: these go to a folder of the
  // test process's own, removed when the tests end.
  std::string locks = (std::filesystem::temp_directory_path() / "orv-qt-test-XXXXXX").string();
  if (mkdtemp(locks.data())) setenv("XDG_RUNTIME_DIR", locks.c_str(), 1);
  ::testing::InitGoogleTest(&argc, argv);
  platform::set_backend(platform::qt::qt_backend(argc, argv));
  int result = RUN_ALL_TESTS();
  std::error_code ignored;
  std::filesystem::remove_all(locks, ignored);
  return result;
}
