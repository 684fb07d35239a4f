#pragma once
// A key of the user's registry (HKEY_CURRENT_USER) as the program's settings
// read and write it.

#include "platform/win32/windows_api.h"

#include <memory>
#include <optional>
#include <string_view>
#include <type_traits>

#include "platform/settings_store.h"

namespace nivarra {

struct KeyDeleter {
  void operator()(HKEY key) const noexcept { ::RegCloseKey(key); }
};
using UniqueKey = std::unique_ptr<std::remove_pointer_t<HKEY>, KeyDeleter>;

// The key at path under HKEY_CURRENT_USER, created with create; a key the
// user may only read opens for reading. Null when it cannot be opened:
// problem then says why, unless the key is only missing.
std::unique_ptr<SettingsKey> OpenRegistryKey(std::string_view path, bool create,
                                             std::optional<SettingsProblem>& problem);

// Where a registry path is, as the user reads it ("HKEY_CURRENT_USER\...").
std::string RegistryPlace(std::string_view path);

}  // namespace nivarra
