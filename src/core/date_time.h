#pragma once
// Date-times as the globe counts them: days since 30 December 1899 at
// midnight, the fraction being the time of day (proleptic Gregorian).

namespace nivarra {

struct CalendarDate {
  int Year = 1899;
  int Month = 12;  // 1..12
  int Day = 30;    // 1..31
  friend bool operator==(const CalendarDate&, const CalendarDate&) = default;
};

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);

// Midnight of the given day. Out-of-range months and days are not checked.
double EncodeDate(int year, int month, int day);
// The given day and time of day; seconds may carry a fraction.
double EncodeDateTime(int year, int month, int day, int hour, int minute, double seconds = 0);

// The calendar day a date-time falls on. For negative values the whole part
// is the day and the fraction the time on it, so -1.25 is 29 December 1899.
CalendarDate DecodeDate(double dateTime);

// Midnight of the day a date-time falls on, the day DecodeDate names: the
// whole part, which for negative values is not the floor.
double DateOf(double dateTime);

}  // namespace nivarra
