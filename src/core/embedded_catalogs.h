#pragma once
// The program's translations linked into it (globe_catalogs), for a
// program that carries its catalogs inside itself.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/language_choice.h"
#include "core/mo_catalog.h"

namespace nivarra {

// The compiled catalogs' bytes, one per language.
std::vector<std::span<const std::uint8_t>> EmbeddedCatalogs();

// The embedded catalog of the language ChooseLanguage picks from setting
// and preferred, or null (English).
inline std::unique_ptr<MessageCatalog> OpenEmbeddedCatalog(std::string_view setting,
                                                           std::span<const std::string> preferred) {
  std::vector<std::unique_ptr<MoCatalog>> catalogs;
  std::vector<std::string> languages;
  for (const std::span<const std::uint8_t> bytes : EmbeddedCatalogs()) {
    catalogs.push_back(std::make_unique<MoCatalog>(bytes));
    languages.push_back(catalogs.back()->Language());
  }
  const std::string chosen = ChooseLanguage(setting, preferred, languages);
  for (auto& catalog : catalogs) {
    if (!chosen.empty() && catalog->Language() == chosen) return std::unique_ptr<MessageCatalog>(std::move(catalog));
  }
  return nullptr;
}

}  // namespace nivarra
