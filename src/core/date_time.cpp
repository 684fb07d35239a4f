#include "core/date_time.h"

#include <cmath>

namespace nivarra {

namespace {

// Days from 1 March of year 0 to the given day, counting whole 400-year eras
// so that the leap rule needs no special cases.
long long DaysFromCivil(long long y, int m, int d) {
  y -= m <= 2 ? 1 : 0;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const long long yearOfEra = y - era * 400;                    // 0..399
  const int monthFromMarch = m > 2 ? m - 3 : m + 9;              // 0..11
  const long long dayOfYear = (153 * monthFromMarch + 2) / 5 + d - 1;  // 0..365
  const long long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra;
}

CalendarDate CivilFromDays(long long days) {
  const long long era = (days >= 0 ? days : days - 146096) / 146097;
  const long long dayOfEra = days - era * 146097;  // 0..146096
  const long long yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const long long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const int monthFromMarch = static_cast<int>((5 * dayOfYear + 2) / 153);
  const int day = static_cast<int>(dayOfYear - (153 * monthFromMarch + 2) / 5 + 1);
  const int month = monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9;
  const long long year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
  return CalendarDate{static_cast<int>(year), month, day};
}

const long long kDayZero = DaysFromCivil(1899, 12, 30);

}  // namespace

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

double EncodeDate(int year, int month, int day) {
  return static_cast<double>(DaysFromCivil(year, month, day) - kDayZero);
}

double EncodeDateTime(int year, int month, int day, int hour, int minute, double seconds) {
  const double time = (hour * 3600.0 + minute * 60.0 + seconds) / 86400.0;
  const double date = EncodeDate(year, month, day);
  // Before day zero the fraction still counts forward from that day's midnight.
  return date < 0 ? date - time : date + time;
}

CalendarDate DecodeDate(double dateTime) {
  // Far beyond any calendar the program shows; keeps the conversion defined.
  if (!std::isfinite(dateTime) || std::fabs(dateTime) > 1e9) return CalendarDate{};
  return CivilFromDays(static_cast<long long>(std::trunc(dateTime)) + kDayZero);
}

double DateOf(double dateTime) { return std::trunc(dateTime); }

}  // namespace nivarra
