#pragma once
// The user's language on Windows: the catalogs inside the program, in the
// user's UI language, and the system's long date format.

#include "platform/language.h"

namespace nivarra {

class Win32Language : public LanguageSupport {
 public:
  std::unique_ptr<MessageCatalog> OpenCatalog(std::string_view languageSetting) override;
  std::string FormatLongDate(double date) override;
};

}  // namespace nivarra
