// The batch renderer's options and its run.
#include "composer/batch.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <vector>
#include <strings.h>

#include "composer/main_loop.h"
#include "composer/params.h"
#include "composer/render.h"
#include "framework/orvlib.h"
#include "platform/codec/codec.h"
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
  if (name == "--mode")
    return find_button(kModeButtons, value, &o->mode_button) || fail("not beta, stable or print");
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
                            "--frames", "--config", "--lpi", "--dpi", "--from", "--to", "--step"})
    if (name == other) return true;
  return false;
}

// The options of the pitch test chart; the rest belong to renders only.
bool chart_option(const std::string& name) {
  for (const char* option : {"--views", "--pitch", "--size", "--mode", "--config", "--no-config",
                             "--lpi", "--dpi", "--from", "--to", "--step"})
    if (name == option) return true;
  return false;
}

// The print's terms and the chart's range: numbers above 0, kept as given.
struct PrintTerms {
  double lpi = 0, dpi = 0, from = 0, to = 0, step = 0;
  std::string mode;  // as given to --mode
};

bool take_positive(const std::string& name, const char* value, double* out, std::string* error) {
  char* end = nullptr;
  double number = std::strtod(value, &end);
  if (!*value || *end != '\0' || !std::isfinite(number) || number <= 0) {
    *error = name + " " + value + ": not a number above 0";
    return false;
  }
  *out = number;
  return true;
}

std::string exact_text(double value) {
  char text[40];
  std::snprintf(text, sizeof text, "%.17g", value);
  return text;
}

// --lpi with --dpi stands for --pitch DPI / LPI, in PRINT mode only.
bool resolve_print_terms(const PrintTerms& t, bool print_mode, BatchOptions* o,
                         std::string* error) {
  if (t.lpi == 0) return true;
  if (t.dpi == 0) return *error = "--lpi needs --dpi: the pitch is DPI / LPI pixels", false;
  if (!o->typed[4].empty())
    return *error = "--lpi and --dpi give the pitch: not together with --pitch", false;
  if (!print_mode)
    return *error = "--lpi: print mode only; the BETA and STABLE lenses are slanted, so the "
                    "LPI does not give the pitch along a row",
           false;
  o->typed[4] = exact_text(t.dpi / t.lpi);
  return true;
}

// The chart's pitches (around the pitch given, or the configuration's),
// views, mode and size; false with the error.
bool resolve_chart(const PrintTerms& t, BatchOptions* o, std::string* error) {
  PitchChart& c = o->chart_spec;
  if (!t.mode.empty() && t.mode != "print" && t.mode != "beta")
    return *error = "--mode " + t.mode + ": a chart is print or beta", false;
  c.mode = t.mode == "beta" ? kBeta : kPrint;
  if (!resolve_print_terms(t, c.mode == kPrint, o, error)) return false;
  double centre = kDefaultPitch;
  if (!o->typed[4].empty()) {
    centre = std::strtod(o->typed[4].c_str(), nullptr);
    if (centre <= 0) return *error = "--pitch " + o->typed[4] + ": not a pitch above 0", false;
  } else {
    Params configured;
    if (!o->config.empty()) read_configuration_file(o->config.c_str(), configured);
    centre = configured.pitch;
  }
  c.pitches = chart_pitches(t.from > 0 ? t.from : centre * 0.98, t.to > 0 ? t.to : centre * 1.02,
                            t.step > 0 ? t.step : centre * 0.001);
  if (c.pitches.empty()) return *error = "--from must not lie above --to", false;
  if (int(c.pitches.size()) > kMaxBands)
    return *error = "more than " + std::to_string(kMaxBands) + " bands: take a larger --step", false;
  c.views = o->typed[3].empty() ? 2 : std::atoi(o->typed[3].c_str());
  if (c.views < 2) return *error = "--views " + o->typed[3] + ": a chart needs 2 views or more", false;
  int count = int(c.pitches.size());
  c.width = o->typed[0].empty() ? kDefaultChartWidth : std::atoi(o->typed[0].c_str());
  c.height = o->typed[1].empty() ? smallest_chart_height(count) : std::atoi(o->typed[1].c_str());
  if (c.width < 1 || c.width > 30000 || c.height > 30000 || band_height(count, c.height) == 0)
    return *error = "--size " + o->typed[0] + "x" + o->typed[1] + ": " + std::to_string(count) +
                    " bands need a width of 1 to 30000 and a height of " +
                    std::to_string(smallest_chart_height(count)) + " to 30000",
           false;
  return true;
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
    "       lenticular-render pitch-test [options] OUTPUT.png\n"
    "\n"
    "Renders the lenticular composer's output without a display: the values go\n"
    "into the input box, then Start, the buttons below in this order, and \"cap\"\n"
    "into OUTPUT.png.\n"
    "  SOURCE            the picture strip (image 0): a picture file, or demo for\n"
    "                    the built-in strip (8 pictures, or --pics, 2 to 16)\n"
    "  --width N, --height N, --size WxH   Width and Height of the output\n"
    "  --pics N          Pic_num (with demo: also the strip's pictures)\n"
    "  --views N         View_num\n"
    "  --pitch P         Pitch (sub-pixel columns in beta and stable, pixels in print)\n"
    "  --lpi L --dpi D   print mode: the pitch from the lens sheet's lines per inch\n"
    "                    and the printer's dots per inch, D / L pixels\n"
    "  --dpi D           also: D pixels per inch written into OUTPUT.png (pHYs), so\n"
    "                    that it prints at the size the lenses need\n"
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
    "\n"
    "pitch-test draws a chart to find a lens sheet's real pitch on a printer:\n"
    "one band per candidate pitch, each the composer's render of flat pictures,\n"
    "black for the first half of the views and white for the second, with its\n"
    "pitch at the left edge. Print it at its resolution and look through the\n"
    "sheet: the band that turns from black to white all at once as you tilt it\n"
    "has the right pitch; give it to the composer (--pitch, or the P section of\n"
    "VARNOLIS.txt).\n"
    "  --pitch P | --lpi L --dpi D   the centre (default: the configuration's)\n"
    "  --from P0 --to P1 --step S    the pitches (default: centre -2 % to +2 %\n"
    "                    in steps of 0.1 %; at most 200 bands)\n"
    "  --views N         2 or more (default 2)\n"
    "  --mode print|beta PRINT's vertical strips (default) or BETA's slanted\n"
    "                    sub-pixels\n"
    "  --size WxH        default 1200 wide, 48 rows a band with 4-row gaps\n"
    "  --dpi D           D pixels per inch written into the PNG\n"
    "Example, a 60 LPI sheet on a 600 DPI printer: pitch 10 pixels, 41 bands\n"
    "from 9.8 to 10.2:\n"
    "  lenticular-render pitch-test --lpi 60 --dpi 600 chart.png\n"
    "then, with the band that flips at 10.0300 say:\n"
    "  lenticular-render --mode print --pitch 10.03 --dpi 600 --strip1 s.png s.png out.png\n"
    "\n"
    "Exit code 0 when written; 2 for a bad argument, an unreadable source or a\n"
    "value the composer refuses (nothing is written); 1 when memory runs out or\n"
    "a file cannot be written.\n";

bool parse_batch_options(int argc, const char* const* argv, BatchOptions* o, std::string* error) {
  std::vector<std::string> files;
  PrintTerms terms;
  int first = 1;
  if (argc > 1 && std::strcmp(argv[1], "pitch-test") == 0) {
    o->chart = true;
    first = 2;
  }
  for (int i = first; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      o->help = true;
      return true;
    }
    bool option = arg.size() > 1 && arg[0] == '-';
    if (option && o->chart && !chart_option(arg)) {
      *error = "pitch-test does not take " + arg;
      return false;
    }
    if (arg == "--fit") {
      o->fit = true;
    } else if (arg == "--loop") {
      o->loop = true;
    } else if (arg == "--no-config") {
      o->config.clear();
    } else if (option && option_takes_value(arg)) {
      if (i + 1 >= argc) {
        *error = arg + " needs a value";
        return false;
      }
      const char* value = argv[++i];
      double* term = arg == "--lpi"    ? &terms.lpi
                     : arg == "--dpi"  ? &terms.dpi
                     : arg == "--from" ? &terms.from
                     : arg == "--to"   ? &terms.to
                     : arg == "--step" ? &terms.step
                                       : nullptr;
      if (term) {
        if (!take_positive(arg, value, term, error)) return false;
        continue;
      }
      if (arg == "--mode") terms.mode = value;
      if (!take_option(arg, value, o, error)) return false;
    } else if (option) {
      *error = "unknown option " + arg;
      return false;
    } else {
      files.push_back(arg);
    }
  }
  const std::size_t wanted = o->chart ? 1 : 2;
  if (files.size() != wanted) {
    *error = o->chart ? "pitch-test takes one OUTPUT.png"
             : files.size() < 2 ? (files.empty() ? "no SOURCE and OUTPUT.png given" : "no OUTPUT.png given")
                                : "one SOURCE and one OUTPUT.png, not also " + files[2];
    return false;
  }
  o->output = files.back();
  o->dpi = terms.dpi;
  if (!ends_in_png(o->output)) return *error = o->output + ": the output must be a .png file", false;
  if (!o->config.empty() && o->config != kConfigurationFile && !readable(o->config))
    return *error = "--config " + o->config + ": cannot be read", false;
  if (o->chart) return resolve_chart(terms, o, error);
  o->source = files[0];
  if (!resolve_print_terms(terms, terms.mode == "print", o, error)) return false;
  if (o->source == "demo" && o->typed[2].empty()) o->typed[2] = std::to_string(o->demo_pictures);
  if (o->source != "demo" && !readable(o->source))
    return *error = o->source + ": cannot be read", false;
  if (!o->strip1.empty() && !readable(o->strip1))
    return *error = "--strip1 " + o->strip1 + ": cannot be read", false;
  return true;
}

std::string batch_person_script(const BatchOptions& o) {
  if (o.chart) return "start; finish; exit";  // a chart reads no input box
  std::string script;
  for (int i = 0; i < 6; ++i)
    if (!o.typed[std::size_t(i)].empty())
      script += "value " + std::to_string(i) + " " + o.typed[std::size_t(i)] + "; ";
  return script + "start; finish; exit";
}

bool prepare_batch(const BatchOptions& o, std::string* error) {
  ready(o.config.empty() ? nullptr : o.config.c_str());
  if (o.chart) return true;
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

int run_chart(const BatchOptions& o, std::string* error) {
  platform::Picture chart;
  if (!render_pitch_chart(o.chart_spec, chart.pixels, error)) return 1;
  chart.width = o.chart_spec.width;
  chart.height = o.chart_spec.height;
  chart.pixels_per_inch = o.dpi;
  if (platform::encode_picture(chart, "image/png", 0, o.output.c_str()) != platform::CodecStatus::Ok) {
    *error = o.output + ": cannot be written";
    return 1;
  }
  return 0;
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
  } else if (save_snapshot(o.output.c_str(), o.dpi) != 0) {
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
