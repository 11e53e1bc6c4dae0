// The installed back end and the shutdown flag.
#include "platform/backend.h"

#include <atomic>

namespace platform {
namespace {

const Backend g_no_backend{};
std::atomic<const Backend*> g_backend{&g_no_backend};
std::atomic<bool> g_shutting_down{false};

}  // namespace

void set_backend(const Backend* backend) {
  g_backend.store(backend ? backend : &g_no_backend);
}

const Backend& current_backend() {
  return *g_backend.load();
}

void begin_shutdown() {
  if (g_shutting_down.exchange(true)) return;
  if (current_backend().shutdown) current_backend().shutdown();
}

bool shutting_down() {
  return g_shutting_down.load();
}

void reset_shutdown_for_tests() {
  g_shutting_down.store(false);
}

}  // namespace platform
