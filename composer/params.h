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
// The input box's range of Width and Height, which the configuration file's
// W and H keep too.
constexpr int kMinOutputSide = 100;
constexpr int kMaxOutputSide = 3000;
// The largest pitch taken anywhere: three times the widest output in
// sub-pixels, so one lens may cover any output and the tables' running
// boundaries stay far inside their integers.
constexpr double kMaxPitch = 100000;
// The largest scaled picture side; far more than any memory holds, it keeps
// the sizes' arithmetic inside int.
constexpr int kMaxScaledSide = 1 << 20;

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

// Whether a source of src_w x src_h leaves each of pic_num pictures at least
// one column and one row group at `scale` percent.
bool geometry_fits(const Params& p, int src_w, int src_h, int pic_num, int scale);
// FIT: the scale at which one picture fills the window, and the scaled
// sizes; false (nothing changed) without a picture or window to fit.
bool fit_scale(Params& p);
// A pitch the composer takes: finite, above 0 and at most kMaxPitch.
bool pitch_usable(double pitch);

// How far pos++, pos-- and the demo move: View_num pictures with CHG_ING
// on, else one.
inline int position_step(const Params& p) {
  return p.changing ? p.view_num : 1;
}

// The process's parameter set (worker thread only).
Params& params();

// Reads the configuration: lines of up to 127 characters, "W" and "H" each
// followed by a value line, "P" followed by pairs of name and value lines
// (the pitch set). Width, height and pitch not given get their defaults, as
// do a W or H outside kMinOutputSide..kMaxOutputSide; lines may end in CR LF.
// A null file gives every default. Returns the values it refused, one line
// each ("" for none).
std::string read_configuration(std::FILE* file, Params& p);
// The same from a regular file; false (with every default) when it cannot be
// opened or is not a regular file. `problems` gets the refused values.
bool read_configuration_file(const char* path, Params& p, std::string* problems = nullptr);

// One line of the status block; `highlighted` lines are black on red.
struct StatusLine {
  std::string text;
  bool highlighted = false;
};
std::vector<StatusLine> status_lines(const Params& p);
// Prints the status block from the top left of the current text window.
void print_status(const Params& p);

}  // namespace composer
