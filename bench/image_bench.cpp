// Image windows of a running framework: single pixels of the current image,
// and repainting a window with ORV_DrawImage.
//
// The program is a user program of its own: ORV_Ready presses Start, and
// ORV_Main runs the whole benchmark pass on the worker thread, which owns the
// image windows, then presses Exit. ORV_BACKEND chooses the back end as for
// any program (headless when unset and no display is named); under the Qt
// back end every repaint is timed until the client widget has painted it.
//
// Every benchmark carries a ratio to a baseline of the same run: "x_direct"
// for the pixel calls (a plain loop over the same buffer), "x_memcpy" for
// the repaints (one memcpy of the image's bytes). Each baseline is measured
// at start and again by its own benchmark, which runs just before the
// benchmarks that use it; its counter shows how far the two lie apart.

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "bench/bench_program.h"
#include "framework/core/entry.h"
#include "framework/core/main_window.h"
#include "framework/image/image_table.h"
#include "framework/orvlib.h"
#include "platform/choose_backend.h"
#include "platform/draw/dc.h"
#include "platform/headless/driver.h"
#include "platform/queue.h"
#include "platform/thread.h"
#include "platform/window.h"

#ifdef ORV_BENCH_WITH_QT
#include <QtCore/QCoreApplication>
#include <QtCore/QEvent>
#include <QtCore/QObject>
#include <QtGui/QPaintEvent>
#include <QtWidgets/QWidget>
#include <future>

#include "imaging/install.h"
#include "platform/qt/qt_internal.h"
#endif

namespace {

using Clock = std::chrono::steady_clock;

// Single pixels: a 1920 x 1080 32-bit image.
constexpr int kPixelId = 1;
constexpr int kPixelWidth = 1920;
constexpr int kPixelHeight = 1080;
// Repaints: a 3840 x 2160 32-bit image with the free limits.
constexpr int kPaintId = 2;
constexpr int kPaintWidth = 3840;
constexpr int kPaintHeight = 2160;
constexpr std::size_t kPaintBytes = std::size_t(kPaintWidth) * kPaintHeight * 4;

bool g_qt = false;  // the desktop back end: repaints wait for the widget's paint
double g_write_seconds = 0;
double g_read_seconds = 0;
double g_memcpy_seconds = 0;

double seconds_since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

double median_of(int runs, const std::function<void()>& once) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    auto t0 = Clock::now();
    once();
    times.push_back(seconds_since(t0));
  }
  std::nth_element(times.begin(), times.begin() + runs / 2, times.end());
  return times[runs / 2];
}

// `start` is taken just before the timed loop. Returns the time of one iteration.
double report_ratio(benchmark::State& state, Clock::time_point start, const char* name,
                    double baseline_seconds) {
  double seconds = seconds_since(start);
  double iterations = double(std::max<benchmark::IterationCount>(1, state.iterations()));
  state.counters[name] = seconds / iterations / baseline_seconds;
  return seconds / iterations;
}

// A baseline benchmark reports against the figure taken at start, then
// becomes the baseline of the benchmarks after it (run just before them, it
// shares their machine conditions).
void report_baseline(benchmark::State& state, Clock::time_point start, const char* name,
                     double& baseline_seconds) {
  double seconds = report_ratio(state, start, name, baseline_seconds);
  if (state.iterations() > 0) baseline_seconds = seconds;
}

std::uint32_t* pixels_of(int id) {
  return reinterpret_cast<std::uint32_t*>(orv::image_pixels(id));
}

// ---- the baselines: plain loops over the image's own buffer ----

void direct_write(std::uint32_t* p, int salt) {
  for (int y = 0; y < kPixelHeight; ++y)
    for (int x = 0; x < kPixelWidth; ++x)
      p[std::size_t(y) * kPixelWidth + x] = std::uint32_t(x + y + salt);
  benchmark::ClobberMemory();
}

std::uint32_t direct_read(const std::uint32_t* p) {
  std::uint32_t sum = 0;
  for (int y = 0; y < kPixelHeight; ++y)
    for (int x = 0; x < kPixelWidth; ++x) sum += p[std::size_t(y) * kPixelWidth + x];
  return sum;
}

void set_pixels(int salt) {
  for (int y = 0; y < kPixelHeight; ++y)
    for (int x = 0; x < kPixelWidth; ++x) ORV_SetPixel(x, y, x + y + salt);
  benchmark::ClobberMemory();
}

std::uint32_t get_pixels() {
  std::uint32_t sum = 0;
  for (int y = 0; y < kPixelHeight; ++y)
    for (int x = 0; x < kPixelWidth; ++x) sum += std::uint32_t(ORV_GetPixel(x, y));
  return sum;
}

void measure_baselines() {
  std::uint32_t* p = pixels_of(kPixelId);
  int salt = 0;
  g_write_seconds = median_of(41, [&] { direct_write(p, ++salt); });
  g_read_seconds = median_of(41, [&] {
    std::uint32_t sum = direct_read(p);
    benchmark::DoNotOptimize(sum);
  });
  std::vector<std::uint8_t> a(kPaintBytes, 1), b(kPaintBytes, 2);
  g_memcpy_seconds = median_of(41, [&] {
    std::memcpy(b.data(), a.data(), kPaintBytes);
    benchmark::DoNotOptimize(b.data());
    benchmark::ClobberMemory();
  });
}

// ---- the paint of the Qt client widget ----

#ifdef ORV_BENCH_WITH_QT
std::atomic<int> g_paints{0};
std::atomic<int> g_painted_width{0};
std::atomic<int> g_painted_height{0};

// Runs `work` on the GUI thread and waits for it.
void on_gui(std::function<void()> work) {
  std::promise<void> done;
  platform::qt::run_on_gui([&] {
    work();
    done.set_value();
  });
  done.get_future().wait();
}

// Counts the client widget's paints once each has ended, so that a repaint
// is timed through the widget's paint of the surface.
class PaintCounter : public QObject {
 public:
  QWidget* client = nullptr;
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched != client || event->type() != QEvent::Paint) return false;
    QRect area = static_cast<QPaintEvent*>(event)->rect();
    static_cast<QObject*>(client)->event(event);  // the widget's own paint, then the count
    g_painted_width = platform::qt::to_device(area.width());
    g_painted_height = platform::qt::to_device(area.height());
    ++g_paints;
    return true;
  }
};
PaintCounter* g_counter = nullptr;

void watch_client(platform::Window window) {
  on_gui([window] {
    if (!g_counter) g_counter = new PaintCounter;
    if (g_counter->client) g_counter->client->removeEventFilter(g_counter);
    g_counter->client = platform::qt::client_widget_of(window);
    if (g_counter->client) g_counter->client->installEventFilter(g_counter);
  });
}

// Waits until the widget has painted since `before` paints (false after 10 s).
bool wait_for_paint(int before) {
  auto start = Clock::now();
  while (g_paints.load() == before) {
    if (seconds_since(start) > 10) return false;
    std::this_thread::yield();
  }
  return true;
}
#endif

// One repaint: ORV_DrawImage, and under Qt the widget's paint of it.
bool repaint(int id) {
#ifdef ORV_BENCH_WITH_QT
  if (g_qt) {
    int before = g_paints.load();
    ORV_DrawImage(id);
    return wait_for_paint(before);
  }
#endif
  ORV_DrawImage(id);
  return true;
}

// ---- the benchmarks ----

void BM_DirectWrite(benchmark::State& state) {
  std::uint32_t* p = pixels_of(kPixelId);
  int salt = 0;
  auto start = Clock::now();
  for (auto _ : state) direct_write(p, ++salt);
  report_baseline(state, start, "x_direct", g_write_seconds);
}

void BM_SetPixel(benchmark::State& state) {
  ORV_SelectImage(kPixelId);
  int salt = 0;
  auto start = Clock::now();
  for (auto _ : state) set_pixels(++salt);
  report_ratio(state, start, "x_direct", g_write_seconds);
  if (pixels_of(kPixelId)[std::size_t(7) * kPixelWidth + 5] != std::uint32_t(5 + 7 + salt))
    state.SkipWithError("ORV_SetPixel did not reach the image");
}

void BM_DirectRead(benchmark::State& state) {
  const std::uint32_t* p = pixels_of(kPixelId);
  auto start = Clock::now();
  for (auto _ : state) {
    std::uint32_t sum = direct_read(p);
    benchmark::DoNotOptimize(sum);
  }
  report_baseline(state, start, "x_direct", g_read_seconds);
}

void BM_GetPixel(benchmark::State& state) {
  ORV_SelectImage(kPixelId);
  std::uint32_t expected = direct_read(pixels_of(kPixelId));
  std::uint32_t sum = 0;
  auto start = Clock::now();
  for (auto _ : state) {
    sum = get_pixels();
    benchmark::DoNotOptimize(sum);
  }
  report_ratio(state, start, "x_direct", g_read_seconds);
  if (sum != expected) state.SkipWithError("ORV_GetPixel read other values");
}

void BM_Memcpy(benchmark::State& state) {
  std::vector<std::uint8_t> a(kPaintBytes, 1), b(kPaintBytes, 2);
  auto start = Clock::now();
  for (auto _ : state) {
    std::memcpy(b.data(), a.data(), kPaintBytes);
    benchmark::DoNotOptimize(b.data());
    benchmark::ClobberMemory();
  }
  report_baseline(state, start, "x_memcpy", g_memcpy_seconds);
}

// Repaints the 3840 x 2160 window at zoom range(0) in stretch mode range(1);
// "zoom" is the zoom the image record holds afterwards.
void BM_DrawImage(benchmark::State& state) {
  int zoom = int(state.range(0)), mode = int(state.range(1));
  if (ORV_SetImageZoom(zoom, kPaintId) != 0) {
    state.SkipWithError("the zoom does not fit the limits");
    return;
  }
  ORV_SetImageStretchMode(mode, kPaintId);
  ORV_ProcessMessages();  // the paints the changes asked for
  const orv::ImageRecord& r = orv::image_record(kPaintId);
#ifdef ORV_BENCH_WITH_QT
  if (g_qt) {
    watch_client(r.window);
    // The widget takes its new size on the GUI thread: repaint until a
    // paint covers the whole client area.
    for (int i = 0; i < 200; ++i) {
      if (!repaint(kPaintId)) break;
      if (g_painted_width == r.disp_width && g_painted_height == r.disp_height) break;
      platform::sleep_ms(5);
    }
    if (g_painted_width != r.disp_width || g_painted_height != r.disp_height) {
      state.SkipWithError("the widget never painted the whole client area");
      return;
    }
  }
#endif
  repaint(kPaintId);
  bool shown = true;
  auto start = Clock::now();
  for (auto _ : state) shown = repaint(kPaintId) && shown;
  report_ratio(state, start, "x_memcpy", g_memcpy_seconds);
  state.counters["zoom"] = r.zoom;
  state.counters["client_w"] = r.disp_width;
  state.counters["client_h"] = r.disp_height;
  state.SetLabel(g_qt ? "qt, through the widget's paint" : "headless");
  if (!shown) state.SkipWithError("a repaint never reached the widget");
}

BENCHMARK(BM_DirectWrite)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SetPixel)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DirectRead)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GetPixel)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DrawImage)
    ->ArgNames({"zoom", "mode"})
    ->Args({100, platform::kStretchColorOnColor})
    ->Args({50, platform::kStretchColorOnColor})
    ->Args({200, platform::kStretchColorOnColor})
    ->Args({100, platform::kStretchHalftone})
    ->Args({50, platform::kStretchHalftone})
    ->Args({200, platform::kStretchHalftone})
    ->Unit(benchmark::kMillisecond);

// A colour gradient with some texture.
void fill_picture(int id, int w, int h) {
  std::uint32_t* p = pixels_of(id);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      p[std::size_t(y) * w + x] = (std::uint32_t(x * 255 / w) << 16) |
                                  (std::uint32_t(y * 255 / h) << 8) | std::uint32_t((x ^ y) & 0xFF);
}

int g_status = 0;

}  // namespace

void ORV_Ready() {
  bench::press(orv::kCommandStart);
}

int ORV_Main() {
  if (ORV_CreateImage(kPixelId, "pixels", 0, 0, kPixelWidth, kPixelHeight, 100) != 0 ||
      ORV_CreateImageFL(kPaintId, "repaint", 0, 0, kPaintWidth, kPaintHeight, 100) != 0) {
    std::fprintf(stderr, "image_bench: the images could not be made\n");
    g_status = 1;
  } else {
    fill_picture(kPaintId, kPaintWidth, kPaintHeight);
    ORV_ProcessMessages();
    measure_baselines();
    benchmark::RunSpecifiedBenchmarks();
  }
  bench::press(orv::kCommandExit);
  return 0;
}

int main(int argc, char** argv) {
  // First: --help ends the process at once, before there is a folder to remove.
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  bench::PrivateRuntimeFolder folder;
  const platform::Backend* backend = platform::choose_backend(argc, argv);
  if (!backend) return 1;
  g_qt = backend != headless::backend();
#ifndef ORV_BENCH_WITH_QT
  if (g_qt) {
    std::fprintf(stderr, "image_bench: built without the Qt back end\n");
    return 1;
  }
#endif
  // A screen of 3840 x 2160 at least, so that the free limits (twice the
  // screen) hold the 3840 x 2160 image at zoom 200.
  platform::ScreenMetrics m = platform::screen_metrics();
  m.screen_width = std::max(m.screen_width, kPaintWidth);
  m.screen_height = std::max(m.screen_height, kPaintHeight);
  m.maximized_client_width = std::max(m.maximized_client_width, kPaintWidth);
  m.maximized_client_height = std::max(m.maximized_client_height, kPaintHeight - m.caption);
  platform::set_screen_metrics(m);
  orv::install_imaging();  // the image windows' commands, as the framework's main does
  int code = orv::run_program(backend);
  benchmark::Shutdown();
  folder.remove();
  platform::exit_process(code != 0 ? code : g_status);
}
