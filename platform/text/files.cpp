// Current folder, full path names and directory creation on POSIX calls.
#include "platform/text/files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <string_view>
#include <vector>

#include "platform/text/codepage.h"

namespace platform {
namespace {

// Copies text and its terminator when they fit; otherwise leaves "".
int copy_out(const std::string& text, char* dst, int cap) {
  if (dst == nullptr || cap <= 0) return 0;
  if (text.empty() || text.size() >= std::size_t(cap)) {
    dst[0] = '\0';
    return 0;
  }
  std::memcpy(dst, text.c_str(), text.size() + 1);
  return int(text.size());
}

// Lexical normalisation of an absolute path.
std::string normalised(std::string_view path) {
  std::vector<std::string_view> parts;
  std::size_t pos = 0;
  while (pos <= path.size()) {
    std::size_t end = path.find('/', pos);
    if (end == std::string_view::npos) end = path.size();
    const std::string_view part = path.substr(pos, end - pos);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    pos = end + 1;
  }
  std::string out;
  for (std::string_view part : parts) {
    out += '/';
    out += part;
  }
  if (out.empty() || path.back() == '/') out += '/';
  return out;
}

// The full path as a string; "" when it cannot be formed.
std::string full_path_text(std::string_view name) {
  if (name.empty()) return {};
  if (name.front() == '/') return normalised(name);
  const std::string folder = current_folder();
  if (folder.empty()) return {};
  return normalised(folder + std::string(name));
}

int file_part_offset(const std::string& path) {
  if (path.back() == '/') return -1;
  return int(path.rfind('/') + 1);
}

}  // namespace

std::string current_folder() {
  std::vector<char> buffer(PATH_MAX + 1);
  while (getcwd(buffer.data(), buffer.size()) == nullptr) {
    // Deeper than PATH_MAX is possible; anything else is a real failure.
    if (errno != ERANGE || buffer.size() > (1u << 20)) return {};
    buffer.resize(buffer.size() * 2);
  }
  std::string folder(buffer.data());
  if (folder.empty() || folder.front() != '/') return {};  // unreachable folder
  if (folder.back() != '/') folder += '/';
  return folder;
}

int current_folder(char* dst, int cap) {
  return copy_out(current_folder(), dst, cap);
}

int full_path(const char* name, char* dst, int cap, int* file_part) {
  if (file_part != nullptr) *file_part = -1;
  if (name == nullptr) {
    copy_out({}, dst, cap);
    return 0;
  }
  const std::string path = full_path_text(name);
  const int length = copy_out(path, dst, cap);
  if (length > 0 && file_part != nullptr) *file_part = file_part_offset(path);
  return length;
}

int full_path_utf16(const char16_t* name, char16_t* dst, int cap, int* file_part) {
  if (file_part != nullptr) *file_part = -1;
  if (dst == nullptr || cap <= 0) return 0;
  dst[0] = u'\0';
  if (name == nullptr) return 0;
  const std::string path = full_path_text(from_utf16(name));
  if (path.empty()) return 0;
  const std::u16string wide = to_utf16(path);
  if (wide.size() >= std::size_t(cap)) return 0;
  std::memcpy(dst, wide.c_str(), (wide.size() + 1) * sizeof(char16_t));
  if (file_part != nullptr) {
    const int offset = file_part_offset(path);
    *file_part = offset < 0 ? -1 : int(to_utf16(std::string_view(path).substr(0, offset)).size());
  }
  return int(wide.size());
}

CreateDirectoryStatus create_directory(const char* path) {
  if (path == nullptr || path[0] == '\0') return kDirectoryFailed;
  if (mkdir(path, 0777) == 0) return kDirectoryCreated;
  if (errno == EEXIST) return kDirectoryExists;
  if (errno == ENOENT) return kDirectoryNoParent;
  return kDirectoryFailed;
}

}  // namespace platform
