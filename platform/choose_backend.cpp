// The choice between the desktop and the headless back end at start.
#include "platform/choose_backend.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/headless/driver.h"
#ifdef ORV_WITH_QT
#include "platform/qt/qt_backend.h"
#endif

namespace platform {
namespace {

std::string env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

const Backend* desktop_backend(int& argc, char** argv) {
#ifdef ORV_WITH_QT
  return qt::choose_backend(argc, argv);
#else
  (void)argc;
  (void)argv;
  std::fprintf(stderr, "orvlib: built without the desktop back end; use ORV_BACKEND=headless\n");
  return nullptr;
#endif
}

}  // namespace

const Backend* choose_backend(int& argc, char** argv, const char* desktop_only) {
  std::string forced = env("ORV_BACKEND");
  if (forced == "headless") return headless::backend();
  if (!forced.empty() && forced != "qt") {
    std::fprintf(stderr, "orvlib: ORV_BACKEND=%s is neither headless nor qt\n", forced.c_str());
    return nullptr;
  }
  if (forced.empty() && env("DISPLAY").empty() && env("QT_QPA_PLATFORM").empty()) {
    if (desktop_only) {
      std::fprintf(stderr, "%s\n", desktop_only);
      return nullptr;
    }
    std::fprintf(stderr, "orvlib: no X display (DISPLAY is not set); running headless\n");
    return headless::backend();
  }
  return desktop_backend(argc, argv);
}

}  // namespace platform
