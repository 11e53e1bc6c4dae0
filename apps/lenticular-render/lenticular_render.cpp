// lenticular-render: the lenticular composer without a display. The options
// give what a person would type and press; the composer's core renders the
// state they leave straight into the output file, with no windows.
#include <cstdio>
#include <new>
#include <string>

#include "composer/batch.h"
#include "framework/orvlib.h"

// The batch renderer never starts the framework (it uses only calls that
// need none running), so these hooks are never called; a program has them.
void ORV_Ready() {}
int ORV_Main() {
  return 0;
}

int main(int argc, char** argv) {
  std::string error;
  composer::BatchOptions options;
  if (!composer::parse_batch_options(argc, argv, &options, &error)) {
    std::fprintf(stderr, "lenticular-render: %s (--help lists the options)\n", error.c_str());
    return 2;
  }
  if (options.help) {
    std::fputs(composer::kBatchUsage, stdout);
    return 0;
  }
  int code = 1;
  try {
    code = composer::run_batch(options, &error);
  } catch (const std::bad_alloc&) {
    error = "not enough memory";
    code = 1;
  }
  if (!error.empty()) std::fprintf(stderr, "lenticular-render: %s\n", error.c_str());
  if (code == 0 && !options.note.empty()) std::printf("%s\n", options.note.c_str());
  return code;
}
