#include "platform/gtk/settings_file.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
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

constexpr const char* kFileHeader =
    "# Nivarra's settings, rewritten by the program. Values are name=int:<32-bit number>\n"
    "# or name=str:<text with \\\\ \\n \\r \\t \\xHH escapes>.\n";

// --- files ----------------------------------------------------------------------

[[noreturn]] void ThrowErrno(int error, const std::string& what) {
  throw std::system_error(error, std::generic_category(), what);
}

class UniqueFd {
 public:
  explicit UniqueFd(int fd = -1) : fd_(fd) {}
  ~UniqueFd() {
    if (fd_ >= 0) ::close(fd_);
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  int get() const { return fd_; }
  // Closes now, reporting what close says (a delayed write error shows here).
  int Close() {
    const int result = ::close(fd_);
    fd_ = -1;
    return result;
  }

 private:
  int fd_;
};

// The whole file; nothing when it does not exist. Throws std::system_error
// when it exists but cannot be read.
std::optional<std::string> ReadWholeFile(const fs::path& path) {
  const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) {
    if (errno == ENOENT) return std::nullopt;
    ThrowErrno(errno, "cannot read " + path.string());
  }
  std::string text;
  char buffer[4096];
  for (;;) {
    const ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
    if (got == 0) return text;
    if (got < 0) {
      if (errno == EINTR) continue;
      ThrowErrno(errno, "cannot read " + path.string());
    }
    text.append(buffer, static_cast<std::size_t>(got));
  }
}

void MakeFolder(const fs::path& folder) {
  std::error_code error;
  fs::create_directories(folder, error);
  if (error) throw std::system_error(error, "cannot create " + folder.string());
}

// Replaces path with contents through a temporary file in the same folder
// (created when missing). The new file keeps the old one's permissions, or
// gets mode when there was none. Throws std::system_error.
void ReplaceFileAtomically(const fs::path& path, std::string_view contents, mode_t mode) {
  const fs::path folder = path.parent_path();
  MakeFolder(folder);

  struct stat old {};
  if (::stat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode)) mode = old.st_mode & 07777;

  std::string temporary = (folder / ("." + path.filename().string() + ".XXXXXX")).string();
  UniqueFd fd(::mkostemp(temporary.data(), O_CLOEXEC));
  if (fd.get() < 0) ThrowErrno(errno, "cannot write in " + folder.string());
  // Until the rename, the temporary file goes again on any failure.
  struct Leftover {
    const std::string& name;
    bool keep = false;
    ~Leftover() {
      if (!keep) ::unlink(name.c_str());
    }
  } leftover{temporary};

  const std::string what = "cannot write " + path.string();
  if (::fchmod(fd.get(), mode) != 0) ThrowErrno(errno, what);
  for (std::size_t done = 0; done < contents.size();) {
    const ssize_t wrote = ::write(fd.get(), contents.data() + done, contents.size() - done);
    if (wrote < 0) {
      if (errno == EINTR) continue;
      ThrowErrno(errno, what);
    }
    done += static_cast<std::size_t>(wrote);
  }
  if (::fsync(fd.get()) != 0) ThrowErrno(errno, what);
  if (fd.Close() != 0) ThrowErrno(errno, what);
  if (::rename(temporary.c_str(), path.c_str()) != 0) ThrowErrno(errno, what);
  leftover.keep = true;

  // The rename itself reaches the disk with the folder.
  const UniqueFd directory(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (directory.get() >= 0) ::fsync(directory.get());
}

// Rewrites path: rewrite gets the contents (nothing for a missing file) and
// returns the new ones. The folder stays locked meanwhile, so that changes
// two programs make at once both arrive (unlocked where the file system
// has no locks). Throws std::system_error.
template <class Rewrite>
void ChangeFile(const fs::path& path, mode_t mode, Rewrite rewrite) {
  const fs::path folder = path.parent_path();
  MakeFolder(folder);
  const UniqueFd lock(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (lock.get() >= 0) ::flock(lock.get(), LOCK_EX);
  ReplaceFileAtomically(path, rewrite(ReadWholeFile(path)), mode);
}

// --- the INI document -----------------------------------------------------------

struct Entry {
  std::string Name;
  std::string Data;  // after the '=', as stored
};

struct Section {
  std::string Path;
  std::vector<Entry> Entries;

  Entry* Find(std::string_view name) {
    const auto it = std::find_if(Entries.begin(), Entries.end(), [&](const Entry& e) { return e.Name == name; });
    return it == Entries.end() ? nullptr : &*it;
  }
};

using Document = std::vector<Section>;

constexpr std::string_view kBlanks = " \t";

std::string_view Trim(std::string_view text) {
  const auto first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

bool HasLineBreak(std::string_view text) { return text.find_first_of("\r\n") != std::string_view::npos; }

bool IsValidName(std::string_view name) {
  if (HasLineBreak(name) || name.find('=') != std::string_view::npos || Trim(name) != name) return false;
  return name.empty() || (name.front() != '[' && name.front() != '#' && name.front() != ';');
}

Section* FindSection(Document& document, std::string_view path) {
  const auto it =
      std::find_if(document.begin(), document.end(), [&](const Section& s) { return s.Path == path; });
  return it == document.end() ? nullptr : &*it;
}

Section& SectionOf(Document& document, std::string_view path) {
  if (Section* found = FindSection(document, path)) return *found;
  document.push_back(Section{std::string(path), {}});
  return document.back();
}

void SetEntry(Section& section, std::string_view name, std::string data) {
  if (Entry* entry = section.Find(name)) {
    entry->Data = std::move(data);
  } else {
    section.Entries.push_back(Entry{std::string(name), std::move(data)});
  }
}

Document ParseDocument(std::string_view text) {
  Document document;
  Section* section = nullptr;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);

    const std::string_view trimmed = Trim(line);
    if (trimmed.empty() || trimmed.front() == '#' || trimmed.front() == ';') continue;
    if (trimmed.front() == '[' && trimmed.back() == ']' && trimmed.size() >= 2) {
      section = &SectionOf(document, Trim(trimmed.substr(1, trimmed.size() - 2)));
      continue;
    }
    const std::size_t equals = line.find('=');
    if (section == nullptr || equals == std::string_view::npos) continue;
    std::string_view data = line.substr(equals + 1);
    data.remove_prefix(std::min(data.find_first_not_of(kBlanks), data.size()));
    SetEntry(*section, Trim(line.substr(0, equals)), std::string(data));
  }
  return document;
}

std::string FormatDocument(const Document& document) {
  std::string text = kFileHeader;
  for (const Section& section : document) {
    text += "\n[" + section.Path + "]\n";
    for (const Entry& entry : section.Entries) text += entry.Name + "=" + entry.Data + "\n";
  }
  return text;
}

// --- values -----------------------------------------------------------------------

std::string EncodeString(std::string_view value) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string data = "str:";
  for (const char c : value) {
    const auto byte = static_cast<unsigned char>(c);
    switch (c) {
      case '\\': data += "\\\\"; break;
      case '\n': data += "\\n"; break;
      case '\r': data += "\\r"; break;
      case '\t': data += "\\t"; break;
      default:
        if (byte < 0x20 || byte == 0x7F) {
          data += "\\x";
          data += kHex[byte >> 4];
          data += kHex[byte & 0xF];
        } else {
          data += c;
        }
    }
  }
  return data;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::optional<std::string> DecodeString(std::string_view data) {
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

SettingValue DecodeValue(std::string_view data) {
  const std::size_t colon = data.find(':');
  const std::string_view type = colon == std::string_view::npos ? std::string_view() : data.substr(0, colon);
  const std::string_view payload = colon == std::string_view::npos ? data : data.substr(colon + 1);
  if (type == "int") {
    const std::string_view digits = Trim(payload);
    std::int32_t number = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (error == std::errc() && end == digits.data() + digits.size() && !digits.empty()) return number;
    return ForeignSetting{kMalformedIntegerType, payload.size()};
  }
  if (type == "str") {
    if (auto text = DecodeString(payload)) return std::move(*text);
    return ForeignSetting{kMalformedStringType, payload.size()};
  }
  return ForeignSetting{kUnknownSettingType, data.size()};
}

// --- desktop entries --------------------------------------------------------------

// The escapes of a desktop entry's string values, applied before its Exec
// quoting is read.
std::string EscapeDesktopString(std::string_view text) {
  std::string escaped;
  for (const char c : text) {
    switch (c) {
      case '\\': escaped += "\\\\"; break;
      case '\n': escaped += "\\n"; break;
      case '\r': escaped += "\\r"; break;
      case '\t': escaped += "\\t"; break;
      default: escaped += c;
    }
  }
  return escaped;
}

std::optional<std::string> UnescapeDesktopString(std::string_view text) {
  std::string plain;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      plain += text[i];
      continue;
    }
    if (++i == text.size()) return std::nullopt;
    switch (text[i]) {
      case '\\': plain += '\\'; break;
      case 'n': plain += '\n'; break;
      case 'r': plain += '\r'; break;
      case 't': plain += '\t'; break;
      case 's': plain += ' '; break;
      default: return std::nullopt;
    }
  }
  return plain;
}

std::string DesktopEntryText(const AutostartEntry& entry, std::string_view program) {
  std::string text = "[Desktop Entry]\nType=Application\n";
  text += "Name=" + EscapeDesktopString(entry.Name) + "\n";
  text += "Exec=" + DesktopExecLine(program) + "\n";
  if (!entry.Icon.empty()) text += "Icon=" + EscapeDesktopString(entry.Icon) + "\n";
  text += "Terminal=false\nX-GNOME-Autostart-enabled=true\nNoDisplay=false\n";
  return text;
}

// The value of key in the [Desktop Entry] group, as stored.
std::optional<std::string_view> DesktopEntryValue(std::string_view text, std::string_view key) {
  bool inMainGroup = false;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!line.empty() && line.front() == '[') {
      inMainGroup = line == "[Desktop Entry]";
      continue;
    }
    const std::size_t equals = line.find('=');
    if (inMainGroup && equals != std::string_view::npos && Trim(line.substr(0, equals)) == key) {
      return Trim(line.substr(equals + 1));
    }
  }
  return std::nullopt;
}

// Whether the session skips the entry: the user switched it off in the
// desktop's own settings, which keep the file to say so.
bool IsDisabledEntry(std::string_view text) {
  return DesktopEntryValue(text, "Hidden") == "true" || DesktopEntryValue(text, "X-GNOME-Autostart-enabled") == "false";
}

}  // namespace

// --- paths ---------------------------------------------------------------------------

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

std::string DesktopExecLine(std::string_view program) {
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
  return EscapeDesktopString(argument);
}

std::optional<std::string> ProgramOfDesktopExecLine(std::string_view execLine) {
  const std::optional<std::string> line = UnescapeDesktopString(execLine);
  if (!line) return std::nullopt;
  std::string program;
  std::size_t i = line->find_first_not_of(' ');
  if (i == std::string::npos) return std::nullopt;
  const bool quoted = (*line)[i] == '"';
  if (quoted) ++i;
  for (;; ++i) {
    if (i == line->size()) {
      if (quoted) return std::nullopt;  // no closing quote
      break;
    }
    char c = (*line)[i];
    if (quoted && c == '"') break;
    if (!quoted && c == ' ') break;
    if (quoted && c == '\\') {
      if (++i == line->size()) return std::nullopt;
      c = (*line)[i];
    } else if (c == '%') {
      if (i + 1 == line->size() || (*line)[i + 1] != '%') return std::nullopt;  // a field code, no program
      ++i;
    }
    program += c;
  }
  return program;
}

// --- keys -----------------------------------------------------------------------------

class SettingsFileStore::Key : public SettingsKey {
 public:
  Key(SettingsLocation location, std::string path, Section values)
      : location_(std::move(location)), path_(std::move(path)), values_(std::move(values)) {}

  bool ValueExists(std::string_view name) override {
    if (IsAutostart(name)) return ReadAutostart().has_value();
    return values_.Find(name) != nullptr;
  }

  std::optional<SettingValue> ReadValue(std::string_view name) override {
    if (IsAutostart(name)) return ReadAutostart();
    const Entry* entry = values_.Find(name);
    if (entry == nullptr) return std::nullopt;
    return DecodeValue(entry->Data);
  }

  void WriteInteger(std::string_view name, std::int32_t value) override {
    if (IsAutostart(name)) throw std::invalid_argument("the autostart entry holds a command, not a number");
    Modify(name, [&](Section& section) { SetEntry(section, name, "int:" + std::to_string(value)); });
  }

  void WriteString(std::string_view name, std::string_view value) override {
    if (IsAutostart(name)) {
      ReplaceFileAtomically(location_.Autostart->File, DesktopEntryText(*location_.Autostart, value), kEntryMode);
      return;
    }
    Modify(name, [&](Section& section) { SetEntry(section, name, EncodeString(value)); });
  }

  void DeleteValue(std::string_view name) override {
    if (IsAutostart(name)) {
      // A switched-off entry already says "not at login"; it stays the user's.
      if (ReadAutostart() == std::nullopt) return;
      if (::unlink(location_.Autostart->File.c_str()) != 0 && errno != ENOENT) {
        ThrowErrno(errno, "cannot remove " + location_.Autostart->File.string());
      }
      return;
    }
    if (values_.Find(name) == nullptr) return;
    Modify(name, [&](Section& section) {
      std::erase_if(section.Entries, [&](const Entry& e) { return e.Name == name; });
    });
  }

 private:
  bool IsAutostart(std::string_view name) const {
    return location_.Autostart && path_ == location_.Autostart->KeyPath && name == location_.Autostart->ValueName;
  }

  std::optional<SettingValue> ReadAutostart() const {
    std::optional<std::string> text;
    try {
      text = ReadWholeFile(location_.Autostart->File);
    } catch (const std::system_error&) {
      return UnreadableSetting{};
    }
    if (!text || IsDisabledEntry(*text)) return std::nullopt;
    const auto exec = DesktopEntryValue(*text, "Exec");
    if (!exec) return ForeignSetting{kUnknownSettingType, text->size()};
    if (auto program = ProgramOfDesktopExecLine(*exec)) return std::move(*program);
    return ForeignSetting{kMalformedStringType, exec->size()};
  }

  // Applies change to the key's section of the file as it is now, writes
  // the file and takes the section's new values.
  template <class F>
  void Modify(std::string_view name, F change) {
    if (!IsValidName(name)) throw std::invalid_argument("a setting cannot be named \"" + std::string(name) + "\"");
    Section changed;
    ChangeFile(location_.File, kSettingsMode, [&](const std::optional<std::string>& text) {
      Document document = text ? ParseDocument(*text) : Document{};
      Section& section = SectionOf(document, path_);
      change(section);
      changed = section;
      return FormatDocument(document);
    });
    values_ = std::move(changed);
  }

  const SettingsLocation location_;
  std::string path_;
  Section values_;
};

std::unique_ptr<SettingsKey> SettingsFileStore::OpenKey(std::string_view path, bool create) {
  lastError_.clear();
  while (!path.empty() && path.front() == '\\') path.remove_prefix(1);
  if (HasLineBreak(path) || Trim(path) != path) {
    lastError_ = "no settings key can be named \"" + std::string(path) + "\"";
    return nullptr;
  }
  try {
    const std::optional<std::string> text = ReadWholeFile(location_.File);
    Document document = text ? ParseDocument(*text) : Document{};
    if (Section* section = FindSection(document, path)) {
      return std::make_unique<Key>(location_, std::string(path), std::move(*section));
    }
    if (create) {
      // Like a registry key, a created key stays even while it is empty.
      Section created;
      ChangeFile(location_.File, kSettingsMode, [&](const std::optional<std::string>& current) {
        Document now = current ? ParseDocument(*current) : Document{};
        created = SectionOf(now, path);
        return FormatDocument(now);
      });
      return std::make_unique<Key>(location_, std::string(path), std::move(created));
    }
    std::error_code error;
    if (location_.Autostart && path == location_.Autostart->KeyPath &&
        fs::exists(location_.Autostart->File, error)) {
      return std::make_unique<Key>(location_, std::string(path), Section{std::string(path), {}});
    }
    return nullptr;
  } catch (const std::system_error& error) {
    lastError_ = error.what();
    return nullptr;
  }
}

}  // namespace nivarra
