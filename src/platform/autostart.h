#pragma once
// Whether the globe starts with the user's session, as the desktop keeps it.

#include <optional>
#include <string>

namespace nivarra {

class Autostart {
 public:
  virtual ~Autostart() = default;
  // Whether this program starts with the session; nothing when the desktop
  // cannot tell (the place that says so is missing or cannot be opened).
  virtual std::optional<bool> IsEnabled() = 0;
  // Starting with the session on or off. A refusal raises
  // SettingsStoreError, with why and where.
  virtual void Enable() = 0;
  virtual void Disable() = 0;
  // The caption of the menu item in this desktop's words; empty keeps the
  // layout's.
  virtual std::string Caption() { return {}; }
};

}  // namespace nivarra
