#include "platform/gtk/key_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <utility>
#include <vector>

#include "platform/settings_store.h"

namespace nivarra {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
// Links followed before a path counts as a loop.
constexpr int kMaxLinks = 40;
// A settings file is a few hundred bytes; anything near this is not one.
constexpr std::size_t kMaxFileBytes = 1 << 20;
// What a line that starts with ';' (the comment sign of most INI files)
// becomes for the key file, which knows only '#', and back when written.
constexpr std::string_view kSemicolonComment = "#\x7F";
// How much of a line that cannot be read a message quotes.
constexpr std::size_t kQuotedLineBytes = 40;

constexpr std::string_view kBlanks = " \t";

}  // namespace

std::string_view Trim(std::string_view text) {
  const auto first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

std::string Take(gchar* text) {
  std::string taken = text != nullptr ? text : "";
  g_free(text);
  return taken;
}

namespace {

// Calls each(line) for every line of text, without its line break.
template <class Each>
void ForEachLine(std::string_view text, Each each) {
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t newline = text.find('\n', at);
    const std::size_t end = newline == std::string_view::npos ? text.size() : newline;
    each(text.substr(at, end - at));
    at = end + 1;
  }
}

}  // namespace

std::string ToData(GKeyFile* file) {
  gsize size = 0;
  gchar* data = g_key_file_to_data(file, &size, nullptr);
  std::string text;
  ForEachLine(std::string_view(data, size), [&](std::string_view line) {
    if (line.starts_with(kSemicolonComment)) line.remove_prefix(kSemicolonComment.size());
    text.append(line).push_back('\n');
  });
  g_free(data);
  return text;
}

// --- files -------------------------------------------------------------------------

namespace {

// A file descriptor closed when this goes.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }
  // Closes it now; the error number of a close that failed, or 0.
  int Close() {
    const int result = ::close(std::exchange(fd_, -1));
    return result == 0 ? 0 : errno;
  }

 private:
  int fd_;
};

[[noreturn]] void Fail(int error, const fs::path& place) {
  throw SettingsStoreError(SettingsProblem{g_strerror(error), place.string()});
}

}  // namespace

std::optional<std::string> ReadFileText(const fs::path& path) {
  // Not blocking: a named pipe in the file's place would hold the globe up.
  const Descriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (file.get() < 0) {
    if (errno == ENOENT) return std::nullopt;
    Fail(errno, path);
  }
  struct stat info {};
  if (::fstat(file.get(), &info) != 0) Fail(errno, path);
  if (S_ISDIR(info.st_mode)) Fail(EISDIR, path);
  if (!S_ISREG(info.st_mode)) {
    throw SettingsStoreError(SettingsProblem{Translate("it is not a plain file"), path.string()});
  }
  std::string text;
  char buffer[4096];
  for (;;) {
    const ssize_t got = ::read(file.get(), buffer, sizeof buffer);
    if (got == 0) break;
    if (got < 0) {
      if (errno == EINTR) continue;
      Fail(errno, path);
    }
    text.append(buffer, static_cast<std::size_t>(got));
    if (text.size() > kMaxFileBytes) {
      throw SettingsStoreError(
          SettingsProblem{Translate("it is larger than a settings file can be (1 MiB)"), path.string()});
    }
  }
  return text;
}

namespace {

bool Parses(GKeyFile* file, std::string_view text, GKeyFileFlags flags, ErrorSlot& error) {
  return g_key_file_load_from_data(file, text.data(), text.size(), flags, &error.Error);
}

// The line at which a parse of text stops: the key file reads line by line,
// so the shortest run of whole lines that does not parse ends there.
std::size_t FailingLine(std::string_view text) {
  std::vector<std::size_t> lineEnds;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t newline = text.find('\n', at);
    at = newline == std::string_view::npos ? text.size() : newline + 1;
    lineEnds.push_back(at);
  }
  std::size_t good = 0, bad = lineEnds.size() - 1;  // the whole text does not parse
  while (good < bad) {
    const std::size_t middle = (good + bad) / 2;
    KeyFile probe(g_key_file_new());
    ErrorSlot error;
    if (Parses(probe.get(), text.substr(0, lineEnds[middle]), G_KEY_FILE_NONE, error)) {
      good = middle + 1;
    } else {
      bad = middle;
    }
  }
  return bad + 1;
}

// What is wrong with line number (from 1) of text, in plain words.
std::string LineProblem(std::string_view text, std::size_t number) {
  std::string_view line;
  bool groupBefore = false;
  std::size_t at = 0;
  ForEachLine(text, [&](std::string_view each) {
    ++at;
    if (at < number && Trim(each).starts_with('[')) groupBefore = true;
    if (at == number) line = each;
  });
  if (line.ends_with('\r')) line.remove_suffix(1);
  const std::string where = std::to_string(number);
  if (!g_utf8_validate(line.data(), static_cast<gssize>(line.size()), nullptr)) {
    return FillIn(Translate("line %s is not UTF-8 text"), where);
  }
  if (!groupBefore && line.find('=') != std::string_view::npos) {
    return FillIn(Translate("line %s comes before the first [group] heading"), where);
  }
  std::string quoted(line.substr(0, kQuotedLineBytes));
  if (quoted.size() < line.size()) {
    while (!quoted.empty() && (static_cast<unsigned char>(quoted.back()) & 0xC0) == 0x80) quoted.pop_back();
    if (!quoted.empty() && static_cast<unsigned char>(quoted.back()) >= 0xC0) quoted.pop_back();
    quoted += "\u2026";
  }
  return FillIn(Translate("line %s (“%s”) is not a setting (Name=value), a [group] heading or a comment"),
                {where, quoted});
}

}  // namespace

KeyFile ParseKeyFile(std::string_view original, const fs::path& path, GKeyFileFlags flags) {
  if (original.starts_with(kByteOrderMark)) original.remove_prefix(kByteOrderMark.size());
  std::string text;
  ForEachLine(original, [&](std::string_view line) {
    if (Trim(line).starts_with(';')) text += kSemicolonComment;
    text.append(line).push_back('\n');
  });
  KeyFile file(g_key_file_new());
  ErrorSlot error;
  if (!Parses(file.get(), text, flags, error)) {
    throw SettingsStoreError(SettingsProblem{LineProblem(text, FailingLine(text)), path.string()});
  }
  return file;
}

void MakeFolder(const fs::path& folder) {
  std::error_code error;
  fs::create_directories(folder, error);
  if (error) throw SettingsStoreError(SettingsProblem{error.message(), folder.string()});
}

namespace {

// Where a write to path lands: the end of a chain of symbolic links (a
// settings file linked from a dotfiles folder stays linked), or path.
fs::path LinkTarget(fs::path path) {
  for (int i = 0; i < kMaxLinks; ++i) {
    std::error_code error;
    if (!fs::is_symlink(path, error)) return path;
    const fs::path link = fs::read_symlink(path, error);
    if (error) throw SettingsStoreError(SettingsProblem{error.message(), path.string()});
    path = link.is_absolute() ? link : path.parent_path() / link;
  }
  Fail(ELOOP, path);
}

// Whether the user lets the program write file: for its owner, the owner's
// write permission (which binds root too: a file made read-only is meant
// to stay as it is), for anybody else the system's say.
bool UserLetsWrite(const fs::path& file, const struct stat& info) {
  if (info.st_uid == ::geteuid()) return (info.st_mode & S_IWUSR) != 0;
  return ::faccessat(AT_FDCWD, file.c_str(), W_OK, AT_EACCESS) == 0;
}

}  // namespace

void ReplaceFile(const fs::path& path, std::string_view contents, mode_t mode) {
  const fs::path target = LinkTarget(path);
  MakeFolder(target.parent_path());
  struct stat old {};
  if (::stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
    if (!UserLetsWrite(target, old)) {
      throw SettingsStoreError(SettingsProblem{Translate("the file is read-only"), target.string()});
    }
    mode = old.st_mode & 07777;
  }
  std::string temporary = target.string() + ".XXXXXX";
  Descriptor file(::mkostemp(temporary.data(), O_CLOEXEC));
  if (file.get() < 0) Fail(errno, target);
  int error = ::fchmod(file.get(), mode) == 0 ? 0 : errno;
  for (std::size_t written = 0; error == 0 && written < contents.size();) {
    const ssize_t put = ::write(file.get(), contents.data() + written, contents.size() - written);
    if (put >= 0) {
      written += static_cast<std::size_t>(put);
    } else if (errno != EINTR) {
      error = errno;
    }
  }
  if (error == 0 && ::fsync(file.get()) != 0) error = errno;
  if (const int closed = file.Close(); error == 0) error = closed;
  if (error == 0 && ::rename(temporary.c_str(), target.c_str()) != 0) error = errno;
  if (error != 0) {
    ::unlink(temporary.c_str());
    Fail(error, target);
  }
  // The rename reaches the disk with its folder.
  const Descriptor folder(::open(target.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (folder.get() >= 0) ::fsync(folder.get());
}

}  // namespace nivarra
