// The installed back end.
#include "platform/backend.h"

#include <atomic>

namespace platform {
namespace {

const Backend g_no_backend{};
std::atomic<const Backend*> g_backend{&g_no_backend};

}  // namespace

void set_backend(const Backend* backend) { g_backend.store(backend ? backend : &g_no_backend); }

const Backend& current_backend() { return *g_backend.load(); }

}  // namespace platform
