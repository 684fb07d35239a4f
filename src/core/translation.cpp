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

std::string FillIn(std::string format, std::string_view value) { return FillIn(std::string_view(format), {value}); }

std::string FillIn(std::string_view format, std::initializer_list<std::string_view> values) {
  std::string text;
  std::size_t next = 0;
  for (std::size_t i = 0; i < format.size(); ++i) {
    std::size_t index = next;
    std::size_t end = i + 1;
    if (format[i] == '%' && end < format.size() && format[end] >= '1' && format[end] <= '9' &&
        format.substr(end + 1, 2) == "$s") {
      index = static_cast<std::size_t>(format[end] - '1');
      end += 3;
    } else if (format.substr(i, 2) == "%s") {
      ++next;
      end += 1;
    } else {
      text += format[i];
      continue;
    }
    // A directive without its value stays as it is.
    text += index < values.size() ? values.begin()[index] : format.substr(i, end - i);
    i = end - 1;
  }
  return text;
}

std::string CurrentLanguage() { return Catalog() != nullptr ? Catalog()->Language() : std::string(); }

}  // namespace nivarra
