#pragma once
// Where the globe keeps what the user set: the program's own values, read
// and written by name. Each desktop decides where they live (the registry,
// a file in the user's configuration folder, memory).

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

namespace nivarra {

// A stored value of a kind the globe never writes (binary data, a 64-bit
// number, ...): Type is the store's own type code, Size the data's length.
struct ForeignSetting {
  std::uint32_t Type = 0;
  std::size_t Size = 0;
  friend bool operator==(const ForeignSetting&, const ForeignSetting&) = default;
};
// A value that exists but whose data could not be read.
struct UnreadableSetting {
  friend bool operator==(const UnreadableSetting&, const UnreadableSetting&) = default;
};

// A stored setting: a 32-bit integer or a string, or what a value of
// another kind reads as.
using SettingValue = std::variant<std::int32_t, std::string, ForeignSetting, UnreadableSetting>;

// What went wrong with the settings store: the system's reason, in its
// words without a full stop at the end, and where (a file, a registry key).
struct SettingsProblem {
  std::string Reason;
  std::string Place;
  friend bool operator==(const SettingsProblem&, const SettingsProblem&) = default;
};

// The store refused to read or write: raised by the settings' writes,
// deletes and Commit.
class SettingsStoreError : public std::runtime_error {
 public:
  explicit SettingsStoreError(SettingsProblem problem)
      : std::runtime_error(problem.Place + ": " + problem.Reason), problem_(std::move(problem)) {}
  const SettingsProblem& Problem() const noexcept { return problem_; }

 private:
  SettingsProblem problem_;
};

// The program's settings, open (closed when destroyed). Writes, deletes
// and Commit raise SettingsStoreError when the store refuses them,
// std::invalid_argument for a name or value it cannot hold.
class SettingsKey {
 public:
  virtual ~SettingsKey() = default;
  virtual bool ValueExists(std::string_view name) = 0;
  // The value, or nothing when it is missing.
  virtual std::optional<SettingValue> ReadValue(std::string_view name) = 0;
  virtual void WriteInteger(std::string_view name, std::int32_t value) = 0;
  virtual void WriteString(std::string_view name, std::string_view value) = 0;
  // A yes or no, as a store that has them writes it; 1 or 0 otherwise. It
  // reads back as 1 or 0.
  virtual void WriteBoolean(std::string_view name, bool value) { WriteInteger(name, value ? 1 : 0); }
  // A missing value is no error.
  virtual void DeleteValue(std::string_view name) = 0;
  // Makes the writes so far last. A store may hold them back until then, so
  // that a save is one change of what is stored; one that writes at once has
  // nothing to do.
  virtual void Commit() {}
};

class SettingsStore {
 public:
  virtual ~SettingsStore() = default;
  // The program's settings; null when they cannot be opened (or, with
  // create, created).
  virtual std::unique_ptr<SettingsKey> OpenSettings(bool create) = 0;
  // Why the last OpenSettings gave nothing when the store failed (a file
  // that cannot be read, a registry that refuses); nothing when the
  // settings are only missing.
  virtual std::optional<SettingsProblem> LastProblem() { return std::nullopt; }
  // Where the user finds the settings (a file, a registry key) for messages
  // about them; empty says nothing.
  virtual std::string Place() { return {}; }
};

}  // namespace nivarra
