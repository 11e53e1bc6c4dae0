// ORV_Ready, ORV_Main and main of the image benchmark programs.
#include "bench/image_bench_main.h"

#include <cstddef>
#include <cstdio>

#include <benchmark/benchmark.h>

#include "bench/bench_program.h"
#include "bench/memcpy_baseline.h"
#include "framework/core/entry.h"
#include "framework/core/main_window.h"
#include "framework/orvlib.h"
#include "imaging/install.h"
#include "platform/headless/driver.h"
#include "platform/thread.h"

namespace {

int g_status = 0;

}  // namespace

void ORV_Ready() {
  bench::press(orv::kCommandStart);
}

int ORV_Main() {
  const bench::ImageBenchSetup& s = bench::kImageBench;
  if (ORV_CreateImageFL(s.id, s.title, 0, 0, s.width, s.height, 100) != 0) {
    std::fprintf(stderr, "%s: the image could not be made\n", s.program);
    g_status = 1;
  } else {
    ORV_ProcessMessages();
    bench::memcpy_seconds() = bench::median_memcpy(std::size_t(s.width) * s.height * 4);
    benchmark::RunSpecifiedBenchmarks();
  }
  bench::press(orv::kCommandExit);
  return 0;
}

int main(int argc, char** argv) {
  // First: --help ends the process at once, before there is a folder to remove.
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  bench::PrivateRuntimeFolder folder;
  orv::install_imaging();  // the image windows' commands, as the framework's main does
  int code = orv::run_program(headless::backend());
  benchmark::Shutdown();
  folder.remove();
  platform::exit_process(code != 0 ? code : g_status);
}
