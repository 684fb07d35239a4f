#include "platform/gtk/autostart_entry.h"

#include <sys/types.h>

#include <system_error>
#include <utility>

#include "platform/gtk/key_file.h"
#include "platform/gtk/settings_file.h"

namespace nivarra {
namespace {

namespace fs = std::filesystem;

// A desktop entry is read by the session.
constexpr mode_t kEntryMode = 0644;
constexpr const char* kEntryGroup = "Desktop Entry";

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

AutostartEntry DefaultAutostartEntry() {
  return AutostartEntry{UserConfigHome() / "autostart" / "nivarra.desktop", "Nivarra", "nivarra"};
}

std::optional<bool> AutostartEntryFile::IsEnabled() {
  // Like the Run key every Windows user has, the place is there with the
  // session's autostart folder: an entry missing from it (the user
  // unticked the item) reads as off, not as a place never made.
  std::error_code error;
  if (!fs::is_directory(entry_.File.parent_path(), error)) return std::nullopt;
  return Program().has_value();
}

void AutostartEntryFile::Disable() {
  // A switched-off entry already says "not at login"; it stays the user's.
  if (Program() == std::nullopt) return;
  std::error_code error;
  fs::remove(entry_.File, error);
  if (error) throw SettingsStoreError(SettingsProblem{error.message(), entry_.File.string()});
}

std::optional<SettingValue> AutostartEntryFile::Program() const {
  const fs::path& path = entry_.File;
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

void AutostartEntryFile::Write(std::string_view program) {
  KeyFile entry(g_key_file_new());
  g_key_file_set_string(entry.get(), kEntryGroup, "Type", "Application");
  g_key_file_set_string(entry.get(), kEntryGroup, "Name", entry_.Name.c_str());
  g_key_file_set_string(entry.get(), kEntryGroup, "Exec", DesktopExecValue(program).c_str());
  // Once the program is gone (its package removed), the session skips the entry.
  if (!program.empty()) g_key_file_set_string(entry.get(), kEntryGroup, "TryExec", std::string(program).c_str());
  if (!entry_.Icon.empty()) g_key_file_set_string(entry.get(), kEntryGroup, "Icon", entry_.Icon.c_str());
  g_key_file_set_boolean(entry.get(), kEntryGroup, "Terminal", false);
  g_key_file_set_boolean(entry.get(), kEntryGroup, "X-GNOME-Autostart-enabled", true);
  g_key_file_set_boolean(entry.get(), kEntryGroup, "NoDisplay", false);
  ReplaceFile(entry_.File, ToData(entry.get()), kEntryMode);
}

}  // namespace nivarra
