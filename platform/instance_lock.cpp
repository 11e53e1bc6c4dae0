// Top-level window classes published across processes.
//
// While a process has a top-level window of a class, it holds a shared lock
// on the lock file named after the class; another process sees the class in
// use when it cannot take that lock exclusively. The kernel drops the lock
// when a process ends in any way, so a crash never leaves a class taken.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <map>
#include <mutex>
#include <string>

#include "platform/window.h"

namespace platform {
namespace {

struct ClassLock {
  int fd = -1;
  int windows = 0;
};

struct LockTable {
  std::mutex mutex;
  std::map<std::string, ClassLock> locks;
};

LockTable& lock_table() {
  static LockTable* instance = new LockTable;
  return *instance;
}

std::string lock_folder() {
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime)
    return std::string(runtime) + "/orvlib";
  return "/tmp/orvlib-" + std::to_string(getuid());
}

bool safe_class_name(const std::string& name) {
  if (name.empty() || name.size() > 100) return false;
  for (char c : name)
    if (c == '/' || c == '\0') return false;
  return name != "." && name != "..";
}

int open_lock_file(const std::string& class_name) {
  if (!safe_class_name(class_name)) return -1;
  std::string folder = lock_folder();
  mkdir(folder.c_str(), 0700);
  std::string path = folder + "/" + class_name + ".lock";
  return open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
}

}  // namespace

void take_class_lock(const std::string& class_name) {
  std::lock_guard guard(lock_table().mutex);
  ClassLock& lock = lock_table().locks[class_name];
  if (lock.windows++ > 0) return;
  lock.fd = open_lock_file(class_name);
  if (lock.fd >= 0) flock(lock.fd, LOCK_SH);  // a probe holds its exclusive lock only briefly
}

void release_class_lock(const std::string& class_name) {
  std::lock_guard guard(lock_table().mutex);
  auto it = lock_table().locks.find(class_name);
  if (it == lock_table().locks.end() || --it->second.windows > 0) return;
  if (it->second.fd >= 0) close(it->second.fd);
  lock_table().locks.erase(it);
}

bool find_window_by_class(const std::string& class_name) {
  if (find_local_window(class_name)) return true;
  int fd = open_lock_file(class_name);
  if (fd < 0) return false;
  bool taken = flock(fd, LOCK_EX | LOCK_NB) != 0;
  close(fd);  // also drops the probe's own lock
  return taken;
}

}  // namespace platform
