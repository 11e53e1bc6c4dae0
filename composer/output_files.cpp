// Snapshot and recording: PNG files through the framework's image save.
#include "composer/output_files.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <system_error>

#include "composer/output_window.h"
#include "composer/params.h"
#include "composer/render.h"
#include "framework/orvlib.h"

namespace composer {

std::string recording_root() {
  const char* home = std::getenv("HOME");
  std::string root = std::string(home && *home ? home : ".") + "/mkpic/";
  std::error_code failed;
  std::filesystem::create_directory(root, failed);
  return root;
}

int save_snapshot(const char* path, double pixels_per_inch) {
  const ORV_PixelBuffer out = image_buffer(kOutputImage);
  if (!out.pixels) return 3;
  ORV_SelectImage(kOutputImage);
  if (pixels_per_inch <= 0 || out.bits != 32)
    return ORV_SaveImageFile(out.width, out.height, ORV_FORMAT_PNG, path, 0);
  // The framework's save writes no resolution.
  return ORV_WritePng(path, out, pixels_per_inch, 0) == ORV_PICTURE_OK ? 0 : 1;
}

void start_recording(Recording& recording) {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%y%m%d%H%M%S", &local);
  recording.folder = recording_root() + stamp + "/";
  recording.frame = 0;
  std::error_code failed;  // a failure only loses the frames
  std::filesystem::create_directory(recording.folder, failed);
}

void save_frame(Params& p, Recording& recording) {
  ORV_SelectImage(kOutputImage);
  char name[600];
  std::snprintf(name, sizeof name, "%s_%05d", recording.folder.c_str(), recording.frame);
  ORV_Print("%s\n", name);
  ORV_SaveImageFile(p.width - 4, p.height, ORV_FORMAT_PNG, name, 2);
  ++recording.frame;
  // One round: back at position 0, or as many frames as a round has
  // positions (with CHG_ING and "<>" the steps may never meet 0).
  const int step = std::max(1, position_step(p));
  if (p.view_pos == 0 || recording.frame >= (p.pic_num + step - 1) / step) {
    p.rec = false;
    p.demo_state = kDemoOff;
    print_status(p);
  }
}

}  // namespace composer
