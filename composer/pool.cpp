// The thread pool: workers that sleep on a condition variable between loops
// and take bands from a shared counter during one.
#include "composer/pool.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace composer {
namespace {

struct Loop {
  const std::function<void(int, int)>* work = nullptr;
  int count = 0;
  int band = 1;
  std::atomic<int> next{0};
};

struct Pool {
  std::mutex mutex;
  std::condition_variable wake, done;
  std::vector<std::thread> workers;
  Loop* loop = nullptr;
  unsigned generation = 0;
  int busy = 0;  // workers still inside the current loop
  bool stopping = false;
  int threads = 0;  // 0 until first used: then one per core

  ~Pool() { stop(); }

  void stop() {
    {
      std::lock_guard<std::mutex> lock(mutex);
      stopping = true;
    }
    wake.notify_all();
    for (std::thread& t : workers) t.join();
    workers.clear();
    stopping = false;
  }

  static void take_bands(Loop& loop) {
    for (;;) {
      int begin = loop.next.fetch_add(loop.band);
      if (begin >= loop.count) return;
      (*loop.work)(begin, std::min(loop.count, begin + loop.band));
    }
  }

  // `seen`: the generation when the thread was made, between loops, so the
  // next loop is the first it serves.
  void serve(unsigned seen) {
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
      wake.wait(lock, [&] { return stopping || generation != seen; });
      if (stopping) return;
      seen = generation;
      Loop* current = loop;
      lock.unlock();
      take_bands(*current);
      lock.lock();
      if (--busy == 0) done.notify_one();
    }
  }

  void start(int wanted) {
    stop();
    threads = 1;
    for (int i = 1; i < wanted; ++i) {
      try {
        workers.emplace_back([this, seen = generation] { serve(seen); });
        ++threads;
      } catch (const std::system_error&) {
        break;  // no more threads to be had: the loops run on fewer
      }
    }
  }
};

Pool& pool() {
  static Pool p;
  return p;
}

int cores() {
  return std::max(1, int(std::thread::hardware_concurrency()));
}

}  // namespace

void set_thread_count(int threads) {
  pool().start(threads > 0 ? threads : cores());
}

int thread_count() {
  Pool& p = pool();
  if (p.threads == 0) p.start(cores());
  return p.threads;
}

void parallel_for(int count, int grain, const std::function<void(int, int)>& work) {
  if (count <= 0) return;
  Pool& p = pool();
  const int threads = thread_count();
  // About four bands a thread balance uneven rows without much hand-over.
  int band = std::max(std::max(grain, 1), (count + 4 * threads - 1) / (4 * threads));
  if (threads == 1 || band >= count) {
    work(0, count);
    return;
  }
  Loop loop;
  loop.work = &work;
  loop.count = count;
  loop.band = band;
  {
    std::lock_guard<std::mutex> lock(p.mutex);
    p.loop = &loop;
    p.busy = int(p.workers.size());
    ++p.generation;
  }
  p.wake.notify_all();
  Pool::take_bands(loop);
  std::unique_lock<std::mutex> lock(p.mutex);
  p.done.wait(lock, [&] { return p.busy == 0; });
  p.loop = nullptr;
}

}  // namespace composer
