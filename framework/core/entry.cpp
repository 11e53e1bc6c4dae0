// The process entry: instance slot, classes, main window, message loop.
#include "framework/core/entry.h"

#include <clocale>
#include <cstdio>
#include <string>
#include <vector>

#include "framework/console/button_box.h"
#include "framework/console/input_box.h"
#include "framework/console/text_window.h"
#include "framework/core/layer_steps.h"
#include "framework/core/main_window.h"
#include "framework/image/image_table.h"
#include "framework/orvlib.h"
#include "platform/queue.h"
#include "platform/text/files.h"

namespace orv {
namespace {

std::string g_working_folder;
std::vector<std::string> g_arguments;
StartUpStep g_set_up_image_text = nullptr;
StartUpStep g_shut_down_image_text = nullptr;

// The first of the ten slots whose main window class nobody uses, taken
// at once for this process, or -1.
int claim_instance_slot() {
  for (int i = 0; i < kInstanceLimit; ++i)
    if (platform::claim_class(main_window_class(i))) return i;
  return -1;
}

// The classes of the framework's windows, in the order of the class table.
bool register_window_classes() {
  return register_image_window_class() && register_text_window_class() &&
         register_input_box_class() && register_button_box_class();
}

int message_loop() {
  platform::Msg msg;
  while (platform::get_message(msg)) {
    platform::translate_message(msg);
    platform::dispatch_message(msg);
  }
  return msg.code;
}

// Everything after the slot is taken.
int run_in_slot(int instance) {
  init_text_windows();
  g_working_folder = platform::current_folder();
  if (!register_window_classes()) return 1;
  // Before the main window, whose creation starts the worker: ORV_Ready may
  // draw text into images at once, and a colour it sets is not overwritten.
  if (g_set_up_image_text) g_set_up_image_text();
  platform::Window window = create_main_window(instance);
  if (!window) {
    if (g_shut_down_image_text) g_shut_down_image_text();
    return 1;
  }
  char depth[32];
  std::snprintf(depth, sizeof depth, "%d-bit color", display_depth());
  ORV_SetStatusText(depth);
  platform::accept_drops(window, true);
  platform::invalidate_window(window);
  int code = message_loop();
  if (g_shut_down_image_text) g_shut_down_image_text();
  return code;
}

}  // namespace

void set_image_text_steps(StartUpStep set_up, StartUpStep shut_down) {
  g_set_up_image_text = set_up;
  g_shut_down_image_text = shut_down;
}

void set_program_arguments(int argc, char** argv) {
  g_arguments.assign(argv, argv + argc);
}

const std::string& working_folder() {
  return g_working_folder;
}

int run_program(const platform::Backend* backend) {
  // The code page follows the user's locale; numbers never do.
  std::setlocale(LC_CTYPE, "");
  std::setlocale(LC_NUMERIC, "C");
  platform::set_backend(backend);
  int instance = claim_instance_slot();
  if (instance < 0) {
    platform::message_box({}, u"Over instance limit!", u"ORVLIB");
    return 1;
  }
  int code = run_in_slot(instance);
  platform::release_class(main_window_class(instance));
  return code;
}

}  // namespace orv

int ORV_ArgCount() {
  return int(orv::g_arguments.size());
}

const char* ORV_Arg(int i) {
  if (i < 0 || i >= ORV_ArgCount()) return nullptr;
  return orv::g_arguments[std::size_t(i)].c_str();
}
