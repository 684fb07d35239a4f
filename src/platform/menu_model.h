#pragma once
// A popup menu as the desktop shows it: entries in display order, each with
// the flags the system menu needs and, for commands, the number the desktop
// hands back when the user picks it. Plain data: the program builds it from
// its own menu items and maps the number back to the item.

#include <cstdint>
#include <string>
#include <vector>

namespace nivarra {

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
  bool AutoCheck = false;   // ticks itself when picked: a check item even while unticked
  bool Default = false;     // drawn bold; the one picked by a double click
  bool Enabled = true;
};

struct MenuModel {
  // Depth first: a submenu entry comes right before its own entries.
  std::vector<MenuEntry> Entries;
};

}  // namespace nivarra
