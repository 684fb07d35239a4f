#pragma once
// The files behind the Linux desktop's settings and autostart entry: GLib
// key files read whole, with the usual INI habits ('''; comments, a UTF-8
// byte-order mark), and replaced in one atomic step.

#include <glib.h>
#include <sys/types.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "core/translation.h"

namespace nivarra {

struct KeyFileUnref {
  void operator()(GKeyFile* file) const noexcept { g_key_file_unref(file); }
};
using KeyFile = std::unique_ptr<GKeyFile, KeyFileUnref>;

// A GError out-parameter that frees what it receives.
struct ErrorSlot {
  GError* Error = nullptr;
  ErrorSlot() = default;
  ErrorSlot(const ErrorSlot&) = delete;
  ErrorSlot& operator=(const ErrorSlot&) = delete;
  ~ErrorSlot() {
    if (Error != nullptr) g_error_free(Error);
  }
  std::string Message() const { return Error != nullptr ? Error->message : Translate("unknown error"); }
};

std::string_view Trim(std::string_view text);

// GLib's string as ours (empty for null), freed.
std::string Take(gchar* text);

// The key file's text, with the lines that were ';' comments as they were.
std::string ToData(GKeyFile* file);

// The whole file; nothing when it does not exist. Anything else that keeps
// it from being read raises SettingsStoreError.
std::optional<std::string> ReadFileText(const std::filesystem::path& path);

// The key file in text, which may start with a UTF-8 byte-order mark (some
// editors write one) and have ';' comments. Raises SettingsStoreError
// naming the line that cannot be read.
KeyFile ParseKeyFile(std::string_view original, const std::filesystem::path& path, GKeyFileFlags flags);

// Raises SettingsStoreError when the folder cannot be made.
void MakeFolder(const std::filesystem::path& folder);

// Replaces the file at path (or at the end of its links) in one atomic step
// that reaches the disk: a crash leaves the old file or the new one, never a
// mix. The new file keeps the old one's permissions, or gets mode. A file
// without write permission is left as it is: that raises SettingsStoreError.
void ReplaceFile(const std::filesystem::path& path, std::string_view contents, mode_t mode);

}  // namespace nivarra
