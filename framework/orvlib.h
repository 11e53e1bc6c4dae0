// ORVLIB: the whole interface of a user program.
//
// A user program supplies two hooks and drives the framework's windows with
// the ORV_ calls. Texts cross every call as NUL-terminated strings in the
// system code page. Calls return 0 on success unless said otherwise.
#pragma once

#include <atomic>

// Hooks the user program supplies; both run on the worker thread.
void ORV_Ready();  // once, first thing at start-up: open windows, read settings
int ORV_Main();    // on each Start; the result is ignored

// Run state shared by the main and worker threads (lock-free, one writer at a time).
extern std::atomic<int> orv_start_req;   // 1: Start accepted, ORV_Main not yet begun
extern std::atomic<int> orv_running;     // 1: ORV_Main is executing
extern std::atomic<int> orv_stop_req;    // 1: Stop was requested; poll it in long loops
extern std::atomic<int> orv_exit_state;  // 0 running, 1 exit requested, 2 worker finished

// Dispatches every message already queued for the calling thread; never blocks. Returns 0.
int ORV_ProcessMessages();
// Waits ms milliseconds while dispatching messages; 1 as soon as Stop is
// requested, 0 when the time has passed (at once for ms <= 0).
int ORV_Wait(int ms);
// Milliseconds of the high-resolution counter, wrapping at 2^32: use differences.
unsigned int ORV_GetTime();
// Shows text in a modal box titled "Pause" and returns when OK is pressed.
void ORV_Pause(const char* text);

// Shows text (at most 63 bytes) centred in the main window's status line.
void ORV_SetStatusText(const char* text);
