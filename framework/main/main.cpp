// main() of every user program: the back end, the scripted person of
// headless runs, the layers above the framework, the framework, the exit
// code. A user program supplies only ORV_Ready and ORV_Main.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <new>
#include <system_error>
#include <thread>

#include "framework/core/entry.h"
#include "framework/main/scripted_person.h"
#include "framework/orvlib.h"
#include "imaging/install.h"
#include "platform/choose_backend.h"
#include "platform/headless/driver.h"
#include "platform/thread.h"

namespace {

const char* g_desktop_only = nullptr;  // set before main by ORV_RequireDesktop

// Start-up without threads or memory (tight process limits) ends with one
// line and 1 rather than an abort. Whatever was started is left as it is.
[[noreturn]] void end_start_up(const char* what) {
  std::fprintf(stderr, "orvlib: %s\n", what);
  std::fflush(nullptr);
  _exit(1);
}

}  // namespace

void ORV_RequireDesktop(const char* why) {
  g_desktop_only = why;
}

int main(int argc, char** argv) {
  try {
    const platform::Backend* backend = platform::choose_backend(argc, argv, g_desktop_only);
    if (!backend) return 1;
    orv::set_program_arguments(argc, argv);
    orv::install_imaging();
    std::thread person;
    if (backend == headless::backend()) {
      const char* script = std::getenv("ORV_PERSON");
      person = orv::start_scripted_person(script ? script : "");
    }
    int code = orv::run_program(backend);
    orv::end_scripted_person(person);
    platform::exit_process(code);
  } catch (const std::system_error&) {
    end_start_up("no thread could be started for the program");
  } catch (const std::bad_alloc&) {
    end_start_up("not enough memory to start the program");
  }
}
