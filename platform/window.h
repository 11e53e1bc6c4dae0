// Window classes, windows, focus and screen metrics.
//
// A window belongs to the thread that created it: its procedure runs only on
// that thread, from send_message() or dispatch_message(). Top-level windows
// may have an owner window; child controls have a parent and an id. Outer
// rectangles are in screen pixels; the client area sits inside the frame,
// caption and menu bar that the style asks for.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/bitmap.h"
#include "platform/geometry.h"
#include "platform/menu.h"
#include "platform/message.h"
#include "platform/thread.h"

namespace platform {

using WindowProc = std::intptr_t (*)(Window, Msg&);

enum WindowStyle : unsigned {
  kStyleCaption = 1u << 0,    // title bar
  kStyleCloseBox = 1u << 1,   // close box on the title bar
  kStyleResizable = 1u << 2,  // the frame can be dragged to size the window
  kStyleMinimizeBox = 1u << 3,
  kStyleChild = 1u << 4,  // a control inside its parent's client area
  kStyleVisible = 1u << 5,
  kStyleTabStop = 1u << 6,    // dialog navigation stops on this control
  kStyleBorder = 1u << 7,     // a thin border (controls)
  kStyleMultiLine = 1u << 8,  // push button text may wrap
  kStyleFrame = 1u << 9,      // a fixed frame without caption
};

enum class ControlKind { None, Static, Edit, Button };

struct WindowClass {
  std::string name;
  WindowProc proc = nullptr;
  bool double_clicks = false;           // double clicks arrive as LeftDoubleClick
  std::uint32_t background = 0x000000;  // 0x00RRGGBB a client surface starts with
};

// The face colour of buttons and dialog boxes.
constexpr std::uint32_t kButtonFaceColour = 0xF0F0F0;

struct CreateParams {
  std::string class_name;
  std::u16string caption;
  unsigned style = kStyleCaption;
  Rect outer;  // screen rectangle of the whole window
  Window owner;
  bool has_menu_bar = false;
  Menu menu;  // the menu bar; items here imply has_menu_bar
};

// The sides of the frame around a top-level window's client area: left, top
// (with the title bar), right and bottom, in pixels.
struct FrameExtents {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
};

struct ScreenMetrics {
  int screen_width = 1280;
  int screen_height = 1024;
  int min_window_width = 112;
  int min_window_height = 39;
  int frame = 4;     // border width of a framed window on each side
  int caption = 23;  // title bar height
  int menu = 20;     // menu bar height
  int maximized_client_width = 1280;
  int maximized_client_height = 961;
  int bits_per_pixel = 32;
  // The frames a window manager really draws around windows with a caption,
  // resizable or of fixed size, once a back end has read them; until then
  // every frame is `frame` wide on each side with `caption` on top.
  bool window_manager_frames = false;
  FrameExtents sizing_frame;
  FrameExtents fixed_frame;
};

// Registers a class; false when the name is taken or the procedure missing.
bool register_class(const WindowClass& window_class);
bool is_class_registered(const std::string& name);

// Creates a top-level window owned by the calling thread; the procedure gets
// Create (a result of -1 aborts the creation) and Size before this returns.
Window create_window(const CreateParams& params);
// Creates a child control at `rect` in the parent's client coordinates.
Window create_control(ControlKind kind, Window parent, int id, Rect rect, std::u16string text,
                      unsigned style);
// Destroys the window, its controls and the windows it owns; only the owner
// thread may. Destroy reaches owned windows and controls before the window.
bool destroy_window(Window window);
bool is_window(Window window);

ThreadId window_thread(Window window);
std::string window_class(Window window);
unsigned window_style(Window window);
void set_window_style(Window window, unsigned style);
Window window_owner(Window window);
Window window_parent(Window window);
int control_id(Window window);
ControlKind control_kind(Window window);
Window control_by_id(Window parent, int id);
// The visible control under a client point that takes mouse input, or a null
// window. Static text lets clicks through to its parent.
Window child_from_point(Window parent, Point client);
// Controls of a window in creation order (which is also the tab order).
std::vector<Window> child_windows(Window parent);
// Top-level windows in creation order.
std::vector<Window> top_level_windows();
// The top-level window a control belongs to (the window itself otherwise).
Window root_window(Window window);

// Screen rectangle of the whole window (controls: relative to the parent's client area).
Rect window_rect(Window window);
// Client rectangle: (0, 0, width, height).
Rect client_rect(Window window);
Point client_to_screen(Window window, Point p);
// The outer rectangle for a client rectangle with this style.
Rect adjust_window_rect(Rect client, unsigned style, bool has_menu_bar);
// Moves and sizes: sends Move, and Size when the client size changed.
bool move_window(Window window, Rect outer);

void show_window(Window window, bool visible);
bool is_visible(Window window);
void set_caption(Window window, std::u16string text);
std::u16string caption(Window window);

// Focus is per thread: the window of the calling thread's windows that gets keys.
Window set_focus(Window window);
Window focus_window();
Window focus_of_thread(ThreadId thread);
// Keyboard cues: a window shows which control has the focus once a navigation
// key has moved it, and from then on for the rest of its life.
void show_focus_cues(Window window);
bool shows_focus_cues(Window window);
// The active top-level window; activating sends Activate to the old and the new one.
void set_foreground(Window window);
Window foreground_window();
void raise_window(Window window);

void set_menu_bar(Window window, const Menu& menu);
Menu menu_bar(Window window);
bool has_menu_bar(Window window);

void accept_drops(Window window, bool accept);
bool accepts_drops(Window window);

// Edit controls: select the whole text; read the selection (start <= end) and caret.
void edit_select_all(Window edit);
Rect edit_selection(Window edit);  // left = start, right = end, top = caret
// Sends a push button's click notification to its parent, as a click would.
void click_button(Window button);

// Asks for a Paint message once the thread's queue is otherwise empty.
void invalidate_window(Window window);

// The client surface: a 32-bit bitmap of the client size that the back end
// shows. `draw` runs under the surface lock; present() then shows it.
void with_client_surface(Window window, const std::function<void(Bitmap&)>& draw);
void present_window(Window window);

ScreenMetrics screen_metrics();
void set_screen_metrics(const ScreenMetrics& metrics);

// Finds a top-level window of this class in this or another process.
// Windows of other processes are seen through their class lock files.
bool find_window_by_class(const std::string& class_name);
// Takes the class for this process when no process has a window of it nor
// has taken it: checking and taking are one step, so that of two processes
// starting together only one gets it. Until release_class, and while
// windows of the class live, other processes find it in use.
bool claim_class(const std::string& class_name);
void release_class(const std::string& class_name);
// The window of this process with that class, if any.
Window find_local_window(const std::string& class_name);

// The calling procedure's default handling (Close destroys, controls behave
// as controls, everything else returns 0).
std::intptr_t default_window_proc(Window window, Msg& msg);

// Destroys every window and forgets every class (between tests).
void reset_windows_for_tests();

}  // namespace platform
