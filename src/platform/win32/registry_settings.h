#pragma once
// The settings store of the Windows desktop: the values of the key
// HKEY_CURRENT_USER\Software\Nivarra, each written at once.

#include <memory>
#include <optional>
#include <string>

#include "platform/settings_store.h"

namespace nivarra {

class RegistrySettings : public SettingsStore {
 public:
  std::unique_ptr<SettingsKey> OpenSettings(bool create) override;
  std::optional<SettingsProblem> LastProblem() override { return problem_; }
  std::string Place() override;

 private:
  std::optional<SettingsProblem> problem_;
};

}  // namespace nivarra
