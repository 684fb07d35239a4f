#include "core/language_choice.h"

#include <algorithm>
#include <optional>

namespace nivarra {

namespace {

// The catalog for one preference: the language with its region first
// ("pt_BR"), then the language alone ("de" for "de_AT"), then the one
// catalog of that language whatever its region ("pt_BR" for "pt").
// Nothing for a script or variant of a language the catalog does not
// write ("sr@latin" reads Latin letters, the catalog Cyrillic ones).
std::optional<std::string> Match(std::string_view wanted, std::span<const std::string> available) {
  std::string code(wanted.substr(0, wanted.find_first_of(".@")));
  std::replace(code.begin(), code.end(), '-', '_');
  if (wanted.find("@latin") != std::string_view::npos || code.find("_Latn") != std::string::npos) return std::nullopt;
  if (const std::size_t script = code.find("_Cyrl"); script != std::string::npos) code.erase(script, 5);
  const std::string language = code.substr(0, code.find('_'));
  if (language.empty()) return std::nullopt;
  for (const std::string& candidate : {code, language}) {
    if (std::find(available.begin(), available.end(), candidate) != available.end()) return candidate;
  }
  for (const std::string& candidate : available) {
    if (candidate.starts_with(language + "_")) return candidate;
  }
  return std::nullopt;
}

bool IsEnglish(std::string_view code) { return code == "en" || code.starts_with("en_") || code.starts_with("en-"); }

}  // namespace

std::string ChooseLanguage(std::string_view setting, std::span<const std::string> preferred,
                           std::span<const std::string> available) {
  if (IsEnglish(setting)) return {};
  if (auto chosen = Match(setting, available)) return *chosen;
  for (const std::string& wanted : preferred) {
    if (wanted == "C" || wanted == "POSIX" || wanted.starts_with("C.")) continue;
    if (IsEnglish(wanted)) return {};
    if (auto chosen = Match(wanted, available)) return *chosen;
  }
  return {};
}

}  // namespace nivarra
