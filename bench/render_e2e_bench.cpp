// lenticular-render end to end on the batch job a print or display shop
// runs: 8 views side by side in one PNG strip, interlaced into one PNG for a
// lens 8 output pixels wide (--pics 8 --views 8 --pitch 24 --resample
// nearest --aa off), at 1920 x 1080 (a 15360 x 1080 strip) and 3840 x 2160
// (30720 x 2160), on every core and on one. Each run is a whole process:
// start, decode, render, encode, exit.
//
// The baseline of the same run is the floor no renderer can go below with
// these libraries: a process that only decodes the strip and encodes a
// picture of the output's size. Runs alternate with it; the figures are
// medians of five, the peaks the largest resident sizes.
//
// The strip is made here: smooth shapes under a sensor's grain, written
// with the general PNG encoder's adaptive filters, so that it compresses
// like a photograph (to about half its raw size) and decodes like one.
//
//   render_e2e_bench LENTICULAR-RENDER
//   render_e2e_bench --floor STRIP OUTPUT WIDTH HEIGHT   (the baseline's process)
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "framework/orvlib.h"
#include "platform/codec/codec.h"

extern char** environ;

// The framework is never started here.
void ORV_Ready() {}
int ORV_Main() {
  return 0;
}

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRepeats = 5;
constexpr int kViews = 8;

double milliseconds_since(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

std::uint32_t grain(int x, int y) {
  std::uint32_t h = std::uint32_t(x) * 0x9E3779B1u ^ std::uint32_t(y) * 0x85EBCA77u;
  h ^= h >> 15;
  h *= 0x2C1B3C6Du;
  return h ^ (h >> 12);
}

// View v of a scene: sky, hills and a disc that shifts from view to view.
bool write_strip(const std::string& path, int width, int height) {
  platform::Picture strip;
  strip.width = width * kViews;
  strip.height = height;
  strip.pixels.resize(std::size_t(strip.width) * height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < strip.width; ++x) {
      const int v = x / width, px = x % width;
      const double u = double(px) / width, w = double(y) / height;
      const double hill = 0.6 + 0.1 * std::sin(9 * u + 0.2 * v) + 0.05 * std::sin(23 * u);
      const double dx = u - 0.5 - 0.01 * v, dy = w - 0.55;
      std::uint32_t g = grain(x, y);
      int noise = int(g % 41) - 20 + int((g >> 8) % 9) - 4;
      int r = w < hill ? int(90 + 120 * w) : int(60 + 80 * u);
      int gr = w < hill ? int(140 + 90 * w) : int(120 + 60 * std::sin(40 * u * w));
      int b = w < hill ? 230 : int(50 + 30 * u);
      if (dx * dx + dy * dy < 0.02) r = 220, gr = int(80 + 100 * w), b = 40;
      auto clamp = [&](int c) { return std::uint32_t(std::clamp(c + noise, 0, 255)); };
      strip.pixels[std::size_t(y) * strip.width + x] = clamp(r) << 16 | clamp(gr) << 8 | clamp(b);
    }
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

// The baseline's process: the strip decoded, a picture of the output's
// size (the strip's top-left corner) encoded, with the same calls.
int floor_pass(const char* strip, const char* output, int width, int height) {
  ORV_Picture decoded;
  if (ORV_ReadPicture(strip, &decoded) != ORV_PICTURE_OK) return 1;
  ORV_PixelBuffer corner;
  corner.pixels = reinterpret_cast<unsigned char*>(decoded.pixels);
  corner.width = std::min(width, decoded.width);
  corner.height = std::min(height, decoded.height);
  corner.stride = decoded.width * 4;
  corner.bits = 32;
  int result = ORV_WritePng(output, corner, 0, 0);
  ORV_FreePicture(&decoded);
  return result == ORV_PICTURE_OK ? 0 : 1;
}

struct Row {
  std::string size, threads;
  double render_ms = 0, floor_ms = 0;
  long render_peak = 0, floor_peak = 0;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc == 6 && std::string(argv[1]) == "--floor")
    return floor_pass(argv[2], argv[3], std::atoi(argv[4]), std::atoi(argv[5]));
  if (argc != 2) {
    std::fprintf(stderr, "usage: render_e2e_bench LENTICULAR-RENDER\n");
    return 2;
  }
  namespace fs = std::filesystem;
  fs::path folder = fs::temp_directory_path() / ("orv-render-bench-" + std::to_string(getpid()));
  fs::create_directories(folder);
  const std::string self = fs::canonical("/proc/self/exe").string();
  int code = 0;
  std::vector<Row> rows;
  for (auto [width, height] : {std::pair{1920, 1080}, std::pair{3840, 2160}}) {
    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    const std::string strip = (folder / ("strip-" + size + ".png")).string(),
                      out = (folder / "out.png").string(),
                      floor_out = (folder / "floor.png").string();
    if (!write_strip(strip, width, height)) {
      std::fprintf(stderr, "render_e2e_bench: cannot write the strip\n");
      code = 1;
      break;
    }
    std::fprintf(stderr, "%s: strip of %.1f MB\n", size.c_str(),
                 double(fs::file_size(strip)) / 1e6);
    for (const char* threads : {"0", "1"}) {
      Row row{size, threads[0] == '0' ? "all" : threads};
      std::vector<double> render, floor;
      for (int i = 0; i < kRepeats && code == 0; ++i) {
        ProcessRun r = run_process({argv[1], "--no-config", "--threads", threads, "--pics", "8",
                                    "--views", "8", "--pitch", "24", "--size", size, "--resample",
                                    "nearest", "--aa", "off", strip, out});
        ProcessRun f = run_process(
            {self, "--floor", strip, floor_out, std::to_string(width), std::to_string(height)});
        if (!r.ok || !f.ok) {
          std::fprintf(stderr, "render_e2e_bench: a run failed\n");
          code = 1;
        }
        render.push_back(r.ms);
        floor.push_back(f.ms);
        row.render_peak = std::max(row.render_peak, r.peak_kib);
        row.floor_peak = std::max(row.floor_peak, f.peak_kib);
      }
      if (code != 0) break;
      row.render_ms = median(render);
      row.floor_ms = median(floor);
      rows.push_back(row);
    }
  }
  std::printf("%-10s %-7s %10s %9s %7s %12s %11s\n", "output", "threads", "render ms", "floor ms",
              "ratio", "render MiB", "floor MiB");
  for (const Row& r : rows)
    std::printf("%-10s %-7s %10.0f %9.0f %7.2f %12.0f %11.0f\n", r.size.c_str(), r.threads.c_str(),
                r.render_ms, r.floor_ms, r.render_ms / r.floor_ms, double(r.render_peak) / 1024,
                double(r.floor_peak) / 1024);
  fs::remove_all(folder);
  return code;
}
