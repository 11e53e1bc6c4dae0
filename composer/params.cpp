// The parameter set, the configuration file and the status block.
#include "composer/params.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "framework/orvlib.h"

namespace composer {
namespace {

constexpr int kLineBytes = 128;  // 127 characters and the terminator

bool read_line(std::FILE* file, char (&line)[kLineBytes]) {
  return file && std::fgets(line, kLineBytes, file) != nullptr;
}

// The name line without its line feed (and a carriage return before it),
// cut at a character boundary to fit its 64-byte slot.
std::string pitch_name(const char* line) {
  int length = int(std::strcspn(line, "\r\n"));
  int fit = ORV_FitText(line, length, kPitchNameBytes - 1);
  return std::string(line, std::size_t(fit));
}

// Pairs of name and value lines up to an empty line, the end of the file,
// ten entries, or a value outside (0, 100], which also drops the entry
// accepted before it.
void read_pitch_section(std::FILE* file, Params& p) {
  ORV_Print("in:\n");
  p.pitch_set.clear();
  char line[kLineBytes];
  while (int(p.pitch_set.size()) < kPitchSetSize) {
    if (!read_line(file, line) || line[std::strspn(line, "\r")] == '\n') break;
    PitchEntry entry{pitch_name(line), 0};
    entry.value = read_line(file, line) ? std::atof(line) : 0;
    if (!(entry.value > 0 && entry.value <= 100)) {
      if (!p.pitch_set.empty()) p.pitch_set.pop_back();
      break;
    }
    p.pitch_set.push_back(entry);
  }
  // An empty set stands as "Default" with the default pitch; the pitch is left unset.
  if (p.pitch_set.empty())
    p.pitch_set.push_back({"Default", kDefaultPitch});
  else
    p.pitch = p.pitch_set.front().value;
}

const char* const kResampleNames[] = {"RS: Nearest neighbor\n", "RS: Bilinear_ORV    \n",
                                      "RS: Bicubic_ORV     \n", "RS: Bilinear01      \n",
                                      "RS: Bilinear02      \n", "RS: NN TEST         \n"};
const char* const kPrintModeNames[] = {"BETA  \n", "STABLE\n", "PRINT \n"};

template <class... Args>
std::string format(const char* pattern, Args... args) {
  char text[256];
  std::snprintf(text, sizeof text, pattern, args...);
  return text;
}

// A W or H value line: a whole number in the input box's range, else the
// problem in `problems` and the size left unset.
void read_size(std::FILE* file, char name, int* size, std::string* problems) {
  char line[kLineBytes];
  if (!read_line(file, line)) return;
  char* end = nullptr;
  long value = std::strtol(line, &end, 10);
  if (end != line && end[std::strspn(end, " \t\r\n")] == '\0' && value >= kMinOutputSide &&
      value <= kMaxOutputSide) {
    *size = int(value);
    return;
  }
  line[std::strcspn(line, "\r\n")] = '\0';
  *problems += format("%c %s: not a whole number from %d to %d; %d kept\n", name, line,
                      kMinOutputSide, kMaxOutputSide, name == 'W' ? kDefaultWidth : kDefaultHeight);
}

}  // namespace

bool geometry_fits(const Params& p, int src_w, int src_h, int pic_num, int scale) {
  if (pic_num < 1 || scale < 1 || src_w < 1 || src_h < 1) return false;
  long long pic_width = src_w / pic_num;
  long long width = scale * pic_width / 100, height = scale * (long long)src_h / 100;
  return width >= 1 && height >= p.subpixels && width <= kMaxScaledSide && height <= kMaxScaledSide;
}

bool fit_scale(Params& p) {
  if (p.pic_width < 1 || p.src_height < 1 || p.height < 1) return false;
  int pa = p.pic_width * 100 / p.src_height, wa = p.width * 100 / p.height;
  p.scale = pa > wa ? p.width * 100 / p.pic_width : p.height * 100 / p.src_height;
  p.scaled_width = p.pic_width * p.scale / 100;
  p.scaled_height = p.src_height * p.scale / 100;
  return true;
}

bool pitch_usable(double pitch) {
  return std::isfinite(pitch) && pitch > 0 && pitch <= kMaxPitch;
}

Params& params() {
  static Params p;
  return p;
}

std::string read_configuration(std::FILE* file, Params& p) {
  p.width = p.height = -1;
  p.pitch = -1;
  std::string problems;
  char line[kLineBytes];
  while (read_line(file, line)) {
    switch (line[0]) {
      case 'W':
        read_size(file, 'W', &p.width, &problems);
        break;
      case 'H':
        read_size(file, 'H', &p.height, &problems);
        break;
      case 'P':
        read_pitch_section(file, p);
        break;
      default:
        break;
    }
  }
  if (p.width == -1) p.width = kDefaultWidth;
  if (p.height == -1) p.height = kDefaultHeight;
  if (p.pitch == -1) p.pitch = kDefaultPitch;
  return problems;
}

bool read_configuration_file(const char* path, Params& p, std::string* problems) {
  // A FIFO, a device or a folder is no configuration, and must not hold the
  // program up.
  std::FILE* file = ORV_OpenRegularFile(path);
  std::string found = read_configuration(file, p);
  if (problems) *problems = found;
  if (!file) return false;
  std::fclose(file);
  return true;
}

std::vector<StatusLine> status_lines(const Params& p) {
  std::string name = p.pitch_index >= 0 && p.pitch_index < int(p.pitch_set.size())
                         ? p.pitch_set[std::size_t(p.pitch_index)].name
                         : "";
  char padded[21];
  std::snprintf(padded, sizeof padded, "%s                  ", name.c_str());
  padded[ORV_FitText(padded, int(std::strlen(padded)), 20)] = '\0';
  int last = p.loop ? p.pic_num - 1 : p.pic_num - p.view_num;
  return {
      {format("%s\n", padded)},
      {format("pitch: %6.4f\n", p.pitch)},
      {format("dt: %f\n", p.dt)},
      {format("pic_num: %4d\n", p.pic_num)},
      {format("view_num: %2d\n", p.view_num)},
      {p.aa ? "AA: on \n" : "AA: off\n"},
      {kResampleNames[p.rs >= 0 && p.rs <= kNnTest ? p.rs : kNnTest]},
      {kPrintModeNames[p.print_mode >= 0 && p.print_mode <= kPrint ? p.print_mode : kBeta]},
      {p.changing ? "CHANGING: on \n" : "CHANGING: off\n"},
      {p.loop ? "LOOP: on \n" : "LOOP: off\n"},
      {format("view_pos: %4d/%4d\n", p.view_pos, last), p.rec},
      {p.demo_state == kDemoNoWait ? "NO WAIT     " : "            "},
  };
}

void print_status(const Params& p) {
  ORV_SetTextCursor(0, 0);
  for (const StatusLine& line : status_lines(p)) {
    if (line.highlighted) ORV_PushTextColor(0x000000, 0xFF0000);
    ORV_Print("%s", line.text.c_str());
    if (line.highlighted) ORV_PopTextColor();
  }
}

}  // namespace composer
