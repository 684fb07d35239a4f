#pragma once
// The system's own words for its error codes.

#include "platform/win32/windows_api.h"

#include <string>

namespace nivarra {

// The system's text for code, without the line break it ends with; "System
// error <code>" in the user's language when it has none.
std::string SystemMessageText(DWORD code);

// Raises std::system_error for code, saying what failed.
[[noreturn]] void ThrowSystemError(DWORD code, const char* what);

}  // namespace nivarra
