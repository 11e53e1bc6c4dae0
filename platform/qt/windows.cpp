// Top-level windows and their client areas as widgets mirroring the
// platform's window records: geometry, caption, frame, owner, menu bar,
// visibility, stacking; the client area painted from the window's surface;
// moves and sizes made by the person reported back as drags.
#include <QtCore/QMimeData>
#include <QtCore/QPointer>
#include <QtCore/QTimer>
#include <QtCore/QUrl>
#include <QtGui/QDragEnterEvent>
#include <QtGui/QDropEvent>
#include <QtGui/QGuiApplication>
#include <QtGui/QPaintEngine>
#include <QtGui/QPaintEvent>
#include <QtGui/QPainter>
#include <QtGui/QRegion>
#include <QtGui/QWindow>
#include <QtWidgets/QApplication>
#include <QtWidgets/QMenuBar>
#include <QtWidgets/QWidget>
#include <algorithm>
#include <cmath>
#include <map>
#include <mutex>
#include <set>

#include "platform/qt/qt_internal.h"
#include "platform/qt/qt_widgets.h"
#include "platform/queue.h"
#include "platform/window.h"

namespace platform::qt {
namespace {

std::map<std::uint32_t, QPointer<QWidget>>& widgets() {
  static auto* instance = new std::map<std::uint32_t, QPointer<QWidget>>;  // GUI thread only
  return *instance;
}

std::mutex g_present_mutex;
std::set<std::uint32_t> g_presents;  // windows whose client area waits for a repaint

TopWidget* top_of(Window window) {
  return dynamic_cast<TopWidget*>(widget_of(window));
}

// The widget's geometry (menu bar and client area) that the record asks
// for, in device pixels.
QRect wanted_geometry(Window window) {
  Point origin = client_to_screen(window, {0, 0});
  Rect client = client_rect(window);
  int bar = has_menu_bar(window) ? menu_height() : 0;
  return QRect(origin.x, origin.y - bar, client.width(), client.height() + bar);
}

// The same in logical pixels, each value rounded to the nearest as Qt rounds
// the X server's pixels into its own.
QRect logical_geometry(const QRect& device) {
  return QRect(int(std::lround(to_logical(device.x()))), int(std::lround(to_logical(device.y()))),
               int(std::lround(to_logical(device.width()))),
               int(std::lround(to_logical(device.height()))));
}

void set_transient_parent(TopWidget* top, Window owner) {
  TopWidget* owner_top = top_of(owner);
  if (!owner_top) return;
  top->winId();
  owner_top->winId();
  if (top->windowHandle() && owner_top->windowHandle())
    top->windowHandle()->setTransientParent(owner_top->windowHandle());
}

TopWidget* make_top(Window window) {
  auto* top = new TopWidget(window);
  widgets()[window.id] = top;
  if (Window owner = window_owner(window)) set_transient_parent(top, owner);
  return top;
}

void sync_menu(TopWidget* top, Window window) {
  if (!has_menu_bar(window)) {
    delete top->bar;
    top->bar = nullptr;
    top->signature.clear();
    return;
  }
  if (!top->bar) {
    top->bar = new QMenuBar(top);
    top->bar->setNativeMenuBar(false);
    top->bar->installEventFilter(top);  // right clicks stand for clicks on the frame
    top->bar->show();
  }
  Menu menu = menu_bar(window);
  std::string signature = menu_signature(menu);
  if (signature == top->signature) return;
  top->signature = signature;
  top->bar->clear();
  fill_menu_bar(top->bar, window, menu);
}

// What the window manager was last told or last told us: the window on top
// and the active one (GUI thread). A record that names another window than
// these is a request still to be passed on, however often the same window
// asks again after the person went elsewhere.
Window g_shown_top;
Window g_shown_active;

void sync_stacking(TopWidget* top, Window window) {
  if (!top->isVisible()) return;
  std::vector<Window> order = top_level_windows();
  bool last = !order.empty() && order.back() == window;
  bool foreground = foreground_window() == window;
  if ((last && g_shown_top != window) || (foreground && g_shown_active != window)) {
    top->raise();
    if (foreground && !top->isActiveWindow()) top->activateWindow();
  }
  if (last) g_shown_top = window;
  if (foreground) g_shown_active = window;
}

void sync_top(Window window) {
  TopWidget* top = top_of(window);
  if (!top) top = make_top(window);
  top->syncing = true;
  unsigned style = window_style(window);
  Qt::WindowFlags flags = window_flags(style);
  if (top->windowFlags() != flags) top->setWindowFlags(flags);
  QString title = to_qstring(caption(window));
  if (top->windowTitle() != title) top->setWindowTitle(title);
  sync_menu(top, window);
  QRect device = wanted_geometry(window);
  QRect wanted = logical_geometry(device);
  bool fixed = !(style & kStyleResizable);
  if (!fixed) {
    top->setMinimumSize(1, 1);
    top->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  } else if (top->minimumSize() != wanted.size() || top->maximumSize() != wanted.size()) {
    top->setFixedSize(wanted.size());
    top->placed = QRect();  // Qt has written its own size hints
  }
  if (top->geometry() != wanted) {
    top->requested = device;
    top->setGeometry(wanted);
    top->placed = QRect();
  }
  top->layout_children();
  bool visible = is_visible(window);
  if (visible != top->isVisible()) {
    top->setVisible(visible);
    top->placed = QRect();
  }
  // Where a logical pixel is more than one device pixel, Qt can place the
  // window only on even device pixels (at a scale of 2): the X window is
  // placed where the record says once Qt has done its part.
  if (device_ratio() != 1.0 && top->placed != device && place_exactly(top, device, fixed)) {
    top->placed = device;
    top->requested = device;
  }
  sync_stacking(top, window);
  top->client->update();
  top->syncing = false;
}

void sync_window(Window window) {
  if (!is_window(window)) return;
  if (window_style(window) & kStyleChild) {
    Window parent = window_parent(window);
    if (!client_widget_of(parent) && is_window(parent)) sync_window(parent);
    sync_control(window);
  } else {
    sync_top(window);
  }
  sync_focus(window);
}

void forget_widget(std::uint32_t id) {
  if (g_shown_top.id == id) g_shown_top = {};
  if (g_shown_active.id == id) g_shown_active = {};
  auto it = widgets().find(id);
  if (it == widgets().end()) return;
  QPointer<QWidget> widget = it->second;
  widgets().erase(it);
  if (!widget) return;
  widget->hide();
  delete widget;
}

void repaint_presented() {
  std::set<std::uint32_t> ids;
  {
    std::lock_guard lock(g_present_mutex);
    ids.swap(g_presents);
  }
  for (std::uint32_t id : ids)
    if (QWidget* client = client_widget_of(Window{id})) client->update();
}

}  // namespace

// --- TopWidget ---

TopWidget::TopWidget(Window w) : window(w) {
  setWindowFlags(window_flags(window_style(w)));
  setProperty(kWindowProperty, uint(w.id));
  setFont(control_font());  // the menu bar and the controls inherit it
  client = new ClientView(w, this);
  setFocusProxy(client);
  setAttribute(Qt::WA_QuitOnClose, false);
}

void TopWidget::layout_children() {
  int bar_height = bar ? int(std::lround(to_logical(menu_height()))) : 0;
  if (bar) bar->setGeometry(0, 0, width(), bar_height);
  client->setGeometry(0, bar_height, width(), height() - bar_height);
}

void TopWidget::closeEvent(QCloseEvent* event) {
  event->ignore();  // the window's procedure decides
  Msg msg;
  msg.kind = MsgKind::Close;
  post_message(window, msg);
}

void TopWidget::moveEvent(QMoveEvent*) {
  settle_user_geometry();
}

void TopWidget::resizeEvent(QResizeEvent*) {
  layout_children();
  settle_user_geometry();
}

// A window manager reports one drag of the frame as a move and a resize, in
// either order and in separate events: a left-edge drag would look like a
// move followed by a right-edge drag. The change is reported once the
// geometry has stopped changing for a moment, as one rectangle.
void TopWidget::settle_user_geometry() {
  if (syncing || !isVisible() || !is_window(window)) return;
  if (!settle) {
    settle = new QTimer(this);
    settle->setSingleShot(true);
    settle->setInterval(kSettleMs);
    connect(settle, &QTimer::timeout, this, [this] { report_user_geometry(); });
  }
  settle->start();
}

// The person activated the window (the window manager raised it too): the
// records follow, so that the next request for another window is news.
void TopWidget::changeEvent(QEvent* event) {
  if (event->type() == QEvent::ActivationChange && isActiveWindow() && is_window(window)) {
    g_shown_top = g_shown_active = window;
    if (foreground_window() != window) {
      raise_window(window);
      set_foreground(window);
    }
  }
  QWidget::changeEvent(event);
}

bool TopWidget::eventFilter(QObject* watched, QEvent* event) {
  if (watched == bar && event->type() == QEvent::MouseButtonRelease) {
    auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() == Qt::RightButton) {
      QPointF global = mouse->globalPosition();
      Msg msg;
      msg.kind = MsgKind::NcRightClick;
      msg.x = to_device(global.x());
      msg.y = to_device(global.y());
      post_message(window, msg);
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

// A move or size the record did not ask for came from the person (through
// the window manager): it becomes the drag the platform runs, so the
// procedure sees Moving or Sizing first and the record stays the truth.
void TopWidget::report_user_geometry() {
  if (syncing || !isVisible() || !is_window(window)) return;
  drain_gui_queue();  // a queued change of the record explains the move first
  // In device pixels: the X server's own when it tells, exact at every scale.
  QRect now;
  if (!read_placement(this, now)) {
    QRect logical = geometry();
    now = QRect(to_device(logical.x()), to_device(logical.y()), to_device(logical.width()),
                to_device(logical.height()));
  }
  QRect wanted = wanted_geometry(window);
  if (now == wanted || now == requested) return;
  int bar_height = has_menu_bar(window) ? menu_height() : 0;
  Rect outer = window_rect(window);
  Point origin = client_to_screen(window, {0, 0});
  Rect area = client_rect(window);
  int left = now.x() - origin.x;
  int top = now.y() + bar_height - origin.y;
  int right = now.x() + now.width() - (origin.x + area.width());
  int bottom = now.y() + now.height() - (origin.y + area.height());
  Msg msg;
  msg.keys = key_bits(QGuiApplication::queryKeyboardModifiers());
  msg.proposed = {outer.left + left, outer.top + top, outer.right + right, outer.bottom + bottom};
  if (now.size() == wanted.size()) {
    msg.kind = MsgKind::SysMoveDrag;
  } else {
    msg.kind = MsgKind::SysSizeDrag;
    bool l = left != 0, t = top != 0;
    msg.edge = t ? (l ? kEdgeTopLeft : (right ? kEdgeTopRight : kEdgeTop))
                 : (bottom ? (l ? kEdgeBottomLeft : (right ? kEdgeBottomRight : kEdgeBottom))
                           : (l ? kEdgeLeft : kEdgeRight));
  }
  requested = now;
  post_message(window, msg);
}

// --- ClientView ---

ClientView::ClientView(Window w, QWidget* parent) : QWidget(parent), window(w) {
  setProperty(kWindowProperty, uint(w.id));
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_InputMethodEnabled);
  setFocusPolicy(Qt::StrongFocus);
  setMouseTracking(true);
  setAcceptDrops(true);
  installEventFilter(input_filter());
}

namespace {

// True when the painter draws into 32-bit pixels whose top byte nothing
// reads (the backing store of an xcb depth-24 window or of the offscreen
// platform): there the surface can be drawn as it is, whatever its pixels'
// top bytes hold. Grabs and stores with alpha get an opaque copy.
bool target_ignores_alpha(QPainter& painter) {
  // The engine's device, not the painter's: a widget's painter is redirected.
  QPaintEngine* engine = painter.paintEngine();
  QPaintDevice* device = engine ? engine->paintDevice() : nullptr;
  return device && device->devType() == QInternal::Image &&
         static_cast<QImage*>(device)->format() == QImage::Format_RGB32;
}

// The surface as Qt draws it: its own memory where the top bytes do not
// matter, else the damaged rows copied with opaque alpha into `frame`, which
// is kept between paints so that a repaint does not allocate (and fault in)
// a whole frame every time. One surface pixel per device pixel.
QImage surface_image(const Bitmap& bitmap, bool in_place, QImage& frame, int first, int last,
                     double ratio) {
  if (in_place) {
    frame = QImage();
    QImage image(bitmap.data.get(), bitmap.width, bitmap.height, bitmap.stride,
                 QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    return image;
  }
  if (frame.width() != bitmap.width || frame.height() != bitmap.height)
    frame = QImage(bitmap.width, bitmap.height, QImage::Format_RGB32);
  if (frame.isNull()) return frame;  // no memory for it: the background shows
  frame.setDevicePixelRatio(ratio);  // before it is shared, so nothing is copied
  for (int y = std::max(first, 0); y < std::min(last, bitmap.height); ++y) {
    const std::uint32_t* from = bitmap.row32(y);
    auto* to = reinterpret_cast<std::uint32_t*>(frame.scanLine(y));
    for (int x = 0; x < bitmap.width; ++x) to[x] = from[x] | 0xFF000000u;
  }
  return frame;
}

}  // namespace

void ClientView::paintEvent(QPaintEvent* event) {
  const double ratio = device_ratio();
  // The damaged rows in surface (device) pixels.
  const int first = int(std::floor(event->rect().top() * ratio));
  const int last = int(std::ceil((event->rect().bottom() + 1) * ratio));
  QPainter painter(this);
  const bool in_place = target_ignores_alpha(painter);
  QSize covered;
  with_client_surface(window, [&](Bitmap& bitmap) {
    if (bitmap.bits != 32) return;
    QImage image = surface_image(bitmap, in_place, frame_, first, last, ratio);
    if (image.isNull()) return;
    // Drawn under the surface's lock: the worker may be drawing into it.
    painter.drawImage(QPointF(0, 0), image);
    covered = image.deviceIndependentSize().toSize();
  });
  // Only what the surface does not cover gets the background (a large
  // image window would otherwise be filled and then drawn over whole).
  QRegion uncovered = QRegion(rect()) - QRegion(QRect(QPoint(0, 0), covered));
  for (const QRect& r : uncovered) painter.fillRect(r, palette().window());
}

void ClientView::mousePressEvent(QMouseEvent* event) {
  mouse(event, true, false);
}
void ClientView::mouseReleaseEvent(QMouseEvent* event) {
  mouse(event, false, false);
}
void ClientView::mouseDoubleClickEvent(QMouseEvent* event) {
  mouse(event, true, true);
}

void ClientView::mouse(QMouseEvent* event, bool down, bool twice) {
  post_mouse_button(window, event, down, twice);
}

void ClientView::mouseMoveEvent(QMouseEvent* event) {
  post_mouse(window, MsgKind::MouseMove, event->position(),
             mouse_bits(event->buttons(), event->modifiers()));
}

void ClientView::wheelEvent(QWheelEvent* event) {
  int delta = event->angleDelta().y();
  if (delta == 0) return;
  Msg msg;
  msg.kind = MsgKind::Wheel;
  msg.x = to_device(event->position().x());
  msg.y = to_device(event->position().y());
  msg.keys = mouse_bits(event->buttons(), event->modifiers());
  msg.wheel_delta = delta;
  post_message(window, msg);
}

// Local files only: a drop list names files the program can open.
static std::vector<std::string> local_files(const QMimeData* data) {
  std::vector<std::string> files;
  if (!data || !data->hasUrls()) return files;
  for (const QUrl& url : data->urls())
    if (url.isLocalFile()) files.push_back(url.toLocalFile().toStdString());
  return files;
}

void ClientView::dragEnterEvent(QDragEnterEvent* event) {
  if (accepts_drops(window) && !local_files(event->mimeData()).empty())
    event->acceptProposedAction();
}

void ClientView::dragMoveEvent(QDragMoveEvent* event) {
  if (accepts_drops(window)) event->acceptProposedAction();
}

void ClientView::dropEvent(QDropEvent* event) {
  std::vector<std::string> files = local_files(event->mimeData());
  if (files.empty() || !accepts_drops(window)) return;
  Msg msg;
  msg.kind = MsgKind::DropFiles;
  msg.files = std::move(files);
  msg.x = to_device(event->position().x());
  msg.y = to_device(event->position().y());
  post_message(window, msg);
  event->acceptProposedAction();
}

// --- the back-end slots ---

Qt::WindowFlags window_flags(unsigned style) {
  Qt::WindowFlags flags = Qt::Window | Qt::CustomizeWindowHint;
  if (style & kStyleCaption) flags |= Qt::WindowTitleHint;
  if (style & kStyleCloseBox) flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
  if (style & kStyleMinimizeBox) flags |= Qt::WindowMinimizeButtonHint;
  return flags;
}

QWidget* widget_of(Window window) {
  auto it = widgets().find(window.id);
  return it == widgets().end() ? nullptr : it->second.data();
}

QWidget* client_widget_of(Window window) {
  TopWidget* top = top_of(window);
  return top ? top->client : nullptr;
}

void remember_widget(Window window, QWidget* widget) {
  widgets()[window.id] = widget;
}

void window_created(Window window) {
  run_on_gui([window] { sync_window(window); });
}

void window_changed(Window window) {
  run_on_gui([window] { sync_window(window); });
}

void window_destroyed(Window window) {
  run_on_gui([id = window.id] { forget_widget(id); });
}

void present(Window window) {
  bool first;
  {
    std::lock_guard lock(g_present_mutex);
    first = g_presents.empty();
    g_presents.insert(window.id);
  }
  if (first) run_on_gui(repaint_presented);
}

std::vector<Window> mirrored_windows() {
  std::vector<Window> windows;
  for (auto& [id, widget] : widgets())
    if (widget) windows.push_back(Window{id});
  return windows;
}

}  // namespace platform::qt
