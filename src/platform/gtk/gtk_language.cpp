#include "platform/gtk/gtk_language.h"

#include <cstdio>

#include "core/date_time.h"
#include "platform/gtk/gettext_catalog.h"
#include "platform/gtk/glib_handles.h"

namespace nivarra {

std::unique_ptr<MessageCatalog> GtkLanguage::OpenCatalog(std::string_view languageSetting) {
  return OpenGettextCatalog(languageSetting, program_);
}

std::string GtkLanguage::FormatLongDate(double date) {
  const CalendarDate day = DecodeDate(date);
  const UniqueDateTime local(day.Year >= 1 && day.Year <= 9999
                                 ? g_date_time_new_local(day.Year, day.Month, day.Day, 0, 0, 0)
                                 : nullptr);
  if (local) {
    if (const UniqueText text{g_date_time_format(local.get(), "%A, %-d %B %Y")}) return text.get();
  }
  char fallback[32];
  std::snprintf(fallback, sizeof fallback, "%04d-%02d-%02d", day.Year, day.Month, day.Day);
  return fallback;
}

}  // namespace nivarra
