#pragma once
// The user's language: the program's texts in it, and dates as the user
// writes them.

#include <memory>
#include <string>
#include <string_view>

#include "core/translation.h"

namespace nivarra {

class LanguageSupport {
 public:
  virtual ~LanguageSupport() = default;
  // The catalog of the user's language, or of languageSetting (the stored
  // "Language", a code such as "de" or "pt_BR") when that is one the
  // program speaks; null for English.
  virtual std::unique_ptr<MessageCatalog> OpenCatalog(std::string_view languageSetting) {
    (void)languageSetting;
    return nullptr;
  }
  // date in the user's long date format.
  virtual std::string FormatLongDate(double date) = 0;
};

}  // namespace nivarra
