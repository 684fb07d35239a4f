#pragma once
// Functions of system libraries that some Windows versions (and Wine) lack:
// looked up at run time, so the program still starts where they are missing.

#include "platform/win32/windows_api.h"

#include <memory>
#include <string>
#include <type_traits>

namespace nivarra {

struct LibraryDeleter {
  void operator()(HMODULE library) const noexcept { ::FreeLibrary(library); }
};
using UniqueLibrary = std::unique_ptr<std::remove_pointer_t<HMODULE>, LibraryDeleter>;

// A DLL of Windows itself, loaded from the system folder by its full path:
// a bare name would be searched for in the program's folder and the current
// directory first, where anybody could have put a DLL of that name.
// (LOAD_LIBRARY_SEARCH_SYSTEM32 would say the same, but Windows 7 knows it
// only with an update.) Null when the system has no such DLL.
inline UniqueLibrary LoadSystemLibrary(const wchar_t* name) {
  wchar_t folder[MAX_PATH];
  const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return nullptr;
  std::wstring path(folder, length);
  path += L'\\';
  path += name;
  return UniqueLibrary(::LoadLibraryExW(path.c_str(), nullptr, 0));
}

// The function of that name in the library, or null.
template <typename Function>
Function SystemFunction(HMODULE library, const char* name) {
  // Through a plain function pointer: converting FARPROC directly draws a
  // warning about the mismatched signature.
  return library == nullptr ? nullptr
                            : reinterpret_cast<Function>(reinterpret_cast<void (*)()>(::GetProcAddress(library, name)));
}

}  // namespace nivarra
