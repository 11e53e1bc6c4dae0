#include "bench/bench_program.h"

#include <stdlib.h>

#include <filesystem>
#include <system_error>

#include "framework/core/main_window.h"
#include "platform/queue.h"
#include "platform/window.h"

namespace bench {

PrivateRuntimeFolder::PrivateRuntimeFolder() {
  std::string folder = (std::filesystem::temp_directory_path() / "orv-bench-XXXXXX").string();
  if (mkdtemp(folder.data())) {
    path_ = folder;
    setenv("XDG_RUNTIME_DIR", path_.c_str(), 1);
  }
}

PrivateRuntimeFolder::~PrivateRuntimeFolder() {
  remove();
}

void PrivateRuntimeFolder::remove() {
  std::error_code ignored;
  if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  path_.clear();
}

void press(int command) {
  platform::Msg msg;
  msg.kind = platform::MsgKind::Command;
  msg.command = command;
  msg.notify = platform::kNotifyMenu;
  platform::post_message(orv::main_window(), msg);
}

}  // namespace bench
