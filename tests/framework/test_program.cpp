// The hooks of the test user program.
#include "tests/framework/test_program.h"

namespace test_program {

std::function<void()> ready = [] {};
std::function<void()> main = [] {};

}  // namespace test_program

void ORV_Ready() { test_program::ready(); }

int ORV_Main() {
  test_program::main();
  return 0;
}
