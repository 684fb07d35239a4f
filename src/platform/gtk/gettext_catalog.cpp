#include "platform/gtk/gettext_catalog.h"

#include <libintl.h>

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "core/language_choice.h"

namespace nivarra {

namespace {

constexpr const char* kDomain = "nivarra";

class GettextCatalog final : public MessageCatalog {
 public:
  GettextCatalog(std::string language, PluralRule plurals)
      : language_(std::move(language)), plurals_(std::move(plurals)) {}

  std::string Language() const override { return language_; }
  std::string Find(std::string_view text) const override {
    const std::string key(text);
    const char* found = dgettext(kDomain, key.c_str());
    // gettext hands back its argument when it knows no translation.
    return found != key.c_str() ? std::string(found) : std::string();
  }
  std::string FindPlural(std::string_view singular, std::string_view plural, std::uint64_t n) const override {
    const std::string one(singular), many(plural);
    const char* found = dngettext(kDomain, one.c_str(), many.c_str(), static_cast<unsigned long>(n));
    return found != one.c_str() && found != many.c_str() ? std::string(found) : std::string();
  }
  const PluralRule& Plurals() const override { return plurals_; }

 private:
  std::string language_;
  PluralRule plurals_;
};

namespace fs = std::filesystem;

// The folder of compiled catalogs: locale/ beside a program in the build
// tree, <prefix>/share/locale beside <prefix>/bin once installed.
fs::path LocaleDir(std::string_view executablePath) {
  const fs::path programDir = fs::path(executablePath).parent_path();
  std::error_code error;
  if (fs::is_directory(programDir / "locale", error)) return programDir / "locale";
  return programDir.parent_path() / "share" / "locale";
}

std::vector<std::string> Available(const fs::path& dir) {
  std::vector<std::string> languages;
  std::error_code error;
  for (fs::directory_iterator it(dir, error), end; !error && it != end; it.increment(error)) {
    if (fs::exists(it->path() / "LC_MESSAGES" / (std::string(kDomain) + ".mo"), error)) {
      languages.push_back(it->path().filename().string());
    }
  }
  return languages;
}

std::vector<std::string> Preferred() {
  std::vector<std::string> preferred;
  if (const char* list = std::getenv("LANGUAGE")) {
    const std::string text(list);
    for (std::size_t at = 0; at <= text.size();) {
      const std::size_t end = std::min(text.find(':', at), text.size());
      if (end > at) preferred.push_back(text.substr(at, end - at));
      at = end + 1;
    }
  }
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') {
      preferred.emplace_back(value);
      break;  // the first one set is the one the C library reads
    }
  }
  return preferred;
}

}  // namespace

std::unique_ptr<MessageCatalog> OpenGettextCatalog(std::string_view languageSetting, std::string_view executablePath) {
  const fs::path dir = LocaleDir(executablePath);
  const std::string language = ChooseLanguage(languageSetting, Preferred(), Available(dir));
  if (language.empty()) return nullptr;
  bindtextdomain(kDomain, dir.c_str());
  bind_textdomain_codeset(kDomain, "UTF-8");
  // gettext reads the language from LANGUAGE, which it heeds only outside
  // the C locale: a user whose locale the system lacks (LANG=de_DE.UTF-8
  // without it generated) still reads German.
  setenv("LANGUAGE", language.c_str(), 1);
  const char* messages = std::setlocale(LC_MESSAGES, nullptr);
  if (messages == nullptr || std::strcmp(messages, "C") == 0 || std::strcmp(messages, "POSIX") == 0) {
    std::setlocale(LC_MESSAGES, "C.UTF-8");
  }
  const char* header = dgettext(kDomain, "");
  if (header == nullptr || *header == '\0') return nullptr;
  return std::make_unique<GettextCatalog>(language, PluralRule::FromHeader(header));
}

}  // namespace nivarra
