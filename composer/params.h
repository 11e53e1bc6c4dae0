// The composer's parameter set: the values the person sets in the input box,
// what follows from them and from the source picture, the mode switches and
// the view position; the configuration file that seeds it; and the status
// block printed at the top of the composer's text window.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace composer {

enum ResampleMode : int {
  kNearest = 0,
  kBilinearOrv = 1,
  kBicubicOrv = 2,
  kBilinear01 = 3,
  kBilinear02 = 4,
  kNnTest = 5,
};

enum PrintMode : int { kBeta = 0, kStable = 1, kPrint = 2 };

enum DemoState : int { kDemoOff = 0, kDemoAnimate = 1, kDemoNoWait = 2 };

constexpr int kPitchSetSize = 10;
constexpr int kPitchNameBytes = 64;  // a name keeps at most 63 bytes
constexpr int kDefaultWidth = 800;
constexpr int kDefaultHeight = 480;
constexpr double kDefaultPitch = 17.33;

struct PitchEntry {
  std::string name;
  double value = 0;
};

struct Params {
  // Set by the person (input box items Width, Height, Pic_num, View_num, Pitch, Scale).
  int width = kDefaultWidth;
  int height = kDefaultHeight;
  int pic_num = 2;
  int view_num = 2;
  double pitch = kDefaultPitch;  // in output sub-pixel columns (pixel columns in PRINT)
  int scale = 100;
  // From those and the source picture (image 0).
  int pic_width = 0;
  int src_height = 0;
  int scaled_width = 0;
  int scaled_height = 0;
  double dt = 0;  // pitch / view_num, set by every table build
  // Switches and positions.
  bool aa = true;
  int rs = kNnTest;
  int print_mode = kBeta;
  int subpixels = 3;
  int view_pos = 0;
  bool loop = false;
  bool changing = false;
  int demo_state = kDemoOff;
  bool reverse = false;
  bool rec = false;
  std::vector<PitchEntry> pitch_set;  // at most kPitchSetSize
  int pitch_index = 0;
  int display_x = 0;
  int display_y = 232;
  // The values last taken over from the input box.
  int prev_width = kDefaultWidth;
  int prev_height = kDefaultHeight;
  int prev_pic_num = 2;
  int prev_view_num = 2;
  double prev_pitch = kDefaultPitch;
  int prev_scale = 100;
};

// The process's parameter set (worker thread only).
Params& params();

// Reads the configuration: lines of up to 127 characters, "W" and "H" each
// followed by a value line, "P" followed by pairs of name and value lines
// (the pitch set). Width, height and pitch not given get their defaults. A
// null file gives every default.
void read_configuration(std::FILE* file, Params& p);
// The same from a file; false (with every default) when it cannot be opened.
bool read_configuration_file(const char* path, Params& p);

// One line of the status block; `highlighted` lines are black on red.
struct StatusLine {
  std::string text;
  bool highlighted = false;
};
std::vector<StatusLine> status_lines(const Params& p);
// Prints the status block from the top left of the current text window.
void print_status(const Params& p);

}  // namespace composer
