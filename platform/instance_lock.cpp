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

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>

#include "platform/backend.h"
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

// A folder other users can neither enter nor have replaced: a real
// directory (not a link to one) owned by this user, with no access for others.
bool private_folder(const std::string& path) {
  struct stat st;
  if (lstat(path.c_str(), &st) != 0) return false;
  return S_ISDIR(st.st_mode) && st.st_uid == getuid() && (st.st_mode & 077) == 0;
}

bool make_private_folder(const std::string& path) {
  mkdir(path.c_str(), 0700);
  return private_folder(path);
}

// A folder in which nobody else can create or replace a name: a real
// directory owned by this user that only this user may write to.
bool own_folder(const std::string& path) {
  struct stat st;
  if (lstat(path.c_str(), &st) != 0) return false;
  return S_ISDIR(st.st_mode) && st.st_uid == getuid() && (st.st_mode & 022) == 0;
}

// Session names become one path component.
std::string folder_name(std::string name) {
  for (char& c : name)
    if (c == '/' || c == '\0') c = '_';
  if (name.empty() || name == "." || name == "..") name = "_" + name;
  return name;
}

std::string g_fallback;  // the process's own lock folder, when it needed one

void remove_fallback_folder() {
  std::error_code ignored;
  if (!g_fallback.empty()) std::filesystem::remove_all(g_fallback, ignored);
}

// A private folder of this process's own, made once, with a note naming the
// folder that was refused: nobody else can hold its slots or plant links
// where its lock files go (instances are then not counted across processes).
std::string fallback_folder(const std::string& refused) {
  static std::string fallback = [&] {
    std::fprintf(stderr,
                 "orvlib: %s is not a private folder of this user; using one of this process\n",
                 refused.c_str());
    char name[] = "/tmp/orvlib-XXXXXX";
    if (!mkdtemp(name)) return std::string();
    std::atexit(remove_fallback_folder);
    return std::string(name);
  }();
  g_fallback = fallback;
  return fallback;
}

// One folder per desktop session: each display, and headless runs, count
// their own windows and instance slots. It lies in the runtime folder, else
// in /tmp/orvlib-<uid>; every component made there must be private to this
// user (a link, a foreign owner or a folder others may write to is refused),
// else the process takes a folder of its own rather than run unlocked.
std::string lock_folder() {
  const Backend& backend = current_backend();
  std::string session = folder_name(backend.session_name ? backend.session_name() : backend.name);
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR");
      runtime && *runtime && own_folder(runtime)) {
    std::string base = std::string(runtime) + "/orvlib";
    if (make_private_folder(base) && make_private_folder(base + "/" + session))
      return base + "/" + session;
  }
  std::string shared = "/tmp/orvlib-" + std::to_string(getuid());
  std::string folder = shared + "/" + session;
  if (make_private_folder(shared) && make_private_folder(folder)) return folder;
  std::string own = fallback_folder(private_folder(shared) ? folder : shared);
  if (own.empty()) return "";
  return make_private_folder(own + "/" + session) ? own + "/" + session : "";
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
  if (folder.empty()) return -1;
  std::string path = folder + "/" + class_name + ".lock";
  int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
  struct stat st;
  if (fd >= 0 && (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))) {
    close(fd);
    return -1;
  }
  return fd;
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

bool claim_class(const std::string& class_name) {
  if (find_local_window(class_name)) return false;
  std::lock_guard guard(lock_table().mutex);
  auto [it, fresh] = lock_table().locks.try_emplace(class_name);
  if (!fresh) return false;  // taken by this process already
  int fd = open_lock_file(class_name);
  // Exclusive and kept so: a window of the class made later shares this
  // lock, and a probe or claim of another process fails on it.
  if (fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) != 0) {
    close(fd);
    lock_table().locks.erase(it);
    return false;
  }
  it->second.fd = fd;  // -1 without a lock folder: classes are then not shared
  it->second.windows = 1;
  return true;
}

void release_class(const std::string& class_name) {
  release_class_lock(class_name);
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
