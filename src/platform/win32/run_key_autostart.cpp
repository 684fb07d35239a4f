#include "platform/win32/run_key_autostart.h"

#include "platform/win32/windows_api.h"

#include <memory>
#include <string>
#include <string_view>

#include "core/translation.h"
#include "platform/win32/registry_key.h"
#include "platform/win32/wide_text.h"

namespace nivarra {
namespace {

constexpr std::string_view kRunKeyPath = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr std::string_view kRunValueName = "Nivarra";

std::string ExecutablePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      return Utf8FromWide(path);
    }
    path.resize(path.size() * 2);
  }
}

}  // namespace

std::optional<bool> RunKeyAutostart::IsEnabled() {
  const std::unique_ptr<SettingsKey> run = OpenRegistryKey(kRunKeyPath, false, problem_);
  if (run == nullptr) return std::nullopt;
  return run->ValueExists(kRunValueName);
}

void RunKeyAutostart::Enable() {
  const std::unique_ptr<SettingsKey> run = OpenRegistryKey(kRunKeyPath, true, problem_);
  if (run == nullptr) {
    throw SettingsStoreError(problem_.value_or(SettingsProblem{Translate("it cannot be opened"), std::string(kRunKeyPath)}));
  }
  std::string command(1, '"');
  command += ExecutablePath();
  command += '"';
  run->WriteString(kRunValueName, command);
}

void RunKeyAutostart::Disable() {
  const std::unique_ptr<SettingsKey> run = OpenRegistryKey(kRunKeyPath, true, problem_);
  if (run != nullptr) run->DeleteValue(kRunValueName);
}

}  // namespace nivarra
