// main() of every user program: the back end, the scripted person of
// headless runs, the framework, the exit code. A user program supplies only
// ORV_Ready and ORV_Main.
#include <cstdlib>
#include <thread>

#include "framework/core/entry.h"
#include "framework/main/person.h"
#include "platform/choose_backend.h"
#include "platform/headless/driver.h"
#include "platform/thread.h"

int main(int argc, char** argv) {
  const platform::Backend* backend = platform::choose_backend(argc, argv);
  if (!backend) return 1;
  orv::set_program_arguments(argc, argv);
  std::thread person;
  if (backend == headless::backend()) {
    const char* script = std::getenv("ORV_PERSON");
    person = orv::start_scripted_person(script ? script : "");
  }
  int code = orv::run_program(backend);
  orv::end_scripted_person(person);
  platform::exit_process(code);
}
