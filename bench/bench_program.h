// What the benchmarks that run as user programs of the framework share: a
// runtime folder of their own and the main-window commands they press.
#pragma once

#include <string>

namespace bench {

// XDG_RUNTIME_DIR set to a new folder for this run, so that its instance
// slots are its own whatever else runs on the machine; removed at the end.
class PrivateRuntimeFolder {
 public:
  PrivateRuntimeFolder();
  ~PrivateRuntimeFolder();
  PrivateRuntimeFolder(const PrivateRuntimeFolder&) = delete;
  PrivateRuntimeFolder& operator=(const PrivateRuntimeFolder&) = delete;
  // Removes it now (a program that ends with exit_process runs no destructor).
  void remove();

 private:
  std::string path_;
};

// Posts a main-window command (Start, Exit) as the menu does.
void press(int command);

}  // namespace bench
