// The typed message vocabulary that window procedures receive.
//
// Each kind uses a few named fields of Msg; the others keep their defaults.
// Mouse positions are client coordinates; `keys` holds the button and
// modifier bits below; key codes are the classic virtual-key numbers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/geometry.h"

namespace platform {

struct Window {
  std::uint32_t id = 0;
  explicit operator bool() const { return id != 0; }
  bool operator==(const Window&) const = default;
};

enum class MsgKind : std::uint16_t {
  None,
  Create,     // sent during create_window
  Destroy,    // sent during destroy_window
  Close,      // the close box or a request to close; default: destroy
  Move,       // x, y: new client origin in screen coordinates
  Moving,     // proposed: outer rectangle the drag would give; may be overwritten
  Sizing,     // proposed as for Moving; edge: which border is dragged
  Size,       // x, y: new client width and height
  Paint,      // the client area needs drawing
  KeyDown,    // key, keys (Shift/Ctrl bits)
  KeyUp,      // key, keys
  Char,       // ch: one UTF-16 unit
  MouseMove,  // x, y, keys
  LeftDown,   // x, y, keys
  LeftUp,
  LeftDoubleClick,
  RightDown,
  RightUp,
  MiddleDown,
  MiddleUp,
  Wheel,         // x, y (client), keys, wheel_delta (120 per notch, positive away from the user)
  NcRightClick,  // x, y: screen point on the caption or border
  Command,       // command: control or menu id, notify: notification code, control
  DropFiles,     // files, x, y (client)
  Activate,      // active: whether the window became the active one
  SetFocus,
  KillFocus,
  Quit,  // code
  User,  // command: user-defined code
  // Internal to the platform: handled by dispatch_message, never by a procedure.
  SysMoveDrag,  // proposed: outer rectangle requested by a drag
  SysSizeDrag,  // proposed and edge, or no proposed and the edge moved by x, y
};

// Button and modifier bits of Msg::keys.
enum : int {
  kKeyBitLeft = 1,
  kKeyBitRight = 2,
  kKeyBitShift = 4,
  kKeyBitCtrl = 8,
  kKeyBitMiddle = 16,
};

// Virtual-key codes; letters and main-row digits are their ASCII capitals.
enum Key : int {
  kKeyBack = 8,
  kKeyTab = 9,
  kKeyReturn = 13,
  kKeyShift = 16,
  kKeyControl = 17,
  kKeyEscape = 27,
  kKeySpace = 32,
  kKeyEnd = 35,
  kKeyHome = 36,
  kKeyLeft = 37,
  kKeyUp = 38,
  kKeyRight = 39,
  kKeyDown = 40,
  kKeyDelete = 46,
  kKeyNumpad0 = 96,
  kKeyAdd = 107,
  kKeySubtract = 109,
};

// Sizing edges (Msg::edge).
enum SizeEdge : int {
  kEdgeLeft = 1,
  kEdgeRight = 2,
  kEdgeTop = 3,
  kEdgeTopLeft = 4,
  kEdgeTopRight = 5,
  kEdgeBottom = 6,
  kEdgeBottomLeft = 7,
  kEdgeBottomRight = 8,
};

// Notification codes carried by Command messages from child controls.
enum Notify : int {
  kNotifyMenu = 0,  // also a push button's click
  kNotifyButtonClicked = 0,
  kNotifyEditSetFocus = 0x100,
  kNotifyEditKillFocus = 0x200,
  kNotifyEditChange = 0x300,
};

struct Msg {
  Window window;
  MsgKind kind = MsgKind::None;
  int x = 0;
  int y = 0;
  int keys = 0;
  int key = 0;
  char16_t ch = 0;
  int wheel_delta = 0;
  int command = 0;
  int notify = 0;
  Window control;
  Rect proposed;
  int edge = 0;
  bool active = false;
  int code = 0;
  std::vector<std::string> files;
  // Keyboard input from the person: it goes to whatever control of the
  // window has the focus when the message is taken, not when it was posted.
  bool to_focus = false;
};

}  // namespace platform
