// Child controls as real widgets that only show the platform's records:
// static text, one-line edits and push buttons. Their input goes to the
// platform as messages, exactly as the headless driver sends it, so the
// platform's control logic stays the truth: an edit never changes its own
// text, a button's click is the LeftDown/LeftUp pair the platform turns
// into the click notification.
#include <QtGui/QKeyEvent>
#include <QtWidgets/QApplication>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QPushButton>

#include "platform/qt/qt_internal.h"
#include "platform/qt/qt_widgets.h"
#include "platform/queue.h"
#include "platform/window.h"

namespace platform::qt {
namespace {

Window window_of(QObject* object) {
  return Window{object->property(kWindowProperty).toUInt()};
}

class InputFilter : public QObject {
 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    Window window = window_of(watched);
    if (!window) return false;
    switch (event->type()) {
      case QEvent::KeyPress:
      case QEvent::KeyRelease: {
        auto* key = static_cast<QKeyEvent*>(event);
        post_key(root_window(window), event->type() == QEvent::KeyPress, key->key(),
                 key->modifiers(), key->text());
        return true;
      }
      case QEvent::InputMethod:
        post_text(root_window(window), static_cast<QInputMethodEvent*>(event)->commitString());
        return true;
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
        return control_kind(window) != ControlKind::None && control_mouse(window, event);
      default:
        return false;
    }
  }

 private:
  // The edit keeps nothing of the mouse for itself; the button still shows
  // itself pressed.
  static bool control_mouse(Window control, QEvent* event) {
    auto* mouse = static_cast<QMouseEvent*>(event);
    bool down = event->type() != QEvent::MouseButtonRelease;
    bool twice = event->type() == QEvent::MouseButtonDblClick;
    if (!post_mouse_button(control, mouse, down, twice)) return true;
    return control_kind(control) != ControlKind::Button;
  }
};

// Word-wraps a button caption to its width, as a multi-line button does.
QString wrap_words(const QString& text, const QFontMetrics& metrics, int width) {
  QStringList lines;
  for (const QString& paragraph : text.split('\n')) {
    QString line;
    for (const QString& word : paragraph.split(' ')) {
      QString candidate = line.isEmpty() ? word : line + ' ' + word;
      if (!line.isEmpty() && metrics.horizontalAdvance(candidate) > width) {
        lines << line;
        line = word;
      } else {
        line = candidate;
      }
    }
    lines << line;
  }
  return lines.join('\n');
}

QWidget* make_control(Window control, ControlKind kind, QWidget* parent) {
  QWidget* widget = nullptr;
  switch (kind) {
    case ControlKind::Edit: {
      auto* edit = new QLineEdit(parent);
      edit->setContextMenuPolicy(Qt::NoContextMenu);
      edit->setDragEnabled(false);
      edit->setAcceptDrops(false);
      edit->setAttribute(Qt::WA_InputMethodEnabled);
      widget = edit;
      break;
    }
    case ControlKind::Button:
      widget = new QPushButton(parent);
      break;
    default: {
      auto* label = new QLabel(parent);
      label->setWordWrap(true);
      label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
      label->setAttribute(Qt::WA_TransparentForMouseEvents);  // clicks reach the window
      label->setAutoFillBackground(true);  // static text paints its own face, as a control does
      widget = label;
      break;
    }
  }
  widget->setProperty(kWindowProperty, uint(control.id));
  widget->setFocusPolicy(Qt::NoFocus);  // focus follows the platform's, set below
  widget->installEventFilter(input_filter());
  remember_widget(control, widget);
  return widget;
}

void sync_edit(QLineEdit* edit, Window control) {
  QString text = to_qstring(caption(control));
  if (edit->text() != text) edit->setText(text);
  Rect selection = edit_selection(control);  // left = start, right = end, top = caret
  int start = selection.left, end = selection.right, caret = selection.top;
  if (start != end) {
    int anchor = caret == end ? start : end;
    if (edit->selectionStart() != start || edit->selectedText().size() != end - start ||
        edit->cursorPosition() != caret)
      edit->setSelection(anchor, caret - anchor);
  } else if (edit->hasSelectedText() || edit->cursorPosition() != caret) {
    edit->setCursorPosition(caret);
  }
}

void sync_text(QWidget* widget, Window control) {
  QString text = to_qstring(caption(control));
  if (auto* label = qobject_cast<QLabel*>(widget)) {
    if (label->text() != text) label->setText(text);
  } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
    if (window_style(control) & kStyleMultiLine)
      text = wrap_words(text, button->fontMetrics(), button->width() - 8);
    if (button->text() != text) button->setText(text);
  } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
    sync_edit(edit, control);
  }
}

}  // namespace

QObject* input_filter() {
  static InputFilter* filter = new InputFilter;  // lives as long as the process
  return filter;
}

void sync_control(Window control) {
  QWidget* parent = client_widget_of(root_window(control));
  if (!parent) return;
  QWidget* widget = widget_of(control);
  if (!widget) widget = make_control(control, control_kind(control), parent);
  Rect r = window_rect(control);  // in the parent's client coordinates
  QRect geometry(int(std::lround(to_logical(r.left))), int(std::lround(to_logical(r.top))),
                 int(std::lround(to_logical(r.width()))), int(std::lround(to_logical(r.height()))));
  if (widget->geometry() != geometry) widget->setGeometry(geometry);
  sync_text(widget, control);
  if (auto* label = qobject_cast<QLabel*>(widget))
    label->setFrameShape(window_style(control) & kStyleBorder ? QFrame::Box : QFrame::NoFrame);
  widget->setVisible(is_visible(control));
}

// Qt's keyboard focus follows the platform's: the widget of the focused
// control, or the client area when the window itself has the focus. The
// style draws the focused button's rectangle only in a window marked as
// navigated by keyboard; the mark follows the platform's cues, since a focus
// moved by the platform always reaches Qt with a reason that clears it.
void sync_focus(Window window) {
  Window root = root_window(window);
  QWidget* top = widget_of(root);
  if (!top) return;
  Window focus = focus_of_thread(window_thread(root));
  if (focus && root_window(focus) == root) {
    QWidget* target = focus == root ? client_widget_of(root) : widget_of(focus);
    if (target && top->focusWidget() != target) target->setFocus(Qt::OtherFocusReason);
  }
  bool cues = shows_focus_cues(root);
  if (top->testAttribute(Qt::WA_KeyboardFocusChange) != cues) {
    top->setAttribute(Qt::WA_KeyboardFocusChange, cues);
    if (QWidget* focused = top->focusWidget()) focused->update();
  }
}

}  // namespace platform::qt
