// What the desktop tests share: a worker thread that owns windows and serves
// them as the framework's worker does (with dialog navigation for one box),
// the GUI thread's wait, and a log of what window procedures received.
#pragma once

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/dialog_keys.h"
#include "platform/queue.h"
#include "platform/window.h"

namespace qt_test {

// Runs the GUI thread's events and queue until `done` holds; false after 5 s.
template <class Done>
bool spin_until(Done done, int timeout_ms = 5000) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    platform::pump_pending();
    platform::wait_message(5);
  }
  return true;
}

// Serves the GUI thread for a while: a window's first geometry settles (a
// move Qt makes while showing it reaches the record after 30 ms).
inline void pump_for(int ms) {
  spin_until([] { return false; }, ms);
}

// Lines written by window procedures on any thread.
class Log {
 public:
  void add(std::string line) {
    std::lock_guard lock(mutex_);
    lines_.push_back(std::move(line));
  }
  std::vector<std::string> lines() {
    std::lock_guard lock(mutex_);
    return lines_;
  }
  bool has(const std::string& line) {
    std::vector<std::string> all = lines();
    return std::find(all.begin(), all.end(), line) != all.end();
  }
  void clear() {
    std::lock_guard lock(mutex_);
    lines_.clear();
  }

 private:
  std::mutex mutex_;
  std::vector<std::string> lines_;
};

class Worker {
 public:
  Worker() : thread_([this] { loop(); }) {}
  ~Worker() {
    stop_ = true;
    thread_.join();
  }

  // Runs fn on the worker while the GUI thread keeps serving its events.
  void run(std::function<void()> fn) {
    auto done = std::make_shared<std::atomic<bool>>(false);
    {
      std::lock_guard lock(mutex_);
      tasks_.push_back([fn, done] {
        fn();
        done->store(true);
      });
    }
    spin_until([&] { return done->load(); }, 20000);
  }
  // Starts fn on the worker and returns at once.
  void start(std::function<void()> fn) {
    std::lock_guard lock(mutex_);
    tasks_.push_back(std::move(fn));
  }
  std::atomic<platform::Window> box{};

 private:
  void loop() {
    while (!stop_) {
      std::vector<std::function<void()>> tasks;
      {
        std::lock_guard lock(mutex_);
        tasks.swap(tasks_);
      }
      for (auto& task : tasks) task();
      platform::Msg msg;
      while (platform::peek_message(msg, true)) {
        if (msg.kind == platform::MsgKind::Quit) break;
        if (platform::dialog_message(box.load(), msg)) continue;
        platform::translate_message(msg);
        platform::dispatch_message(msg);
      }
      platform::wait_message(2);
    }
  }

  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::vector<std::function<void()>> tasks_;
  std::thread thread_;
};

}  // namespace qt_test
