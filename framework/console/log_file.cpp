// Log files of the text windows: start, pause, resume, copy to the
// clipboard, and the writes from printing, line input and clearing.
#include "framework/console/log_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "framework/console/text_window_internal.h"
#include "framework/core/entry.h"
#include "framework/core/main_window.h"
#include "framework/orvlib.h"
#include "platform/menu.h"
#include "platform/text/clipboard.h"

namespace orv {
namespace {

struct LogRecord {
  int state = kLogOff;
  std::FILE* file = nullptr;  // open in states 1 and 2
};

struct LogTable {
  std::mutex lock;
  LogRecord records[kTextWindowCount];
};

LogTable g_logs;

bool valid_id(int id) {
  return id >= 0 && id < kTextWindowCount;
}

// Whether window id is open; the caller holds the table lock.
bool window_open(int id) {
  return open_record(id) != nullptr;
}

// Closes the file and forgets the log (log lock held).
void end_log(LogRecord& r) {
  if (r.file) std::fclose(r.file);
  r.file = nullptr;
  r.state = kLogOff;
}

// Shown once per log that ends because its file can no longer be written;
// the window goes on without a log.
void report_log_ended() {
  platform::message_box({}, u"Can't write LOG file!", u"Error");
}

void write_bytes(int id, const char* text, std::size_t length, bool line_feed) {
  if (!valid_id(id) || (!text && length > 0)) return;
  bool failed = false;
  {
    std::lock_guard lock(g_logs.lock);
    LogRecord& r = g_logs.records[id];
    if (r.state != kLogOn || !r.file) return;
    bool ok = std::fwrite(text, 1, length, r.file) == length;
    if (ok && line_feed) ok = std::fputc('\n', r.file) != EOF;
    // Flushed at every write: a killed process leaves everything shown so far on disk.
    if (ok) ok = std::fflush(r.file) == 0;
    if (!ok) {
      end_log(r);
      failed = true;
    }
  }
  if (failed) report_log_ended();
}

// Opens a log file with fopen's mode "w", "a" or "rb", but only a regular
// file under exactly that name: a link planted there (in a shared folder,
// say) is not followed, and a FIFO or device is refused without waiting on
// it. Truncation waits for that check, so nothing else is ever emptied.
std::FILE* open_log_file(const std::string& path, const char* mode) {
  int flags = O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK;
  if (mode[0] == 'w') flags |= O_WRONLY | O_CREAT;
  if (mode[0] == 'a') flags |= O_WRONLY | O_CREAT | O_APPEND;
  int fd = open(path.c_str(), flags, 0666);
  if (fd < 0) return nullptr;
  struct stat st;
  bool regular = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  if (!regular || fcntl(fd, F_SETFL, flags & O_APPEND) != 0 ||
      (mode[0] == 'w' && ftruncate(fd, 0) != 0)) {
    close(fd);
    return nullptr;
  }
  std::FILE* file = fdopen(fd, mode);
  if (!file) close(fd);
  return file;
}

enum ReadResult { kRead = 0, kCannotOpen = 2, kNoMemory = 3 };

// The whole file at path into a block of its length plus a NUL, which the
// caller frees.
ReadResult read_whole_file(const std::string& path, char** block, std::size_t* length) {
  *block = nullptr;
  *length = 0;
  std::FILE* f = open_log_file(path, "rb");
  if (!f) return kCannotOpen;
  long size = -1;
  if (std::fseek(f, 0, SEEK_END) == 0) size = std::ftell(f);
  // A name that opens but cannot be measured (a folder, say) is no log to copy.
  if (size < 0 || std::fseek(f, 0, SEEK_SET) != 0) {
    std::fclose(f);
    return kCannotOpen;
  }
  char* data = static_cast<char*>(std::malloc(std::size_t(size) + 1));
  if (!data) {
    std::fclose(f);
    return kNoMemory;
  }
  std::size_t got = std::fread(data, 1, std::size_t(size), f);
  data[got] = '\0';
  std::fclose(f);
  *block = data;
  *length = got;
  return kRead;
}

}  // namespace

std::string log_file_name(int instance, int id) {
  char name[32];
  std::snprintf(name, sizeof name, "ORVLIB%d%d.LOG", instance, id);
  return name;
}

std::string log_file_path(int id) {
  return working_folder() + log_file_name(instance_number(), id);
}

int start_log(int id) {
  if (!valid_id(id)) return 3;
  std::string path = log_file_path(id);
  {
    // The window lock first, so that a window closing meanwhile cannot be
    // left with a log open.
    std::lock_guard windows(text_windows().lock);
    if (!window_open(id)) return 3;
    std::lock_guard lock(g_logs.lock);
    LogRecord& r = g_logs.records[id];
    if (r.state == kLogOn) return 1;
    if (r.state == kLogPaused) {
      r.state = kLogOn;  // the file is still open; writing goes on at its end
      return 0;
    }
    r.file = open_log_file(path, "w");
    if (r.file) {
      r.state = kLogOn;
      return 0;
    }
  }
  platform::message_box({}, u"Can't create file for LOG!", u"Error");
  return 2;
}

int stop_log(int id) {
  if (!valid_id(id)) return 2;
  std::lock_guard windows(text_windows().lock);
  if (!window_open(id)) return 2;
  std::lock_guard lock(g_logs.lock);
  LogRecord& r = g_logs.records[id];
  if (r.state == kLogOff) return 1;
  r.state = kLogPaused;
  return 0;
}

// The file is closed while it is read, so everything written is in it, and
// opened again for appending. The clipboard is handled and the failures are
// shown only after the log lock is given back: both may wait on another
// thread, which may be printing into a log meanwhile.
int copy_log(int id) {
  if (!valid_id(id)) return 4;
  {
    std::lock_guard windows(text_windows().lock);
    if (!window_open(id)) return 4;
  }
  if (!platform::clipboard_open()) return 1;
  std::string path = log_file_path(id);
  char* block = nullptr;
  std::size_t length = 0;
  ReadResult result = kCannotOpen;
  bool ended = false;
  {
    std::lock_guard lock(g_logs.lock);
    LogRecord& r = g_logs.records[id];
    if (r.state != kLogOff && r.file) {
      std::fclose(r.file);
      r.file = nullptr;
    }
    result = read_whole_file(path, &block, &length);
    if (r.state != kLogOff) {
      r.file = open_log_file(path, "a");
      // A log whose file cannot be opened again ends here rather than keep
      // a state that promises writes nobody makes.
      if (!r.file) {
        r.state = kLogOff;
        ended = true;
      }
    }
  }
  if (result != kCannotOpen) platform::clipboard_empty();
  if (result == kRead) platform::clipboard_set_text(std::string_view(block, length));
  std::free(block);
  platform::clipboard_close();
  if (result == kCannotOpen) ORV_Pause("Can't open LOG file!");
  if (result == kNoMemory) ORV_Pause("No enough memory (copy log)");
  if (ended) report_log_ended();
  return result;
}

int log_state(int id) {
  if (!valid_id(id)) return kLogOff;
  std::lock_guard lock(g_logs.lock);
  return g_logs.records[id].state;
}

void write_log(int id, const char* text, std::size_t length) {
  write_bytes(id, text, length, false);
}

void write_log_line(int id, const char* text, std::size_t length) {
  write_bytes(id, text, length, true);
}

void close_log(int id) {
  if (!valid_id(id)) return;
  std::lock_guard lock(g_logs.lock);
  end_log(g_logs.records[id]);
}

void close_all_logs() {
  std::lock_guard lock(g_logs.lock);
  for (LogRecord& r : g_logs.records) end_log(r);
}

}  // namespace orv
