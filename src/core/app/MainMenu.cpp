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

std::string MainMenu::HiddenNotice(const std::function<bool(const std::string&)>& shown,
                                   const std::string& productName) {
  // The optional commands in menu bar order, each with the chip description line that shows it.
  static constexpr std::pair<const char*, const char*> kOptional[] = {
      {"Memu_File", "#REGISTERTEST"},
      {"Menu_ReadAdc", "#ENOB"},
      {"Regist", "#CONTINUE"},
      {"Fluke1", "#FLUKE"},
      {"Power1", "#POWER"}};
  std::string captions, directives;
  for (const auto& [name, directive] : kOptional) {
    if (shown(name)) continue;
    const MenuItem* item = Find(name);
    const char* caption = item ? item->Caption : MenuCaption(name);
    captions += (captions.empty() ? "" : ", ") + std::string(caption);
    directives += (directives.empty() ? "" : ", ") + std::string(directive);
  }
  if (captions.empty()) return {};
  if (productName.empty()) return captions + " hidden: no chip description is loaded";
  return captions + " hidden: the chip description of " + productName + " has no " + directives +
         " line";
}

bool MainMenu::ScanApplies(uint16_t linkKind) {
  return linkKind == 1 || linkKind == 2 || linkKind == 4 || linkKind == 5;
}

}  // namespace qx::app
