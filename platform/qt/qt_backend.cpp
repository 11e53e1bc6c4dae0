// The Qt back end's start: the application object, the screen's metrics,
// the back-end table, and the choice between Qt and headless at start.
#include "platform/qt/qt_backend.h"

#include <QtCore/QSettings>
#include <QtGui/QFont>
#include <QtGui/QScreen>
#include <QtWidgets/QApplication>
#include <QtWidgets/QMenuBar>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/headless/driver.h"
#include "platform/qt/qt_internal.h"
#include "platform/window.h"

namespace platform::qt {
namespace {

double g_device_ratio = 1.0;
int g_menu_height = 20;

ThreadId gui_thread() {
  return gui_thread_id();
}

// One X display is one session, whichever screen of it ":0.1" names.
std::string session_name() {
  std::string platform = QGuiApplication::platformName().toStdString();
  if (platform != "xcb") return platform;
  std::string display = std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "";
  std::size_t colon = display.rfind(':');
  std::size_t dot = display.find('.', colon == std::string::npos ? 0 : colon);
  if (dot != std::string::npos) display.erase(dot);
  return "x11" + display;
}

const Backend& table() {
  static const Backend backend = [] {
    Backend b;
    b.name = "qt";
    b.window_created = window_created;
    b.window_destroyed = window_destroyed;
    b.window_changed = window_changed;
    b.present = present;
    b.popup_menu = popup_menu;
    b.message_box = message_box;
    b.file_dialog = file_dialog;
    b.choose_colour = choose_colour;
    b.choose_font = choose_font;
    b.gui_thread = gui_thread;
    b.poll_events = poll_events;
    b.wait_events = wait_events;
    b.wake_gui = wake_gui;
    b.shutdown = shutdown;
    b.session_name = session_name;
    return b;
  }();
  return backend;
}

// The menu bar's height as Qt lays it out with one item; every window's
// bar gets this height so that client rectangles stay exact.
int measure_menu_height() {
  QMenuBar bar;
  bar.setFont(control_font());
  bar.setNativeMenuBar(false);
  bar.addAction(QStringLiteral("Start(&S)"));
  return std::max(1, to_device(bar.sizeHint().height()));
}

// Frame and caption are drawn by the window manager. One that tells their
// sizes gives exact outer rectangles, so that positions and snapping mean
// the frames a person sees; otherwise (no window manager, or one that does
// not tell) the table keeps the usual sizes and outer rectangles are estimates.
void read_screen_metrics() {
  QScreen* screen = QGuiApplication::primaryScreen();
  ScreenMetrics m;
  if (screen) {
    g_device_ratio = screen->devicePixelRatio() > 0 ? screen->devicePixelRatio() : 1.0;
    QRect all = screen->geometry();
    QRect available = screen->availableGeometry();
    FrameExtents sizing, fixed;
    if (read_frame_extents(sizing, fixed)) {
      m.window_manager_frames = true;
      m.sizing_frame = sizing;  // X server pixels are device pixels
      m.fixed_frame = fixed;
      m.frame = m.sizing_frame.left;
      m.caption = m.sizing_frame.top - m.sizing_frame.left;
    }
    m.screen_width = to_device(all.width());
    m.screen_height = to_device(all.height());
    m.maximized_client_width = to_device(available.width());
    m.maximized_client_height = to_device(available.height()) - m.caption;
    m.bits_per_pixel = screen->depth() > 0 ? screen->depth() : 32;
  }
  g_menu_height = measure_menu_height();
  m.menu = g_menu_height;
  set_screen_metrics(m);
}

// Without XDG_RUNTIME_DIR Qt warns that it picks a folder of its own; the
// framework keeps nothing there, so the line only alarms the person.
QtMessageHandler g_default_handler = nullptr;
void quieter_messages(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (text.startsWith(QStringLiteral("QStandardPaths: XDG_RUNTIME_DIR not set"))) return;
  if (g_default_handler) g_default_handler(type, context, text);
}

}  // namespace

double device_ratio() {
  return g_device_ratio;
}
int to_device(double logical) {
  return int(std::lround(logical * g_device_ratio));
}
double to_logical(int device) {
  return double(device) / g_device_ratio;
}
int menu_height() {
  return g_menu_height;
}

// The framework lays controls out in device pixels, as the desktop of a
// scale of 1 would; their text keeps the size it has there, so that it fits.
QFont control_font() {
  QFont font = QApplication::font();
  if (g_device_ratio == 1.0) return font;
  if (font.pointSizeF() > 0)
    font.setPointSizeF(font.pointSizeF() / g_device_ratio);
  else
    font.setPixelSize(std::max(1, int(std::lround(font.pixelSize() / g_device_ratio))));
  return font;
}

const Backend* qt_backend(int& argc, char** argv) {
  static QApplication* application = nullptr;  // lives until the process ends
  if (application) return &table();
  // Nothing of Qt's is kept between runs: dialogs would otherwise save their
  // history and custom colours in the user's settings.
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, "/nonexistent/orvlib");
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, "/nonexistent/orvlib");
  QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
  g_default_handler = qInstallMessageHandler(quieter_messages);
  application = new QApplication(argc, argv);
  application->setQuitOnLastWindowClosed(false);
  std::setlocale(LC_NUMERIC, "C");  // Qt sets the user's locale; numbers never follow it
  set_gui_thread();
  read_screen_metrics();
  install_clipboard_hooks();
  return &table();
}

const Backend* choose_backend(int& argc, char** argv) {
  const char* forced = std::getenv("ORV_BACKEND");
  if (forced && std::strcmp(forced, "headless") == 0) return headless::backend();
  const char* display = std::getenv("DISPLAY");
  const char* platform_name = std::getenv("QT_QPA_PLATFORM");
  bool has_display = display && *display;
  bool other_platform = platform_name && *platform_name && std::strcmp(platform_name, "xcb") != 0;
  bool want_qt = (forced && std::strcmp(forced, "qt") == 0) || has_display;
  if (want_qt && (has_display || other_platform)) {
    // X11 (also through XWayland): windows are placed at absolute positions.
    if (!platform_name || !*platform_name) setenv("QT_QPA_PLATFORM", "xcb", 1);
    // Qt aborts the process when it cannot connect; this says why and exits 1.
    if (!other_platform && !display_reachable(display)) {
      std::fprintf(stderr, "Cannot open the X display \"%s\"; the desktop needs X11 or XWayland.\n",
                   display);
      return nullptr;
    }
    return qt_backend(argc, argv);
  }
  std::fprintf(stderr,
               "No X display found (DISPLAY is not set); the desktop needs X11 or XWayland.\n");
  return nullptr;
}

}  // namespace platform::qt
