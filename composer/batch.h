// The batch renderer: a composer run without a person at the desktop, as
// the fixed sequence of what a person would do there. The values go into
// the input box through the same typing a person's keys take; Start, the
// buttons and "cap" run the composer's own code.
#pragma once

#include <array>
#include <string>

#include "composer/pitch_chart.h"
#include "composer/ready.h"
#include "composer/sample_strip.h"

namespace composer {

struct BatchOptions {
  std::string source;  // a picture file, or "demo" for the sample strip
  std::string output;  // a .png file
  // What is typed into input box items Width, Height, Pic_num, View_num,
  // Pitch and Scale; empty: left as the composer has it.
  std::array<std::string, 6> typed;
  int demo_pictures = kSampleDefaultPictures;
  bool fit = false;
  bool aa = true;
  bool loop = false;
  int resample_button = -1;  // pressed after Start; -1 keeps NN TEST
  int mode_button = -1;      // "prn" or "stable"; -1 stays in BETA
  int pos = 0;
  std::string strip1;  // image 1; empty for none
  std::string frames;  // the folder of a recording; empty for none
  std::string config = kConfigurationFile;  // empty for none
  double dpi = 0;  // the print resolution written into the PNG; 0 for none
  bool help = false;
  // "pitch-test": the pitch test chart instead of a render.
  bool chart = false;
  PitchChart chart_spec;
};

extern const char* const kBatchUsage;

// Reads argv[1..argc-1]. False with `error` naming the problem in one line.
bool parse_batch_options(int argc, const char* const* argv, BatchOptions* options,
                         std::string* error);

// The steps of the headless person: each value typed into its item, Start,
// the end of the run, Exit.
std::string batch_person_script(const BatchOptions& options);

// The batch's ORV_Ready: the composer's start-up, then the source as image 0
// and the --strip1 picture as image 1. False with `error`.
bool prepare_batch(const BatchOptions& options, std::string* error);

// The batch's ORV_Main for "pitch-test": the chart into the output file.
// 0, or 1 with `error` when it could not be made or written.
int run_chart(const BatchOptions& options, std::string* error);

// The batch's ORV_Main: Start, the buttons in their order, "cap" into the
// output file, the recording; then the run's end. The process's exit code:
// 0 done, 2 for a value the composer refused or a position it cannot
// reach, 1 when memory ran out or a file could not be written; `error`
// says which.
int run_batch(const BatchOptions& options, std::string* error);

}  // namespace composer
