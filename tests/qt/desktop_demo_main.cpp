// The demo program on the desktop back end, for trying the back end by
// hand and for scripts/screenshot-desktop.
#include "framework/core/entry.h"
#include "platform/qt/qt_backend.h"
#include "platform/thread.h"

int main(int argc, char** argv) {
  const platform::Backend* backend = platform::qt::choose_backend(argc, argv);
  if (!backend) return 1;
  platform::exit_process(orv::run_program(backend));
}
