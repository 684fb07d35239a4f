#include "platform/win32/system_message.h"

#include <system_error>

#include "core/translation.h"
#include "platform/win32/wide_text.h"

namespace nivarra {

std::string SystemMessageText(DWORD code) {
  wchar_t* buffer = nullptr;
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
      0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::string text;
  if (buffer != nullptr) {
    text = Utf8FromWide({buffer, length});
    ::LocalFree(buffer);
  }
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) text.pop_back();
  if (text.empty()) text = FillIn(Translate("System error %s"), std::to_string(code));
  return text;
}

[[noreturn]] void ThrowSystemError(DWORD code, const char* what) {
  throw std::system_error(static_cast<int>(code), std::system_category(), what);
}

}  // namespace nivarra
