#include "platform/win32/win32_language.h"

#include "platform/win32/windows_api.h"

#include <cstdio>
#include <cwchar>
#include <iterator>
#include <string>
#include <vector>

#include "core/date_time.h"
#include "core/embedded_catalogs.h"
#include "platform/win32/wide_text.h"

namespace nivarra {

std::unique_ptr<MessageCatalog> Win32Language::OpenCatalog(std::string_view languageSetting) {
  // The user's UI languages, most wanted first, as "ru-RU\0de-DE\0\0".
  std::vector<std::string> preferred;
  ULONG count = 0, length = 0;
  if (::GetUserPreferredUILanguages(MUI_LANGUAGE_NAME, &count, nullptr, &length) && length > 0) {
    std::wstring names(length, L'\0');
    if (::GetUserPreferredUILanguages(MUI_LANGUAGE_NAME, &count, names.data(), &length)) {
      for (const wchar_t* name = names.c_str(); *name != L'\0'; name += std::wcslen(name) + 1) {
        preferred.push_back(Utf8FromWide(name));
      }
    }
  }
  return OpenEmbeddedCatalog(languageSetting, preferred);
}

std::string Win32Language::FormatLongDate(double date) {
  const CalendarDate day = DecodeDate(date);
  SYSTEMTIME time{};
  time.wYear = static_cast<WORD>(day.Year);
  time.wMonth = static_cast<WORD>(day.Month);
  time.wDay = static_cast<WORD>(day.Day);
  // Day 0 (30 December 1899) was a Saturday.
  const auto whole = static_cast<long long>(date);  // the day, as DecodeDate counts it
  time.wDayOfWeek = static_cast<WORD>(((whole + 6) % 7 + 7) % 7);
  if (day.Year >= 1601 && day.Year <= 30827) {
    wchar_t text[256];
    if (::GetDateFormatW(LOCALE_USER_DEFAULT, DATE_LONGDATE, &time, nullptr, text, std::size(text)) > 0) {
      return Utf8FromWide(text);
    }
  }
  char fallback[32];
  std::snprintf(fallback, sizeof fallback, "%04d-%02d-%02d", day.Year, day.Month, day.Day);
  return fallback;
}

}  // namespace nivarra
