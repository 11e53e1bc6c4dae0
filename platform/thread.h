// Threads, sleeping and the high-resolution counter.
//
// A thread runs a procedure without argument; its exit code reads
// kStillActive (259) until the procedure returns. No thread is ever killed:
// abandon_thread() fixes the exit code and lets the process end around the
// thread (see exit_process()).
#pragma once

#include <cstdint>
#include <memory>

namespace platform {

constexpr int kStillActive = 259;

using ThreadProc = int (*)();
using ThreadId = std::uint64_t;

struct ThreadRecord;
using Thread = std::shared_ptr<ThreadRecord>;

// Starts proc on a new thread; empty on failure.
Thread start_thread(ThreadProc proc);
// The procedure's result, kStillActive while it runs, or the abandon code.
int thread_exit_code(const Thread& thread);
ThreadId thread_id(const Thread& thread);
// Gives up on a running thread: its exit code reads `code` from now on.
void abandon_thread(const Thread& thread, int code);
// Waits for a thread that is not abandoned to finish (test and shutdown use).
void join_thread(const Thread& thread);
// True once any thread was abandoned in this process.
bool any_thread_abandoned();

ThreadId current_thread_id();

// 0 yields the processor; otherwise sleeps at least ms milliseconds.
void sleep_ms(int ms);

// The 64-bit counter and its ticks per second.
std::int64_t query_counter();
std::int64_t counter_frequency();
// Replaces the counter source (tests); nullptr restores the real clock.
using CounterSource = std::int64_t (*)();
void set_counter_source(CounterSource source, std::int64_t frequency);

// Ends the process with `code`. When a thread was abandoned, static
// destruction is skipped so that the still running thread cannot touch
// destroyed objects.
[[noreturn]] void exit_process(int code);

}  // namespace platform
