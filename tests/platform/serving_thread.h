// A thread that owns windows and serves them, as the worker does, and runs
// pieces of test code on itself.
#pragma once

#include <atomic>
#include <functional>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/queue.h"

class ServingThread {
 public:
  ServingThread() : thread_([this] { loop(); }) {}
  ~ServingThread() {
    stop_ = true;
    thread_.join();
  }

  // Runs fn on the serving thread and returns its result.
  template <class Fn>
  auto run(Fn fn) -> decltype(fn()) {
    std::packaged_task<decltype(fn())()> task(std::move(fn));
    auto result = task.get_future();
    {
      std::lock_guard lock(mutex_);
      tasks_.emplace_back([&task] { task(); });
    }
    return result.get();
  }

  platform::ThreadId id() {
    return run([] { return platform::current_thread_id(); });
  }

 private:
  void loop() {
    while (!stop_) {
      std::vector<std::function<void()>> tasks;
      {
        std::lock_guard lock(mutex_);
        tasks.swap(tasks_);
      }
      for (auto& task : tasks) task();
      platform::pump_pending();
      platform::wait_message(1);
    }
  }

  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::vector<std::function<void()>> tasks_;
  std::thread thread_;
};
