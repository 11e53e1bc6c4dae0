// Menu bars, popup menus and message boxes.
//
// Labels keep their '&' mnemonics (Qt reads them the same way); the text
// after '\t' is the accelerator shown at the right of a popup item, and a
// menu bar's own items show only the part before it.
#include <QtCore/QMetaObject>
#include <QtWidgets/QApplication>
#include <QtWidgets/QMenu>
#include <QtWidgets/QMenuBar>
#include <QtWidgets/QMessageBox>
#include <functional>

#include "platform/qt/qt_internal.h"
#include "platform/queue.h"
#include "platform/window.h"

namespace platform::qt {
namespace {

using Chosen = std::function<void(int)>;

void fill_menu(QMenu* menu, const Menu& items, const Chosen& chosen) {
  for (const MenuItem& item : items.items) {
    if (item.separator) {
      menu->addSeparator();
      continue;
    }
    if (item.submenu) {
      QMenu* sub = menu->addMenu(to_qstring(item.label));
      sub->setEnabled(!item.greyed);
      fill_menu(sub, *item.submenu, chosen);
      continue;
    }
    QAction* action = menu->addAction(to_qstring(item.label));
    action->setEnabled(!item.greyed);
    if (item.checked) {
      action->setCheckable(true);
      action->setChecked(true);
    }
    int id = item.id;
    QObject::connect(action, &QAction::triggered, [chosen, id] { chosen(id); });
  }
}

void post_command(Window window, int id) {
  Msg msg;
  msg.kind = MsgKind::Command;
  msg.command = id;
  msg.notify = kNotifyMenu;
  post_message(window, msg);
}

QMessageBox::Icon box_icon(MessageBoxIcon icon) {
  switch (icon) {
    case kIconError:
      return QMessageBox::Critical;
    case kIconWarning:
      return QMessageBox::Warning;
    case kIconInformation:
      return QMessageBox::Information;
    default:
      return QMessageBox::NoIcon;
  }
}

}  // namespace

std::string menu_signature(const Menu& menu) {
  std::string signature;
  for (const MenuItem& item : menu.items) {
    signature += item.separator ? "-" : std::to_string(item.id);
    signature += item.greyed ? "g" : "";
    signature += item.checked ? "c" : "";
    signature += QString::fromStdU16String(item.label).toStdString();
    if (item.submenu) {  // appended piece by piece: g++ 12 warns falsely on "{" + s + "}"
      signature += '{';
      signature += menu_signature(*item.submenu);
      signature += '}';
    }
    signature += '\n';
  }
  return signature;
}

void fill_menu_bar(QMenuBar* bar, Window window, const Menu& menu) {
  Chosen chosen = [window](int id) { post_command(window, id); };
  for (const MenuItem& item : menu.items) {
    if (item.separator) {
      bar->addSeparator();
      continue;
    }
    QString label = to_qstring(item.label).section('\t', 0, 0);
    if (item.submenu) {
      QMenu* sub = bar->addMenu(label);
      sub->setEnabled(!item.greyed);
      fill_menu(sub, *item.submenu, chosen);
      continue;
    }
    QAction* action = bar->addAction(label);
    action->setEnabled(!item.greyed);
    int id = item.id;
    QObject::connect(action, &QAction::triggered, [chosen, id] { chosen(id); });
  }
}

// The menu hides before its chosen item triggers, so "nothing chosen" is
// decided one event later, once a trigger would have come.
int popup_menu(Window owner, const Menu& menu, Point screen) {
  (void)owner;
  return run_modal(
      [menu, screen](const std::shared_ptr<ModalCall>& call) {
        auto* popup = new QMenu;
        fill_menu(popup, menu, [call](int id) { call->finish(id); });
        QObject::connect(popup, &QMenu::aboutToHide, [call, popup] {
          QMetaObject::invokeMethod(
              qApp, [call] { call->finish(0); }, Qt::QueuedConnection);
          popup->deleteLater();
        });
        track_modal_widget(popup, call, 0);
        popup->popup(
            QPoint(int(std::lround(to_logical(screen.x))), int(std::lround(to_logical(screen.y)))));
      },
      0);
}

// Owned by a window, the box blocks that window's input as long as it is
// open, and only that window's.
void message_box(Window owner, const std::u16string& text, const std::u16string& title,
                 MessageBoxIcon icon) {
  run_modal(
      [owner, text, title, icon](const std::shared_ptr<ModalCall>& call) {
        QWidget* parent = owner ? widget_of(root_window(owner)) : nullptr;
        auto* box = new QMessageBox(box_icon(icon), to_qstring(title), to_qstring(text),
                                    QMessageBox::Ok, parent);
        box->setWindowModality(parent ? Qt::WindowModal : Qt::NonModal);
        QObject::connect(box, &QDialog::finished, [call, box] {
          call->finish(1);
          box->deleteLater();
        });
        track_modal_widget(box, call, 1);
        box->show();
        box->raise();
        box->activateWindow();
      },
      1);
}

}  // namespace platform::qt
