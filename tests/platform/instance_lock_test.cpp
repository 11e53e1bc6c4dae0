// Finding a window class across processes through its lock file.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>

#include "platform/headless/driver.h"
#include "platform/window.h"

namespace {

std::intptr_t plain_proc(platform::Window w, platform::Msg& m) {
  return platform::default_window_proc(w, m);
}

class InstanceLockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ =
        std::filesystem::temp_directory_path() / ("orv-lock-test-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder_);
    setenv("XDG_RUNTIME_DIR", folder_.c_str(), 1);
    platform::reset_windows_for_tests();
    platform::set_backend(headless::backend());
    platform::register_class({"orv_lock_probe", plain_proc});
  }
  void TearDown() override {
    platform::reset_windows_for_tests();
    std::filesystem::remove_all(folder_);
  }

  // Whether a fresh process finds the class; `through_lock_file`: the
  // process does not share this one's windows, only its lock files.
  static bool found_by_other_process(bool through_lock_file = false) {
    pid_t pid = fork();
    if (pid == 0) {
      if (through_lock_file) platform::reset_windows_for_tests();
      _exit(platform::find_window_by_class("orv_lock_probe") ? 1 : 0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 1;
  }

  static platform::Window make() {
    platform::CreateParams params;
    params.class_name = "orv_lock_probe";
    params.outer = {0, 0, 200, 100};
    return platform::create_window(params);
  }

  std::filesystem::path folder_;
};

TEST_F(InstanceLockTest, AClassIsSeenWhileOneOfItsWindowsLives) {
  EXPECT_FALSE(platform::find_window_by_class("orv_lock_probe"));
  platform::Window a = make();
  platform::Window b = make();
  EXPECT_TRUE(platform::find_window_by_class("orv_lock_probe"));
  EXPECT_TRUE(found_by_other_process());
  std::filesystem::path session = folder_ / "orvlib" / "headless";
  platform::destroy_window(a);
  EXPECT_TRUE(found_by_other_process());  // b still holds it
  EXPECT_TRUE(std::filesystem::exists(session / "orv_lock_probe.lock"));
  platform::destroy_window(b);
  EXPECT_FALSE(std::filesystem::exists(session));  // the last holder leaves nothing behind
  EXPECT_FALSE(found_by_other_process());
  EXPECT_FALSE(platform::find_window_by_class("orv_lock_probe"));
  EXPECT_FALSE(std::filesystem::exists(session));  // nor does a probe
}

// Each display counts its own windows, and headless runs theirs: a
// headless test never takes a slot from the desktop program. A killed
// process leaves no class taken.
TEST_F(InstanceLockTest, EachSessionCountsItsOwnWindows) {
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  pid_t holder = fork();
  if (holder == 0) {
    make();  // a headless run's window
    char byte = 1;
    (void)!write(ready[1], &byte, 1);
    for (;;) pause();
  }
  char byte = 0;
  ASSERT_EQ(read(ready[0], &byte, 1), 1);
  close(ready[0]);
  close(ready[1]);
  static platform::Backend display_five = *headless::backend();
  display_five.session_name = [] { return std::string("x11:5"); };
  platform::set_backend(&display_five);
  EXPECT_FALSE(platform::find_window_by_class("orv_lock_probe"));
  platform::set_backend(headless::backend());
  EXPECT_TRUE(platform::find_window_by_class("orv_lock_probe"));
  kill(holder, SIGKILL);
  waitpid(holder, nullptr, 0);
  EXPECT_FALSE(platform::find_window_by_class("orv_lock_probe"));
}

// A link planted where a lock file goes is never followed, and a lock
// folder that others can enter is not used.
TEST_F(InstanceLockTest, LinksAndFoldersOpenToOthersAreNotTrusted) {
  std::filesystem::path session = folder_ / "orvlib" / "headless";
  std::filesystem::create_directories(session);
  std::filesystem::permissions(folder_ / "orvlib", std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::replace);
  std::filesystem::permissions(session, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::replace);
  std::filesystem::create_symlink(folder_ / "victim", session / "orv_lock_probe.lock");
  platform::Window a = make();
  EXPECT_FALSE(std::filesystem::exists(folder_ / "victim"));
  platform::destroy_window(a);

  std::filesystem::remove(session / "orv_lock_probe.lock");
  std::filesystem::permissions(folder_ / "orvlib", std::filesystem::perms::all,
                               std::filesystem::perm_options::replace);
  bool shared_existed = std::filesystem::exists("/tmp/orvlib-" + std::to_string(getuid()));
  platform::Window b = make();
  EXPECT_FALSE(std::filesystem::exists(session / "orv_lock_probe.lock"));
  platform::destroy_window(b);
  if (!shared_existed) std::filesystem::remove_all("/tmp/orvlib-" + std::to_string(getuid()));
}

// Each folder of the lock path that someone else could have made or
// replaced is refused as the runtime folder's own is: locking goes on in a
// private folder elsewhere, across processes, and nothing is made through
// the planted folder.
TEST_F(InstanceLockTest, APlantedFolderOnTheLockPathIsRefusedAndLockingGoesOn) {
  namespace fs = std::filesystem;
  const fs::path session = folder_ / "orvlib" / "headless";
  const fs::path elsewhere = folder_ / "elsewhere";
  struct Row {
    const char* what;
    std::function<bool()> plant;  // false: this row cannot be set up here
  };
  const Row rows[] = {
      {"session folder is a link",
       [&] {
         fs::create_directories(elsewhere);
         fs::create_symlink(elsewhere, session);
         return true;
       }},
      {"session folder others may write to",
       [&] {
         fs::create_directory(session);
         fs::permissions(session, fs::perms::all, fs::perm_options::replace);
         return true;
       }},
      {"session folder of another user",
       [&] {
         fs::create_directory(session);
         return chown(session.c_str(), 65534, 65534) == 0;  // only root may give it away
       }},
  };
  const std::string shared = "/tmp/orvlib-" + std::to_string(getuid());
  bool shared_existed = fs::exists(shared);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    fs::create_directories(folder_ / "orvlib");
    fs::permissions(folder_ / "orvlib", fs::perms::owner_all, fs::perm_options::replace);
    if (!row.plant()) continue;
    platform::Window w = make();
    EXPECT_TRUE(found_by_other_process(true));
    platform::destroy_window(w);
    EXPECT_FALSE(found_by_other_process(true));
    EXPECT_TRUE(fs::is_empty(fs::is_symlink(session) ? elsewhere : session));
    fs::remove_all(folder_ / "orvlib");
    fs::remove_all(elsewhere);
  }
  if (!shared_existed) fs::remove_all(shared);
}

// Of several processes that claim a class at the same moment, exactly one
// gets it; the others, and this process again, are refused until released.
TEST_F(InstanceLockTest, AClassIsClaimedByOneProcessOnly) {
  int go[2], results[2], done[2];
  ASSERT_EQ(pipe(go), 0);
  ASSERT_EQ(pipe(results), 0);
  ASSERT_EQ(pipe(done), 0);
  pid_t children[6];
  for (pid_t& child : children) {
    child = fork();
    if (child == 0) {
      close(go[1]);
      close(done[1]);
      char byte = 0;
      (void)!read(go[0], &byte, 1);  // all start at once when the pipe closes
      byte = platform::claim_class("orv_lock_probe") ? 1 : 0;
      (void)!write(results[1], &byte, 1);
      (void)!read(done[0], &byte, 1);  // holds the claim until every child has tried
      _exit(0);
    }
  }
  close(go[0]);
  close(go[1]);
  int claimed = 0;
  for (std::size_t i = 0; i < std::size(children); ++i) {
    char byte = 0;
    ASSERT_EQ(read(results[0], &byte, 1), 1);
    claimed += byte;
  }
  close(done[1]);
  for (pid_t child : children) waitpid(child, nullptr, 0);
  close(done[0]);
  close(results[0]);
  close(results[1]);
  EXPECT_EQ(claimed, 1);
  ASSERT_TRUE(platform::claim_class("orv_lock_probe"));
  EXPECT_FALSE(platform::claim_class("orv_lock_probe"));
  EXPECT_TRUE(found_by_other_process());
  platform::release_class("orv_lock_probe");
  EXPECT_FALSE(found_by_other_process());
  EXPECT_TRUE(std::filesystem::is_empty(folder_ / "orvlib"));
}

}  // namespace
