// The worker thread and the Start, Stop and Exit commands (internal).
#pragma once

#include "platform/thread.h"
#include "platform/window.h"

namespace orv {

// Grace the worker gets to finish after Exit, in milliseconds.
constexpr unsigned kExitGraceMs = 2000;

// Starts the worker thread (from the main window's creation); false on failure.
bool start_worker(platform::Window main_window);
platform::Thread worker_thread();
// Whether ORV_Ready has returned.
bool ready_done();
// How many times ORV_Main has been called (a short run may be over before
// anyone sees orv_running set).
int runs_begun();
// Ends the worker's wait on its queue: a run-state value it polls has changed.
void wake_worker();

void command_start();
void command_stop();
// Steps of Exit up to the destruction of the main window, which the caller does.
void run_exit_sequence();

// Back to the state of a fresh process (tests).
void reset_run_state_for_tests();

}  // namespace orv
