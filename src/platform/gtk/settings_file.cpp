#include "platform/gtk/settings_file.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <unistd.h>

#include <charconv>
#include <cstdlib>
#include <stdexcept>
#include <utility>
#include <vector>

#include "core/translation.h"
#include "platform/gtk/key_file.h"

namespace nivarra {
namespace {

namespace fs = std::filesystem;

// The settings are the user's own.
constexpr mode_t kSettingsMode = 0600;
// Comments and translated keys the user put in stay across saves.
constexpr GKeyFileFlags kKeepAll = static_cast<GKeyFileFlags>(G_KEY_FILE_KEEP_COMMENTS | G_KEY_FILE_KEEP_TRANSLATIONS);
// The program's group, and the one files with typed values used.
constexpr const char* kGroup = "Nivarra";
constexpr const char* kTypedGroup = "Software\\Nivarra";
// How the header of files with typed values began; it explained that form.
constexpr std::string_view kTypedFileHeader = " Nivarra's settings, rewritten by the program.";

// The folder locked while this lives, so that two globes saving at once
// each change the file the other wrote (unlocked where the file system
// has no locks).
class FolderLock {
 public:
  explicit FolderLock(const fs::path& folder) : fd_(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
    if (fd_ >= 0) ::flock(fd_, LOCK_EX);
  }
  ~FolderLock() {
    if (fd_ >= 0) ::close(fd_);
  }
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

 private:
  int fd_;
};

// --- names -------------------------------------------------------------------------

// What the key file reads back as the same name on a line of its own.
bool IsValidName(std::string_view name) {
  constexpr std::string_view kNever("=[]\r\n\0", 6);
  return !name.empty() && name.find_first_of(kNever) == std::string_view::npos && Trim(name) == name &&
         name.front() != '#' && name.front() != ';';
}

// --- values ------------------------------------------------------------------------

std::optional<std::int32_t> DecimalInteger(std::string_view digits) {
  std::int32_t number = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
  if (digits.empty() || error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  return number;
}

// A plain value by what it holds.
SettingValue ReadPlain(GKeyFile* file, const char* group, const char* name) {
  const std::string raw = Take(g_key_file_get_value(file, group, name, nullptr));
  const std::string_view data = Trim(raw);
  if (const auto number = DecimalInteger(data)) return *number;
  if (data == "true") return 1;
  if (data == "false") return 0;
  ErrorSlot error;
  std::string text = Take(g_key_file_get_string(file, group, name, &error.Error));
  if (error.Error != nullptr) return UnreadableSetting{};  // a bad escape, text that is not UTF-8
  if (text.size() >= 2 && text.front() == '"' && text.back() == '"') return text.substr(1, text.size() - 2);
  return text;
}

// The data of a string value that reads back as that string: in double
// quotes when it would otherwise read as a number, a yes or no, or other
// quoted text.
std::string PlainStringData(std::string_view value) {
  const SettingValue wanted{std::string(value)};
  KeyFile scratch(g_key_file_new());
  for (const std::string& text : {std::string(value), '"' + std::string(value) + '"'}) {
    g_key_file_set_string(scratch.get(), "g", "k", text.c_str());
    if (ReadPlain(scratch.get(), "g", "k") == wanted) return Take(g_key_file_get_value(scratch.get(), "g", "k", nullptr));
  }
  throw std::invalid_argument(
      Translate("the settings file holds UTF-8 text without NUL characters only"));
}

// --- the typed values of files written before ---------------------------------------

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::optional<std::string> DecodeTypedString(std::string_view data) {
  std::string value;
  for (std::size_t i = 0; i < data.size(); ++i) {
    if (data[i] != '\\') {
      value += data[i];
      continue;
    }
    if (++i == data.size()) return std::nullopt;
    switch (data[i]) {
      case '\\': value += '\\'; break;
      case 'n': value += '\n'; break;
      case 'r': value += '\r'; break;
      case 't': value += '\t'; break;
      case 'x': {
        if (i + 2 >= data.size()) return std::nullopt;
        const int high = HexDigit(data[i + 1]);
        const int low = HexDigit(data[i + 2]);
        if (high < 0 || low < 0) return std::nullopt;
        value += static_cast<char>(high * 16 + low);
        i += 2;
        break;
      }
      default:
        return std::nullopt;
    }
  }
  return value;
}

// "int:975", "str:text"; anything else reads as a value of a foreign kind.
SettingValue ReadTyped(std::string_view data) {
  const std::size_t colon = data.find(':');
  const std::string_view type = colon == std::string_view::npos ? std::string_view() : data.substr(0, colon);
  const std::string_view payload = colon == std::string_view::npos ? data : data.substr(colon + 1);
  if (type == "int") {
    if (const auto number = DecimalInteger(Trim(payload))) return *number;
    return ForeignSetting{kMalformedIntegerType, payload.size()};
  }
  if (type == "str") {
    if (auto text = DecodeTypedString(payload)) return std::move(*text);
    return ForeignSetting{kMalformedStringType, payload.size()};
  }
  return ForeignSetting{kUnknownSettingType, data.size()};
}

}  // namespace

fs::path UserConfigHome() {
  const char* configured = std::getenv("XDG_CONFIG_HOME");
  if (configured != nullptr && configured[0] == '/') return configured;
  const char* home = std::getenv("HOME");
  if (home == nullptr || home[0] == '\0') {
    const passwd* user = ::getpwuid(::getuid());
    home = user != nullptr ? user->pw_dir : "/";
  }
  return fs::path(home) / ".config";
}

fs::path DefaultSettingsFile() { return UserConfigHome() / "nivarra" / "settings.ini"; }

// --- keys --------------------------------------------------------------------------

class SettingsFileStore::Key : public SettingsKey {
 public:
  Key(SettingsFileStore& store, KeyFile contents) : store_(store), contents_(std::move(contents)) {}

  bool ValueExists(std::string_view name) override { return ReadValue(name).has_value(); }

  std::optional<SettingValue> ReadValue(std::string_view name) override {
    const std::string key(name);
    if (g_key_file_has_key(contents_.get(), kGroup, key.c_str(), nullptr)) {
      return ReadPlain(contents_.get(), kGroup, key.c_str());
    }
    if (g_key_file_has_key(contents_.get(), kTypedGroup, key.c_str(), nullptr)) {
      return ReadTyped(Take(g_key_file_get_value(contents_.get(), kTypedGroup, key.c_str(), nullptr)));
    }
    return std::nullopt;
  }

  void WriteInteger(std::string_view name, std::int32_t value) override { Set(name, std::to_string(value)); }
  void WriteBoolean(std::string_view name, bool value) override { Set(name, value ? "true" : "false"); }

  void WriteString(std::string_view name, std::string_view value) override { Set(name, PlainStringData(value)); }

  void DeleteValue(std::string_view name) override {
    if (ReadValue(name) == std::nullopt) return;
    Change(name, std::nullopt);
  }

  // The file as it is now, with the changes since the last commit, written
  // once.
  void Commit() override {
    if (changes_.empty()) return;
    const fs::path& path = store_.file_;
    MakeFolder(path.parent_path());
    const FolderLock lock(path.parent_path());
    const std::optional<std::string> text = ReadFileText(path);
    KeyFile file = text ? ParseKeyFile(*text, path, kKeepAll) : KeyFile(g_key_file_new());
    MoveTypedValues(file.get());
    for (const auto& [name, data] : changes_) Apply(file.get(), name, data);
    // Values saved as they stand leave the file alone (a read-only one too).
    if (std::string data = ToData(file.get()); data != text) {
      ReplaceFile(path, data, kSettingsMode);
      ++store_.filesWritten_;
    }
    contents_ = std::move(file);
    changes_.clear();
  }

 private:
  using Data = std::optional<std::string>;  // nothing deletes the value

  void Set(std::string_view name, std::string data) { Change(name, std::move(data)); }

  void Change(std::string_view name, Data data) {
    if (!IsValidName(name)) throw std::invalid_argument("a setting cannot be named \"" + std::string(name) + "\"");
    Apply(contents_.get(), std::string(name), data);  // the key reads its own writes
    changes_.emplace_back(std::string(name), std::move(data));
  }

  void Apply(GKeyFile* file, const std::string& name, const Data& data) const {
    g_key_file_remove_key(file, kTypedGroup, name.c_str(), nullptr);
    if (data) {
      g_key_file_set_value(file, kGroup, name.c_str(), data->c_str());
    } else {
      g_key_file_remove_key(file, kGroup, name.c_str(), nullptr);
    }
  }

  // The typed values of a file written before go into the key's group as
  // plain ones (a malformed one as it stood), with their comments; the old
  // group and the header that explained typed values go.
  void MoveTypedValues(GKeyFile* file) const {
    if (!g_key_file_has_group(file, kTypedGroup)) return;
    gchar** names = g_key_file_get_keys(file, kTypedGroup, nullptr, nullptr);
    for (gchar** name = names; name != nullptr && *name != nullptr; ++name) {
      if (g_key_file_has_key(file, kGroup, *name, nullptr)) continue;
      std::string data = Take(g_key_file_get_value(file, kTypedGroup, *name, nullptr));
      const SettingValue value = ReadTyped(data);
      if (const auto* number = std::get_if<std::int32_t>(&value)) {
        data = std::to_string(*number);
      } else if (const auto* text = std::get_if<std::string>(&value)) {
        try {
          data = PlainStringData(*text);
        } catch (const std::invalid_argument&) {
          // kept as it stood: it reads as a string now, of another kind
        }
      }
      g_key_file_set_value(file, kGroup, *name, data.c_str());
      if (gchar* comment = g_key_file_get_comment(file, kTypedGroup, *name, nullptr)) {
        g_key_file_set_comment(file, kGroup, *name, comment, nullptr);
        g_free(comment);
      }
    }
    g_strfreev(names);
    g_key_file_remove_group(file, kTypedGroup, nullptr);
    if (Take(g_key_file_get_comment(file, nullptr, nullptr, nullptr)).starts_with(kTypedFileHeader)) {
      g_key_file_remove_comment(file, nullptr, nullptr, nullptr);
    }
  }

  SettingsFileStore& store_;
  KeyFile contents_;  // the file as last read or written, with the changes since
  std::vector<std::pair<std::string, Data>> changes_;
};

std::unique_ptr<SettingsKey> SettingsFileStore::OpenSettings(bool create) {
  lastProblem_.reset();
  try {
    const std::optional<std::string> text = ReadFileText(file_);
    KeyFile contents = text ? ParseKeyFile(*text, file_, kKeepAll) : KeyFile(g_key_file_new());
    const bool exists = g_key_file_has_group(contents.get(), kGroup) || g_key_file_has_group(contents.get(), kTypedGroup);
    // Like a registry key, created settings exist for their writes; the
    // file holds them from the first commit on.
    if (!exists && !create) return nullptr;
    return std::make_unique<Key>(*this, std::move(contents));
  } catch (const SettingsStoreError& error) {
    lastProblem_ = error.Problem();
    return nullptr;
  } catch (const std::exception& error) {
    lastProblem_ = SettingsProblem{error.what(), file_.string()};
    return nullptr;
  }
}

}  // namespace nivarra
