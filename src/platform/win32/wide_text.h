#pragma once
// Text crosses into Windows as UTF-16: the program's strings are UTF-8, and
// the system's "ANSI" functions would squeeze them through the user's code
// page, losing every letter it lacks (a folder named in Cyrillic on a
// Western system).

#include <string>
#include <string_view>

namespace nivarra {

// Malformed UTF-8 becomes U+FFFD.
std::wstring WideFromUtf8(std::string_view text);
// Unpaired surrogates become U+FFFD.
std::string Utf8FromWide(std::wstring_view text);

}  // namespace nivarra
