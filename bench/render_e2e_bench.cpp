// lenticular-render end to end: an 8-picture strip (960 x 540 pictures, a
// 7680 x 540 PNG) rendered with FIT to a 1920 x 1080 and a 3000 x 2160 PNG,
// 8 views, with the nearest-pixel and the NN TEST resampling. (The composer
// takes widths and heights up to 3000, so 3840 x 2160 is out of its reach;
// 3000 x 2160 is the largest output of that height.) Each run is a
// whole process: start, decode, compose, encode, exit. The baseline of the
// same run is what no renderer can avoid: decoding the strip and encoding a
// picture of the output's size (the output itself), in this process.
//
//   render_e2e_bench LENTICULAR-RENDER
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "composer/sample_strip.h"
#include "platform/codec/codec.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRepeats = 5;
constexpr int kPictures = 8;

double milliseconds_since(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// The sample scene at twice its size: 8 pictures of 960 x 540 side by side.
bool write_strip(const std::string& path) {
  const int w = composer::kSamplePictureWidth, h = composer::kSamplePictureHeight;
  platform::Picture strip;
  strip.width = 2 * w * kPictures;
  strip.height = 2 * h;
  strip.pixels.resize(std::size_t(strip.width) * strip.height);
  std::vector<std::uint32_t> picture(std::size_t(w) * h);
  for (int i = 0; i < kPictures; ++i) {
    composer::draw_sample_picture(picture.data(), w, i, kPictures);
    for (int y = 0; y < 2 * h; ++y)
      for (int x = 0; x < 2 * w; ++x)
        strip.pixels[std::size_t(y) * strip.width + i * 2 * w + x] =
            picture[std::size_t(y / 2) * w + x / 2];
  }
  return platform::encode_picture(strip, "image/png", 0, path.c_str()) == platform::CodecStatus::Ok;
}

struct ProcessRun {
  double ms = 0;
  long peak_kib = 0;
  bool ok = false;
};

ProcessRun run_process(std::vector<std::string> args) {
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  ProcessRun result;
  Clock::time_point start = Clock::now();
  pid_t pid = 0;
  if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return result;
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid) return result;
  result.ms = milliseconds_since(start);
  result.peak_kib = usage.ru_maxrss;
  result.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return result;
}

// Decoding the strip and encoding the output, as one pass of the baseline.
double input_output_pass(const std::string& strip, const platform::Picture& output,
                         const std::string& path) {
  Clock::time_point start = Clock::now();
  platform::Picture decoded;
  if (platform::load_picture(strip.c_str(), decoded) != platform::CodecStatus::Ok) return -1;
  if (platform::encode_picture(output, "image/png", 0, path.c_str()) != platform::CodecStatus::Ok)
    return -1;
  return milliseconds_since(start);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: render_e2e_bench LENTICULAR-RENDER\n");
    return 2;
  }
  namespace fs = std::filesystem;
  fs::path folder = fs::temp_directory_path() / ("orv-render-bench-" + std::to_string(getpid()));
  fs::create_directories(folder);
  std::string strip = (folder / "strip.png").string(), out = (folder / "out.png").string(),
              again = (folder / "again.png").string();
  setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
  int code = 0;
  if (!write_strip(strip)) {
    std::fprintf(stderr, "render_e2e_bench: cannot write the strip\n");
    code = 1;
  }
  std::printf("%-11s %-8s %10s %12s %7s %10s\n", "output", "resample", "render ms", "baseline ms",
              "ratio", "peak MiB");
  for (const char* size : {"1920x1080", "3000x2160"}) {
    for (const char* resample : {"nearest", "nn-test"}) {
      if (code != 0) break;
      std::vector<double> render, baseline;
      long peak = 0;
      for (int i = 0; i < kRepeats && code == 0; ++i) {
        ProcessRun run = run_process({argv[1], "--no-config", "--size", size, "--fit", "--pics",
                                      "8", "--views", "8", "--resample", resample, strip, out});
        platform::Picture output;
        if (!run.ok || platform::load_picture(out.c_str(), output) != platform::CodecStatus::Ok) {
          std::fprintf(stderr, "render_e2e_bench: lenticular-render failed\n");
          code = 1;
          break;
        }
        render.push_back(run.ms);
        peak = std::max(peak, run.peak_kib);
        baseline.push_back(input_output_pass(strip, output, again));
      }
      if (code != 0) break;
      double r = median(render), b = median(baseline);
      std::printf("%-11s %-8s %10.1f %12.1f %7.2f %10.1f\n", size, resample, r, b, r / b,
                  double(peak) / 1024.0);
    }
  }
  fs::remove_all(folder);
  return code;
}
