// Menus and message boxes, shown through the back end.
#include "platform/menu.h"

#include "platform/backend.h"

namespace platform {

Menu& Menu::add(int id, std::u16string label, bool greyed, bool checked) {
  MenuItem item;
  item.id = id;
  item.label = std::move(label);
  item.greyed = greyed;
  item.checked = checked;
  items.push_back(std::move(item));
  return *this;
}

Menu& Menu::add_separator() {
  MenuItem item;
  item.separator = true;
  items.push_back(std::move(item));
  return *this;
}

Menu& Menu::add_submenu(std::u16string label, std::shared_ptr<Menu> submenu, bool greyed) {
  MenuItem item;
  item.label = std::move(label);
  item.submenu = std::move(submenu);
  item.greyed = greyed;
  items.push_back(std::move(item));
  return *this;
}

MenuItem* Menu::find(int id) {
  for (MenuItem& item : items) {
    if (!item.separator && !item.submenu && item.id == id) return &item;
    if (item.submenu)
      if (MenuItem* found = item.submenu->find(id)) return found;
  }
  return nullptr;
}

int track_popup_menu(Window owner, const Menu& menu, Point screen) {
  const Backend& backend = current_backend();
  return backend.popup_menu ? backend.popup_menu(owner, menu, screen) : 0;
}

void message_box(Window owner, const std::u16string& text, const std::u16string& title,
                 MessageBoxIcon icon) {
  const Backend& backend = current_backend();
  if (backend.message_box) backend.message_box(owner, text, title, icon);
}

}  // namespace platform
