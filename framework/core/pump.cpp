// Message pumping, waits, the millisecond clock and the pause box.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "framework/core/pump.h"
#include "framework/orvlib.h"
#include "platform/dialog_keys.h"
#include "platform/menu.h"
#include "platform/queue.h"

namespace orv {
namespace {

platform::Window g_input_box;
platform::Window g_button_box;

double ms_per_tick() {
  return 1000.0 / double(platform::counter_frequency());
}

// Ticks to milliseconds; the product is exact enough for the counter's range.
double ticks_to_ms(std::int64_t ticks) {
  return double(ticks) * ms_per_tick();
}

}  // namespace

void set_dialog_boxes(platform::Window input_box, platform::Window button_box) {
  g_input_box = input_box;
  g_button_box = button_box;
}

void plain_pump() {
  platform::Msg msg;
  while (platform::peek_message(msg, true)) {
    if (msg.kind == platform::MsgKind::Quit) {
      platform::post_quit_message(msg.code);  // for the main loop
      return;
    }
    platform::translate_message(msg);
    platform::dispatch_message(msg);
  }
}

}  // namespace orv

int ORV_ProcessMessages() {
  platform::Msg msg;
  while (platform::peek_message(msg, false)) {
    platform::peek_message(msg, true);
    if (msg.kind == platform::MsgKind::Quit) {
      platform::post_quit_message(msg.code);
      break;
    }
    if (platform::dialog_message(orv::g_input_box, msg)) continue;
    if (platform::dialog_message(orv::g_button_box, msg)) continue;
    platform::translate_message(msg);
    platform::dispatch_message(msg);
  }
  return 0;
}

// Sleeps on the thread's queue between dispatches: a message, or Stop
// (which wakes the worker), ends the sleep at once. The slices are bounded
// so that a Stop flag written without a wake is still seen soon.
constexpr int kWaitSliceMs = 50;

int ORV_Wait(int ms) {
  std::int64_t start = platform::query_counter();
  for (;;) {
    double elapsed = std::floor(orv::ticks_to_ms(platform::query_counter() - start) + 0.5);
    if (elapsed >= double(ms)) return 0;
    ORV_ProcessMessages();
    if (orv_stop_req.load() != 0) return 1;
    platform::wait_message(std::clamp(int(std::ceil(double(ms) - elapsed)), 1, kWaitSliceMs));
  }
}

unsigned int ORV_GetTime() {
  double ms = std::floor(orv::ticks_to_ms(platform::query_counter()));
  // Keep the low 32 bits, as an unsigned wrap of the millisecond count.
  return static_cast<unsigned int>(static_cast<std::uint64_t>(static_cast<std::int64_t>(ms)));
}

void ORV_Pause(const char* text) {
  std::u16string message = orv::to_platform_text(text ? text : "", 256);
  platform::message_box({}, message, u"Pause");
}
