// lenticular-render: the lenticular composer without a display. It runs the
// framework on the headless back end, where a scripted person types the
// values and presses Start; the run itself is the composer's own code.
#include <atomic>
#include <cstdio>
#include <string>
#include <thread>

#include "composer/batch.h"
#include "framework/core/entry.h"
#include "framework/core/main_window.h"
#include "framework/main/person.h"
#include "framework/orvlib.h"
#include "platform/headless/driver.h"
#include "platform/thread.h"

namespace {

composer::BatchOptions g_options;
std::string g_error;  // written by the worker before ORV_Main returns
std::atomic<int> g_code{0};
std::atomic<bool> g_prepared{false};

}  // namespace

void ORV_Ready() {
  g_prepared = composer::prepare_batch(g_options, &g_error);
  if (!g_prepared) g_code = 2;
}

int ORV_Main() {
  if (g_prepared.exchange(false))
    g_code = g_options.chart ? composer::run_chart(g_options, &g_error)
                             : composer::run_batch(g_options, &g_error);
  return 0;
}

int main(int argc, char** argv) {
  std::string error;
  if (!composer::parse_batch_options(argc, argv, &g_options, &error)) {
    std::fprintf(stderr, "lenticular-render: %s (--help lists the options)\n", error.c_str());
    return 2;
  }
  if (g_options.help) {
    std::fputs(composer::kBatchUsage, stdout);
    return 0;
  }
  orv::set_drop_in_animated(false);  // nobody watches a batch run
  std::thread person = orv::start_scripted_person(composer::batch_person_script(g_options));
  int code = orv::run_program(headless::backend());
  orv::end_scripted_person(person);
  if (code == 0) code = g_code.load();
  if (!g_error.empty()) std::fprintf(stderr, "lenticular-render: %s\n", g_error.c_str());
  std::fflush(nullptr);
  platform::exit_process(code);
}
