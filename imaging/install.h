// Switches the imaging layer on in a framework about to run (internal; the
// framework's main calls it, as do tests that run the framework themselves).
#pragma once

namespace orv {

// Hands the framework what this layer carries out: the image window commands
// (clipboard, clipping, Information, test patterns, colours, drawing, text
// and the Process transforms), the console's colour read-out, and the
// start-up and shutdown steps of text in images. Call it before run_program;
// calling it again changes nothing.
void install_imaging();

}  // namespace orv
