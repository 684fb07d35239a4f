#pragma once
// Starting with the session on Windows: the value "Nivarra" of the user's
// Run key (HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Run),
// which holds the program's command line.

#include <optional>

#include "platform/autostart.h"
#include "platform/settings_store.h"

namespace nivarra {

class RunKeyAutostart : public Autostart {
 public:
  // Nothing when the Run key is missing or cannot be opened.
  std::optional<bool> IsEnabled() override;
  // Writes the program's path in quotes: a command line, where a path with
  // spaces unquoted could start another program.
  void Enable() override;
  void Disable() override;

 private:
  std::optional<SettingsProblem> problem_;
};

}  // namespace nivarra
