// Test executables of the framework alone: no layer above it to switch on.
#include "tests/framework/test_program.h"

void test_program::install_layers() {}
