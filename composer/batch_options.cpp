// The batch renderer's options: every number read whole and checked against
// its range before anything is read or written.
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "composer/batch.h"
#include "composer/params.h"
#include "composer/views.h"
#include "framework/orvlib.h"

namespace composer {
namespace {

const char* const kItemOptions[6] = {"--width", "--height", "--pics",
                                     "--views", "--pitch",  "--scale"};

struct Named {
  const char* name;
  int value;
};
// The resampling buttons' modes; nn-test is the one every Start begins with.
constexpr Named kResampleModes[] = {{"nearest", kNearest},    {"bli-orv", kBilinearOrv},
                                    {"bci-orv", kBicubicOrv}, {"bli-1", kBilinear01},
                                    {"bli-2", kBilinear02},   {"nn-test", -1}};
constexpr Named kModes[] = {{"beta", kBeta}, {"stable", kStable}, {"print", kPrint}};

constexpr int kMaxChartViews = 1000;
constexpr double kMaxDpi = 100000;

// The ranges of the whole-number options, as --help states them.
struct Range {
  const char* option;
  long long low, high;
};
constexpr Range kRanges[] = {{"--width", 1, ORV_MAX_PICTURE_SIDE},
                             {"--height", 1, ORV_MAX_PICTURE_SIDE},
                             {"--pics", 0, ORV_MAX_PICTURE_SIDE},
                             {"--views", 0, ORV_MAX_PICTURE_SIDE},
                             {"--scale", 0, 1000000},
                             {"--pos", 0, ORV_MAX_PICTURE_SIDE},
                             {"--threads", 0, 256}};

// A whole number, all of the text (no sign, spaces or wrap-around), in range.
bool whole_in_range(const std::string& option, const char* text, long long* value,
                    std::string* error) {
  long long low = 0, high = 0;
  for (const Range& r : kRanges)
    if (option == r.option) low = r.low, high = r.high;
  const char* end = text + std::strlen(text);
  auto [stop, problem] = std::from_chars(text, end, *value);
  if (!*text || problem != std::errc() || stop != end || *value < low || *value > high) {
    *error = option + " " + text + ": not a whole number from " + std::to_string(low) + " to " +
             std::to_string(high);
    return false;
  }
  return true;
}

// A number above 0 and at most `high`, all of the text.
bool positive_up_to(const std::string& option, const char* text, double high, double* value,
                    std::string* error) {
  char* end = nullptr;
  *value = std::strtod(text, &end);
  if (!*text || *end != '\0' || !std::isfinite(*value) || *value <= 0 || *value > high) {
    char limit[32];
    std::snprintf(limit, sizeof limit, "%g", high);
    *error = option + " " + text + ": not a number above 0 and at most " + limit;
    return false;
  }
  return true;
}

template <std::size_t N>
bool find_named(const Named (&table)[N], const char* name, int* value) {
  for (const Named& entry : table) {
    if (std::strcmp(entry.name, name) == 0) {
      *value = entry.value;
      return true;
    }
  }
  return false;
}

// A print size "WxH" with a unit of in, mm or cm, in inches; false when it is not one.
bool print_size_inches(const char* text, double* width, double* height) {
  std::string s = text;
  double per_inch = 0;
  for (const auto& [unit, value] : {std::pair{"in", 1.0}, {"mm", 25.4}, {"cm", 2.54}})
    if (s.size() > 2 && s.compare(s.size() - 2, 2, unit) == 0) per_inch = value;
  if (per_inch == 0) return false;
  s.resize(s.size() - 2);
  const std::size_t x = s.find('x');
  if (x == std::string::npos) return false;
  char* end = nullptr;
  const std::string w = s.substr(0, x), h = s.substr(x + 1);
  *width = std::strtod(w.c_str(), &end);
  if (w.empty() || *end) return false;
  *height = std::strtod(h.c_str(), &end);
  if (h.empty() || *end) return false;
  *width /= per_inch;
  *height /= per_inch;
  return std::isfinite(*width) && std::isfinite(*height) && *width > 0 && *height > 0;
}

// The print's terms and the chart's range, kept as given.
struct PrintTerms {
  double lpi = 0, dpi = 0, from = 0, to = 0, step = 0;
  std::string mode;        // as given to --mode
  std::string print_size;  // as given to --print-size
};

// One option with its value; false with the error set.
bool take_option(const std::string& name, const char* value, BatchOptions* o, PrintTerms* t,
                 std::string* error) {
  auto fail = [&](const char* what) {
    *error = name + " " + value + ": " + what;
    return false;
  };
  long long number = 0;
  for (int i = 0; i < 6; ++i) {
    if (name != kItemOptions[i]) continue;
    double pitch = 0;
    if (i == 4 ? !positive_up_to(name, value, kMaxPitch, &pitch, error)
               : !whole_in_range(name, value, &number, error))
      return false;
    o->typed[std::size_t(i)] = value;
    if (i == 2) o->demo_pictures = int(number);
    return true;
  }
  if (name == "--size") {
    const char* x = std::strchr(value, 'x');
    if (!x) return fail("not WIDTHxHEIGHT");
    std::string w(value, x);
    long long h = 0;
    if (!whole_in_range("--width", w.c_str(), &number, error) ||
        !whole_in_range("--height", x + 1, &h, error))
      return false;
    o->typed[0] = w;
    o->typed[1] = x + 1;
    return true;
  }
  if (name == "--mode") {
    t->mode = value;
    return find_named(kModes, value, &o->mode) || fail("not beta, stable or print");
  }
  if (name == "--resample")
    return find_named(kResampleModes, value, &o->resample) ||
           fail("not nearest, bli-orv, bci-orv, bli-1, bli-2 or nn-test");
  if (name == "--aa") {
    if (std::strcmp(value, "on") != 0 && std::strcmp(value, "off") != 0)
      return fail("not on or off");
    o->aa = std::strcmp(value, "on") == 0;
    return true;
  }
  if (name == "--pos" || name == "--threads") {
    if (!whole_in_range(name, value, &number, error)) return false;
    (name == "--pos" ? o->pos : o->threads) = int(number);
    return true;
  }
  if (name == "--lpi" || name == "--from" || name == "--to" || name == "--step")
    return positive_up_to(name, value, kMaxPitch,
                          name == "--lpi"    ? &t->lpi
                          : name == "--from" ? &t->from
                          : name == "--to"   ? &t->to
                                             : &t->step,
                          error);
  if (name == "--dpi") return positive_up_to(name, value, kMaxDpi, &t->dpi, error);
  if (name == "--mismatch") return positive_up_to(name, value, kMaxPitch, &o->mismatch, error);
  if (name == "--print-size") {
    double w = 0, h = 0;
    if (!print_size_inches(value, &w, &h)) return fail("not WIDTHxHEIGHT in in, mm or cm");
    t->print_size = value;
    return true;
  }
  if (!*value) return fail("an empty name");
  if (name == "--views-from") return o->views_from = value, true;
  if (name == "--strip1") return o->strip1 = value, true;
  if (name == "--frames") return o->frames = value, true;
  if (name == "--config") return o->config = value, o->config_given = true, true;
  *error = "unknown option " + name;
  return false;
}

bool option_takes_value(const std::string& name) {
  for (const char* item : kItemOptions)
    if (name == item) return true;
  for (const char* other : {"--size", "--mode", "--aa", "--resample", "--pos", "--strip1",
                            "--frames", "--config", "--lpi", "--dpi", "--from", "--to", "--step",
                            "--threads", "--views-from", "--print-size", "--mismatch"})
    if (name == other) return true;
  return false;
}

// The options of the pitch test chart; the rest belong to renders only.
bool chart_option(const std::string& name) {
  for (const char* option : {"--views", "--pitch", "--size", "--mode", "--config", "--no-config",
                             "--lpi", "--dpi", "--from", "--to", "--step", "--threads"})
    if (name == option) return true;
  return false;
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
    return *error =
               "--lpi: print mode only; the BETA and STABLE lenses are slanted, so the "
               "LPI does not give the pitch along a row",
           false;
  if (!pitch_usable(t.dpi / t.lpi))
    return *error = "--dpi / --lpi: a pitch above 0 and at most 100000 pixels", false;
  o->typed[4] = exact_text(t.dpi / t.lpi);
  return true;
}

// --print-size with --dpi: the output's size in pixels, and a line saying
// it (with the lenses across when the LPI is known).
bool resolve_print_size(const PrintTerms& t, BatchOptions* o, std::string* error) {
  if (t.print_size.empty()) return true;
  if (t.dpi == 0) return *error = "--print-size needs --dpi: the pixels per inch", false;
  if (!o->typed[0].empty() || !o->typed[1].empty())
    return *error =
               "--print-size gives the output size: not together with --size, --width or "
               "--height",
           false;
  double w = 0, h = 0;
  print_size_inches(t.print_size.c_str(), &w, &h);
  const double pw = std::round(w * t.dpi), ph = std::round(h * t.dpi);
  if (pw < kMinOutputSide || ph < kMinOutputSide || pw > ORV_MAX_PICTURE_SIDE ||
      ph > ORV_MAX_PICTURE_SIDE)
    return *error = "--print-size " + t.print_size + " at " + exact_text(t.dpi) +
                    " DPI: each side must come to 100 to 32768 pixels",
           false;
  o->typed[0] = std::to_string(int(pw));
  o->typed[1] = std::to_string(int(ph));
  char line[160];
  std::snprintf(line, sizeof line, "%s at %g DPI: %d x %d pixels", t.print_size.c_str(), t.dpi,
                int(pw), int(ph));
  o->note = line;
  if (t.lpi > 0) {
    std::snprintf(line, sizeof line, ", %.1f lenses across at %g LPI", w * t.lpi, t.lpi);
    o->note += line;
  }
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
  } else {
    Params configured;
    std::string problems;
    if (!o->config.empty() && !read_configuration_file(o->config.c_str(), configured, &problems) &&
        o->config_given)
      return *error = "--config " + o->config + ": not a readable regular file", false;
    centre = configured.pitch;
  }
  c.pitches = chart_pitches(t.from > 0 ? t.from : centre * 0.98, t.to > 0 ? t.to : centre * 1.02,
                            t.step > 0 ? t.step : centre * 0.001);
  if (c.pitches.empty()) return *error = "--from must not lie above --to", false;
  if (int(c.pitches.size()) > kMaxBands)
    return *error = "more than " + std::to_string(kMaxBands) + " bands: take a larger --step",
           false;
  c.views = o->typed[3].empty() ? 2 : std::atoi(o->typed[3].c_str());
  if (c.views < 2 || c.views > kMaxChartViews)
    return *error = "--views " + o->typed[3] + ": a chart has 2 to 1000 views", false;
  int count = int(c.pitches.size());
  c.width = o->typed[0].empty() ? kDefaultChartWidth : std::atoi(o->typed[0].c_str());
  c.height = o->typed[1].empty() ? smallest_chart_height(count) : std::atoi(o->typed[1].c_str());
  if (band_height(count, c.height) == 0)
    return *error = "--size " + o->typed[0] + "x" + o->typed[1] + ": " + std::to_string(count) +
                    " bands need a height of " + std::to_string(smallest_chart_height(count)) +
                    " to 32768",
           false;
  return true;
}

}  // namespace

const char* const kBatchUsage =
    "usage: lenticular-render [options] SOURCE OUTPUT\n"
    "       lenticular-render [options] VIEW1 VIEW2 ... OUTPUT\n"
    "       lenticular-render [options] --views-from DIR OUTPUT\n"
    "       lenticular-render strip [--crop] OUTPUT (VIEW1 VIEW2 ... | --views-from DIR)\n"
    "       lenticular-render preview [options] INTERLACED OUT\n"
    "       lenticular-render pitch-test [options] OUTPUT.png\n"
    "\n"
    "Renders the lenticular composer's output without a display: the values go\n"
    "into the input box, then Start, the buttons below in this order, and \"cap\"\n"
    "into OUTPUT: a .png file, or .tif / .tiff for a TIFF (LZW) a print shop takes.\n"
    "  SOURCE            the picture strip (image 0): a picture file, or demo for\n"
    "                    the built-in strip (8 pictures, or --pics, 2 to 16)\n"
    "  VIEW1 VIEW2 ...   the views as picture files of their own, in this order:\n"
    "                    each brought to the first view's size and placed side by\n"
    "                    side as a strip holds them; Pic_num is their count unless\n"
    "                    --pics says otherwise. JPEG files are turned upright as\n"
    "                    their EXIF orientation says\n"
    "  --views-from DIR  the views: DIR's picture files in natural order (v2\n"
    "                    before v10)\n"
    "  --crop            centre-crop every view to the first view's shape (else a\n"
    "                    view whose shape differs by more than 1 % is refused)\n"
    "  --print-size WxHu the output size as printed, u = in, mm or cm, with --dpi:\n"
    "                    8x10in at --dpi 600 is 4800 x 6000 pixels\n"
    "  --width N, --height N, --size WxH   Width and Height of the output, 100 to\n"
    "                    32768 each (the desktop program's input box: 100 to 3000)\n"
    "  --pics N          Pic_num (with demo: also the strip's pictures, 2 to 16)\n"
    "  --views N         View_num\n"
    "  --pitch P         Pitch (sub-pixel columns in beta and stable, pixels in\n"
    "                    print), above 0 and at most 100000\n"
    "  --lpi L --dpi D   print mode: the pitch from the lens sheet's lines per inch\n"
    "                    and the printer's dots per inch, D / L pixels\n"
    "  --dpi D           also: D pixels per inch written into OUTPUT (PNG pHYs, TIFF\n"
    "                    XResolution and YResolution), so that it prints at the size\n"
    "                    the lenses need\n"
    "  --scale S         Scale\n"
    "  --fit             press FIT\n"
    "  --aa on|off       off presses AA\n"
    "  --resample nearest|bli-orv|bci-orv|bli-1|bli-2|nn-test   (Start's is nn-test)\n"
    "  --loop            press LOOP\n"
    "  --pos K           press pos++ until the view position is K\n"
    "  --mode beta|stable|print   press stable or prn (beta: none)\n"
    "  --strip1 FILE     image 1, read by the stable and print modes with its\n"
    "                    pictures at the scaled size; from views given as files it\n"
    "                    is made of them at that size when not given\n"
    "  --frames DIR      then record as REC does, one frame per view position\n"
    "                    and back to 0, into DIR (_00000.png, ...)\n"
    "  --config FILE     the configuration file instead of ./VARNOLIS.txt\n"
    "  --no-config       no configuration file\n"
    "  --threads N       threads to render with (default: one per core)\n"
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
    "  --views N         2 to 1000 (default 2)\n"
    "  --mode print|beta PRINT's vertical strips (default) or BETA's slanted\n"
    "                    sub-pixels\n"
    "  --size WxH        default 1200 wide, 48 rows a band with 4-row gaps; at\n"
    "                    most 32768 each way\n"
    "  --dpi D           D pixels per inch written into the PNG (at most 100000)\n"
    "Example, a 60 LPI sheet on a 600 DPI printer: pitch 10 pixels, 41 bands\n"
    "from 9.8 to 10.2:\n"
    "  lenticular-render pitch-test --lpi 60 --dpi 600 chart.png\n"
    "then, with the band that flips at 10.0300 say:\n"
    "  lenticular-render --mode print --pitch 10.03 --dpi 600 --strip1 s.png s.png out.png\n"
    "\n"
    "strip writes the views' strip into OUTPUT, to open in the desktop program.\n"
    "\n"
    "preview shows what the eye sees through the lenses of an interlaced picture\n"
    "before it is printed: for each view, the sample each lens shows at that\n"
    "view's phase (PRINT: the middle column of its zone; BETA: the middle of its\n"
    "run of sub-pixels, the picture taken as the whole composed picture),\n"
    "stretched back to the picture's width. OUT ending in .gif is an animated\n"
    "GIF and in .png an animated PNG, sweeping through the views and back as\n"
    "tilting the print does; any other OUT is a folder that gets view_01.png ...\n"
    "  --mode beta|print, --views N, --pitch P (or --lpi L --dpi D)   as rendered\n"
    "  --mismatch P      look through lenses of pitch P instead: the banding a\n"
    "                    wrong pitch gives\n"
    "  --views-from DIR  (or --crop) the views it was made from: prints each\n"
    "                    view's PSNR against its reconstruction\n"
    "\n"
    "Files are regular files; OUTPUT must not be the source, a view, --strip1 or the\n"
    "configuration file. Exit code 0 when written; 2 for a bad argument, a source\n"
    "that is not a readable picture or a value the composer refuses (nothing is\n"
    "written); 1 when memory runs short (the render or a picture needs more than\n"
    "this machine allows) or a file cannot be written.\n";

namespace {

// The files after the options: OUTPUT and the sources (a strip, or views).
bool take_files(const std::vector<std::string>& files, BatchOptions* o, std::string* error) {
  if (o->preview) {
    if (files.size() != 2) return *error = "preview takes one INTERLACED picture and OUT", false;
    o->source = files[0];
    o->output = files[1];
    return true;
  }
  if (o->chart) {
    if (files.size() != 1) return *error = "pitch-test takes one OUTPUT.png", false;
    o->output = files[0];
    if (!has_extension(o->output, {".png"}))
      return *error = o->output + ": the chart must be a .png file", false;
    return true;
  }
  if (files.empty()) return *error = "no OUTPUT given", false;
  // "strip OUTPUT VIEW...": the output comes first; a render's comes last.
  o->output = o->strip_only ? files.front() : files.back();
  std::vector<std::string> sources(files.begin() + (o->strip_only ? 1 : 0),
                                   files.end() - (o->strip_only ? 0 : 1));
  if (!has_extension(o->output, {".png", ".tif", ".tiff"}))
    return *error = o->output + ": the output must be a .png, .tif or .tiff file", false;
  if (!o->views_from.empty()) {
    if (!sources.empty())
      return *error = "--views-from gives the views: no " + sources[0] + " beside it", false;
    return true;
  }
  if (sources.empty())
    return *error = o->strip_only ? "no views given" : "no SOURCE and OUTPUT given", false;
  if (sources.size() == 1 && !o->strip_only) {
    o->source = sources[0];
    return true;
  }
  for (const std::string& view : sources)
    if (view == "demo") return *error = "demo is a strip of its own, not a view", false;
  o->views = sources;
  return true;
}

}  // namespace

bool parse_batch_options(int argc, const char* const* argv, BatchOptions* o, std::string* error) {
  std::vector<std::string> files;
  PrintTerms terms;
  int first = 1;
  if (argc > 1 && std::strcmp(argv[1], "pitch-test") == 0) {
    o->chart = true;
    first = 2;
  } else if (argc > 1 && std::strcmp(argv[1], "strip") == 0) {
    o->strip_only = true;
    first = 2;
  } else if (argc > 1 && std::strcmp(argv[1], "preview") == 0) {
    o->preview = true;
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
    if (option && o->strip_only && arg != "--crop" && arg != "--views-from" && arg != "--threads") {
      *error = "strip takes only --crop, --views-from and --threads, not " + arg;
      return false;
    }
    if (option && !o->preview && arg == "--mismatch") {
      *error = "--mismatch belongs to preview";
      return false;
    }
    if (arg == "--fit") {
      o->fit = true;
    } else if (arg == "--loop") {
      o->loop = true;
    } else if (arg == "--crop") {
      o->crop = true;
    } else if (arg == "--no-config") {
      o->config.clear();
      o->config_given = false;
    } else if (option && option_takes_value(arg)) {
      if (i + 1 >= argc) {
        *error = arg + " needs a value";
        return false;
      }
      if (!take_option(arg, argv[++i], o, &terms, error)) return false;
    } else if (option) {
      *error = "unknown option " + arg;
      return false;
    } else {
      files.push_back(arg);
    }
  }
  if (!take_files(files, o, error)) return false;
  o->dpi = terms.dpi;
  if (o->chart) return resolve_chart(terms, o, error);
  if (o->strip_only) return true;
  if (!resolve_print_terms(terms, terms.mode == "print", o, error)) return false;
  if (o->preview) {
    if (o->mode == kStable) return *error = "preview: --mode beta or print", false;
    return true;
  }
  if (!resolve_print_size(terms, o, error)) return false;
  if (o->source == "demo") {
    if (o->demo_pictures < kSampleMinPictures || o->demo_pictures > kSampleMaxPictures)
      return *error = "--pics " + o->typed[2] + ": the demo strip has 2 to 16 pictures", false;
    if (o->typed[2].empty()) o->typed[2] = std::to_string(o->demo_pictures);
  }
  return true;
}

}  // namespace composer
