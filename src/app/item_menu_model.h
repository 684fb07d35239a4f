#pragma once
// The popup menu of a layout's menu items as the desktop shows it, with the
// way back from the command number the desktop returns to the item.

#include <cstdint>
#include <vector>

#include "platform/menu_model.h"

namespace nivarra {

class TMenuItem;

struct ItemMenuModel : MenuModel {
  // Each entry's item, in the entries' order.
  std::vector<TMenuItem*> Items;

  // The item of a command number; null for 0 (nothing picked) or an
  // unknown number.
  TMenuItem* ItemForCommand(std::uint32_t command) const;
};

// The visible items below root; hidden items are left out with everything
// below them. An item with sub-items is a submenu, an item captioned "-" a
// separator.
ItemMenuModel BuildMenuModel(TMenuItem& root);

}  // namespace nivarra
