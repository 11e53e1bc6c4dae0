// The batch renderer's options and its run.
#include "composer/batch.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <strings.h>

#include "composer/main_loop.h"
#include "composer/params.h"
#include "composer/render.h"
#include "framework/orvlib.h"
#include "platform/text/files.h"

namespace composer {
namespace {

const char* const kItemOptions[6] = {"--width", "--height", "--pics", "--views", "--pitch",
                                     "--scale"};

struct NamedButton {
  const char* name;
  int button;
};
// The resampling buttons; NN TEST is the mode every Start begins with.
constexpr NamedButton kResampleButtons[] = {{"nearest", 22}, {"bli-orv", 18}, {"bci-orv", 19},
                                            {"bli-1", 20},   {"bli-2", 21},   {"nn-test", -1}};
constexpr NamedButton kModeButtons[] = {{"beta", -1}, {"stable", 15}, {"print", 13}};
constexpr int kFitButton = 28, kAaButton = 12, kLoopButton = 24, kPositionUpButton = 17;

bool whole_number(const char* text, long* value) {
  errno = 0;
  char* end = nullptr;
  *value = std::strtol(text, &end, 10);
  return *text && end && *end == '\0' && errno == 0;
}

bool finite_number(const char* text) {
  char* end = nullptr;
  double value = std::strtod(text, &end);
  return *text && end && *end == '\0' && std::isfinite(value);
}

template <std::size_t N>
bool find_button(const NamedButton (&table)[N], const char* name, int* button) {
  for (const NamedButton& entry : table) {
    if (std::strcmp(entry.name, name) == 0) {
      *button = entry.button;
      return true;
    }
  }
  return false;
}

bool ends_in_png(const std::string& path) {
  return path.size() > 4 && strcasecmp(path.c_str() + path.size() - 4, ".png") == 0;
}

// One option with its value; false with the error set.
bool take_option(const std::string& name, const char* value, BatchOptions* o, std::string* error) {
  auto fail = [&](const char* what) {
    *error = name + " " + value + ": " + what;
    return false;
  };
  for (int i = 0; i < 6; ++i) {
    if (name != kItemOptions[i]) continue;
    long number = 0;
    if (i == 4 ? !finite_number(value) : !whole_number(value, &number))
      return fail(i == 4 ? "not a number" : "not a whole number");
    o->typed[std::size_t(i)] = value;
    if (i == 2) {
      if (number < kSampleMinPictures || number > kSampleMaxPictures) number = kSampleDefaultPictures;
      o->demo_pictures = int(number);
    }
    return true;
  }
  if (name == "--size") {
    long w = 0, h = 0;
    const char* x = std::strchr(value, 'x');
    if (!x || !whole_number(std::string(value, x).c_str(), &w) || !whole_number(x + 1, &h))
      return fail("not WIDTHxHEIGHT");
    o->typed[0] = std::string(value, x);
    o->typed[1] = x + 1;
    return true;
  }
  if (name == "--mode") return find_button(kModeButtons, value, &o->mode_button) || fail("not beta, stable or print");
  if (name == "--resample")
    return find_button(kResampleButtons, value, &o->resample_button) ||
           fail("not nearest, bli-orv, bci-orv, bli-1, bli-2 or nn-test");
  if (name == "--aa") {
    if (std::strcmp(value, "on") != 0 && std::strcmp(value, "off") != 0) return fail("not on or off");
    o->aa = std::strcmp(value, "on") == 0;
    return true;
  }
  if (name == "--pos") {
    long pos = 0;
    if (!whole_number(value, &pos) || pos < 0) return fail("not a view position (0 or more)");
    o->pos = int(pos);
    return true;
  }
  if (name == "--strip1") return o->strip1 = value, true;
  if (name == "--frames") return o->frames = value, true;
  if (name == "--config") return o->config = value, true;
  *error = "unknown option " + name;
  return false;
}

bool option_takes_value(const std::string& name) {
  for (const char* item : kItemOptions)
    if (name == item) return true;
  for (const char* other : {"--size", "--mode", "--aa", "--resample", "--pos", "--strip1",
                            "--frames", "--config"})
    if (name == other) return true;
  return false;
}

// Whether the file can be opened for reading.
bool readable(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return false;
  std::fclose(file);
  return true;
}

// What Start made of the typed values: a refused one went back to the
// composer's value in its item.
bool typed_values_taken(const BatchOptions& o, std::string* error) {
  for (int i = 0; i < 6; ++i) {
    const std::string& typed = o.typed[std::size_t(i)];
    if (typed.empty() || !ORV_IsInputBoxOpen() || i >= orv_ib_items) continue;
    if (typed == orv_ib_text[i]) continue;
    *error = std::string(kItemOptions[i]) + " " + typed + ": refused; the composer keeps " +
             orv_ib_text[i];
    return false;
  }
  return true;
}

bool press(int button, Params& p, Run& run) {
  if (button >= 0) press_button(button, p, run);
  return !run.ended;
}

bool move_to_position(const BatchOptions& o, Params& p, Run& run, std::string* error) {
  int last = p.loop ? p.pic_num - 1 : p.pic_num - p.view_num;
  if (o.pos > last) {
    *error = "--pos " + std::to_string(o.pos) + ": the view position goes from 0 to " +
             std::to_string(last);
    return false;
  }
  while (p.view_pos != o.pos && !run.ended) press_button(kPositionUpButton, p, run);
  return true;
}

int record_frames(const std::string& folder, Params& p, Run& run, std::string* error) {
  platform::create_directory(folder.c_str());
  run.recording.folder = folder + "/";
  run.recording.frame = 0;
  std::string probe = run.recording.folder + ".lenticular-render-probe";
  std::FILE* file = std::fopen(probe.c_str(), "wb");
  if (!file) {
    *error = "--frames " + folder + ": cannot write into the folder";
    return 1;
  }
  std::fclose(file);
  std::remove(probe.c_str());
  begin_recording(p);
  while (p.rec && !run.ended) animation_step(p, run);
  return 0;
}

}  // namespace

const char* const kBatchUsage =
    "usage: lenticular-render [options] SOURCE OUTPUT.png\n"
    "Renders the lenticular composer's output without a display: the values go\n"
    "into the input box, then Start, the buttons below in this order, and \"cap\"\n"
    "into OUTPUT.png.\n"
    "  SOURCE            the picture strip (image 0): a picture file, or demo for\n"
    "                    the built-in strip (8 pictures, or --pics, 2 to 16)\n"
    "  --width N, --height N, --size WxH   Width and Height of the output\n"
    "  --pics N          Pic_num (with demo: also the strip's pictures)\n"
    "  --views N         View_num\n"
    "  --pitch P         Pitch\n"
    "  --scale S         Scale\n"
    "  --fit             press FIT\n"
    "  --aa on|off       off presses AA\n"
    "  --resample nearest|bli-orv|bci-orv|bli-1|bli-2|nn-test   (Start's is nn-test)\n"
    "  --loop            press LOOP\n"
    "  --pos K           press pos++ until the view position is K\n"
    "  --mode beta|stable|print   press stable or prn (beta: none)\n"
    "  --strip1 FILE     image 1, read by the stable and print modes\n"
    "  --frames DIR      then record as REC does, one frame per view position\n"
    "                    and back to 0, into DIR (_00000.png, ...)\n"
    "  --config FILE     the configuration file instead of ./VARNOLIS.txt\n"
    "  --no-config       no configuration file\n"
    "  --help            this text\n"
    "Exit code 0 when written; 2 for a bad argument, an unreadable source or a\n"
    "value the composer refuses (nothing is written); 1 when memory runs out or\n"
    "a file cannot be written.\n";

bool parse_batch_options(int argc, const char* const* argv, BatchOptions* o, std::string* error) {
  std::string files[2];
  int file_count = 0;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      o->help = true;
      return true;
    }
    if (arg == "--fit") {
      o->fit = true;
    } else if (arg == "--loop") {
      o->loop = true;
    } else if (arg == "--no-config") {
      o->config.clear();
    } else if (option_takes_value(arg)) {
      if (i + 1 >= argc) {
        *error = arg + " needs a value";
        return false;
      }
      if (!take_option(arg, argv[++i], o, error)) return false;
    } else if (arg.size() > 1 && arg[0] == '-') {
      *error = "unknown option " + arg;
      return false;
    } else if (file_count < 2) {
      files[file_count++] = arg;
    } else {
      *error = "one SOURCE and one OUTPUT.png, not also " + arg;
      return false;
    }
  }
  if (file_count < 2) {
    *error = file_count == 0 ? "no SOURCE and OUTPUT.png given" : "no OUTPUT.png given";
    return false;
  }
  o->source = files[0];
  o->output = files[1];
  if (!ends_in_png(o->output)) return *error = o->output + ": the output must be a .png file", false;
  if (o->source == "demo" && o->typed[2].empty()) o->typed[2] = std::to_string(o->demo_pictures);
  if (o->source != "demo" && !readable(o->source))
    return *error = o->source + ": cannot be read", false;
  if (!o->strip1.empty() && !readable(o->strip1))
    return *error = "--strip1 " + o->strip1 + ": cannot be read", false;
  if (!o->config.empty() && o->config != kConfigurationFile && !readable(o->config))
    return *error = "--config " + o->config + ": cannot be read", false;
  return true;
}

std::string batch_person_script(const BatchOptions& o) {
  std::string script;
  for (int i = 0; i < 6; ++i)
    if (!o.typed[std::size_t(i)].empty())
      script += "value " + std::to_string(i) + " " + o.typed[std::size_t(i)] + "; ";
  return script + "start; finish; exit";
}

bool prepare_batch(const BatchOptions& o, std::string* error) {
  ready(o.config.empty() ? nullptr : o.config.c_str());
  int id = o.source == "demo" ? create_sample_strip(kSourceImage, o.demo_pictures)
                              : ORV_OpenPictureFile(o.source.c_str(), kSourceImage);
  if (id != kSourceImage) {
    *error = o.source + ": not a picture this program reads";
    return false;
  }
  if (!o.strip1.empty() && ORV_OpenPictureFile(o.strip1.c_str(), kStripImage) != kStripImage) {
    *error = "--strip1 " + o.strip1 + ": not a picture this program reads";
    return false;
  }
  return true;
}

int run_batch(const BatchOptions& o, std::string* error) {
  Params& p = params();
  Run run;
  if (!start_run(p, run)) {
    *error = "the composer could not start (out of memory)";
    return 1;
  }
  int code = 0;
  if (!typed_values_taken(o, error)) {
    code = 2;
  } else if (!press(o.fit ? kFitButton : -1, p, run) || !press(o.aa ? -1 : kAaButton, p, run) ||
             !press(o.resample_button, p, run) || !press(o.loop ? kLoopButton : -1, p, run)) {
    code = 1;
  } else if (!move_to_position(o, p, run, error)) {
    code = 2;
  } else if (!press(o.mode_button, p, run)) {
    code = 1;
  } else if (save_snapshot(o.output.c_str()) != 0) {
    *error = o.output + ": cannot be written";
    code = 1;
  } else if (!o.frames.empty()) {
    code = record_frames(o.frames, p, run, error);
  }
  if (code == 1 && error->empty()) *error = "out of memory";
  end_run(run);
  return code;
}

}  // namespace composer
