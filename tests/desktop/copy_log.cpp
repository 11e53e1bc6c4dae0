// A user program for the log on a desktop: text window 0 near the top left;
// each Start prints two lines into it and says so on standard output.
#include <cstdio>

#include "framework/orvlib.h"

void ORV_Ready() {
  ORV_OpenTextWindow(0, 40, 40, 400, 200);
  ORV_Print("ready\n");
}

int ORV_Main() {
  ORV_Print("first line\n");
  ORV_Print("second %d\n", 2);
  std::printf("printed\n");
  std::fflush(stdout);
  return 0;
}
