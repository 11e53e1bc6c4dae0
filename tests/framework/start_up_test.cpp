// Start-up with no threads or little memory: the demo ends with one line on
// stderr and code 1, never with a signal.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

// The sanitizers reserve more address space at start than the low limits
// leave, so those rows cannot run under them.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif
#else
constexpr bool kAddressSanitizer = false;
#endif

constexpr uid_t kNobody = 65534;

struct Outcome {
  int status = 0;
  std::string err;
};

// Runs the headless demo, which exits at once, under one resource limit;
// `as_nobody`: as a user of no other processes, since the process limit
// does not bind root.
Outcome run_limited(int resource, rlim_t limit, bool as_nobody, const std::string& folder) {
  int err[2];
  if (pipe(err) != 0) return {};
  pid_t child = fork();
  if (child == 0) {
    dup2(err[1], 2);
    close(err[0]);
    int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    if (chdir(folder.c_str()) != 0) _exit(97);
    setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
    setenv("ORV_BACKEND", "headless", 1);
    setenv("ORV_PERSON", "exit", 1);
    setenv("ASAN_OPTIONS", "detect_leaks=0", 1);  // the leak check needs a thread of its own
    if (as_nobody && (setgid(kNobody) != 0 || setuid(kNobody) != 0)) _exit(98);
    rlimit r{limit, limit};
    if (setrlimit(resource, &r) != 0) _exit(99);
    execl(ORV_DEMO, ORV_DEMO, static_cast<char*>(nullptr));
    _exit(96);
  }
  close(err[1]);
  Outcome outcome;
  char buffer[512];
  for (ssize_t n; (n = read(err[0], buffer, sizeof buffer)) > 0;) outcome.err.append(buffer, n);
  close(err[0]);
  waitpid(child, &outcome.status, 0);
  return outcome;
}

TEST(StartUpTest, NoThreadsOrLittleMemoryEndWithOneLineAndCodeOne) {
  struct Row {
    const char* what;
    int resource;
    rlim_t limit;
    bool as_nobody;
  };
  const Row rows[] = {
      {"no second thread", RLIMIT_NPROC, 1, true},
      {"no third thread", RLIMIT_NPROC, 2, true},
      {"80 MB of address space", RLIMIT_AS, 80u << 20, false},
      {"96 MB of address space", RLIMIT_AS, 96u << 20, false},
  };
  std::string folder = (std::filesystem::temp_directory_path() / "orv-start-XXXXXX").string();
  ASSERT_NE(mkdtemp(folder.data()), nullptr);
  bool root = getuid() == 0;
  if (root) ASSERT_EQ(chown(folder.c_str(), kNobody, kNobody), 0);
  int run = 0;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    if (row.resource == RLIMIT_AS && kAddressSanitizer) {
      std::printf("skipped %s: AddressSanitizer cannot run in a small address space\n", row.what);
      continue;
    }
    if (row.as_nobody && !root) {
      std::printf("skipped %s: only root can run the demo as a user of no processes\n", row.what);
      continue;
    }
    ++run;
    Outcome outcome = run_limited(row.resource, row.limit, row.as_nobody, folder);
    ASSERT_TRUE(WIFEXITED(outcome.status)) << outcome.err;
    EXPECT_EQ(WEXITSTATUS(outcome.status), 1) << outcome.err;
    EXPECT_EQ(std::count(outcome.err.begin(), outcome.err.end(), '\n'), 1) << outcome.err;
    EXPECT_TRUE(outcome.err.ends_with("\n")) << outcome.err;
  }
  std::filesystem::remove_all(folder);
  if (run == 0) GTEST_SKIP() << "no row can run in this build or as this user";
}

}  // namespace
