#pragma once
// The settings store of the Linux desktop: one INI file in the user's
// configuration folder, read and written with GLib's key file.
//
// settings.ini holds plain values in the program's group:
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
// \xHH escapes) in the group [Software\Nivarra]; they still read, and the
// next save writes them in the plain form.
//
// The settings' writes wait for Commit, which reads the file again, changes it
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

#include "platform/settings_store.h"

namespace nivarra {

// ForeignSetting::Type of a value the store cannot read as its type says:
// an old typed value of an unknown type, or int or str data that is
// malformed.
inline constexpr std::uint32_t kUnknownSettingType = 0;
inline constexpr std::uint32_t kMalformedIntegerType = 1;
inline constexpr std::uint32_t kMalformedStringType = 2;

// The user's configuration folder: $XDG_CONFIG_HOME when it is an absolute
// path, otherwise ~/.config.
std::filesystem::path UserConfigHome();

// Nivarra's: <config>/nivarra/settings.ini.
std::filesystem::path DefaultSettingsFile();

class SettingsFileStore : public SettingsStore {
 public:
  explicit SettingsFileStore(std::filesystem::path file) : file_(std::move(file)) {}

  // The program's group with the values the file has now. Null when there
  // is none and create is false, or when the file cannot be read or parsed
  // (LastProblem() then says why, for a parse error with the line, and
  // names the file). The settings must not outlive their store; their
  // writes raise SettingsStoreError.
  std::unique_ptr<SettingsKey> OpenSettings(bool create) override;
  std::optional<SettingsProblem> LastProblem() override { return lastProblem_; }
  std::string Place() override { return file_.string(); }
  const std::filesystem::path& File() const { return file_; }
  // How many times the settings file was replaced.
  int FilesWritten() const { return filesWritten_; }

 private:
  class Key;
  std::filesystem::path file_;
  std::optional<SettingsProblem> lastProblem_;
  int filesWritten_ = 0;
};

}  // namespace nivarra
