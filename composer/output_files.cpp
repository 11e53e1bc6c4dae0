// Snapshot and recording: PNG files through the framework's image save.
#include "composer/output_files.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "composer/params.h"
#include "composer/render.h"
#include "framework/image/image_table.h"
#include "framework/orvlib.h"
#include "platform/codec/codec.h"
#include "platform/text/files.h"

namespace composer {

std::string recording_root() {
  const char* home = std::getenv("HOME");
  std::string root = std::string(home && *home ? home : ".") + "/mkpic/";
  platform::create_directory(root.c_str());
  return root;
}

int save_snapshot(const char* path, double pixels_per_inch) {
  orv::ImageRecord* out = orv::image_in_use(kOutputImage);
  if (!out) return 3;
  ORV_SelectImage(kOutputImage);
  if (pixels_per_inch <= 0) return ORV_SaveImageFile(out->width, out->height, 3, path, 0);
  // The framework's save writes no resolution: the same pixels, encoded here.
  platform::Picture picture;
  if (platform::picture_from_bitmap(*out->dib, picture) != platform::CodecStatus::Ok) return 1;
  picture.pixels_per_inch = pixels_per_inch;
  return platform::encode_picture(picture, "image/png", 0, path) == platform::CodecStatus::Ok ? 0 : 1;
}

void start_recording(Recording& recording) {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%y%m%d%H%M%S", &local);
  recording.folder = recording_root() + stamp + "/";
  recording.frame = 0;
  platform::create_directory(recording.folder.c_str());  // a failure only loses the frames
}

void save_frame(Params& p, Recording& recording) {
  ORV_SelectImage(kOutputImage);
  char name[600];
  std::snprintf(name, sizeof name, "%s_%05d", recording.folder.c_str(), recording.frame);
  ORV_Print("%s\n", name);
  ORV_SaveImageFile(p.width - 4, p.height, 3, name, 2);
  ++recording.frame;
  if (p.view_pos == 0) {
    p.rec = false;
    p.demo_state = kDemoOff;
    print_status(p);
  }
}

}  // namespace composer
