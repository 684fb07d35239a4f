#pragma once
// A message catalog read from the bytes of a compiled .mo file (msgfmt's
// output), for a program that carries its catalogs inside itself. The bytes
// must outlive the catalog.

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "core/translation.h"

namespace nivarra {

class MoCatalog final : public MessageCatalog {
 public:
  // Throws std::invalid_argument for bytes that are not a whole .mo file.
  explicit MoCatalog(std::span<const std::uint8_t> bytes);

  std::string Language() const override { return language_; }
  std::string Find(std::string_view text) const override;
  std::string FindPlural(std::string_view singular, std::string_view plural, std::uint64_t n) const override;
  const PluralRule& Plurals() const override { return plurals_; }
  // The catalog's header (the translation of the empty text).
  std::string_view Header() const { return header_; }

 private:
  struct Entry {
    std::string_view Original;     // "singular" or "singular\0plural"
    std::string_view Translation;  // the forms, separated by \0
  };
  const Entry* Lookup(std::string_view original) const;

  std::vector<Entry> entries_;  // sorted by Original, as msgfmt writes them
  std::string_view header_;
  std::string language_;
  PluralRule plurals_;
};

}  // namespace nivarra
