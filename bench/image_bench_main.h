// The program around benchmarks that work on one 32-bit image of a running
// headless framework: ORV_Ready presses Start; ORV_Main makes the image,
// measures the memcpy baseline of its bytes and runs the registered
// benchmarks on the worker thread, which owns the image; then Exit.
#pragma once

namespace bench {

struct ImageBenchSetup {
  const char* program;  // for messages
  const char* title;
  int id;
  int width;
  int height;
};

// Defined by each benchmark program built with image_bench_main.cpp.
extern const ImageBenchSetup kImageBench;

}  // namespace bench
