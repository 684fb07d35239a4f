#pragma once
// Starting with the session on the Linux desktop: the program's desktop
// entry in the folder the session reads at login. Switched on, the entry is
// written with the command; switched off, it is removed. It counts as on
// while the file is there, unless it says the user switched it off in the
// desktop's own settings (which keep the file to say so). Without the
// folder the desktop cannot tell.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "core/translation.h"
#include "platform/autostart.h"
#include "platform/settings_store.h"

namespace nivarra {

struct AutostartEntry {
  std::filesystem::path File;
  std::string Name;  // the entry's Name=
  std::string Icon;  // its Icon=, left out when empty
};

// Nivarra's: <config>/autostart/nivarra.desktop.
AutostartEntry DefaultAutostartEntry();

class AutostartEntryFile : public Autostart {
 public:
  // Switched on, the entry runs program.
  AutostartEntryFile(AutostartEntry entry, std::string program)
      : entry_(std::move(entry)), program_(std::move(program)) {}

  std::optional<bool> IsEnabled() override;
  void Enable() override { Write(program_); }
  void Disable() override;
  std::string Caption() override { return N_("Start Nivarra when I log in"); }

  // Writes the entry to run program, at once.
  void Write(std::string_view program);
  // What the entry runs: the program as a string, a ForeignSetting for an
  // entry that names none, UnreadableSetting for a file that cannot be
  // read; nothing without an entry or with one switched off.
  std::optional<SettingValue> Program() const;

 private:
  AutostartEntry entry_;
  std::string program_;
};

}  // namespace nivarra
