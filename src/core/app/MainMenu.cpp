#include "core/app/MainMenu.h"

namespace qx::app {

MainMenu::MainMenu() {
  for (const MenuItem& item : kItems) visible_[item.ObjectName] = item.Visible;
}

const MenuItem* MainMenu::Find(const std::string& objectName) {
  for (const MenuItem& item : kItems)
    if (objectName == item.ObjectName) return &item;
  return nullptr;
}

const char* MainMenu::MenuCaption(const std::string& objectName) {
  for (const MenuHeading& menu : kMenus)
    if (objectName == menu.ObjectName) return menu.Caption;
  return nullptr;
}

bool MainMenu::IsVisible(const std::string& objectName) const {
  const auto it = visible_.find(objectName);
  if (it == visible_.end()) return false;
  return it->second || revealed_.count(objectName) > 0;
}

bool MainMenu::Reveal(const std::string& objectName) {
  if (!visible_.count(objectName)) return false;
  revealed_[objectName] = true;
  return true;
}

bool MainMenu::SetVisible(const std::string& objectName, bool visible) {
  const auto it = visible_.find(objectName);
  if (it == visible_.end()) return false;
  it->second = visible;
  return true;
}

bool MainMenu::ScanApplies(uint16_t linkKind) {
  return linkKind == 1 || linkKind == 2 || linkKind == 4 || linkKind == 5;
}

}  // namespace qx::app
