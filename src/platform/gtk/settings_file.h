#pragma once
// The settings store of the Linux desktop: one small INI file in the user's
// configuration folder, one [section] per key path, and the program's
// autostart entry as a desktop entry file in the folder the session reads
// at login.
//
// settings.ini holds lines like
//
//   [Software\Nivarra]
//   Left=int:975
//   Note=str:two\nlines with a \\ backslash
//
// A value is name=type:data. "int" data is a signed 32-bit decimal number;
// "str" data is text in which a backslash starts an escape: \\ \n \r \t,
// or \xHH for any byte. Anything else (another type, a number out of range,
// a bad escape) is left as it is and reads as a value of a foreign kind.
// Key paths and names are written as they are: a path cannot hold a line
// break; a name cannot hold '=' or a line break, start with '[', '#' or ';'
// or begin or end with a blank. Lines starting with '#' or ';' are comments.
// Values keep the order in which they were first written.
//
// Every change reads the file again, changes it and writes it whole into a
// temporary file in the same folder, which is flushed to the disk and then
// renamed over the old file: a crash leaves the old file or the new one,
// never a mix. The folder is created when missing. Comments and lines that
// are not settings are not kept.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace nivarra {

// ForeignSetting::Type of a value the store cannot read as its type says:
// an unknown type (or none), or int or str data that is malformed.
inline constexpr std::uint32_t kUnknownSettingType = 0;
inline constexpr std::uint32_t kMalformedIntegerType = 1;
inline constexpr std::uint32_t kMalformedStringType = 2;

// The program's entry in the session's autostart folder: the value
// ValueName of the key KeyPath. Writing a string to it writes the desktop
// entry File with the string as the command; deleting it removes the file;
// it exists while the file does.
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

// The command line of a desktop entry's Exec= key that runs program with no
// arguments, quoted and escaped as desktop entries want it; and back (the
// first argument of such a line). Nothing when the line cannot be parsed.
std::string DesktopExecLine(std::string_view program);
std::optional<std::string> ProgramOfDesktopExecLine(std::string_view execLine);

class SettingsFileStore {
 public:
  explicit SettingsFileStore(SettingsLocation location) : location_(std::move(location)) {}

  // The key at path (leading backslashes are ignored), with the values it
  // has now; its writes go to the file at once. Null when the key does not
  // exist and create is false, when the file cannot be read, or when the
  // key cannot be added to the file; in the last two cases LastError()
  // says why.
  std::unique_ptr<SettingsKey> OpenKey(std::string_view path, bool create);
  const std::string& LastError() const { return lastError_; }
  const SettingsLocation& Location() const { return location_; }

 private:
  class Key;
  SettingsLocation location_;
  std::string lastError_;
};

}  // namespace nivarra
