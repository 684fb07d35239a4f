#include "platform/windows_zones.h"

#include <algorithm>

namespace nivarra {

std::optional<WindowsZone> FindWindowsZone(std::string_view windows, std::string_view territory,
                                           const std::function<bool(std::string_view windows)>& keepsSameClock) {
  const auto zones = WindowsZones();
  const auto find = [&](std::string_view name, std::string_view country) -> std::optional<WindowsZone> {
    const auto found = std::ranges::find_if(
        zones, [&](const WindowsZone& zone) { return zone.Windows == name && zone.Territory == country; });
    if (found == zones.end()) return std::nullopt;
    return *found;
  };
  if (const auto own = find(windows, territory)) return own;
  if (!territory.empty()) {
    for (const WindowsZone& zone : zones) {
      if (zone.Territory == territory && zone.Windows != windows && keepsSameClock(zone.Windows)) return zone;
    }
  }
  return find(windows, "001");
}

}  // namespace nivarra
