// The process entry: runs the user program's hooks under the framework
// (internal; for main and the tests). Layers above the framework are handed
// in through framework/core/layer_steps.h before run_program.
#pragma once

#include <string>

#include "platform/backend.h"

namespace orv {

// Creates the main window on the calling (main) thread, which starts the
// worker, and serves it until Exit. Returns the process exit code.
int run_program(const platform::Backend* backend);
// Keeps the command line for ORV_ArgCount and ORV_Arg.
void set_program_arguments(int argc, char** argv);
// The current folder at start-up, with a trailing '/'.
const std::string& working_folder();

}  // namespace orv
