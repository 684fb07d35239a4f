#pragma once
// Functions of system libraries that some Windows versions (and Wine) lack:
// looked up at run time, so the program still starts where they are missing.

#include "platform/win32/windows_api.h"

#include <memory>
#include <type_traits>

namespace nivarra {

struct LibraryDeleter {
  void operator()(HMODULE library) const noexcept { ::FreeLibrary(library); }
};
using UniqueLibrary = std::unique_ptr<std::remove_pointer_t<HMODULE>, LibraryDeleter>;

// The function of that name in the library, or null.
template <typename Function>
Function SystemFunction(HMODULE library, const char* name) {
  // Through a plain function pointer: converting FARPROC directly draws a
  // warning about the mismatched signature.
  return library == nullptr ? nullptr
                            : reinterpret_cast<Function>(reinterpret_cast<void (*)()>(::GetProcAddress(library, name)));
}

}  // namespace nivarra
