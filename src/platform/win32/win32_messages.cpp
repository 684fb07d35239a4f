#include "platform/win32/win32_messages.h"

#include <shellapi.h>

#include <string>

#include "core/translation.h"
#include "platform/win32/wide_text.h"

namespace nivarra {

void Win32Messages::ShowMessage(std::string_view text) {
  const std::wstring message = WideFromUtf8(Translate(text));
  const HWND globe = window_.Handle();
  const HWND owner = globe != nullptr && ::IsWindowVisible(globe) ? globe : nullptr;
  ::MessageBoxW(owner, message.c_str(), kApplicationTitle, MB_OK);
}

bool Win32Messages::OpenWebPage(std::string_view address) {
  const std::wstring target = WideFromUtf8(address);
  // Above 32 is success; the rest are error codes in a handle's clothes.
  const auto result = reinterpret_cast<INT_PTR>(
      ::ShellExecuteW(nullptr, L"open", target.c_str(), nullptr, nullptr, SW_SHOWMAXIMIZED));
  return result > 32;
}

}  // namespace nivarra
