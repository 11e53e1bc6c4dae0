// The baseline the framework benchmarks give their times against: one
// memcpy of the bytes an operation touches, measured in the same run.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <vector>

#include <benchmark/benchmark.h>

namespace bench {

using Clock = std::chrono::steady_clock;

inline double seconds_since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

inline void copy_once(std::vector<std::uint8_t>& to, const std::vector<std::uint8_t>& from) {
  std::memcpy(to.data(), from.data(), from.size());
  benchmark::DoNotOptimize(to.data());
  benchmark::ClobberMemory();
}

// The baseline of this run, in seconds: measured at start, then again by
// memcpy_benchmark, which runs before the benchmarks that use it.
inline double& memcpy_seconds() {
  static double seconds = 0;
  return seconds;
}

// Median of 41 copies of `bytes`.
inline double median_memcpy(std::size_t bytes) {
  std::vector<std::uint8_t> a(bytes, 1), b(bytes, 2);
  std::vector<double> times;
  for (int i = 0; i < 41; ++i) {
    auto t0 = Clock::now();
    copy_once(b, a);
    times.push_back(seconds_since(t0));
  }
  std::nth_element(times.begin(), times.begin() + 20, times.end());
  return times[20];
}

// `timed` is the time of all iterations: sets the counter "x_memcpy" and the
// bytes processed; returns the time of one iteration.
inline double report_ratio(benchmark::State& state, double timed, std::size_t bytes) {
  double iterations = double(std::max<benchmark::IterationCount>(1, state.iterations()));
  double seconds = timed / iterations;
  state.counters["x_memcpy"] = seconds / memcpy_seconds();
  state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(bytes));
  return seconds;
}

// The body of a benchmark that measures the baseline itself.
inline void memcpy_benchmark(benchmark::State& state, std::size_t bytes) {
  std::vector<std::uint8_t> a(bytes, 1), b(bytes, 2);
  auto start = Clock::now();
  for (auto _ : state) copy_once(b, a);
  double seconds = report_ratio(state, seconds_since(start), bytes);
  if (state.iterations() > 0) memcpy_seconds() = seconds;
}

}  // namespace bench
