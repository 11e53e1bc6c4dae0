// Threads on std::thread; the counter on the steady clock in nanoseconds.
#include "platform/thread.h"

#include <unistd.h>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <system_error>
#include <thread>

namespace platform {

struct ThreadRecord {
  std::thread thread;
  std::atomic<int> exit_code{kStillActive};
  std::atomic<bool> abandoned{false};
  ThreadId id = 0;
};

namespace {

std::atomic<bool> g_any_abandoned{false};
std::atomic<CounterSource> g_counter_source{nullptr};
std::atomic<std::int64_t> g_counter_frequency{1'000'000'000};

std::int64_t steady_nanoseconds() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

ThreadId current_thread_id() {
  static std::atomic<ThreadId> next{1};
  thread_local ThreadId id = next.fetch_add(1);
  return id;
}

Thread start_thread(ThreadProc proc) {
  std::atomic<ThreadId> started_id{0};
  Thread record;
  // No thread for the process (its limit reached) or no memory for a stack:
  // the caller decides, as for any failed start.
  try {
    record = std::make_shared<ThreadRecord>();
    // The record is shared with the thread so an abandoned thread may
    // outlive every handle the caller keeps.
    record->thread = std::thread([record, proc, &started_id] {
      started_id.store(current_thread_id());
      started_id.notify_one();
      int code = proc();
      if (!record->abandoned.load()) record->exit_code.store(code);
    });
  } catch (const std::system_error&) {
    return {};
  } catch (const std::bad_alloc&) {
    return {};
  }
  started_id.wait(0);
  record->id = started_id.load();
  return record;
}

int thread_exit_code(const Thread& thread) {
  return thread ? thread->exit_code.load() : 0;
}

ThreadId thread_id(const Thread& thread) {
  return thread ? thread->id : 0;
}

void abandon_thread(const Thread& thread, int code) {
  if (!thread || thread->abandoned.exchange(true)) return;
  thread->exit_code.store(code);
  g_any_abandoned.store(true);
  if (thread->thread.joinable()) thread->thread.detach();
}

void join_thread(const Thread& thread) {
  if (thread && !thread->abandoned.load() && thread->thread.joinable() &&
      thread->thread.get_id() != std::this_thread::get_id())
    thread->thread.join();
}

bool any_thread_abandoned() {
  return g_any_abandoned.load();
}

void sleep_ms(int ms) {
  if (ms <= 0)
    std::this_thread::yield();
  else
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

std::int64_t query_counter() {
  CounterSource source = g_counter_source.load();
  return source ? source() : steady_nanoseconds();
}

std::int64_t counter_frequency() {
  return g_counter_frequency.load();
}

void set_counter_source(CounterSource source, std::int64_t frequency) {
  g_counter_source.store(source);
  g_counter_frequency.store(source ? frequency : 1'000'000'000);
}

void exit_process(int code) {
  std::fflush(nullptr);
  if (any_thread_abandoned()) _exit(code);
  std::exit(code);
}

}  // namespace platform
