// What the X server and its window manager say before and after the
// application object exists: whether the display can be opened at all, and
// the frame extents the window manager draws around our kinds of windows
// (_NET_FRAME_EXTENTS, asked for on unmapped probe windows with
// _NET_REQUEST_FRAME_EXTENTS, so that nothing flashes on the screen). Also
// the exact placement of top-level windows in X server pixels, which Qt's
// logical pixels cannot give when a scale factor makes a logical pixel wider
// than one device pixel.
#include <xcb/xcb.h>

#include <QtGui/qguiapplication_platform.h>
#include <QtGui/QGuiApplication>
#include <QtWidgets/QWidget>
#include <chrono>
#include <cstring>
#include <thread>

#include "platform/qt/qt_internal.h"
#include "platform/window.h"

namespace platform::qt {
namespace {

xcb_atom_t atom(xcb_connection_t* c, const char* name) {
  xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
      c, xcb_intern_atom(c, 0, std::uint16_t(std::strlen(name)), name), nullptr);
  xcb_atom_t result = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
  free(reply);
  return result;
}

// Up to `count` 32-bit values of a window property.
int read_cardinals(xcb_connection_t* c, xcb_window_t window, xcb_atom_t property, xcb_atom_t type,
                   std::uint32_t* out, int count) {
  xcb_get_property_reply_t* reply = xcb_get_property_reply(
      c, xcb_get_property(c, 0, window, property, type, 0, std::uint32_t(count)), nullptr);
  int n = 0;
  if (reply && reply->format == 32) {
    n = std::min(count, xcb_get_property_value_length(reply) / 4);
    std::memcpy(out, xcb_get_property_value(reply), std::size_t(n) * 4);
  }
  free(reply);
  return n;
}

// Whether a window manager runs that answers frame-extent requests.
bool manager_answers(xcb_connection_t* c, xcb_window_t root) {
  std::uint32_t check = 0;
  if (read_cardinals(c, root, atom(c, "_NET_SUPPORTING_WM_CHECK"), XCB_ATOM_WINDOW, &check, 1) !=
          1 ||
      check == 0)
    return false;
  xcb_atom_t wanted = atom(c, "_NET_REQUEST_FRAME_EXTENTS");
  std::uint32_t supported[512];
  int n = read_cardinals(c, root, atom(c, "_NET_SUPPORTED"), XCB_ATOM_ATOM, supported, 512);
  for (int i = 0; i < n; ++i)
    if (supported[i] == wanted) return true;
  return false;
}

// The frame of a probe widget with a caption, resizable or not; false when
// the window manager does not answer within a second.
bool probe(xcb_connection_t* c, xcb_window_t root, bool resizable, FrameExtents& extents) {
  QWidget widget;
  widget.setWindowFlags(window_flags(kStyleCaption | kStyleCloseBox));
  if (resizable)
    widget.resize(200, 100);
  else
    widget.setFixedSize(200, 100);
  auto window = xcb_window_t(widget.winId());
  xcb_client_message_event_t request = {};
  request.response_type = XCB_CLIENT_MESSAGE;
  request.format = 32;
  request.window = window;
  request.type = atom(c, "_NET_REQUEST_FRAME_EXTENTS");
  xcb_send_event(c, 0, root,
                 XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                 reinterpret_cast<const char*>(&request));
  xcb_flush(c);
  xcb_atom_t property = atom(c, "_NET_FRAME_EXTENTS");
  for (int tries = 0; tries < 100; ++tries) {
    std::uint32_t sides[4];  // left, right, top, bottom
    if (read_cardinals(c, window, property, XCB_ATOM_CARDINAL, sides, 4) == 4) {
      extents = {int(sides[0]), int(sides[2]), int(sides[1]), int(sides[3])};
      return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

xcb_connection_t* qt_connection() {
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  return x11 ? x11->connection() : nullptr;
}

}  // namespace

bool display_reachable(const char* name) {
  xcb_connection_t* c = xcb_connect(name, nullptr);
  bool reachable = c && xcb_connection_has_error(c) == 0;
  if (c) xcb_disconnect(c);
  return reachable;
}

bool read_frame_extents(FrameExtents& sizing, FrameExtents& fixed) {
  xcb_connection_t* c = qt_connection();
  if (!c) return false;
  xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
  if (!manager_answers(c, root)) return false;
  return probe(c, root, true, sizing) && probe(c, root, false, fixed);
}

// Qt writes the size hints and the geometry in its logical pixels times the
// scale: a window asked for at an odd device position or size would land a
// pixel off, and Qt's resize increment of one logical pixel would make the
// window manager round every size to it. The hints are written again in
// device pixels (static gravity, as Qt gives: the position is the client
// window's), then the window is configured where the record says.
bool place_exactly(QWidget* top, const QRect& device, bool fixed) {
  xcb_connection_t* c = qt_connection();
  if (!c || !top->testAttribute(Qt::WA_WState_Created)) return false;
  auto window = xcb_window_t(top->winId());
  constexpr std::uint32_t kUserPosition = 1, kUserSize = 2, kMinSize = 16, kMaxSize = 32,
                          kGravity = 512;  // the fields' flags
  std::uint32_t hints[18] = {};            // the ICCCM's WM_SIZE_HINTS, all 32-bit fields
  hints[0] = kUserPosition | kUserSize | kMinSize | kGravity | (fixed ? kMaxSize : 0);
  hints[1] = std::uint32_t(device.x());
  hints[2] = std::uint32_t(device.y());
  hints[3] = std::uint32_t(device.width());
  hints[4] = std::uint32_t(device.height());
  hints[5] = fixed ? std::uint32_t(device.width()) : 1;
  hints[6] = fixed ? std::uint32_t(device.height()) : 1;
  hints[7] = std::uint32_t(device.width());
  hints[8] = std::uint32_t(device.height());
  hints[17] = XCB_GRAVITY_STATIC;
  xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NORMAL_HINTS,
                      XCB_ATOM_WM_SIZE_HINTS, 32, 18, hints);
  const std::uint32_t values[4] = {std::uint32_t(device.x()), std::uint32_t(device.y()),
                                   std::uint32_t(device.width()), std::uint32_t(device.height())};
  xcb_configure_window(c, window,
                       XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y | XCB_CONFIG_WINDOW_WIDTH |
                           XCB_CONFIG_WINDOW_HEIGHT,
                       values);
  xcb_flush(c);
  return true;
}

bool read_placement(QWidget* top, QRect& device) {
  xcb_connection_t* c = qt_connection();
  if (!c || !top->testAttribute(Qt::WA_WState_Created)) return false;
  auto window = xcb_window_t(top->winId());
  xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
  xcb_get_geometry_reply_t* size = xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr);
  xcb_translate_coordinates_reply_t* origin =
      xcb_translate_coordinates_reply(c, xcb_translate_coordinates(c, window, root, 0, 0), nullptr);
  bool result = size && origin;
  if (result) device = QRect(origin->dst_x, origin->dst_y, size->width, size->height);
  free(size);
  free(origin);
  return result;
}

}  // namespace platform::qt
