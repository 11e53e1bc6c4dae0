// Test executables that link the imaging layer run the framework with it, as
// a user program's main does.
#include "imaging/install.h"
#include "tests/framework/test_program.h"

void test_program::install_layers() {
  orv::install_imaging();
}
