// The process entry: runs the user program's hooks under the framework (internal).
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

// The start-up step that prepares text drawn into images (its font, colour
// and cursor) and the shutdown step that releases it. The imaging layer
// fills them in when it is linked, so the framework does not depend on it;
// a step left empty is skipped.
using StartUpStep = void (*)();
void set_image_text_steps(StartUpStep set_up, StartUpStep shut_down);

}  // namespace orv
