// The batch renderer: the composer without a display. It takes the values a
// person would type and the buttons they would press, works out the state
// Start and those buttons leave, and renders that state once over pixel
// buffers, with the same arithmetic the desktop program shows. No windows,
// no instance slot, no framework running.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "composer/pitch_chart.h"
#include "composer/sample_strip.h"

namespace composer {

struct BatchOptions {
  std::string source;  // a picture file, or "demo" for the sample strip
  std::string output;  // a .png file, or .tif / .tiff
  // Views as picture files of their own instead of a strip (several files
  // in the place of SOURCE, or --views-from), in their order; --crop
  // centre-crops them to the first one's shape.
  std::vector<std::string> views;
  std::string views_from;
  bool crop = false;
  bool strip_only = false;  // "strip": write the views' strip, no render
  // "preview": what the eye sees through the lenses of `source`, an
  // interlaced picture, into `output` (.gif, .png: animated; else a folder
  // of one PNG a view); `mismatch` is the lens pitch looked through (0: the
  // pitch it was made for).
  bool preview = false;
  double mismatch = 0;
  std::string note;  // a line for the person (the print size), or empty
  // What is typed into input box items Width, Height, Pic_num, View_num,
  // Pitch and Scale; empty: left as the composer has it.
  std::array<std::string, 6> typed;
  int demo_pictures = kSampleDefaultPictures;
  bool fit = false;
  bool aa = true;
  bool loop = false;
  int resample = -1;  // the resampling button's mode; -1 keeps NN TEST
  int mode = 0;       // kBeta, kStable or kPrint
  int pos = 0;
  int threads = 0;                      // 0: one per core
  std::string strip1;                   // image 1; empty for none
  std::string frames;                   // the folder of a recording; empty for none
  std::string config = "VARNOLIS.txt";  // empty for none
  bool config_given = false;            // --config: it must exist
  double dpi = 0;                       // the print resolution written into the PNG; 0 for none
  bool help = false;
  // "pitch-test": the pitch test chart instead of a render.
  bool chart = false;
  PitchChart chart_spec;
};

extern const char* const kBatchUsage;

// Reads argv[1..argc-1]. False with `error` naming the problem in one line.
bool parse_batch_options(int argc, const char* const* argv, BatchOptions* options,
                         std::string* error);

// The whole run: the process's exit code, 0 when written; 2 for a bad
// argument, a file that is not a readable picture, or a value the composer
// refuses (nothing is written); 1 when memory runs short or a file cannot be
// written. `error` says which in one line.
int run_batch(const BatchOptions& options, std::string* error);

}  // namespace composer
