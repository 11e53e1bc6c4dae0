// The worker thread: runs ORV_Ready once, then idles, serving its windows
// and running ORV_Main on each Start, until Exit.
#include "framework/core/run_state.h"

#include "framework/orvlib.h"
#include "platform/queue.h"

std::atomic<int> orv_start_req{0};
std::atomic<int> orv_running{0};
std::atomic<int> orv_stop_req{0};
std::atomic<int> orv_exit_state{0};

namespace orv {
namespace {

platform::Thread g_worker;
platform::Window g_main_window;

int worker_body() {
  ORV_Ready();
  while (orv_exit_state.load() == 0) {
    platform::sleep_ms(1);
    ORV_ProcessMessages();
    if (orv_start_req.load() == 1 && orv_running.load() == 0) {
      platform::accept_drops(g_main_window, false);
      orv_running.store(1);
      orv_start_req.store(0);
      orv_stop_req.store(0);
      ORV_Main();
      if (orv_exit_state.load() != 0) break;
      orv_running.store(0);
      orv_stop_req.store(0);
      platform::accept_drops(g_main_window, true);
    }
  }
  orv_exit_state.store(2);
  ORV_ProcessMessages();
  return 0;
}

}  // namespace

bool start_worker(platform::Window main_window) {
  g_main_window = main_window;
  g_worker = platform::start_thread(worker_body);
  return g_worker != nullptr;
}

const platform::Thread& worker_thread() { return g_worker; }

// A Start during a run is dropped, not queued.
void command_start() {
  if (orv_running.load() == 0) orv_start_req.store(1);
}

void command_stop() { orv_stop_req.store(1); }

void run_exit_sequence() {
  orv_stop_req.store(1);
  orv_exit_state.store(1);
  unsigned t0 = ORV_GetTime();
  while (platform::thread_exit_code(g_worker) == platform::kStillActive) {
    if (ORV_GetTime() - t0 > kExitGraceMs) break;
    platform::sleep_ms(0);
  }
  if (platform::thread_exit_code(g_worker) == platform::kStillActive)
    platform::abandon_thread(g_worker, 1);
  else
    platform::join_thread(g_worker);
  int finished = 1;
  orv_exit_state.compare_exchange_strong(finished, 2);
}

void reset_run_state_for_tests() {
  orv_start_req.store(0);
  orv_running.store(0);
  orv_stop_req.store(0);
  orv_exit_state.store(0);
  g_worker.reset();
  g_main_window = {};
}

}  // namespace orv
