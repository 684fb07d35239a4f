#include "platform/gtk/settings_file.h"

#include <fcntl.h>
#include <glib.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <charconv>
#include <cstdlib>
#include <stdexcept>
#include <system_error>
#include <utility>
#include <vector>

namespace nivarra {
namespace {

namespace fs = std::filesystem;

// The settings are the user's own; a desktop entry is read by the session.
constexpr mode_t kSettingsMode = 0600;
constexpr mode_t kEntryMode = 0644;
// Comments and translated keys the user put in stay across saves.
constexpr GKeyFileFlags kKeepAll = static_cast<GKeyFileFlags>(G_KEY_FILE_KEEP_COMMENTS | G_KEY_FILE_KEEP_TRANSLATIONS);
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr const char* kEntryGroup = "Desktop Entry";
// How the header of files with typed values began; it explained that form.
constexpr std::string_view kTypedFileHeader = " Nivarra's settings, rewritten by the program.";
// Links followed before a path counts as a loop.
constexpr int kMaxLinks = 40;

// --- GLib's objects ----------------------------------------------------------------

struct KeyFileUnref {
  void operator()(GKeyFile* file) const noexcept { g_key_file_unref(file); }
};
using KeyFile = std::unique_ptr<GKeyFile, KeyFileUnref>;

// A GError out-parameter that frees what it receives.
struct ErrorSlot {
  GError* Error = nullptr;
  ErrorSlot() = default;
  ErrorSlot(const ErrorSlot&) = delete;
  ErrorSlot& operator=(const ErrorSlot&) = delete;
  ~ErrorSlot() {
    if (Error != nullptr) g_error_free(Error);
  }
  std::string Message() const { return Error != nullptr ? Error->message : "unknown error"; }
};

// GLib's string as ours (empty for null), freed.
std::string Take(gchar* text) {
  std::string taken = text != nullptr ? text : "";
  g_free(text);
  return taken;
}

std::string ToData(GKeyFile* file) {
  gsize size = 0;
  gchar* data = g_key_file_to_data(file, &size, nullptr);
  std::string text(data, size);
  g_free(data);
  return text;
}

// --- files -------------------------------------------------------------------------

// The whole file; nothing when it does not exist. Throws std::runtime_error
// (GLib's message names the file) when it exists but cannot be read.
std::optional<std::string> ReadFileText(const fs::path& path) {
  gchar* data = nullptr;
  gsize size = 0;
  ErrorSlot error;
  if (!g_file_get_contents(path.c_str(), &data, &size, &error.Error)) {
    if (g_error_matches(error.Error, G_FILE_ERROR, G_FILE_ERROR_NOENT)) return std::nullopt;
    throw std::runtime_error(error.Message());
  }
  std::string text(data, size);
  g_free(data);
  return text;
}

bool Parses(GKeyFile* file, std::string_view text, GKeyFileFlags flags, ErrorSlot& error) {
  return g_key_file_load_from_data(file, text.data(), text.size(), flags, &error.Error);
}

// The line at which a parse of text stops: the key file reads line by line,
// so the shortest run of whole lines that does not parse ends there.
std::size_t FailingLine(std::string_view text) {
  std::vector<std::size_t> lineEnds;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t newline = text.find('\n', at);
    at = newline == std::string_view::npos ? text.size() : newline + 1;
    lineEnds.push_back(at);
  }
  std::size_t good = 0, bad = lineEnds.size() - 1;  // the whole text does not parse
  while (good < bad) {
    const std::size_t middle = (good + bad) / 2;
    KeyFile probe(g_key_file_new());
    ErrorSlot error;
    if (Parses(probe.get(), text.substr(0, lineEnds[middle]), G_KEY_FILE_NONE, error)) {
      good = middle + 1;
    } else {
      bad = middle;
    }
  }
  return bad + 1;
}

// The key file in text, which may start with a UTF-8 byte-order mark (some
// editors write one). Throws std::runtime_error naming path and the line.
KeyFile ParseKeyFile(std::string_view text, const fs::path& path, GKeyFileFlags flags) {
  if (text.starts_with(kByteOrderMark)) text.remove_prefix(kByteOrderMark.size());
  KeyFile file(g_key_file_new());
  ErrorSlot error;
  if (!Parses(file.get(), text, flags, error)) {
    throw std::runtime_error(path.string() + ", line " + std::to_string(FailingLine(text)) + ": " + error.Message());
  }
  return file;
}

void MakeFolder(const fs::path& folder) {
  std::error_code error;
  fs::create_directories(folder, error);
  if (error) throw std::system_error(error, "cannot create " + folder.string());
}

// Where a write to path lands: the end of a chain of symbolic links (a
// settings file linked from a dotfiles folder stays linked), or path.
fs::path LinkTarget(fs::path path) {
  for (int i = 0; i < kMaxLinks; ++i) {
    std::error_code error;
    if (!fs::is_symlink(path, error)) return path;
    const fs::path link = fs::read_symlink(path, error);
    if (error) throw std::system_error(error, "cannot follow " + path.string());
    path = link.is_absolute() ? link : path.parent_path() / link;
  }
  throw std::system_error(std::make_error_code(std::errc::too_many_symbolic_link_levels), path.string());
}

// Replaces the file at path (or at the end of its links) in one atomic step
// that reaches the disk: a crash leaves the old file or the new one, never a
// mix. The new file keeps the old one's permissions, or gets mode.
void ReplaceFile(const fs::path& path, std::string_view contents, mode_t mode) {
  const fs::path target = LinkTarget(path);
  MakeFolder(target.parent_path());
  struct stat old {};
  if (::stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode)) mode = old.st_mode & 07777;
  ErrorSlot error;
  if (!g_file_set_contents_full(
          target.c_str(), contents.data(), static_cast<gssize>(contents.size()),
          static_cast<GFileSetContentsFlags>(G_FILE_SET_CONTENTS_CONSISTENT | G_FILE_SET_CONTENTS_DURABLE),
          static_cast<int>(mode), &error.Error)) {
    throw std::runtime_error(error.Message());
  }
}

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

constexpr std::string_view kBlanks = " \t";

std::string_view Trim(std::string_view text) {
  const auto first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

// What the key file reads back as the same name on a line of its own.
bool IsValidName(std::string_view name) {
  constexpr std::string_view kNever("=[]\r\n\0", 6);
  return !name.empty() && name.find_first_of(kNever) == std::string_view::npos && Trim(name) == name &&
         name.front() != '#';
}

bool IsValidGroup(std::string_view group) {
  for (const char c : group) {
    if (c == '[' || c == ']' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return false;
  }
  return !group.empty() && Trim(group) == group;
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
  throw std::invalid_argument("the settings file holds UTF-8 text without NUL characters only");
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

// --- desktop entries ---------------------------------------------------------------

// The Exec= value that runs program with no arguments, quoted as desktop
// entries want it (the key file adds its own escapes on top); and back.
std::string DesktopExecValue(std::string_view program) {
  constexpr std::string_view kReserved = " \t\n\"'\\><~|&;$*?#()`";
  std::string argument;
  const bool quoted = program.empty() || program.find_first_of(kReserved) != std::string_view::npos;
  if (quoted) argument += '"';
  for (const char c : program) {
    if (quoted && (c == '"' || c == '`' || c == '$' || c == '\\')) argument += '\\';
    if (c == '%') argument += '%';  // a literal percent sign, not a field code
    argument += c;
  }
  if (quoted) argument += '"';
  return argument;
}

std::optional<std::string> ProgramOfDesktopExec(std::string_view line) {
  std::string program;
  std::size_t i = line.find_first_not_of(' ');
  if (i == std::string_view::npos) return std::nullopt;
  const bool quoted = line[i] == '"';
  if (quoted) ++i;
  for (;; ++i) {
    if (i == line.size()) {
      if (quoted) return std::nullopt;  // no closing quote
      break;
    }
    char c = line[i];
    if (quoted && c == '"') break;
    if (!quoted && c == ' ') break;
    if (quoted && c == '\\') {
      if (++i == line.size()) return std::nullopt;
      c = line[i];
    } else if (c == '%') {
      if (i + 1 == line.size() || line[i + 1] != '%') return std::nullopt;  // a field code, no program
      ++i;
    }
    program += c;
  }
  return program;
}

// A yes or no of the entry; nothing when it is missing or not one.
std::optional<bool> EntryFlag(GKeyFile* entry, const char* key) {
  ErrorSlot error;
  const bool value = g_key_file_get_boolean(entry, kEntryGroup, key, &error.Error);
  if (error.Error != nullptr) return std::nullopt;
  return value;
}

}  // namespace

// --- paths -------------------------------------------------------------------------

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

SettingsLocation DefaultSettingsLocation() {
  const fs::path config = UserConfigHome();
  // The key and value the program writes to be started at login.
  return SettingsLocation{
      config / "nivarra" / "settings.ini",
      AutostartEntry{"Software\\Microsoft\\Windows\\CurrentVersion\\Run", "Nivarra",
                     config / "autostart" / "nivarra.desktop", "Nivarra", "nivarra"}};
}

// --- keys --------------------------------------------------------------------------

class SettingsFileStore::Key : public SettingsKey {
 public:
  Key(SettingsFileStore& store, std::string path, std::string group, KeyFile contents)
      : store_(store), path_(std::move(path)), group_(std::move(group)), contents_(std::move(contents)) {}

  bool ValueExists(std::string_view name) override { return ReadValue(name).has_value(); }

  std::optional<SettingValue> ReadValue(std::string_view name) override {
    if (IsAutostart(name)) return ReadAutostart();
    const std::string key(name);
    if (g_key_file_has_key(contents_.get(), group_.c_str(), key.c_str(), nullptr)) {
      return ReadPlain(contents_.get(), group_.c_str(), key.c_str());
    }
    if (HasTypedGroup() && g_key_file_has_key(contents_.get(), path_.c_str(), key.c_str(), nullptr)) {
      return ReadTyped(Take(g_key_file_get_value(contents_.get(), path_.c_str(), key.c_str(), nullptr)));
    }
    return std::nullopt;
  }

  void WriteInteger(std::string_view name, std::int32_t value) override { Set(name, std::to_string(value)); }
  void WriteBoolean(std::string_view name, bool value) override { Set(name, value ? "true" : "false"); }

  void WriteString(std::string_view name, std::string_view value) override {
    if (IsAutostart(name)) {
      WriteAutostart(value);
      return;
    }
    Set(name, PlainStringData(value));
  }

  void DeleteValue(std::string_view name) override {
    if (IsAutostart(name)) {
      // A switched-off entry already says "not at login"; it stays the user's.
      if (ReadAutostart() == std::nullopt) return;
      std::error_code error;
      fs::remove(store_.location_.Autostart->File, error);
      if (error) throw std::system_error(error, "cannot remove " + store_.location_.Autostart->File.string());
      return;
    }
    if (ReadValue(name) == std::nullopt) return;
    Change(name, std::nullopt);
  }

  // The file as it is now, with the changes since the last commit, written
  // once.
  void Commit() override {
    if (changes_.empty()) return;
    const fs::path& path = store_.location_.File;
    MakeFolder(path.parent_path());
    const FolderLock lock(path.parent_path());
    const std::optional<std::string> text = ReadFileText(path);
    KeyFile file = text ? ParseKeyFile(*text, path, kKeepAll) : KeyFile(g_key_file_new());
    MoveTypedValues(file.get());
    for (const auto& [name, data] : changes_) Apply(file.get(), name, data);
    ReplaceFile(path, ToData(file.get()), kSettingsMode);
    ++store_.filesWritten_;
    contents_ = std::move(file);
    changes_.clear();
  }

 private:
  using Data = std::optional<std::string>;  // nothing deletes the value

  bool IsAutostart(std::string_view name) const {
    const auto& autostart = store_.location_.Autostart;
    return autostart && path_ == autostart->KeyPath && name == autostart->ValueName;
  }
  // Files written before named the group by the whole path.
  bool HasTypedGroup() const { return path_ != group_; }

  void Set(std::string_view name, std::string data) {
    if (IsAutostart(name)) throw std::invalid_argument("the autostart entry holds a command, not a number");
    Change(name, std::move(data));
  }

  void Change(std::string_view name, Data data) {
    if (!IsValidName(name)) throw std::invalid_argument("a setting cannot be named \"" + std::string(name) + "\"");
    Apply(contents_.get(), std::string(name), data);  // the key reads its own writes
    changes_.emplace_back(std::string(name), std::move(data));
  }

  void Apply(GKeyFile* file, const std::string& name, const Data& data) const {
    if (HasTypedGroup()) g_key_file_remove_key(file, path_.c_str(), name.c_str(), nullptr);
    if (data) {
      g_key_file_set_value(file, group_.c_str(), name.c_str(), data->c_str());
    } else {
      g_key_file_remove_key(file, group_.c_str(), name.c_str(), nullptr);
    }
  }

  // The typed values of a file written before go into the key's group as
  // plain ones (a malformed one as it stood), with their comments; the old
  // group and the header that explained typed values go.
  void MoveTypedValues(GKeyFile* file) const {
    if (!HasTypedGroup() || !g_key_file_has_group(file, path_.c_str())) return;
    gchar** names = g_key_file_get_keys(file, path_.c_str(), nullptr, nullptr);
    for (gchar** name = names; name != nullptr && *name != nullptr; ++name) {
      if (g_key_file_has_key(file, group_.c_str(), *name, nullptr)) continue;
      std::string data = Take(g_key_file_get_value(file, path_.c_str(), *name, nullptr));
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
      g_key_file_set_value(file, group_.c_str(), *name, data.c_str());
      if (gchar* comment = g_key_file_get_comment(file, path_.c_str(), *name, nullptr)) {
        g_key_file_set_comment(file, group_.c_str(), *name, comment, nullptr);
        g_free(comment);
      }
    }
    g_strfreev(names);
    g_key_file_remove_group(file, path_.c_str(), nullptr);
    if (Take(g_key_file_get_comment(file, nullptr, nullptr, nullptr)).starts_with(kTypedFileHeader)) {
      g_key_file_remove_comment(file, nullptr, nullptr, nullptr);
    }
  }

  std::optional<SettingValue> ReadAutostart() const {
    const fs::path& path = store_.location_.Autostart->File;
    std::optional<std::string> text;
    KeyFile entry;
    try {
      text = ReadFileText(path);
      if (!text) return std::nullopt;
      entry = ParseKeyFile(*text, path, G_KEY_FILE_NONE);
    } catch (const std::runtime_error&) {
      return UnreadableSetting{};
    }
    // Switched off in the desktop's own settings, which keep the file to say so.
    if (EntryFlag(entry.get(), "Hidden") == true || EntryFlag(entry.get(), "X-GNOME-Autostart-enabled") == false) {
      return std::nullopt;
    }
    if (!g_key_file_has_key(entry.get(), kEntryGroup, "Exec", nullptr)) {
      return ForeignSetting{kUnknownSettingType, text->size()};
    }
    ErrorSlot error;
    const std::string exec = Take(g_key_file_get_string(entry.get(), kEntryGroup, "Exec", &error.Error));
    if (error.Error == nullptr) {
      if (auto program = ProgramOfDesktopExec(exec)) return std::move(*program);
    }
    return ForeignSetting{kMalformedStringType, exec.size()};
  }

  void WriteAutostart(std::string_view program) const {
    const AutostartEntry& autostart = *store_.location_.Autostart;
    KeyFile entry(g_key_file_new());
    g_key_file_set_string(entry.get(), kEntryGroup, "Type", "Application");
    g_key_file_set_string(entry.get(), kEntryGroup, "Name", autostart.Name.c_str());
    g_key_file_set_string(entry.get(), kEntryGroup, "Exec", DesktopExecValue(program).c_str());
    if (!autostart.Icon.empty()) g_key_file_set_string(entry.get(), kEntryGroup, "Icon", autostart.Icon.c_str());
    g_key_file_set_boolean(entry.get(), kEntryGroup, "Terminal", false);
    g_key_file_set_boolean(entry.get(), kEntryGroup, "X-GNOME-Autostart-enabled", true);
    g_key_file_set_boolean(entry.get(), kEntryGroup, "NoDisplay", false);
    ReplaceFile(autostart.File, ToData(entry.get()), kEntryMode);
  }

  SettingsFileStore& store_;
  const std::string path_;
  const std::string group_;
  KeyFile contents_;  // the file as last read or written, with the changes since
  std::vector<std::pair<std::string, Data>> changes_;
};

std::unique_ptr<SettingsKey> SettingsFileStore::OpenKey(std::string_view path, bool create) {
  lastError_.clear();
  while (!path.empty() && path.front() == '\\') path.remove_prefix(1);
  const std::string group(path.substr(path.rfind('\\') + 1));
  if (!IsValidGroup(path) || !IsValidGroup(group)) {
    lastError_ = "no settings key can be named \"" + std::string(path) + "\"";
    return nullptr;
  }
  try {
    const std::optional<std::string> text = ReadFileText(location_.File);
    KeyFile contents = text ? ParseKeyFile(*text, location_.File, kKeepAll) : KeyFile(g_key_file_new());
    const std::string fullPath(path);
    bool exists = g_key_file_has_group(contents.get(), group.c_str()) ||
                  g_key_file_has_group(contents.get(), fullPath.c_str());
    if (location_.Autostart && path == location_.Autostart->KeyPath) {
      std::error_code error;
      exists = exists || fs::exists(location_.Autostart->File, error);
    }
    // Like a registry key, a created key exists for its writes; the file
    // holds it from the first commit on.
    if (!exists && !create) return nullptr;
    return std::make_unique<Key>(*this, fullPath, group, std::move(contents));
  } catch (const std::exception& error) {
    lastError_ = error.what();
    return nullptr;
  }
}

}  // namespace nivarra
