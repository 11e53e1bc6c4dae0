// A small user program: counts in steps of 100 ms until Stop.
#include <cstdio>

#include "framework/orvlib.h"

void ORV_Ready() { std::printf("demo: ready\n"); }

int ORV_Main() {
  std::printf("demo: started\n");
  unsigned start = ORV_GetTime();
  int ticks = 0;
  while (ORV_Wait(100) == 0) std::printf("demo: tick %d\n", ++ticks);
  std::printf("demo: stopped after %u ms\n", ORV_GetTime() - start);
  std::fflush(stdout);
  return 0;
}
