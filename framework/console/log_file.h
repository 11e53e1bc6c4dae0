// Log files of the text windows (internal): each window can copy what is
// printed on it, every line typed into it and a line feed per clear into
// "ORVLIB<instance><id>.LOG" in the working folder.
//
// Per window the log is 0 (no log), 1 (logging) or 2 (paused, file still
// open). Writes come from whichever thread prints; one lock guards every
// window's state and file, taken after the text window table's lock when
// both are needed. Each write is flushed at once, so a process killed
// without warning loses at most the text being written. A write that fails
// (full disk, folder removed) ends that window's log with one message box.
#pragma once

#include <cstddef>
#include <string>

namespace orv {

enum LogState : int { kLogOff = 0, kLogOn = 1, kLogPaused = 2 };

// "ORVLIB<instance><id>.LOG" (the instance number has one digit).
std::string log_file_name(int instance, int id);
// The full path of window id's log in this instance's working folder.
std::string log_file_path(int id);

// Starts or resumes window id's log. 0 done; 1 already logging; 2 the file
// cannot be created (after the message box "Can't create file for LOG!");
// 3 id out of range or window not open.
int start_log(int id);
// Pauses the log, keeping the file open. 0 paused (also when already
// paused); 1 no log; 2 id out of range or window not open.
int stop_log(int id);
// Copies the whole log file to the clipboard as ANSI text. 0 copied; 1 the
// clipboard cannot be opened; 2 the file cannot be opened; 3 no memory for
// it; 4 id out of range or window not open.
int copy_log(int id);
// 0, 1 or 2; 0 for ids out of range.
int log_state(int id);

// Writes text to window id's log while it is logging; the line form adds a
// line feed in the same write.
void write_log(int id, const char* text, std::size_t length);
void write_log_line(int id, const char* text, std::size_t length);

// Ends window id's log: the file is closed and the state is 0.
void close_log(int id);
// Ends every window's log (Exit, start-up).
void close_all_logs();

}  // namespace orv
