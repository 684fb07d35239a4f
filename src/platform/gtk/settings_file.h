#pragma once
// The settings store of the Linux desktop: one INI file in the user's
// configuration folder, read and written with GLib's key file, and the
// program's autostart entry as a desktop entry file in the folder the
// session reads at login.
//
// settings.ini holds plain values, one group per key, named by what follows
// the last backslash of its path:
//
//   [Nivarra]
//   # kept across saves, like any value the program does not know
//   Left=975
//   OnTop=true
//
// A value reads by what it holds: a decimal 32-bit number as an integer,
// true or false as 1 or 0, anything else as a string (with the key file's
// escapes; one in double quotes is the text inside them). Files written
// before held typed values (Left=int:975, Note=str:text with \\ \n \r \t
// \xHH escapes) in a group named by the whole path ([Software\Nivarra]);
// they still read, and the next save writes them in the plain form.
//
// A key's writes wait for Commit, which reads the file again, changes it
// and replaces it in one atomic step (a temporary file, synced, renamed
// over it), through a symbolic link to its target; when nothing in it
// changes, it is left alone. Comments (lines starting with '#' or ';'),
// blank lines and other groups stay. A file that cannot be read or parsed
// is never replaced: the user may be halfway through editing it. Nor is
// one without write permission: the user wants it as it is.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace nivarra {

// ForeignSetting::Type of a value the store cannot read as its type says:
// an old typed value of an unknown type, or int or str data that is
// malformed.
inline constexpr std::uint32_t kUnknownSettingType = 0;
inline constexpr std::uint32_t kMalformedIntegerType = 1;
inline constexpr std::uint32_t kMalformedStringType = 2;

// The program's entry in the session's autostart folder: the value
// ValueName of the key KeyPath, which exists with the folder. Writing a
// string to it writes the desktop entry File with the string as the
// command, at once; deleting it removes the file; it exists while the file
// does, unless the file says the user switched it off.
struct AutostartEntry {
  std::string KeyPath;
  std::string ValueName;
  std::filesystem::path File;
  std::string Name;  // the entry's Name=
  std::string Icon;  // its Icon=, left out when empty
};

struct SettingsLocation {
  std::filesystem::path File;
  std::optional<AutostartEntry> Autostart;
};

// The user's configuration folder: $XDG_CONFIG_HOME when it is an absolute
// path, otherwise ~/.config.
std::filesystem::path UserConfigHome();

// Nivarra's: <config>/nivarra/settings.ini, and the Run key's value
// "Nivarra" as <config>/autostart/nivarra.desktop.
SettingsLocation DefaultSettingsLocation();

class SettingsFileStore {
 public:
  explicit SettingsFileStore(SettingsLocation location) : location_(std::move(location)) {}

  // The key at path (leading backslashes are ignored), with the values the
  // file has now. Null when the key does not exist and create is false, or
  // when the file cannot be read or parsed (LastProblem() then says why,
  // for a parse error with the line, and names the file). A key must not
  // outlive its store; its writes raise SettingsStoreError.
  std::unique_ptr<SettingsKey> OpenKey(std::string_view path, bool create);
  const std::optional<SettingsProblem>& LastProblem() const { return lastProblem_; }
  const SettingsLocation& Location() const { return location_; }
  // How many times the settings file was replaced.
  int FilesWritten() const { return filesWritten_; }

 private:
  class Key;
  SettingsLocation location_;
  std::optional<SettingsProblem> lastProblem_;
  int filesWritten_ = 0;
};

}  // namespace nivarra
