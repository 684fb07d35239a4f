#pragma once
// A popup menu as the desktop builds it: the item tree flattened into
// entries in display order, each with the flags the system menu needs and,
// for commands, a number that leads back to the item. Nothing here talks
// to the window system.

#include <cstdint>
#include <string>
#include <vector>

namespace nivarra {

class TMenuItem;

enum class MenuEntryKind { Command, Separator, Submenu };

struct MenuEntry {
  MenuEntryKind Kind = MenuEntryKind::Command;
  // The submenu entry this one belongs to, or -1 for the top level.
  int Parent = -1;
  std::string Caption;
  // Commands count from 1 in display order; 0 for separators and submenus.
  std::uint32_t Command = 0;
  bool Checked = false;
  bool RadioCheck = false;  // a bullet instead of a tick
  bool Default = false;     // drawn bold; the one picked by a double click
  bool Enabled = true;
  TMenuItem* Item = nullptr;
};

struct MenuModel {
  // Depth first: a submenu entry comes right before its own entries.
  std::vector<MenuEntry> Entries;

  // The item of a command number; null for 0 (nothing picked) or an
  // unknown number.
  TMenuItem* ItemForCommand(std::uint32_t command) const;
};

// The visible items below root; hidden items are left out with everything
// below them. An item with sub-items is a submenu, an item captioned "-" a
// separator.
MenuModel BuildMenuModel(TMenuItem& root);

}  // namespace nivarra
