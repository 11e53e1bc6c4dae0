// The headless back end: windows exist only as platform records; popups and
// message boxes are shown to the test driver (driver.cpp).
#include <cstdio>
#include <map>
#include <mutex>

#include "platform/backend.h"
#include "platform/headless/driver.h"
#include "platform/headless/modal.h"

namespace headless {
namespace {

std::mutex g_present_mutex;
std::map<std::uint32_t, int> g_presents;

void present(Window window) {
  std::lock_guard lock(g_present_mutex);
  ++g_presents[window.id];
}

void forget(Window window) {
  std::lock_guard lock(g_present_mutex);
  g_presents.erase(window.id);
}

const platform::Backend g_backend = [] {
  platform::Backend b;
  b.name = "headless";
  b.window_destroyed = forget;
  b.present = present;
  b.popup_menu = show_popup;
  b.message_box = show_message_box;
  return b;
}();

}  // namespace

const platform::Backend* backend() {
  return &g_backend;
}

int present_count(Window window) {
  std::lock_guard lock(g_present_mutex);
  auto it = g_presents.find(window.id);
  return it == g_presents.end() ? 0 : it->second;
}

}  // namespace headless
