// The widget classes of the Qt back end (GUI thread only); not for callers.
#pragma once

#include <QtCore/QRect>
#include <QtGui/QCloseEvent>
#include <QtGui/QImage>
#include <QtGui/QMouseEvent>
#include <QtWidgets/QWidget>
#include <string>
#include <vector>

#include "platform/message.h"

class QMenuBar;
class QTimer;

namespace platform::qt {

// Every widget of ours carries the id of the window it shows.
inline constexpr const char* kWindowProperty = "orv_window";

// The client area: painted from the window's surface; mouse, wheel and drops.
class ClientView : public QWidget {
 public:
  ClientView(Window window, QWidget* parent);
  Window window;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void mouse(QMouseEvent* event, bool down, bool twice);
  // The surface with opaque alpha, for backing stores that read the top byte.
  QImage frame_;
};

// A top-level window: an optional menu bar above the client area.
class TopWidget : public QWidget {
 public:
  explicit TopWidget(Window window);
  void layout_children();

  Window window;
  ClientView* client = nullptr;
  QMenuBar* bar = nullptr;
  std::string signature;  // of the menu bar shown
  QRect requested;        // the geometry last set from the record or reported (device pixels)
  QRect placed;           // the geometry last given to the X window directly (device pixels)
  bool syncing = false;
  QTimer* settle = nullptr;  // reports a move or size by the person once it settles
  static constexpr int kSettleMs = 30;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void settle_user_geometry();
  void report_user_geometry();
};

// Keys and input-method text of every widget of ours, and the mouse on controls.
QObject* input_filter();
// Creates or updates the widget of a control (static, edit, button).
void sync_control(Window control);
void remember_widget(Window window, QWidget* widget);
std::vector<Window> mirrored_windows();

}  // namespace platform::qt
