// lenticular: the lenticular composer. Drop a strip of pictures on the main
// window (it becomes image 0), press Start, tune the output with the 31
// buttons and the input box; "cap" saves lenti_test.png, "break" ends a run.
#include "composer/main_loop.h"
#include "composer/ready.h"
#include "framework/orvlib.h"

void ORV_Ready() {
  composer::ready();
}

int ORV_Main() {
  return composer::run_composer();
}
