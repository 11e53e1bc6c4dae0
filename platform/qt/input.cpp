// Keyboard and mouse input turned into the platform's messages: virtual-key
// codes, Shift and Ctrl bits, characters (also from input methods), client
// positions in device pixels.
#include <QtCore/QString>
#include <QtGui/QMouseEvent>
#include <cmath>

#include "platform/qt/qt_internal.h"
#include "platform/queue.h"
#include "platform/window.h"

namespace platform::qt {
namespace {

// Main-row punctuation as the classic codes of a US keyboard: the key that
// carries the symbol, shifted or not.
int punctuation_key(int qt_key) {
  switch (qt_key) {
    case Qt::Key_Exclam:
      return '1';
    case Qt::Key_At:
      return '2';
    case Qt::Key_NumberSign:
      return '3';
    case Qt::Key_Dollar:
      return '4';
    case Qt::Key_Percent:
      return '5';
    case Qt::Key_AsciiCircum:
      return '6';
    case Qt::Key_Ampersand:
      return '7';
    case Qt::Key_Asterisk:
      return '8';
    case Qt::Key_ParenLeft:
      return '9';
    case Qt::Key_ParenRight:
      return '0';
    case Qt::Key_Semicolon:
    case Qt::Key_Colon:
      return 186;
    case Qt::Key_Equal:
    case Qt::Key_Plus:
      return 187;
    case Qt::Key_Comma:
    case Qt::Key_Less:
      return 188;
    case Qt::Key_Minus:
    case Qt::Key_Underscore:
      return 189;
    case Qt::Key_Period:
    case Qt::Key_Greater:
      return 190;
    case Qt::Key_Slash:
    case Qt::Key_Question:
      return 191;
    case Qt::Key_QuoteLeft:
    case Qt::Key_AsciiTilde:
      return 192;
    case Qt::Key_BracketLeft:
    case Qt::Key_BraceLeft:
      return 219;
    case Qt::Key_Backslash:
    case Qt::Key_Bar:
      return 220;
    case Qt::Key_BracketRight:
    case Qt::Key_BraceRight:
      return 221;
    case Qt::Key_Apostrophe:
    case Qt::Key_QuoteDbl:
      return 222;
    default:
      return 0;
  }
}

int keypad_key(int qt_key) {
  if (qt_key >= Qt::Key_0 && qt_key <= Qt::Key_9) return kKeyNumpad0 + (qt_key - Qt::Key_0);
  switch (qt_key) {
    case Qt::Key_Asterisk:
      return 106;
    case Qt::Key_Plus:
      return kKeyAdd;
    case Qt::Key_Minus:
      return kKeySubtract;
    case Qt::Key_Period:
    case Qt::Key_Comma:
      return 110;
    case Qt::Key_Slash:
      return 111;
    default:
      return 0;
  }
}

int named_key(int qt_key) {
  switch (qt_key) {
    case Qt::Key_Backspace:
      return kKeyBack;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
      return kKeyTab;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return kKeyReturn;
    case Qt::Key_Shift:
      return kKeyShift;
    case Qt::Key_Control:
      return kKeyControl;
    case Qt::Key_Alt:
      return 18;
    case Qt::Key_Pause:
      return 19;
    case Qt::Key_CapsLock:
      return 20;
    case Qt::Key_Escape:
      return kKeyEscape;
    case Qt::Key_Space:
      return kKeySpace;
    case Qt::Key_PageUp:
      return 33;
    case Qt::Key_PageDown:
      return 34;
    case Qt::Key_End:
      return kKeyEnd;
    case Qt::Key_Home:
      return kKeyHome;
    case Qt::Key_Left:
      return kKeyLeft;
    case Qt::Key_Up:
      return kKeyUp;
    case Qt::Key_Right:
      return kKeyRight;
    case Qt::Key_Down:
      return kKeyDown;
    case Qt::Key_Insert:
      return 45;
    case Qt::Key_Delete:
      return kKeyDelete;
    default:
      return 0;
  }
}

}  // namespace

int key_bits(Qt::KeyboardModifiers modifiers) {
  int keys = 0;
  if (modifiers & Qt::ShiftModifier) keys |= kKeyBitShift;
  if (modifiers & Qt::ControlModifier) keys |= kKeyBitCtrl;
  return keys;
}

int mouse_bits(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
  int keys = key_bits(modifiers);
  if (buttons & Qt::LeftButton) keys |= kKeyBitLeft;
  if (buttons & Qt::RightButton) keys |= kKeyBitRight;
  if (buttons & Qt::MiddleButton) keys |= kKeyBitMiddle;
  return keys;
}

int virtual_key(int qt_key, Qt::KeyboardModifiers modifiers) {
  if (modifiers & Qt::KeypadModifier)
    if (int key = keypad_key(qt_key)) return key;
  if (qt_key >= Qt::Key_A && qt_key <= Qt::Key_Z) return 'A' + (qt_key - Qt::Key_A);
  if (qt_key >= Qt::Key_0 && qt_key <= Qt::Key_9) return '0' + (qt_key - Qt::Key_0);
  if (qt_key >= Qt::Key_F1 && qt_key <= Qt::Key_F24) return 112 + (qt_key - Qt::Key_F1);
  if (int key = named_key(qt_key)) return key;
  return punctuation_key(qt_key);
}

// The key goes as KeyDown with the character it typed in msg.ch, so that
// translate_message() makes the Char of the person's keyboard layout, and
// only when the thread translates (dialog navigation keeps Tab and Enter to
// itself). With Ctrl held the character follows from the key code instead,
// as on the classic desktop. Text without a key code of its own, or longer
// than one unit, goes as characters.
void post_key(Window top, bool down, int qt_key, Qt::KeyboardModifiers modifiers,
              const QString& text) {
  int key = virtual_key(qt_key, modifiers);
  int keys = key_bits(modifiers);
  bool ctrl = keys & kKeyBitCtrl;
  if (key) {
    Msg msg;
    msg.kind = down ? MsgKind::KeyDown : MsgKind::KeyUp;
    msg.key = key;
    msg.keys = keys;
    msg.to_focus = true;
    if (down && text.size() == 1 && !ctrl) msg.ch = text.at(0).unicode();
    post_message(top, msg);
  }
  if (down && !ctrl && (text.size() > 1 || (!key && !text.isEmpty()))) post_text(top, text);
}

void post_text(Window top, const QString& text) {
  for (QChar unit : text) {
    Msg msg;
    msg.kind = MsgKind::Char;
    msg.ch = unit.unicode();
    msg.to_focus = true;
    post_message(top, msg);
  }
}

void post_mouse(Window target, MsgKind kind, QPointF logical, int keys) {
  Msg msg;
  msg.kind = kind;
  msg.x = int(std::floor(logical.x() * device_ratio()));
  msg.y = int(std::floor(logical.y() * device_ratio()));
  msg.keys = keys;
  post_message(target, msg);
}

bool post_mouse_button(Window target, const QMouseEvent* event, bool down, bool twice) {
  MsgKind kind;
  switch (event->button()) {
    case Qt::LeftButton:
      kind = twice ? MsgKind::LeftDoubleClick : down ? MsgKind::LeftDown : MsgKind::LeftUp;
      break;
    case Qt::RightButton:
      kind = down ? MsgKind::RightDown : MsgKind::RightUp;
      break;
    case Qt::MiddleButton:
      kind = down ? MsgKind::MiddleDown : MsgKind::MiddleUp;
      break;
    default:
      return false;
  }
  post_mouse(target, kind, event->position(), mouse_bits(event->buttons(), event->modifiers()));
  return true;
}

QString to_qstring(const std::u16string& text) {
  return QString::fromUtf16(text.data(), qsizetype(text.size()));
}

std::u16string from_qstring(const QString& text) {
  return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()), std::size_t(text.size()));
}

}  // namespace platform::qt
