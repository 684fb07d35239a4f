#include "platform/gtk/executable_path.h"

#include <unistd.h>

#include <string_view>

#include "platform/gtk/glib_handles.h"

namespace nivarra {

std::string ExecutablePath(const char* argv0) {
  std::string path(256, '\0');
  for (;;) {
    const ssize_t length = ::readlink("/proc/self/exe", path.data(), path.size());
    if (length < 0) break;
    if (static_cast<std::size_t>(length) < path.size()) {
      path.resize(static_cast<std::size_t>(length));
      // A program replaced on the disk while it runs still names its path.
      constexpr std::string_view kDeleted = " (deleted)";
      if (path.ends_with(kDeleted)) path.resize(path.size() - kDeleted.size());
      return path;
    }
    path.resize(path.size() * 2);
  }
  if (argv0 == nullptr) return {};
  const UniqueText found(g_find_program_in_path(argv0));
  return found ? found.get() : argv0;
}

}  // namespace nivarra
