// One small pool of threads for the composer's row loops. Rows of the
// renderers and resamplers are independent, so a loop is cut into bands
// that the pool's threads and the caller take in turn; each row is computed
// by the same arithmetic whichever thread takes it, so the pixels never
// depend on the number of threads.
#pragma once

#include <functional>

namespace composer {

// Sets the number of threads the loops use, the caller included (1: the
// caller alone; 0 or less: one per core). Threads that cannot be started are
// done without. Call it between loops, never inside one.
void set_thread_count(int threads);
// The number of threads in use.
int thread_count();
// Calls work(begin, end) for consecutive bands that cover [0, count),
// spread over the pool; returns when every band is done. Bands are at least
// `grain` items long.
void parallel_for(int count, int grain, const std::function<void(int begin, int end)>& work);

}  // namespace composer
