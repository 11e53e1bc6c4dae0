// The hooks of the test user program.
#include "tests/framework/test_program.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace test_program {

std::function<void()> ready = [] {};
std::function<void()> main = [] {};

void wait_for_start_up() {
  headless::wait_until([] {
    platform::Window status = platform::control_by_id(orv::main_window(), orv::kStatusLineId);
    return platform::caption(status).ends_with(u"-bit color");
  });
}

void use_private_lock_folder() {
  std::string folder = "/tmp/orv-test-" + std::to_string(getpid());
  mkdir(folder.c_str(), 0700);
  setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
}

}  // namespace test_program

void ORV_Ready() {
  test_program::ready();
}

int ORV_Main() {
  test_program::main();
  return 0;
}
