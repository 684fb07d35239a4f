#pragma once
// The holiday countdown on the globe's plaque: the three holiday dates of
// the starting year, the captions of their menu items, and the number of
// days to or since the chosen holiday written with digit images.

#include <functional>
#include <string>
#include <vector>

namespace nivarra {

class TCanvas;
class TComponent;

// Whole days between two date-times: |a - b| truncated. Spans too large for
// 32 bits (or not a number) give INT32_MAX, which is never drawn.
int DaysBetween(double a, double b);

// One image of the countdown: its name and top-left corner.
struct CountdownGlyph {
  std::string Name;
  int X = 0;
  int Y = 0;
  friend bool operator==(const CountdownGlyph&, const CountdownGlyph&) = default;
};

// The images that write daysLeft, in drawing order; empty outside 0..367.
// digitWidth answers the Width of "d0".."d9" for a digit character.
std::vector<CountdownGlyph> CountdownGlyphs(int daysLeft, const std::function<int(char digit)>& digitWidth);

// Which countdown menu items are checked. They form one radio group; should
// several be set, the later one wins.
struct CountdownChoice {
  bool Christmas = false;
  bool NewYear = false;
  bool Julian = false;
};

class HolidayCountdown {
 public:
  // Writes a date-time in the user's long date format.
  using LongDateFormatter = std::function<std::string(double dateTime)>;

  static constexpr int kMaxShown = 367;
  static constexpr int kPenX = 105;
  static constexpr int kTextY = 187;

  // Takes the year of now (a local date-time) and sets the three dates and
  // the captions built with formatLongDate.
  void UpdateHolidayDates(double now, const LongDateFormatter& formatLongDate);
  // Puts the captions on owner's pmiChristmas, pmiNewYear and pmiJulian.
  void ApplyCaptions(const TComponent& owner) const;

  // Works out DaysLeft from now and the chosen date and writes it with the
  // digit and label images found among owner's components. With no item
  // checked nothing is drawn.
  void Draw(TCanvas& canvas, const TComponent& owner, double now, CountdownChoice choice);
  // Draw with the checks read from owner's three countdown menu items.
  void Draw(TCanvas& canvas, const TComponent& owner, double now);

  double ChristmasDate() const { return christmasDate_; }
  double NewYearDate() const { return newYearDate_; }
  double JulianDate() const { return julianDate_; }
  const std::string& ChristmasCaption() const { return christmasCaption_; }
  const std::string& NewYearCaption() const { return newYearCaption_; }
  const std::string& JulianCaption() const { return julianCaption_; }
  // The value of the last Draw (-1 before the first or without a choice).
  int DaysLeft() const { return daysLeft_; }

 private:
  double christmasDate_ = 0, newYearDate_ = 0, julianDate_ = 0;
  std::string christmasCaption_, newYearCaption_, julianCaption_;
  int daysLeft_ = -1;
};

}  // namespace nivarra
