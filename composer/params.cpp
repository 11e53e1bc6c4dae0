// The parameter set, the configuration file and the status block.
#include "composer/params.h"

#include <cstdlib>
#include <cstring>

#include "framework/orvlib.h"
#include "platform/text/codepage.h"

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
  int fit = platform::code_page_fit(line, length, kPitchNameBytes - 1);
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
    if (!read_line(file, line) || std::strcmp(line, "\n") == 0) break;
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

}  // namespace

Params& params() {
  static Params p;
  return p;
}

void read_configuration(std::FILE* file, Params& p) {
  p.width = p.height = -1;
  p.pitch = -1;
  char line[kLineBytes];
  while (read_line(file, line)) {
    switch (line[0]) {
      case 'W':
        if (read_line(file, line)) p.width = std::atoi(line);
        break;
      case 'H':
        if (read_line(file, line)) p.height = std::atoi(line);
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
}

bool read_configuration_file(const char* path, Params& p) {
  std::FILE* file = path ? std::fopen(path, "r") : nullptr;
  read_configuration(file, p);
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
  padded[platform::code_page_fit(padded, int(std::strlen(padded)), 20)] = '\0';
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
