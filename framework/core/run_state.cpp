// The worker thread: runs ORV_Ready once, then idles, serving its windows
// and running ORV_Main on each Start, until Exit.
#include "framework/core/run_state.h"

#include "framework/console/log_file.h"
#include "framework/console/text_window.h"
#include "framework/core/snap.h"
#include "framework/core/window_requests.h"
#include "framework/orvlib.h"
#include "platform/backend.h"
#include "platform/queue.h"

#include <cstdio>
#include <mutex>

std::atomic<int> orv_start_req{0};
std::atomic<int> orv_running{0};
std::atomic<int> orv_stop_req{0};
std::atomic<int> orv_exit_state{0};

namespace orv {
namespace {

std::mutex g_worker_mutex;  // the handle is read by tests while the main thread sets it
platform::Thread g_worker;
std::atomic<platform::Window> g_main_window;

// The idle worker sleeps on its queue: messages, Start, Stop and Exit wake it
// (see wake_worker()), so this only bounds how long a missed wake could last.
constexpr int kIdleWaitMs = 100;

std::atomic<bool> g_ready_done{false};
std::atomic<int> g_runs_begun{0};

int worker_body() {
  ORV_Ready();
  g_ready_done = true;
  rebuild_snap_list();  // windows opened by ORV_Ready take part in snapping
  while (orv_exit_state.load() == 0) {
    ORV_ProcessMessages();
    serve_window_request();
    if (orv_start_req.load() == 1 && orv_running.load() == 0) {
      platform::accept_drops(g_main_window, false);
      orv_running.store(1);
      orv_start_req.store(0);
      orv_stop_req.store(0);
      ++g_runs_begun;
      ORV_Main();
      if (orv_exit_state.load() != 0) break;
      orv_running.store(0);
      orv_stop_req.store(0);
      platform::accept_drops(g_main_window, true);
      continue;
    }
    platform::wait_message(kIdleWaitMs);
  }
  orv_exit_state.store(2);
  ORV_ProcessMessages();
  return 0;
}

}  // namespace

bool start_worker(platform::Window main_window) {
  g_main_window = main_window;
  platform::Thread worker = platform::start_thread(worker_body);
  if (!worker) std::fprintf(stderr, "orvlib: no thread could be started for the program\n");
  std::lock_guard lock(g_worker_mutex);
  g_worker = worker;
  return g_worker != nullptr;
}

platform::Thread worker_thread() {
  std::lock_guard lock(g_worker_mutex);
  return g_worker;
}

bool ready_done() {
  return g_ready_done.load();
}

int runs_begun() {
  return g_runs_begun.load();
}

void wake_worker() {
  if (platform::Thread worker = worker_thread()) platform::wake_thread(platform::thread_id(worker));
}

// A Start during a run is dropped, not queued.
void command_start() {
  if (orv_running.load() == 0) orv_start_req.store(1);
  wake_worker();
}

void command_stop() {
  orv_stop_req.store(1);
  wake_worker();  // out of an ORV_Wait at once
}

void run_exit_sequence() {
  cancel_line_input();  // an ORV_Input waiting on any thread returns an empty line
  orv_stop_req.store(1);
  orv_exit_state.store(1);
  close_all_logs();
  wake_worker();
  platform::begin_shutdown();  // popups, boxes and dialogs still waiting give up now
  platform::Thread worker = worker_thread();
  unsigned t0 = ORV_GetTime();
  while (platform::thread_exit_code(worker) == platform::kStillActive) {
    if (ORV_GetTime() - t0 > kExitGraceMs) break;
    platform::sleep_ms(0);
  }
  if (platform::thread_exit_code(worker) == platform::kStillActive)
    platform::abandon_thread(worker, 1);
  else
    platform::join_thread(worker);
  // Again, for a log the worker started during the grace: none outlives Exit,
  // also not with a worker that never returns.
  close_all_logs();
  int finished = 1;
  orv_exit_state.compare_exchange_strong(finished, 2);
}

void reset_run_state_for_tests() {
  platform::reset_shutdown_for_tests();
  orv_start_req.store(0);
  orv_running.store(0);
  orv_stop_req.store(0);
  orv_exit_state.store(0);
  g_ready_done = false;
  std::lock_guard lock(g_worker_mutex);
  g_worker.reset();
  g_main_window = platform::Window{};
}

}  // namespace orv
