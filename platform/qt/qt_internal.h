// Shared by the Qt back end's files; not for callers.
//
// Every widget lives on the GUI thread. Other threads reach it in two ways:
// mirror updates (window created, changed, destroyed, presented) are queued
// and never waited for, because the platform's window records stay the
// truth; modal calls (popup menus, message boxes, dialogs, clipboard reads)
// are queued and waited for, the caller serving its own queue meanwhile,
// and they fail at once once Exit has begun.
#pragma once

#include <QtCore/qnamespace.h>
#include <QtCore/QPointF>
#include <QtCore/QRect>
#include <QtCore/QString>
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/backend.h"
#include "platform/message.h"
#include "platform/window.h"

class QFont;
class QMenuBar;
class QWidget;

class QMouseEvent;

namespace platform::qt {

// --- event loop and calls to the GUI thread (gui_calls.cpp) ---
ThreadId gui_thread_id();
bool on_gui_thread();
void set_gui_thread();
// Runs `work` on the GUI thread: now when already there, else queued in order.
void run_on_gui(std::function<void()> work);
// Runs everything queued for the GUI thread (GUI thread only).
void drain_gui_queue();
void poll_events();
void wait_events(int timeout_ms);
void wake_gui();
void shutdown();

// One modal call: opened on the GUI thread, answered there, waited for by
// the caller. `finish` may be called more than once; the first answer counts.
struct ModalCall {
  std::atomic<bool> done{false};
  std::atomic<bool> abandoned{false};
  int result = 0;
  ThreadId caller = 0;
  void finish(int answer);
};
// Opens the call on the GUI thread and waits for its answer while the
// calling thread serves its own queue (`pump` false: waits without serving,
// for callers inside the clipboard). Returns `cancelled` at once after
// shutdown, and as soon as shutdown begins while waiting.
int run_modal(const std::function<void(const std::shared_ptr<ModalCall>&)>& open, int cancelled,
              bool pump = true);
// A modal widget that shutdown closes (GUI thread).
void track_modal_widget(QWidget* widget, const std::shared_ptr<ModalCall>& call, int cancelled);

// --- the X server and its window manager (frames.cpp) ---
// Whether an X server answers at `name` (a DISPLAY value; null for $DISPLAY).
bool display_reachable(const char* name);
// The frames the window manager draws around windows with a caption,
// resizable and of fixed size; false without a window manager that tells.
bool read_frame_extents(FrameExtents& sizing, FrameExtents& fixed);
// Places a top-level widget's X window at `device` (the client window's
// rectangle in X server pixels), of that size for good when `fixed`;
// false when the widget has no X window.
bool place_exactly(QWidget* top, const QRect& device, bool fixed);
// The X window's rectangle on the screen in X server pixels, as the window
// manager last placed it; false without one.
bool read_placement(QWidget* top, QRect& device);

// --- windows (windows.cpp) ---
// The Qt window flags of a top-level window of this style.
Qt::WindowFlags window_flags(unsigned style);
void window_created(Window window);
void window_destroyed(Window window);
void window_changed(Window window);
void present(Window window);
// The widget that shows a window (top-level frame or control), if any (GUI thread).
QWidget* widget_of(Window window);
// The widget of a top-level window's client area (GUI thread).
QWidget* client_widget_of(Window window);

// Qt's keyboard focus follows the platform's focus in the window's tree.
void sync_focus(Window window);

// Device pixels per logical pixel of the screen (zoom 100 is one image pixel per device pixel).
double device_ratio();
int to_device(double logical);
double to_logical(int device);
// The menu bar height in device pixels that every window uses.
int menu_height();
// The font of menu bars and controls: the size it has at a device pixel ratio of 1.
QFont control_font();

// --- input (input.cpp) ---
int key_bits(Qt::KeyboardModifiers modifiers);
int mouse_bits(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers);
// The virtual-key code for a Qt key (0 for keys with none).
int virtual_key(int qt_key, Qt::KeyboardModifiers modifiers);
// Posts a key press or release as KeyDown/KeyUp (and Char for longer text) to the window's focus.
void post_key(Window top, bool down, int qt_key, Qt::KeyboardModifiers modifiers,
              const QString& text);
// Posts text from an input method as characters to the window's focus.
void post_text(Window top, const QString& text);
void post_mouse(Window target, MsgKind kind, QPointF logical, int keys);
// Posts a press, release or double click of the left, right or middle
// button; false for other buttons, which post nothing.
bool post_mouse_button(Window target, const QMouseEvent* event, bool down, bool twice);

// --- menus and boxes (menus.cpp) ---
int popup_menu(Window owner, const Menu& menu, Point screen);
void message_box(Window owner, const std::u16string& text, const std::u16string& title,
                 MessageBoxIcon icon);
// Fills a menu bar from a platform menu; its items post Command to `window`.
void fill_menu_bar(QMenuBar* bar, Window window, const Menu& menu);
// A text that changes whenever anything shown of the menu changes.
std::string menu_signature(const Menu& menu);

// --- dialogs (qt_dialogs.cpp) ---
bool file_dialog(FileDialogRequest& request, bool save, std::u16string& path);
bool choose_colour(Window owner, std::uint32_t& colour, std::array<std::uint32_t, 16>& custom);
bool choose_font(Window owner, LogFont& font);

// --- clipboard (qt_clipboard.cpp) ---
void install_clipboard_hooks();

// --- text ---
QString to_qstring(const std::u16string& text);
std::u16string from_qstring(const QString& text);

}  // namespace platform::qt
