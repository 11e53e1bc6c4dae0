// A scripted person for headless runs (internal).
#pragma once

#include <string>
#include <thread>

namespace orv {

// Starts a thread that acts on the program as a person at a desktop would,
// step by step, from a script of steps separated by ';':
//   start | stop | exit          the main window's commands (start and stop
//                                wait until the run has begun or ended)
//   finish                       waits until the run ends by itself
//   wait MS                      waits MS milliseconds
//   click I                      clicks button I of the button box
//   value I TEXT                 types TEXT into row I of the input box, then Enter
//   type TEXT                    types TEXT and Enter into the text window
//   drop PATH                    drops a file on the main window (a picture becomes an image
//   window) report PATH                  Ctrl+W in the main window; writes the window layout's
//   calls,
//                                which the report puts on the clipboard, to PATH
// An empty script means "start; finish; exit": one run, then the end.
// A step it cannot do is reported on stderr and the script ends with Exit.
std::thread start_scripted_person(std::string script);
// Once the program has ended: the person stops where it is and is joined.
void end_scripted_person(std::thread& person);

}  // namespace orv
