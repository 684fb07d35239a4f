#include "platform/gtk/settings_file.h"

#include <fcntl.h>
#include <glib.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <stdexcept>
#include <system_error>
#include <utility>
#include <vector>

#include "core/translation.h"

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
// A settings file is a few hundred bytes; anything near this is not one.
constexpr std::size_t kMaxFileBytes = 1 << 20;
// What a line that starts with ';' (the comment sign of most INI files)
// becomes for the key file, which knows only '#', and back when written.
constexpr std::string_view kSemicolonComment = "#\x7F";
// How much of a line that cannot be read a message quotes.
constexpr std::size_t kQuotedLineBytes = 40;

constexpr std::string_view kBlanks = " \t";

std::string_view Trim(std::string_view text) {
  const auto first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

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
  std::string Message() const { return Error != nullptr ? Error->message : Translate("unknown error"); }
};

// GLib's string as ours (empty for null), freed.
std::string Take(gchar* text) {
  std::string taken = text != nullptr ? text : "";
  g_free(text);
  return taken;
}

// Calls each(line) for every line of text, without its line break.
template <class Each>
void ForEachLine(std::string_view text, Each each) {
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t newline = text.find('\n', at);
    const std::size_t end = newline == std::string_view::npos ? text.size() : newline;
    each(text.substr(at, end - at));
    at = end + 1;
  }
}

// The key file's text, with the lines that were ';' comments as they were.
std::string ToData(GKeyFile* file) {
  gsize size = 0;
  gchar* data = g_key_file_to_data(file, &size, nullptr);
  std::string text;
  ForEachLine(std::string_view(data, size), [&](std::string_view line) {
    if (line.starts_with(kSemicolonComment)) line.remove_prefix(kSemicolonComment.size());
    text.append(line).push_back('\n');
  });
  g_free(data);
  return text;
}

// --- files -------------------------------------------------------------------------

// A file descriptor closed when this goes.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }
  // Closes it now; the error number of a close that failed, or 0.
  int Close() {
    const int result = ::close(std::exchange(fd_, -1));
    return result == 0 ? 0 : errno;
  }

 private:
  int fd_;
};

[[noreturn]] void Fail(int error, const fs::path& place) {
  throw SettingsStoreError(SettingsProblem{g_strerror(error), place.string()});
}

// The whole file; nothing when it does not exist. Anything else that keeps
// it from being read raises SettingsStoreError.
std::optional<std::string> ReadFileText(const fs::path& path) {
  // Not blocking: a named pipe in the file's place would hold the globe up.
  const Descriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (file.get() < 0) {
    if (errno == ENOENT) return std::nullopt;
    Fail(errno, path);
  }
  struct stat info {};
  if (::fstat(file.get(), &info) != 0) Fail(errno, path);
  if (S_ISDIR(info.st_mode)) Fail(EISDIR, path);
  if (!S_ISREG(info.st_mode)) {
    throw SettingsStoreError(SettingsProblem{Translate("it is not a plain file"), path.string()});
  }
  std::string text;
  char buffer[4096];
  for (;;) {
    const ssize_t got = ::read(file.get(), buffer, sizeof buffer);
    if (got == 0) break;
    if (got < 0) {
      if (errno == EINTR) continue;
      Fail(errno, path);
    }
    text.append(buffer, static_cast<std::size_t>(got));
    if (text.size() > kMaxFileBytes) {
      throw SettingsStoreError(
          SettingsProblem{Translate("it is larger than a settings file can be (1 MiB)"), path.string()});
    }
  }
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

// What is wrong with line number (from 1) of text, in plain words.
std::string LineProblem(std::string_view text, std::size_t number) {
  std::string_view line;
  bool groupBefore = false;
  std::size_t at = 0;
  ForEachLine(text, [&](std::string_view each) {
    ++at;
    if (at < number && Trim(each).starts_with('[')) groupBefore = true;
    if (at == number) line = each;
  });
  if (line.ends_with('\r')) line.remove_suffix(1);
  const std::string where = std::to_string(number);
  if (!g_utf8_validate(line.data(), static_cast<gssize>(line.size()), nullptr)) {
    return FillIn(Translate("line %s is not UTF-8 text"), where);
  }
  if (!groupBefore && line.find('=') != std::string_view::npos) {
    return FillIn(Translate("line %s comes before the first [group] heading"), where);
  }
  std::string quoted(line.substr(0, kQuotedLineBytes));
  if (quoted.size() < line.size()) {
    while (!quoted.empty() && (static_cast<unsigned char>(quoted.back()) & 0xC0) == 0x80) quoted.pop_back();
    if (!quoted.empty() && static_cast<unsigned char>(quoted.back()) >= 0xC0) quoted.pop_back();
    quoted += "\u2026";
  }
  return FillIn(Translate("line %s (“%s”) is not a setting (Name=value), a [group] heading or a comment"),
                {where, quoted});
}

// The key file in text, which may start with a UTF-8 byte-order mark (some
// editors write one) and have ';' comments. Raises SettingsStoreError
// naming the line that cannot be read.
KeyFile ParseKeyFile(std::string_view original, const fs::path& path, GKeyFileFlags flags) {
  if (original.starts_with(kByteOrderMark)) original.remove_prefix(kByteOrderMark.size());
  std::string text;
  ForEachLine(original, [&](std::string_view line) {
    if (Trim(line).starts_with(';')) text += kSemicolonComment;
    text.append(line).push_back('\n');
  });
  KeyFile file(g_key_file_new());
  ErrorSlot error;
  if (!Parses(file.get(), text, flags, error)) {
    throw SettingsStoreError(SettingsProblem{LineProblem(text, FailingLine(text)), path.string()});
  }
  return file;
}

void MakeFolder(const fs::path& folder) {
  std::error_code error;
  fs::create_directories(folder, error);
  if (error) throw SettingsStoreError(SettingsProblem{error.message(), folder.string()});
}

// Where a write to path lands: the end of a chain of symbolic links (a
// settings file linked from a dotfiles folder stays linked), or path.
fs::path LinkTarget(fs::path path) {
  for (int i = 0; i < kMaxLinks; ++i) {
    std::error_code error;
    if (!fs::is_symlink(path, error)) return path;
    const fs::path link = fs::read_symlink(path, error);
    if (error) throw SettingsStoreError(SettingsProblem{error.message(), path.string()});
    path = link.is_absolute() ? link : path.parent_path() / link;
  }
  Fail(ELOOP, path);
}

// Whether the user lets the program write file: for its owner, the owner's
// write permission (which binds root too: a file made read-only is meant
// to stay as it is), for anybody else the system's say.
bool UserLetsWrite(const fs::path& file, const struct stat& info) {
  if (info.st_uid == ::geteuid()) return (info.st_mode & S_IWUSR) != 0;
  return ::faccessat(AT_FDCWD, file.c_str(), W_OK, AT_EACCESS) == 0;
}

// Replaces the file at path (or at the end of its links) in one atomic step
// that reaches the disk: a crash leaves the old file or the new one, never a
// mix. The new file keeps the old one's permissions, or gets mode. A file
// without write permission is left as it is.
void ReplaceFile(const fs::path& path, std::string_view contents, mode_t mode) {
  const fs::path target = LinkTarget(path);
  MakeFolder(target.parent_path());
  struct stat old {};
  if (::stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
    if (!UserLetsWrite(target, old)) {
      throw SettingsStoreError(SettingsProblem{Translate("the file is read-only"), target.string()});
    }
    mode = old.st_mode & 07777;
  }
  std::string temporary = target.string() + ".XXXXXX";
  Descriptor file(::mkostemp(temporary.data(), O_CLOEXEC));
  if (file.get() < 0) Fail(errno, target);
  int error = ::fchmod(file.get(), mode) == 0 ? 0 : errno;
  for (std::size_t written = 0; error == 0 && written < contents.size();) {
    const ssize_t put = ::write(file.get(), contents.data() + written, contents.size() - written);
    if (put >= 0) {
      written += static_cast<std::size_t>(put);
    } else if (errno != EINTR) {
      error = errno;
    }
  }
  if (error == 0 && ::fsync(file.get()) != 0) error = errno;
  if (const int closed = file.Close(); error == 0) error = closed;
  if (error == 0 && ::rename(temporary.c_str(), target.c_str()) != 0) error = errno;
  if (error != 0) {
    ::unlink(temporary.c_str());
    Fail(error, target);
  }
  // The rename reaches the disk with its folder.
  const Descriptor folder(::open(target.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (folder.get() >= 0) ::fsync(folder.get());
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

// What the key file reads back as the same name on a line of its own.
bool IsValidName(std::string_view name) {
  constexpr std::string_view kNever("=[]\r\n\0", 6);
  return !name.empty() && name.find_first_of(kNever) == std::string_view::npos && Trim(name) == name &&
         name.front() != '#' && name.front() != ';';
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
      if (error) throw SettingsStoreError(SettingsProblem{error.message(), store_.location_.Autostart->File.string()});
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
    } catch (const SettingsStoreError&) {
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
    // Once the program is gone (its package removed), the session skips the entry.
    if (!program.empty()) g_key_file_set_string(entry.get(), kEntryGroup, "TryExec", std::string(program).c_str());
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
  lastProblem_.reset();
  while (!path.empty() && path.front() == '\\') path.remove_prefix(1);
  const std::string group(path.substr(path.rfind('\\') + 1));
  if (!IsValidGroup(path) || !IsValidGroup(group)) {
    lastProblem_ = SettingsProblem{"no settings key can be named \"" + std::string(path) + "\"", location_.File.string()};
    return nullptr;
  }
  try {
    const std::optional<std::string> text = ReadFileText(location_.File);
    KeyFile contents = text ? ParseKeyFile(*text, location_.File, kKeepAll) : KeyFile(g_key_file_new());
    const std::string fullPath(path);
    bool exists = g_key_file_has_group(contents.get(), group.c_str()) ||
                  g_key_file_has_group(contents.get(), fullPath.c_str());
    if (location_.Autostart && path == location_.Autostart->KeyPath) {
      // Like the Run key every Windows user has, the key is there with the
      // session's autostart folder: an entry missing from it (the user
      // unticked the item) reads as off, not as a key never made.
      std::error_code error;
      exists = exists || fs::is_directory(location_.Autostart->File.parent_path(), error);
    }
    // Like a registry key, a created key exists for its writes; the file
    // holds it from the first commit on.
    if (!exists && !create) return nullptr;
    return std::make_unique<Key>(*this, fullPath, group, std::move(contents));
  } catch (const SettingsStoreError& error) {
    lastProblem_ = error.Problem();
    return nullptr;
  } catch (const std::exception& error) {
    lastProblem_ = SettingsProblem{error.what(), location_.File.string()};
    return nullptr;
  }
}

}  // namespace nivarra
