// Helpers of the log and console command tests: a private working folder,
// files read back whole, and console commands run on the worker.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <future>
#include <memory>
#include <sstream>
#include <string>

#include "framework/console/log_file.h"
#include "framework/core/console_commands.h"
#include "platform/text/clipboard.h"
#include "tests/framework/console/console_test.h"

namespace log_test {

namespace fs = std::filesystem;

// The current folder while it lives: a new empty folder, removed with
// everything in it afterwards. Made before the framework starts, which
// takes its working folder (where logs go) from the current folder.
struct PrivateFolder {
  fs::path previous = fs::current_path();
  fs::path path;
  PrivateFolder() {
    std::string pattern = (fs::temp_directory_path() / "orv-log-XXXXXX").string();
    if (mkdtemp(pattern.data())) path = pattern;
    fs::current_path(path);
  }
  ~PrivateFolder() {
    fs::current_path(previous);
    std::error_code ignored;
    fs::remove_all(path, ignored);
  }
  std::string file(const std::string& name) const { return (path / name).string(); }
};

inline std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

// Whether this process holds a descriptor on the file at path.
inline bool file_is_open(const std::string& path) {
  std::error_code error;
  fs::path wanted = fs::weakly_canonical(path, error);
  for (const auto& entry : fs::directory_iterator("/proc/self/fd", error)) {
    std::error_code link_error;
    fs::path target = fs::read_symlink(entry.path(), link_error);
    if (!link_error && target == wanted) return true;
  }
  return false;
}

inline std::string clipboard_text() {
  std::string text;
  if (!platform::clipboard_open()) return "<busy>";
  if (!platform::clipboard_get_text(&text)) text = "<none>";
  platform::clipboard_close();
  return text;
}

// One console command run on the worker; the line is typed as a person would.
inline int console_command(const std::u16string& line) {
  auto result = std::make_shared<int>(-1);
  std::future<void> done =
      test_program::on_worker_async([result] { *result = orv::run_console_command(); });
  test_program::answer_prompt(line);
  EXPECT_EQ(done.wait_for(std::chrono::seconds(10)), std::future_status::ready);
  return *result;
}

}  // namespace log_test
