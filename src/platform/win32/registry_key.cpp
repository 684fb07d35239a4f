#include "platform/win32/registry_key.h"

#include <algorithm>
#include <string>

#include "platform/win32/system_message.h"
#include "platform/win32/wide_text.h"

namespace nivarra {
namespace {

// Registry paths are relative to HKEY_CURRENT_USER; a leading backslash
// only says so.
std::string_view KeyPath(std::string_view path) {
  while (!path.empty() && path.front() == '\\') path.remove_prefix(1);
  return path;
}

// A registry failure as the user reads it: the system's text without its
// full stop, and the key's full name.
SettingsProblem RegistryProblem(LONG result, std::string_view path) {
  std::string reason = SystemMessageText(static_cast<DWORD>(result));
  while (!reason.empty() && (reason.back() == '.' || reason.back() == ' ')) reason.pop_back();
  return SettingsProblem{reason, RegistryPlace(path)};
}

class RegistryKey : public SettingsKey {
 public:
  RegistryKey(UniqueKey key, std::string path) : key_(std::move(key)), path_(std::move(path)) {}

  bool ValueExists(std::string_view name) override {
    const std::wstring n = WideFromUtf8(name);
    return ::RegQueryValueExW(key_.get(), n.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
  }

  std::optional<SettingValue> ReadValue(std::string_view name) override {
    const std::wstring n = WideFromUtf8(name);
    DWORD type = 0;
    DWORD size = 0;
    LONG result = ::RegQueryValueExW(key_.get(), n.c_str(), nullptr, &type, nullptr, &size);
    if (result == ERROR_FILE_NOT_FOUND) return std::nullopt;
    if (result != ERROR_SUCCESS) return UnreadableSetting{};
    switch (type) {
      case REG_DWORD: {
        // A 32-bit number cannot hold more than four bytes.
        if (size > sizeof(DWORD)) return UnreadableSetting{};
        DWORD value = 0;
        DWORD read = sizeof value;
        result = ::RegQueryValueExW(key_.get(), n.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value), &read);
        if (result != ERROR_SUCCESS || type != REG_DWORD) return UnreadableSetting{};
        return static_cast<std::int32_t>(value);
      }
      case REG_SZ:
      case REG_EXPAND_SZ: {
        // Rounded up: a value of an odd length still gives its last byte.
        std::wstring text((size + 1) / sizeof(wchar_t), L'\0');
        DWORD read = static_cast<DWORD>(text.size() * sizeof(wchar_t));
        result = ::RegQueryValueExW(key_.get(), n.c_str(), nullptr, &type,
                                    reinterpret_cast<BYTE*>(text.data()), &read);
        if (result != ERROR_SUCCESS) return UnreadableSetting{};
        text.resize(std::min<std::size_t>((read + 1) / sizeof(wchar_t), text.size()));
        if (const auto end = text.find(L'\0'); end != std::wstring::npos) text.resize(end);
        return Utf8FromWide(text);
      }
      default:
        return ForeignSetting{type, size};
    }
  }

  void WriteInteger(std::string_view name, std::int32_t value) override {
    const std::wstring n = WideFromUtf8(name);
    const DWORD data = static_cast<DWORD>(value);
    const LONG result =
        ::RegSetValueExW(key_.get(), n.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data);
    if (result != ERROR_SUCCESS) throw SettingsStoreError(RegistryProblem(result, path_));
  }

  void WriteString(std::string_view name, std::string_view value) override {
    const std::wstring n = WideFromUtf8(name);
    const std::wstring data = WideFromUtf8(value);
    const LONG result = ::RegSetValueExW(key_.get(), n.c_str(), 0, REG_SZ,
                                         reinterpret_cast<const BYTE*>(data.c_str()),
                                         static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));  // with its zero
    if (result != ERROR_SUCCESS) throw SettingsStoreError(RegistryProblem(result, path_));
  }

  void DeleteValue(std::string_view name) override {
    const std::wstring n = WideFromUtf8(name);
    const LONG result = ::RegDeleteValueW(key_.get(), n.c_str());
    // A value already gone is fine.
    if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND) throw SettingsStoreError(RegistryProblem(result, path_));
  }

 private:
  UniqueKey key_;
  std::string path_;
};

}  // namespace

std::string RegistryPlace(std::string_view path) { return "HKEY_CURRENT_USER\\" + std::string(KeyPath(path)); }

std::unique_ptr<SettingsKey> OpenRegistryKey(std::string_view path, bool create,
                                             std::optional<SettingsProblem>& problem) {
  problem.reset();
  const std::wstring subKey = WideFromUtf8(KeyPath(path));
  HKEY key = nullptr;
  LONG result = ERROR_ACCESS_DENIED;
  if (create) {
    result = ::RegCreateKeyExW(HKEY_CURRENT_USER, subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                               KEY_READ | KEY_WRITE, nullptr, &key, nullptr);
  }
  // A key the user may only read still gives the stored settings; a write
  // then fails and says so.
  if (result == ERROR_ACCESS_DENIED) result = ::RegOpenKeyExW(HKEY_CURRENT_USER, subKey.c_str(), 0, KEY_READ, &key);
  if (result != ERROR_SUCCESS || key == nullptr) {
    // A key that is not there is only missing.
    if (result != ERROR_FILE_NOT_FOUND) problem = RegistryProblem(result, path);
    return nullptr;
  }
  return std::make_unique<RegistryKey>(UniqueKey(key), std::string(path));
}

}  // namespace nivarra
