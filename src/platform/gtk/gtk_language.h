#pragma once
// The user's language on the Linux desktop: the gettext catalogs installed
// beside the program, and GLib's dates.

#include <string>

#include "platform/language.h"

namespace nivarra {

class GtkLanguage : public LanguageSupport {
 public:
  // The catalogs are found from where program stands.
  explicit GtkLanguage(std::string program) : program_(std::move(program)) {}
  std::unique_ptr<MessageCatalog> OpenCatalog(std::string_view languageSetting) override;
  // The local date as "%A, %-d %B %Y" (weekday, day, month and year
  // in the user's language): C libraries know no long date format per
  // locale, only the short one.
  std::string FormatLongDate(double date) override;

 private:
  std::string program_;
};

}  // namespace nivarra
