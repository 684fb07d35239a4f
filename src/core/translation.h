#pragma once
// The program's words in its user's language. Every text a user reads is
// written in English in the code and passed through Translate (or
// TranslatePlural where a count decides the form); a text kept for later
// is marked with N_ so that the catalogs' extraction finds it. Without a
// catalog, or for a text the catalog lacks, the English text stands.

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>

#include "core/plural_rule.h"

namespace nivarra {

// The translations of one language.
class MessageCatalog {
 public:
  virtual ~MessageCatalog() = default;
  // The language's code as the catalog names it ("ru", "pt_BR").
  virtual std::string Language() const = 0;
  // The translation of text, or empty when the catalog has none.
  virtual std::string Find(std::string_view text) const = 0;
  // The form for n of a text with a singular and a plural, or empty.
  virtual std::string FindPlural(std::string_view singular, std::string_view plural, std::uint64_t n) const = 0;
  // The catalog's own rule for choosing among its plural forms.
  virtual const PluralRule& Plurals() const = 0;
};

// Makes catalog the one every Translate asks; null goes back to English.
void UseCatalog(std::unique_ptr<MessageCatalog> catalog);
// The catalog in use, or null for English.
const MessageCatalog* CurrentCatalog();

std::string Translate(std::string_view text);
std::string TranslatePlural(std::string_view singular, std::string_view plural, std::uint64_t n);
// Which plural form the language in use writes for n (English: 0 for 1, else 1).
int PluralFormFor(std::uint64_t n);
// The language in use, empty for English.
std::string CurrentLanguage();

// format with its first "%s" replaced by value (a translation keeps the
// directive where its language puts the value).
std::string FillIn(std::string format, std::string_view value);
// format with each "%s" replaced by the next of values, and "%2$s" by the
// second whatever its place (a translation may turn the order round).
std::string FillIn(std::string_view format, std::initializer_list<std::string_view> values);

// Marks text for the catalogs without translating it yet.
constexpr const char* N_(const char* text) { return text; }

// A text with a singular and a plural, marked for the catalogs.
struct PluralText {
  const char* Singular;
  const char* Plural;
};
constexpr PluralText NP_(const char* singular, const char* plural) { return {singular, plural}; }

}  // namespace nivarra
