#pragma once
// Where the running program's file is.

#include <string>

namespace nivarra {

// From /proc, or else argv0 looked up in PATH; empty without either.
std::string ExecutablePath(const char* argv0);

}  // namespace nivarra
