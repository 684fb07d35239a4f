#pragma once
// What a desktop hands back when the user picks an item from the globe's
// popup menu: the item's command number in the menu the program built.

#include <algorithm>
#include <cstdint>
#include <functional>

#include "app/globe_form.h"
#include "app/item_menu_model.h"
#include "layout/menus.h"

namespace nivarra::test {

// For HeadlessPlatform::SetMenuChoice: picks item, or nothing when the menu
// does not show it.
inline std::function<std::uint32_t(const MenuModel&)> Picking(TfrmMain& form, const TMenuItem* item) {
  return [&form, item](const MenuModel&) -> std::uint32_t {
    const ItemMenuModel menu = BuildMenuModel(form.PopupMenu->Items());
    const auto found = std::find(menu.Items.begin(), menu.Items.end(), item);
    if (found == menu.Items.end()) return 0;
    return menu.Entries[static_cast<std::size_t>(found - menu.Items.begin())].Command;
  };
}

}  // namespace nivarra::test
