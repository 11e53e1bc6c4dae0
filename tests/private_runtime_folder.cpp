// Every test process publishes its window classes (lock files) in a runtime
// folder of its own, removed when the process ends, so that tests never
// touch the user's folder nor leave one behind.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

std::string g_folder;
pid_t g_owner = 0;

void remove_folder() {
  if (getpid() != g_owner) return;  // a forked child leaves its parent's folder alone
  std::error_code ignored;
  std::filesystem::remove_all(g_folder, ignored);
}

const bool g_made = [] {
  std::string pattern = (std::filesystem::temp_directory_path() / "orv-run-XXXXXX").string();
  if (!mkdtemp(pattern.data())) return false;
  g_folder = pattern;
  g_owner = getpid();
  setenv("XDG_RUNTIME_DIR", g_folder.c_str(), 1);
  std::atexit(remove_folder);
  return true;
}();

}  // namespace
