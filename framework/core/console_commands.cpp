// Console commands typed after "Cmd>": exit, start, help, ver and color.
#include "framework/core/console_commands.h"

#include <atomic>
#include <string_view>

#include "framework/console/text_window.h"
#include "framework/core/main_window.h"
#include "framework/orvlib.h"
#include "platform/queue.h"
#include "platform/thread.h"

namespace orv {
namespace {

std::atomic<DrawingColourReader> g_colour_reader{nullptr};

// As if the key had been pressed in the main window: handled when the main
// thread takes it from its queue.
void pass_key_to_main_window(int key) {
  platform::Msg msg;
  msg.kind = platform::MsgKind::KeyDown;
  msg.key = key;
  platform::post_message(main_window(), msg);
}

void print_colours() {
  DrawingColourReader reader = g_colour_reader.load();
  DrawingColours c = reader ? reader() : DrawingColours{};
  ORV_Print("Red  :%3d\n", (c.draw >> 16) & 0xFF);
  ORV_Print("Green:%3d\n", (c.draw >> 8) & 0xFF);
  ORV_Print("Blue :%3d\n", c.draw & 0xFF);
  ORV_Print("orv_tttc=%06x\n", unsigned(c.truetype_text));
  ORV_Print("orv_tc=%06x\n", unsigned(c.bitmap_text));
}

}  // namespace

void set_drawing_colour_reader(DrawingColourReader reader) {
  g_colour_reader = reader;
}

// Words match whole and case-sensitively: "Exit" and "exit " are no commands.
int run_console_command() {
  ORV_Print("Cmd>");
  char buffer[256];
  ORV_Input(buffer);
  std::string_view line(buffer);
  if (line == "exit") {
    pass_key_to_main_window(platform::kKeyEscape);
    platform::sleep_ms(1);
    return 0;
  }
  if (line == "start") {
    pass_key_to_main_window('S');
    return 0;
  }
  if (line == "help") {
    ORV_Print("Command list:exit help start ver color\n");
    return 0;
  }
  if (line == "ver") {
    post_text_window_command(current_text_window(), kTextAbout);
    return 0;
  }
  if (line == "color") {
    print_colours();
    return 0;
  }
  ORV_Print("Invalid command\n");
  return 1;
}

}  // namespace orv
