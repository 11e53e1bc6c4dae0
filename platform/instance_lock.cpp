// Top-level window classes published across processes.
//
// While a process has a top-level window of a class, it holds a shared lock
// on the lock file named after the class; another process sees the class in
// use when it cannot take that lock exclusively. The kernel drops the lock
// when a process ends in any way, so a crash never leaves a class taken.
// The last holder of a lock file unlinks it, and the session's folder with
// it once that leaves the folder empty, so nothing stays behind after Exit.
#include <errno.h>
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
  std::string path;  // where fd was opened
  pid_t owner = 0;   // a forked child shares the lock; only its owner unlinks the file
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

// Another process may remove the empty folder between the mkdir and the
// check: it is then made again.
bool make_private_folder(const std::string& path) {
  for (int tries = 0; tries < 100; ++tries) {
    mkdir(path.c_str(), 0700);
    struct stat st;
    if (lstat(path.c_str(), &st) == 0 || errno != ENOENT) return private_folder(path);
  }
  return false;
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

bool same_file(int fd, const std::string& path) {
  struct stat held, named;
  return fstat(fd, &held) == 0 && lstat(path.c_str(), &named) == 0 && S_ISREG(held.st_mode) &&
         held.st_ino == named.st_ino && held.st_dev == named.st_dev;
}

// Opens the class's lock file and locks it (`mode` as for flock). The file
// may be unlinked, or its folder removed, by its last holder while this
// process opens it or waits for its lock: then it is opened afresh, so that
// every holder locks the file the name gives. -1 without a lock file;
// `busy` when a lock that does not wait was refused.
int lock_file(const std::string& class_name, int mode, std::string& path, bool& busy) {
  busy = false;
  if (!safe_class_name(class_name)) return -1;
  for (int tries = 0; tries < 100; ++tries) {
    std::string folder = lock_folder();
    if (folder.empty()) return -1;
    path = folder + "/" + class_name + ".lock";
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
    if (fd < 0) {
      if (errno == ENOENT) continue;
      return -1;
    }
    if (flock(fd, mode) != 0) {
      busy = errno == EWOULDBLOCK;
      close(fd);
      return -1;
    }
    if (same_file(fd, path)) return fd;
    close(fd);
    struct stat st;
    if (lstat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) return -1;  // never a link
  }
  return -1;
}

// Closes a lock file; when nobody else holds it, unlinks it first and then
// removes its folder if that leaves it empty. The unlink happens under the
// exclusive lock, so a process that opened the file before sees another
// file at the name once it has its lock; rmdir removes only an empty folder.
void close_lock_file(int fd, const std::string& path) {
  if (flock(fd, LOCK_EX | LOCK_NB) == 0 && same_file(fd, path) && unlink(path.c_str()) == 0)
    rmdir(std::filesystem::path(path).parent_path().c_str());
  close(fd);
}

}  // namespace

void take_class_lock(const std::string& class_name) {
  std::lock_guard guard(lock_table().mutex);
  ClassLock& lock = lock_table().locks[class_name];
  if (lock.windows++ > 0) return;
  bool busy = false;
  // A probe holds its exclusive lock only briefly.
  lock.fd = lock_file(class_name, LOCK_SH, lock.path, busy);
  lock.owner = getpid();
}

void release_class_lock(const std::string& class_name) {
  std::lock_guard guard(lock_table().mutex);
  auto it = lock_table().locks.find(class_name);
  if (it == lock_table().locks.end() || --it->second.windows > 0) return;
  ClassLock& lock = it->second;
  if (lock.fd >= 0 && lock.owner == getpid())
    close_lock_file(lock.fd, lock.path);
  else if (lock.fd >= 0)
    close(lock.fd);
  lock_table().locks.erase(it);
}

bool claim_class(const std::string& class_name) {
  if (find_local_window(class_name)) return false;
  std::lock_guard guard(lock_table().mutex);
  auto [it, fresh] = lock_table().locks.try_emplace(class_name);
  if (!fresh) return false;  // taken by this process already
  // Exclusive and kept so: a window of the class made later shares this
  // lock, and a probe or claim of another process fails on it.
  bool busy = false;
  int fd = lock_file(class_name, LOCK_EX | LOCK_NB, it->second.path, busy);
  if (busy) {
    lock_table().locks.erase(it);
    return false;
  }
  it->second.fd = fd;  // -1 without a lock folder: classes are then not shared
  it->second.owner = getpid();
  it->second.windows = 1;
  return true;
}

void release_class(const std::string& class_name) {
  release_class_lock(class_name);
}

bool find_window_by_class(const std::string& class_name) {
  if (find_local_window(class_name)) return true;
  std::string path;
  bool busy = false;
  int fd = lock_file(class_name, LOCK_EX | LOCK_NB, path, busy);
  if (fd >= 0) close_lock_file(fd, path);  // a file nobody holds goes again
  return busy;
}

}  // namespace platform
