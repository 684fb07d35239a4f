#include "app/item_menu_model.h"

#include <algorithm>

#include "core/translation.h"
#include "layout/menus.h"

namespace nivarra {

namespace {

void AddItems(ItemMenuModel& model, TMenuItem& parentItem, int parentEntry, std::uint32_t& nextCommand) {
  for (int i = 0; i < parentItem.Count(); ++i) {
    TMenuItem& item = *parentItem.Item(i);
    if (!item.Visible()) continue;
    MenuEntry entry;
    entry.Parent = parentEntry;
    if (item.IsSeparator()) {
      entry.Kind = MenuEntryKind::Separator;
    } else {
      entry.Kind = item.Count() > 0 ? MenuEntryKind::Submenu : MenuEntryKind::Command;
      entry.Caption = Translate(item.Caption());
      entry.Checked = item.Checked();
      entry.RadioCheck = item.RadioItem();
      entry.AutoCheck = item.AutoCheck();
      entry.Default = item.Default();
      entry.Enabled = item.Enabled();
      if (entry.Kind == MenuEntryKind::Command) entry.Command = nextCommand++;
    }
    const bool submenu = entry.Kind == MenuEntryKind::Submenu;
    model.Entries.push_back(std::move(entry));
    model.Items.push_back(&item);
    if (submenu) AddItems(model, item, static_cast<int>(model.Entries.size()) - 1, nextCommand);
  }
}

}  // namespace

TMenuItem* ItemMenuModel::ItemForCommand(std::uint32_t command) const {
  if (command == 0) return nullptr;
  const auto it = std::find_if(Entries.begin(), Entries.end(),
                               [command](const MenuEntry& e) { return e.Command == command; });
  return it == Entries.end() ? nullptr : Items[static_cast<std::size_t>(it - Entries.begin())];
}

ItemMenuModel BuildMenuModel(TMenuItem& root) {
  ItemMenuModel model;
  std::uint32_t nextCommand = 1;
  AddItems(model, root, -1, nextCommand);
  return model;
}

}  // namespace nivarra
