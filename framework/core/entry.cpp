// The process entry and the main thread's message loop.
#include "framework/core/entry.h"

#include <clocale>

#include "framework/core/main_window.h"
#include "platform/queue.h"

namespace orv {

int run_program(const platform::Backend* backend) {
  // The code page follows the user's locale; numbers never do.
  std::setlocale(LC_CTYPE, "");
  std::setlocale(LC_NUMERIC, "C");
  platform::set_backend(backend);
  if (!create_main_window()) return 1;
  platform::Msg msg;
  while (platform::get_message(msg)) {
    platform::translate_message(msg);
    platform::dispatch_message(msg);
  }
  return msg.code;
}

}  // namespace orv
