#include "core/translation.h"

namespace nivarra {

namespace {

std::unique_ptr<MessageCatalog>& Catalog() {
  static std::unique_ptr<MessageCatalog> catalog;
  return catalog;
}

}  // namespace

void UseCatalog(std::unique_ptr<MessageCatalog> catalog) { Catalog() = std::move(catalog); }

const MessageCatalog* CurrentCatalog() { return Catalog().get(); }

std::string Translate(std::string_view text) {
  if (Catalog() == nullptr || text.empty()) return std::string(text);
  std::string found = Catalog()->Find(text);
  return found.empty() ? std::string(text) : found;
}

std::string TranslatePlural(std::string_view singular, std::string_view plural, std::uint64_t n) {
  if (Catalog() != nullptr) {
    std::string found = Catalog()->FindPlural(singular, plural, n);
    if (!found.empty()) return found;
  }
  return std::string(n == 1 ? singular : plural);
}

int PluralFormFor(std::uint64_t n) {
  static const PluralRule english;
  return (Catalog() != nullptr ? Catalog()->Plurals() : english).FormFor(n);
}

std::string FillIn(std::string format, std::string_view value) {
  if (const std::size_t at = format.find("%s"); at != std::string::npos) format.replace(at, 2, value);
  return format;
}

std::string CurrentLanguage() { return Catalog() != nullptr ? Catalog()->Language() : std::string(); }

}  // namespace nivarra
