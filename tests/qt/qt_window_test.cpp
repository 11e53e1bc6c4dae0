// Windows, input, menus, boxes and drops through the real widgets: windows
// made by a worker thread get widgets on the GUI thread, and what a person
// does to the widgets reaches the worker's procedures as messages.
#include <gtest/gtest.h>

#include <QtCore/QMimeData>
#include <QtCore/QUrl>
#include <QtGui/QDropEvent>
#include <QtTest/QTest>
#include <QtWidgets/QApplication>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QMenu>
#include <QtWidgets/QMenuBar>
#include <QtWidgets/QMessageBox>

#include "platform/backend.h"
#include "platform/menu.h"
#include "platform/qt/qt_internal.h"
#include "platform/qt/qt_widgets.h"
#include "tests/qt/qt_test_support.h"

namespace {

using platform::Msg;
using platform::MsgKind;
using platform::Window;
using qt_test::spin_until;

qt_test::Log g_log;

std::intptr_t logging_proc(Window window, Msg& msg) {
  switch (msg.kind) {
    case MsgKind::LeftDown:
    case MsgKind::LeftUp:
      g_log.add(std::string(msg.kind == MsgKind::LeftDown ? "down " : "up ") +
                std::to_string(msg.x) + " " + std::to_string(msg.y) + " " +
                std::to_string(msg.keys));
      return 0;
    case MsgKind::KeyDown:
      g_log.add("key " + std::to_string(msg.key) + " " + std::to_string(msg.keys));
      return 0;
    case MsgKind::Char:
      g_log.add("char " + std::to_string(int(msg.ch)));
      return 0;
    case MsgKind::DropFiles: {
      std::string line = "drop";
      for (const std::string& file : msg.files) line += " " + file;
      g_log.add(line);
      return 0;
    }
    case MsgKind::Moving:
      g_log.add("moving");
      return 0;
    case MsgKind::Command:
      if (msg.notify == platform::kNotifyEditKillFocus ||
          msg.notify == platform::kNotifyEditSetFocus)
        g_log.add((msg.notify == platform::kNotifyEditSetFocus ? "set focus " : "kill focus ") +
                  std::to_string(msg.command));
      return 0;
    default:
      return platform::default_window_proc(window, msg);
  }
}

class QtWindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { platform::register_class({"qt_test", logging_proc, false}); }
  void SetUp() override { g_log.clear(); }
  void TearDown() override {
    worker.run([this] {
      for (Window w : made) platform::destroy_window(w);
    });
    spin_until([this] {
      for (Window w : made)
        if (platform::qt::widget_of(w)) return false;
      return true;
    });
  }

  // A visible window of the worker with a 200 x 100 client area at (300, 200).
  Window make_window(unsigned extra_style = 0) {
    Window window;
    worker.run([&] {
      platform::CreateParams params;
      params.class_name = "qt_test";
      params.caption = u"Test window";
      params.style = platform::kStyleCaption | platform::kStyleVisible | extra_style;
      params.outer = platform::adjust_window_rect({300, 200, 500, 300}, params.style, false);
      window = platform::create_window(params);
    });
    made.push_back(window);
    EXPECT_TRUE(spin_until([&] {
      QWidget* client = platform::qt::client_widget_of(window);
      return client && client->isVisible();
    }));
    return window;
  }

  qt_test::Worker worker;
  std::vector<Window> made;
};

TEST_F(QtWindowTest, WorkerWindowShowsItsSurfaceAndGetsClicksKeysAndDrops) {
  Window window = make_window();
  QWidget* client = platform::qt::client_widget_of(window);
  QWidget* top = platform::qt::widget_of(window);
  ASSERT_TRUE(client && top);
  EXPECT_EQ(top->windowTitle(), QString("Test window"));
  // Exact client size (device pixels) and no close box without the style.
  EXPECT_EQ(platform::qt::to_device(client->width()), 200);
  EXPECT_EQ(platform::qt::to_device(client->height()), 100);
  EXPECT_FALSE(top->windowFlags() & Qt::WindowCloseButtonHint);

  // The worker draws; the widget shows the surface, opaque whatever the
  // pixels' top bytes hold (an image may keep data there).
  worker.run([&] {
    platform::with_client_surface(window, [](platform::Bitmap& b) {
      for (int y = 0; y < b.height; ++y)
        for (int x = 0; x < b.width; ++x) b.row32(y)[x] = x < 100 ? 0xAB123456 : 0x00FF8000;
    });
    platform::present_window(window);
  });
  spin_until([] { return false; }, 50);
  QImage shown = client->grab().toImage();
  EXPECT_EQ(shown.pixel(10, 10), 0xFF123456u);
  EXPECT_EQ(shown.pixel(150, 50), 0xFFFF8000u);

  QTest::mouseClick(client, Qt::LeftButton, Qt::NoModifier, QPoint(10, 20));
  QTest::keyClick(client, Qt::Key_A);
  QTest::keyClick(client, 'B', Qt::ShiftModifier);  // Shift goes down first, as on a keyboard
  QTest::keyClick(client, Qt::Key_5, Qt::KeypadModifier);
  ASSERT_TRUE(spin_until([] { return g_log.lines().size() >= 9; }));
  std::vector<std::string> expected = {"down 10 20 1", "up 10 20 0", "key 65 0",
                                       "char 97",      "key 16 4",   "key 66 4",
                                       "char 66",      "key 101 0",  "char 53"};
  EXPECT_EQ(g_log.lines(), expected);

  // Dropped files reach windows that accept them; a URL that is no file is left out.
  worker.run([&] { platform::accept_drops(window, true); });
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile("/tmp/a b.png"), QUrl::fromLocalFile("/tmp/c.jpg"),
                QUrl("https://example.com/not-a-file.png")});
  QDragEnterEvent enter(QPoint(30, 40), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(client, &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(30, 40), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(client, &drop);
  EXPECT_TRUE(spin_until([] { return g_log.has("drop /tmp/a b.png /tmp/c.jpg"); }));

  worker.run([&] { platform::accept_drops(window, false); });
  QDragEnterEvent refused(QPoint(30, 40), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  refused.ignore();
  QApplication::sendEvent(client, &refused);
  EXPECT_FALSE(refused.isAccepted());
}

TEST_F(QtWindowTest, MovesAndClosesByThePersonReachTheWorker) {
  Window window = make_window(platform::kStyleCloseBox);
  QWidget* top = platform::qt::widget_of(window);
  ASSERT_TRUE(top);
  EXPECT_TRUE(top->windowFlags() & Qt::WindowCloseButtonHint);
  qt_test::pump_for(100);
  platform::Rect before = platform::window_rect(window);
  QRect geometry = top->geometry();
  top->setGeometry(geometry.translated(40, 30));  // as a window manager would
  ASSERT_TRUE(spin_until([&] { return platform::window_rect(window).left == before.left + 40; }));
  EXPECT_EQ(platform::window_rect(window).top, before.top + 30);
  EXPECT_TRUE(g_log.has("moving"));  // the procedure saw the drag first

  top->close();  // the close box
  EXPECT_TRUE(spin_until([&] { return !platform::is_window(window); }));
  EXPECT_TRUE(spin_until([&] { return platform::qt::widget_of(window) == nullptr; }));
}

// A window brought to the front by the program becomes the active one each
// time, also after the person has activated another window in between.
TEST_F(QtWindowTest, EveryRequestToBringAWindowToTheFrontActivatesIt) {
  Window text = make_window();
  Window box = make_window();
  QWidget* text_widget = platform::qt::widget_of(text);
  QWidget* box_widget = platform::qt::widget_of(box);
  for (int round = 0; round < 2; ++round) {
    box_widget->activateWindow();  // the person clicks the box
    ASSERT_TRUE(spin_until([&] { return platform::foreground_window() == box; })) << round;
    worker.run([&] {
      platform::raise_window(text);
      platform::set_foreground(text);
    });
    EXPECT_TRUE(spin_until([&] { return QApplication::activeWindow() == text_widget; })) << round;
    EXPECT_EQ(platform::foreground_window(), text) << round;
  }
}

// Layouts are in device pixels at every scale (also run with
// QT_SCALE_FACTOR=2): the main window's menu bar shows all three items in
// its 240 pixels, and a label of the input box holds its text in 80 x 24.
TEST_F(QtWindowTest, MenuBarAndControlTextFitDevicePixelLayouts) {
  Window window;
  Window label;
  worker.run([&] {
    platform::CreateParams params;
    params.class_name = "qt_test";
    params.style = platform::kStyleCaption | platform::kStyleVisible;
    params.menu.add(1001, u"Start(&S)").add(1003, u"Stop(&C)").add(1002, u"Exit(&X)");
    params.outer = platform::adjust_window_rect({300, 200, 540, 252}, params.style, true);
    window = platform::create_window(params);
    label = platform::create_control(platform::ControlKind::Static, window, 1, {4, 7, 84, 31},
                                     u"Item 29", platform::kStyleVisible);
  });
  made.push_back(window);
  ASSERT_TRUE(spin_until([&] { return platform::qt::widget_of(label) != nullptr; }));
  auto* top = static_cast<platform::qt::TopWidget*>(platform::qt::widget_of(window));
  ASSERT_TRUE(top->bar);
  spin_until([] { return false; }, 50);
  ASSERT_EQ(top->bar->actions().size(), 3);
  for (QAction* action : top->bar->actions()) {
    QRect shown = top->bar->actionGeometry(action);
    EXPECT_FALSE(shown.isEmpty()) << action->text().toStdString();
    EXPECT_TRUE(top->bar->rect().contains(shown)) << action->text().toStdString();
  }
  QFontMetrics metrics = platform::qt::widget_of(label)->fontMetrics();
  EXPECT_LE(platform::qt::to_device(metrics.horizontalAdvance("Item 29")), 80);
  EXPECT_LE(platform::qt::to_device(metrics.height()), 24);
}

TEST_F(QtWindowTest, PopupMenuFromTheWorkerReturnsTheChosenId) {
  Window window = make_window();
  platform::Menu menu;
  auto sub = std::make_shared<platform::Menu>();
  sub->add(7, u"&Deep");
  menu.add(1, u"&One").add(2, u"&Two\tCtrl+T", false, true).add_separator();
  menu.add(3, u"&Grey", true).add_submenu(u"&More", sub);
  std::atomic<int> chosen{-1};
  worker.start([&] { chosen = platform::track_popup_menu(window, menu, {320, 220}); });
  ASSERT_TRUE(spin_until([] { return qobject_cast<QMenu*>(QApplication::activePopupWidget()); }));
  auto* shown = qobject_cast<QMenu*>(QApplication::activePopupWidget());
  QList<QAction*> actions = shown->actions();
  ASSERT_EQ(actions.size(), 5);
  EXPECT_EQ(actions[1]->text(), QString("&Two\tCtrl+T"));
  EXPECT_TRUE(actions[1]->isChecked());
  EXPECT_FALSE(actions[0]->isChecked());
  EXPECT_TRUE(actions[2]->isSeparator());
  EXPECT_FALSE(actions[3]->isEnabled());
  ASSERT_TRUE(actions[4]->menu());
  QTest::keyClick(shown, Qt::Key_T);  // the mnemonic
  ASSERT_TRUE(spin_until([&] { return chosen.load() != -1; }));
  EXPECT_EQ(chosen.load(), 2);

  chosen = -1;
  worker.start([&] { chosen = platform::track_popup_menu(window, menu, {320, 220}); });
  ASSERT_TRUE(spin_until([] { return qobject_cast<QMenu*>(QApplication::activePopupWidget()); }));
  QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
  ASSERT_TRUE(spin_until([&] { return chosen.load() != -1; }));
  EXPECT_EQ(chosen.load(), 0);
}

TEST_F(QtWindowTest, TypingIntoABoxEditAndTabReachTheBoxOnTheWorker) {
  Window box = make_window();
  Window first, second;
  worker.run([&] {
    unsigned style = platform::kStyleVisible | platform::kStyleTabStop | platform::kStyleBorder;
    first = platform::create_control(platform::ControlKind::Edit, box, 11, {10, 10, 110, 30}, u"",
                                     style);
    second = platform::create_control(platform::ControlKind::Edit, box, 12, {10, 40, 110, 60},
                                      u"xy", style);
    platform::set_focus(first);
    worker.box = box;
  });
  ASSERT_TRUE(spin_until([&] { return platform::qt::widget_of(second) != nullptr; }));
  auto* edit = qobject_cast<QLineEdit*>(platform::qt::widget_of(first));
  ASSERT_TRUE(edit);
  QTest::keyClicks(edit, "12");
  QTest::keyClick(edit, Qt::Key_Tab);
  ASSERT_TRUE(spin_until([] { return g_log.has("set focus 12"); }));  // comes after the kill
  EXPECT_TRUE(g_log.has("kill focus 11"));
  EXPECT_EQ(platform::caption(first), u"12");
  EXPECT_EQ(platform::focus_of_thread(platform::window_thread(box)), second);
  // The widgets show the records: the typed text, the new focus with its text selected.
  EXPECT_TRUE(spin_until([&] { return edit->text() == "12"; }));
  auto* next = qobject_cast<QLineEdit*>(platform::qt::widget_of(second));
  EXPECT_TRUE(spin_until([&] { return next->selectedText() == "xy"; }));
  worker.box = Window{};
}

TEST_F(QtWindowTest, ExitEndsAWorkerWaitingInAMessageBoxWithinTheGracePeriod) {
  Window window = make_window();
  std::atomic<bool> returned{false};
  worker.start([&] {
    platform::message_box(window, u"Waiting", u"Pause", platform::kIconInformation);
    returned = true;
  });
  ASSERT_TRUE(spin_until([] {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (qobject_cast<QMessageBox*>(w) && w->isVisible()) return true;
    return false;
  }));
  // The exit sequence: shutdown begins, then the GUI thread only waits.
  platform::begin_shutdown();
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(2000);
  while (!returned && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_TRUE(returned.load());
  // Once Exit has begun, modal calls fail at once.
  EXPECT_EQ(platform::track_popup_menu(window, platform::Menu().add(1, u"x"), {0, 0}), 0);
  platform::reset_shutdown_for_tests();
  spin_until([] { return false; }, 20);
}

}  // namespace
