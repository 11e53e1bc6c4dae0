// The composer's output files: the "cap" snapshot and the recorded frames.
#pragma once

#include <string>

namespace composer {

struct Params;

// Where recordings go: $HOME/mkpic/ (made when missing), one folder per
// recording named by the local time "%y%m%d%H%M%S".
std::string recording_root();

struct Recording {
  std::string folder;  // ends with '/'
  int frame = 0;
};

constexpr const char* kSnapshotFile = "lenti_test.png";

// Image 2, whole, as a PNG file ("lenti_test.png" in the working folder for
// "cap"), with the print resolution `pixels_per_inch` when above 0. The
// result of ORV_SaveImageFile (0 written, 1 failed); 3 without image 2.
int save_snapshot(const char* path = kSnapshotFile, double pixels_per_inch = 0);
// A new recording folder; the frame counter starts at 0.
void start_recording(Recording& recording);
// Image 2 without its two leftmost and two rightmost columns as the next
// frame "<folder>_%05d.png"; after one round (the frame at view position
// 0, or as many frames as a round has positions) the recording and the demo
// stop.
void save_frame(Params& p, Recording& recording);

}  // namespace composer
