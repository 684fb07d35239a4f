#include "platform/win32/registry_settings.h"

#include "platform/win32/registry_key.h"

namespace nivarra {
namespace {

constexpr std::string_view kSettingsKeyPath = "Software\\Nivarra";

}  // namespace

std::unique_ptr<SettingsKey> RegistrySettings::OpenSettings(bool create) {
  return OpenRegistryKey(kSettingsKeyPath, create, problem_);
}

std::string RegistrySettings::Place() { return RegistryPlace(kSettingsKeyPath); }

}  // namespace nivarra
