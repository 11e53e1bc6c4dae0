// The framework's input box and button box on the desktop back end: what a
// person does to the widgets (typing, activating another window, dragging a
// frame edge as a window manager reports it, the arrow keys) reaches the box
// on the worker, and what the box does shows in the pixels.
#include <gtest/gtest.h>

#include <QtGui/QImage>
#include <QtTest/QTest>
#include <QtWidgets/QApplication>
#include <QtWidgets/QLineEdit>
#include <string>

#include "framework/console/button_box.h"
#include "framework/console/input_box.h"
#include "framework/orvlib.h"
#include "platform/qt/qt_internal.h"
#include "tests/qt/qt_test_support.h"

// The framework's worker is not started here: the test's worker serves the box.
void ORV_Ready() {}
int ORV_Main() {
  return 0;
}

namespace {

using platform::Window;
using qt_test::spin_until;

std::intptr_t plain_proc(Window window, platform::Msg& msg) {
  return platform::default_window_proc(window, msg);
}

class QtInputBoxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::register_class({"qt_plain", plain_proc, false});
    worker.run([this] {
      orv::register_input_box_class();
      ORV_OpenInputBox(100, 100, 2);
      box = orv::input_box_window();
    });
    worker.box = box;
    ASSERT_TRUE(spin_until([this] {
      QWidget* top = platform::qt::widget_of(box);
      return top && top->isActiveWindow() && edit(1);
    }));
  }
  void TearDown() override {
    worker.box = Window{};
    worker.run([] {
      ORV_CloseInputBox();
      orv::reset_input_box_for_tests();
    });
    spin_until([this] { return !platform::qt::widget_of(box); });
  }

  QLineEdit* edit(int row) {
    std::vector<Window> children = platform::child_windows(box);  // label, edit, label, edit
    if (int(children.size()) < 2 * row + 2) return nullptr;
    return qobject_cast<QLineEdit*>(platform::qt::widget_of(children[2 * row + 1]));
  }
  std::string value(int row) {
    std::string text;
    worker.run([&] { text = orv_ib_text[row] ? orv_ib_text[row] : ""; });
    return text;
  }
  std::pair<int, int> widths() {
    std::pair<int, int> result;
    worker.run([&] { result = {orv::input_box_label_width(), orv::input_box_edit_width()}; });
    return result;
  }

  qt_test::Worker worker;
  Window box;
};

// The main window lives on the GUI thread; a text window on the worker.
TEST_F(QtInputBoxTest, ActivatingAnotherWindowStoresTheTypedValue) {
  platform::CreateParams params;
  params.class_name = "qt_plain";
  params.style = platform::kStyleCaption | platform::kStyleVisible;
  params.outer = {400, 100, 600, 200};
  Window main = platform::create_window(params);
  Window text;
  worker.run([&] { text = platform::create_window(params); });
  ASSERT_TRUE(spin_until([&] {
    return platform::qt::widget_of(main) && platform::qt::widget_of(text) &&
           platform::qt::widget_of(text)->isVisible();
  }));

  platform::qt::widget_of(box)->activateWindow();  // the person comes back to the box
  ASSERT_TRUE(spin_until([&] { return platform::foreground_window() == box; }));
  QTest::keyClicks(edit(0), "555");  // row 0 has the focus, its text selected
  ASSERT_TRUE(spin_until([&] { return edit(0)->text() == "555"; }));
  EXPECT_EQ(value(0), "0");
  platform::qt::widget_of(main)->activateWindow();  // as the window manager does on a click
  EXPECT_TRUE(spin_until([&] { return value(0) == "555"; }));

  platform::qt::widget_of(box)->activateWindow();
  QTest::keyClick(edit(0), Qt::Key_Tab);
  QTest::keyClicks(edit(1), "42");
  ASSERT_TRUE(spin_until([&] { return edit(1)->text() == "42"; }));
  platform::qt::widget_of(text)->activateWindow();
  EXPECT_TRUE(spin_until([&] { return value(1) == "42"; }));

  worker.run([&] { platform::destroy_window(text); });
  platform::destroy_window(main);
}

// A left-edge drag by 30 pixels arrives as a move and a resize, in either
// order: only the label column grows (80 -> 110); a right-edge drag by 20
// grows only the edit column (70 -> 90).
TEST_F(QtInputBoxTest, EdgeDragsSplitIntoMoveAndResizeChangeTheirOwnColumn) {
  QWidget* top = platform::qt::widget_of(box);
  int d30 = 30, d20 = 20;  // device pixels at ratio 1 (offscreen)
  ASSERT_EQ(platform::qt::device_ratio(), 1.0);
  QRect g = top->geometry();
  top->move(g.x() - d30, g.y());
  top->resize(g.width() + d30, g.height());
  ASSERT_TRUE(spin_until([&] { return widths().first == 110; }));
  EXPECT_EQ(widths().second, 70);

  g = top->geometry();
  top->resize(g.width() + d20, g.height());
  ASSERT_TRUE(spin_until([&] { return widths().second == 90; }));
  EXPECT_EQ(widths().first, 110);

  g = top->geometry();  // the other order: the size first, then the position
  top->resize(g.width() + d30, g.height());
  top->move(g.x() - d30, g.y());
  ASSERT_TRUE(spin_until([&] { return widths().first == 140; }));
  EXPECT_EQ(widths().second, 90);
  QRect edit_geometry = edit(0)->geometry();
  EXPECT_EQ(edit_geometry.x(), 140 + 8);
  EXPECT_EQ(edit_geometry.width(), 90);
}

// The arrow keys move the focus between the buttons, and the focused
// button shows it as the platform's buttons do: after the first arrow the
// newly focused button's pixels change, after the second the first one is
// back to its unfocused look and the next one changes.
TEST(QtButtonBoxTest, ArrowKeysMoveAVisibleFocusBetweenTheButtons) {
  qt_test::Worker worker;
  Window box;
  worker.run([&] {
    orv::register_button_box_class();
    ORV_OpenButtonBox(100, 100, 3, 1);
    box = orv::button_box_window();
  });
  worker.box = box;
  std::vector<Window> buttons = platform::child_windows(box);
  ASSERT_EQ(buttons.size(), 3u);
  auto top = [&] { return platform::qt::widget_of(box); };
  ASSERT_TRUE(spin_until([&] {
    return top() && top()->isActiveWindow() && platform::qt::widget_of(buttons[2]) &&
           platform::qt::widget_of(buttons[2])->isVisible();
  }));
  // A button's pixels as the box's surface shows them.
  auto look = [&](Window button) {
    QWidget* widget = platform::qt::widget_of(button);
    return top()->grab(QRect(widget->mapTo(top(), QPoint(0, 0)), widget->size())).toImage();
  };
  auto focus = [&] {
    Window result;
    worker.run([&] { result = platform::focus_window(); });
    return result;
  };
  auto arrow = [&] {
    Window before = focus();
    QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : top();
    QTest::keyClick(target, Qt::Key_Right);
    EXPECT_TRUE(spin_until([&] { return focus() != before; }));
    Window now = focus();
    EXPECT_TRUE(
        spin_until([&] { return QApplication::focusWidget() == platform::qt::widget_of(now); }));
    return now;
  };
  QImage unfocused[3] = {look(buttons[0]), look(buttons[1]), look(buttons[2])};

  Window first = arrow();
  auto index = [&](Window w) {
    return int(std::find(buttons.begin(), buttons.end(), w) - buttons.begin());
  };
  ASSERT_LT(index(first), 3);
  EXPECT_TRUE(spin_until([&] { return look(first) != unfocused[index(first)]; }));

  Window second = arrow();
  ASSERT_LT(index(second), 3);
  ASSERT_NE(second, first);
  EXPECT_TRUE(spin_until([&] { return look(second) != unfocused[index(second)]; }));
  EXPECT_TRUE(spin_until([&] { return look(first) == unfocused[index(first)]; }));

  worker.box = Window{};
  worker.run([] {
    ORV_CloseButtonBox();
    orv::reset_button_box_for_tests();
  });
  spin_until([&] { return !top(); });
}

}  // namespace
