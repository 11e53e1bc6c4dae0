// File-path services: the current folder, full path names and creating one
// directory level.
//
// Paths are bytes in the system code page (what the file system holds on
// this platform); '/' is the only separator. Buffers follow one contract: a
// capacity in units including the terminator, and a path that does not fit
// fails (result 0, buffer "") instead of being cut, because a cut path names
// another file. The framework's path buffers hold kMaxPath units.
#pragma once

#include <string>

namespace platform {

constexpr int kMaxPath = 260;

// The current folder with a trailing '/' into dst. Returns its length without
// the terminator, or 0 when it cannot be read or does not fit in cap.
int current_folder(char* dst, int cap);
// The same without a size limit; "" on failure.
std::string current_folder();

// The absolute form of `name` (relative names start at the current folder)
// with "." and ".." and repeated '/' resolved by the text alone: the file need
// not exist and links are not followed; ".." above the root stays at the
// root. A trailing '/' on `name` is kept. Returns the length without the
// terminator, or 0 for an empty name, an unreadable current folder or a result
// that does not fit in cap. *file_part (when given) is the offset of the last
// component, or -1 when the path ends with '/'.
int full_path(const char* name, char* dst, int cap, int* file_part = nullptr);
// The same for UTF-16 names (converted through the system code page); cap
// and *file_part count UTF-16 units.
int full_path_utf16(const char16_t* name, char16_t* dst, int cap, int* file_part = nullptr);

enum CreateDirectoryStatus {
  kDirectoryCreated = 0,
  kDirectoryExists = 1,    // something of that name is already there
  kDirectoryNoParent = 2,  // the folder above it is missing
  kDirectoryFailed = 3,    // anything else (permissions, bad name, full disk)
};

// Creates the last level of `path` only, like the classic call: it fails when
// the name exists or its parent does not.
CreateDirectoryStatus create_directory(const char* path);

}  // namespace platform
