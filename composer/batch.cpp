// The batch run: the state Start and the buttons leave, rendered once.
#include "composer/batch.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <new>
#include <system_error>
#include <vector>

#include "composer/buffers.h"
#include "composer/params.h"
#include "composer/pixels.h"
#include "composer/pool.h"
#include "composer/preview.h"
#include "composer/render.h"
#include "composer/views.h"

namespace composer {
namespace {

constexpr const char* kItemOptions[6] = {"--width", "--height", "--pics",
                                         "--views", "--pitch",  "--scale"};
constexpr int kWidthItem = 0, kHeightItem = 1, kPicItem = 2, kViewItem = 3, kPitchItem = 4,
              kScaleItem = 5;

// A picture owned for the run.
struct OwnedPicture {
  ORV_Picture picture;
  ~OwnedPicture() { ORV_FreePicture(&picture); }
  ORV_PixelBuffer view() const {
    return words_view(reinterpret_cast<std::uint32_t*>(picture.pixels), picture.width,
                      picture.height, picture.width);
  }
};

// What a picture file's result means for the run: 2 for a file that is not
// a readable picture, 1 for memory.
int picture_failure(int result, const std::string& name, std::string* error) {
  if (result == ORV_PICTURE_NO_MEMORY) {
    *error = "not enough memory for " + name;
    return 1;
  }
  *error = name + ": " + ORV_PictureResultText(result);
  return 2;
}

// The views' files: those given, or the folder's in natural order.
bool view_files(const BatchOptions& o, std::vector<std::string>* paths, std::string* error) {
  if (o.views_from.empty()) {
    *paths = o.views;
    return true;
  }
  return list_view_folder(o.views_from, paths, error);
}

int load_source(const BatchOptions& o, const std::vector<std::string>& views, OwnedPicture& source,
                std::string* error) {
  if (!views.empty()) return strip_from_views(views, o.crop, &source.picture, error);
  if (o.source != "demo") {
    int result = ORV_ReadPicture(o.source.c_str(), &source.picture);
    return result == ORV_PICTURE_OK ? 0 : picture_failure(result, o.source, error);
  }
  int result =
      ORV_NewPicture(kSamplePictureWidth * o.demo_pictures, kSamplePictureHeight, &source.picture);
  if (result != ORV_PICTURE_OK) return picture_failure(result, "the demo strip", error);
  auto* pixels = reinterpret_cast<std::uint32_t*>(source.picture.pixels);
  std::fill(pixels, pixels + std::size_t(source.picture.width) * source.picture.height, 0u);
  for (int i = 0; i < o.demo_pictures; ++i)
    draw_sample_picture(pixels + i * kSamplePictureWidth, source.picture.width, i, o.demo_pictures);
  return 0;
}

// The same file (device and inode), whatever names or links lead to it.
bool same_file(const std::string& a, const std::string& b) {
  std::error_code failed;
  return !a.empty() && !b.empty() && std::filesystem::equivalent(a, b, failed) && !failed;
}

// The output must not replace one of the run's own inputs.
bool output_is_no_input(const BatchOptions& o, const std::vector<std::string>& views,
                        std::string* error) {
  std::vector<std::pair<const std::string*, const char*>> inputs = {
      {&o.source, "the source"},
      {&o.strip1, "the --strip1 picture"},
      {&o.config, "the configuration file"}};
  for (const std::string& view : views) inputs.push_back({&view, "a view"});
  for (const auto& [path, what] : inputs) {
    if (!same_file(o.output, *path)) continue;
    *error = o.output + ": is " + what + "; give another OUTPUT";
    return false;
  }
  return true;
}

// A folder the frames can be written into, made when missing.
int frames_folder_ready(const BatchOptions& o, std::string* error) {
  std::error_code failed;
  if (!std::filesystem::exists(o.frames, failed) &&
      !std::filesystem::create_directory(o.frames, failed)) {
    *error = "--frames " + o.frames + ": cannot make the folder";
    return 2;
  }
  if (!std::filesystem::is_directory(o.frames, failed)) {
    *error = "--frames " + o.frames + ": not a folder";
    return 2;
  }
  std::string probe = o.frames + "/.lenticular-render-probe";
  std::FILE* file = std::fopen(probe.c_str(), "wb");
  if (!file) {
    *error = "--frames " + o.frames + ": cannot write into the folder";
    return 2;
  }
  std::fclose(file);
  std::remove(probe.c_str());
  return 0;
}

// The text the input box shows for a pitch: ten significant digits.
double as_shown(double pitch) {
  char text[48];
  std::snprintf(text, sizeof text, "%.9e", pitch);
  return std::strtod(text, nullptr);
}

void derive_sizes(Params& p, int src_w, int src_h) {
  p.src_height = src_h;
  p.pic_width = src_w / std::max(1, p.pic_num);
  p.scaled_width = p.scale * p.pic_width / 100;
  p.scaled_height = p.scale * p.src_height / 100;
}

// Start with the values typed: what the composer takes over from its input
// box when a run starts. A value it would write back (refuse) is an error.
bool take_start_values(const BatchOptions& o, Params& p, int src_w, int src_h, std::string* error) {
  std::array<std::string, 6> box = {
      std::to_string(p.width), std::to_string(p.height), "2", "2", "", "100"};
  for (int i = 0; i < 6; ++i)
    if (!o.typed[std::size_t(i)].empty()) box[std::size_t(i)] = o.typed[std::size_t(i)];
  auto whole = [&](int i) { return std::atoi(box[std::size_t(i)].c_str()); };
  const double pitch = o.typed[kPitchItem].empty() ? as_shown(p.pitch)
                                                   : std::strtod(box[kPitchItem].c_str(), nullptr);
  auto refused = [&](int i, const std::string& kept) {
    *error = std::string(kItemOptions[i]) + " " + box[std::size_t(i)] +
             ": refused; the composer keeps " + kept;
    return false;
  };
  const int pic_num = whole(kPicItem), view_num = whole(kViewItem), scale = whole(kScaleItem);
  if (geometry_fits(p, src_w, src_h, pic_num, scale) && view_num >= 1 && view_num <= pic_num &&
      pitch_usable(pitch)) {
    p.pic_num = pic_num;
    p.view_num = view_num;
    p.pitch = pitch;
    p.scale = scale;
  }
  derive_sizes(p, src_w, src_h);
  if (pic_num != p.prev_pic_num) {
    if (!geometry_fits(p, src_w, src_h, pic_num, p.scale))
      return refused(kPicItem, std::to_string(p.prev_pic_num));
    if (pic_num < p.view_num) p.view_num = p.prev_view_num = pic_num;
    p.pic_num = p.prev_pic_num = pic_num;
    derive_sizes(p, src_w, src_h);
  }
  if (view_num != p.prev_view_num) {
    if (view_num > p.pic_num || view_num < 1)
      return refused(kViewItem, std::to_string(p.prev_view_num));
    p.view_num = p.prev_view_num = view_num;
  }
  if (pitch != p.prev_pitch) {
    if (!pitch_usable(pitch)) return refused(kPitchItem, std::to_string(p.prev_pitch));
    p.pitch = p.prev_pitch = pitch;
  }
  if (scale != p.prev_scale) {
    if (!geometry_fits(p, src_w, src_h, p.pic_num, scale))
      return refused(kScaleItem, std::to_string(p.prev_scale));
    p.scale = p.prev_scale = scale;
    derive_sizes(p, src_w, src_h);
  }
  // Below the input box's least side is refused as there; above its
  // largest, the batch goes on to the codecs' limit, which the options check.
  for (int item : {kWidthItem, kHeightItem}) {
    int& size = item == kWidthItem ? p.width : p.height;
    if (whole(item) < kMinOutputSide) return refused(item, std::to_string(size));
    size = item == kWidthItem ? (p.prev_width = whole(item)) : (p.prev_height = whole(item));
  }
  return true;
}

// The buttons after Start, in their order; false with the error for a
// position the composer cannot reach.
bool press_buttons(const BatchOptions& o, Params& p, std::string* error) {
  if (o.fit) {
    fit_scale(p);
    p.rs = kNnTest;
  }
  p.aa = o.aa;
  if (o.resample >= 0) p.rs = o.resample;
  p.loop = o.loop;
  int last = p.loop ? p.pic_num - 1 : p.pic_num - p.view_num;
  if (o.pos > last) {
    *error = "--pos " + std::to_string(o.pos) + ": the view position goes from 0 to " +
             std::to_string(last);
    return false;
  }
  p.view_pos = o.pos;
  return true;
}

// The render's size, in bytes, as the composer's run would hold it: its
// buffers and the output. The batch itself holds far less (no work image,
// no maps, only the rows shown), but a render the composer could not hold
// is refused here as it is on the desktop.
std::uint64_t render_bytes(const Params& p) {
  Params beta = p;
  beta.subpixels = 3;
  return buffer_bytes(beta) + std::uint64_t(p.width) * std::uint64_t(p.height) * 4;
}

// The renderers' state for one output, reused frame by frame.
struct Renderer {
  Params& p;
  const ORV_PixelBuffer source, strip;
  const ORV_PixelBuffer out;

  void beta() {
    Params beta = p;
    beta.subpixels = 3;
    OwnedTables store(beta);
    build_beta_tables(beta, store.tables);
    const Resampling resampling = plan_resampling(beta);
    WorkSource samples;
    samples.resampling = &resampling;
    samples.source = source;
    Scroll scroll;  // a run starts unscrolled
    compose_beta_placed(beta, store.tables, samples,
                        place_output(beta, scroll, out.width, out.height), out);
    p.dt = beta.dt;
  }

  // PRINT leaves the last row and the columns past the picture as the BETA
  // render before it showed them.
  void print(bool first) {
    const bool covers = p.scaled_width >= out.width && p.scaled_height - 1 >= out.height;
    if (first && (!covers || !strip.pixels)) beta();
    p.subpixels = 1;
    OwnedTables store(p);
    render_print(p, store.tables, strip, out);
  }

  void stable() { render_stable(p, strip, out); }

  void render(bool first) {
    if (p.print_mode == kPrint)
      print(first);
    else if (p.print_mode == kStable)
      stable();
    else
      beta();
  }
};

// A PNG file, or a TIFF one when the name ends in .tif or .tiff.
int write_picture(const std::string& path, const ORV_PixelBuffer& view, double dpi,
                  std::string* error) {
  int result = has_extension(path, {".tif", ".tiff"})
                   ? ORV_WriteTiff(path.c_str(), view, dpi)
                   : ORV_WritePng(path.c_str(), view, dpi, thread_count());
  if (result == ORV_PICTURE_OK) return 0;
  *error = result == ORV_PICTURE_NO_MEMORY ? "not enough memory to write " + path
                                           : path + ": cannot be written";
  return 1;
}

// As REC records: from view position 0 with LOOP on, one step at a time,
// each frame without the two leftmost and two rightmost columns, until the
// frame at position 0 again.
int record_frames(const BatchOptions& o, Renderer& r, std::string* error) {
  Params& p = r.p;
  p.view_pos = 0;
  p.loop = true;
  ORV_PixelBuffer band = r.out;
  band.pixels += 2 * 4;
  band.width -= 4;
  for (int frame = 0;; ++frame) {
    p.view_pos = p.view_pos + 1 >= p.pic_num ? 0 : p.view_pos + 1;
    r.render(false);
    char name[32];
    std::snprintf(name, sizeof name, "/_%05d.png", frame);
    if (write_picture(o.frames + name, band, 0, error) != 0) return 1;
    if (p.view_pos == 0) return 0;
  }
}

bool fits_in_memory(const Params& p, std::string* error) {
  const std::uint64_t need = render_bytes(p), budget = ORV_MemoryBudget();
  if (need <= budget) return true;
  *error = "not enough memory for the render: it needs " + std::to_string(need >> 20) +
           " MB, this machine allows " + std::to_string(budget >> 20) + " MB";
  return false;
}

int run_chart(const BatchOptions& o, std::string* error) {
  const PitchChart& c = o.chart_spec;
  std::vector<std::uint32_t> pixels;
  if (!render_pitch_chart(c, pixels, error)) return 1;
  return write_picture(o.output, words_view(pixels.data(), c.width, c.height, c.width), o.dpi,
                       error);
}

int render_to_files(const BatchOptions& o, Params& p, const ORV_PixelBuffer& source,
                    const ORV_PixelBuffer& strip, std::string* error) {
  if (!o.frames.empty() && p.width <= 4) {
    *error = "--frames: the output must be wider than 4 pixels";
    return 2;
  }
  p.print_mode = o.mode;
  if (!fits_in_memory(p, error)) return 1;
  OwnedPicture out;
  int result = ORV_NewPicture(p.width, p.height, &out.picture);
  if (result != ORV_PICTURE_OK) return picture_failure(result, "the output", error);
  Renderer renderer{p, source, strip, out.view()};
  renderer.render(true);
  if (int code = write_picture(o.output, out.view(), o.dpi, error)) return code;
  return o.frames.empty() ? 0 : record_frames(o, renderer, error);
}

// The preview's parameters: the pitch and views typed, else the
// configuration's pitch and two views, as a render starts with.
bool preview_params(const BatchOptions& o, Params& p, std::string* error) {
  std::string problems;
  if (!o.config.empty() && !read_configuration_file(o.config.c_str(), p, &problems) &&
      o.config_given) {
    *error = o.config + ": not a readable regular file";
    return false;
  }
  p.print_mode = o.mode;
  p.aa = o.aa;
  if (!o.typed[kPitchItem].empty()) p.pitch = std::strtod(o.typed[kPitchItem].c_str(), nullptr);
  if (o.mismatch > 0) p.pitch = o.mismatch;
  p.view_num = o.typed[kViewItem].empty() ? 2 : std::atoi(o.typed[kViewItem].c_str());
  if (p.view_num < 1) {
    *error = "--views " + o.typed[kViewItem] + ": at least one view";
    return false;
  }
  return true;
}

// Each view's PSNR against the view it was made from, brought to the
// interlaced picture's size, one line each.
int report_psnr(const BatchOptions& o, const std::vector<std::string>& views,
                const std::vector<std::vector<std::uint32_t>>& seen, int width, int height,
                std::string* error) {
  OwnedPicture sources;
  if (int code = strip_from_views(views, o.crop, &sources.picture, error, width, height))
    return code;
  std::vector<std::uint32_t> source(std::size_t(width) * std::size_t(height));
  for (std::size_t v = 0; v < seen.size() && v < views.size(); ++v) {
    for (int y = 0; y < height; ++y)
      std::copy_n(sources.picture.pixels + std::size_t(y) * sources.picture.width + v * width,
                  width, source.data() + std::size_t(y) * width);
    std::printf("view %zu (%s): PSNR %.2f dB\n", v + 1, views[v].c_str(),
                psnr(seen[v].data(), source.data(), source.size()));
  }
  return 0;
}

// The views as the eye sees them, into an animation or a folder.
int write_preview(const BatchOptions& o, const std::vector<std::vector<std::uint32_t>>& seen,
                  int width, int height, std::string* error) {
  auto view_of = [&](std::size_t v) {
    return words_view(const_cast<std::uint32_t*>(seen[v].data()), width, height, width);
  };
  const bool animated = has_extension(o.output, {".gif", ".png"});
  if (animated) {
    // Through the views and back, as tilting the print one way and the other.
    std::vector<ORV_PixelBuffer> frames;
    for (std::size_t v = 0; v < seen.size(); ++v) frames.push_back(view_of(v));
    for (std::size_t v = seen.size() - 1; v-- > 1;) frames.push_back(view_of(v));
    const int result = ORV_WriteAnimation(o.output.c_str(), frames.data(), int(frames.size()), 150);
    if (result == ORV_PICTURE_OK) return 0;
    *error = o.output + ": " + ORV_PictureResultText(result);
    return 1;
  }
  std::error_code failed;
  std::filesystem::create_directory(o.output, failed);
  if (!std::filesystem::is_directory(o.output, failed)) {
    *error = o.output + ": not a folder that can be made";
    return 2;
  }
  for (std::size_t v = 0; v < seen.size(); ++v) {
    char name[32];
    std::snprintf(name, sizeof name, "/view_%02zu.png", v + 1);
    if (int code = write_picture(o.output + name, view_of(v), 0, error)) return code;
  }
  return 0;
}

int run_preview(const BatchOptions& o, const std::vector<std::string>& views, std::string* error) {
  Params p;
  if (!preview_params(o, p, error)) return 2;
  OwnedPicture interlaced;
  int result = ORV_ReadPicture(o.source.c_str(), &interlaced.picture);
  if (result != ORV_PICTURE_OK) return picture_failure(result, o.source, error);
  const ORV_PixelBuffer in = interlaced.view();
  // Every view is held at the picture's size: refused before it is allocated.
  const std::uint64_t need = preview_bytes(p, in.width, in.height), budget = ORV_MemoryBudget();
  if (need > budget) {
    *error = "not enough memory for the preview: its " + std::to_string(p.view_num) +
             " views need " + std::to_string(need >> 20) + " MB, this machine allows " +
             std::to_string(budget >> 20) + " MB";
    return 1;
  }
  const std::vector<std::vector<std::uint32_t>> seen = preview_views(p, in);
  if (!views.empty())
    if (int code = report_psnr(o, views, seen, in.width, in.height, error)) return code;
  return write_preview(o, seen, in.width, in.height, error);
}

}  // namespace

int run_batch(const BatchOptions& o, std::string* error) {
  set_thread_count(o.threads);
  if (o.chart) return run_chart(o, error);
  std::vector<std::string> views;
  if (!view_files(o, &views, error)) return 2;
  if (!output_is_no_input(o, views, error)) return 2;
  if (o.preview) return run_preview(o, views, error);
  if (o.strip_only) {
    OwnedPicture strip;
    if (int code = strip_from_views(views, o.crop, &strip.picture, error)) return code;
    return write_picture(o.output, strip.view(), 0, error);
  }
  Params p;
  std::string problems;
  bool configured = !o.config.empty() && read_configuration_file(o.config.c_str(), p, &problems);
  if (!configured && !o.config.empty()) {
    std::error_code failed;
    if (o.config_given ||
        std::filesystem::exists(std::filesystem::symlink_status(o.config, failed))) {
      *error = o.config + ": not a readable regular file";
      return 2;
    }
  }
  if (!problems.empty()) {
    *error = o.config + ": " + problems.substr(0, problems.find('\n'));
    return 2;
  }
  p.pic_num = p.view_num = p.prev_pic_num = p.prev_view_num = 2;
  p.prev_width = p.width;
  p.prev_height = p.height;
  p.prev_pitch = p.pitch;
  if (!o.frames.empty())
    if (int code = frames_folder_ready(o, error)) return code;
  OwnedPicture source, strip;
  if (int code = load_source(o, views, source, error)) return code;
  if (!o.strip1.empty()) {
    int result = ORV_ReadPicture(o.strip1.c_str(), &strip.picture);
    if (result != ORV_PICTURE_OK) return picture_failure(result, "--strip1 " + o.strip1, error);
  }
  // Views given as files: Pic_num is their count unless typed.
  BatchOptions typed = o;
  if (!views.empty() && typed.typed[kPicItem].empty())
    typed.typed[kPicItem] = std::to_string(views.size());
  if (!take_start_values(typed, p, source.picture.width, source.picture.height, error)) return 2;
  if (!press_buttons(typed, p, error)) return 2;
  // STABLE and PRINT read image 1 with its pictures at the scaled size:
  // from views given as files, without --strip1, it is made of them so.
  if (!views.empty() && o.strip1.empty() && o.mode != kBeta && p.scaled_width > 0 &&
      p.scaled_height > 0)
    if (int code =
            strip_from_views(views, o.crop, &strip.picture, error, p.scaled_width, p.scaled_height))
      return code;
  return render_to_files(o, p, source.view(),
                         strip.picture.pixels ? strip.view() : ORV_PixelBuffer{}, error);
}

}  // namespace composer
