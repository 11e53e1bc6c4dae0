// Menus and modal message boxes.
//
// Labels are UTF-16 with '&' before the mnemonic and '\t' before the
// accelerator text. A popup returns the chosen id, or 0 when cancelled.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/geometry.h"
#include "platform/message.h"

namespace platform {

struct Menu;

struct MenuItem {
  int id = 0;
  std::u16string label;
  bool checked = false;
  bool greyed = false;
  bool separator = false;
  std::shared_ptr<Menu> submenu;
};

struct Menu {
  std::vector<MenuItem> items;

  Menu& add(int id, std::u16string label, bool greyed = false, bool checked = false);
  Menu& add_separator();
  Menu& add_submenu(std::u16string label, std::shared_ptr<Menu> submenu, bool greyed = false);
  // The item with this id, searching submenus; nullptr when absent.
  MenuItem* find(int id);
};

// Shows a popup menu at a screen point and returns the chosen id (0 = none).
// The calling thread keeps serving its windows meanwhile.
int track_popup_menu(Window owner, const Menu& menu, Point screen);

enum MessageBoxIcon : int { kIconNone = 0, kIconError = 1, kIconWarning = 2, kIconInformation = 3 };

// A modal box with an OK button; returns when it is answered. The calling
// thread keeps serving its windows meanwhile.
void message_box(Window owner, const std::u16string& text, const std::u16string& title,
                 MessageBoxIcon icon = kIconNone);

}  // namespace platform
