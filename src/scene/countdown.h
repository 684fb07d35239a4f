#pragma once
// The holiday countdown on the globe's plaque: the next Christmas, New Year
// and Julian Christmas counted from today, the captions for their menu
// items, and the calendar days left to the chosen one written with digit
// images.

#include <functional>
#include <string>
#include <vector>

namespace nivarra {

// One image of the countdown: its name and top-left corner.
struct CountdownGlyph {
  std::string Name;
  int X = 0;
  int Y = 0;
  friend bool operator==(const CountdownGlyph&, const CountdownGlyph&) = default;
};

// The plaque's word after a count: the picture of "day" or "days" in the
// language in use, in the plural form its catalog writes for the count.
struct PlaqueLabel {
  std::string Name;
  int Width = 0;
};

// The name of the label picture for count in the language in use:
// imgDDay or imgDays in English, else imgDays_<language>_<form>
// (imgDays_ru_2 is "дней").
std::string PlaqueLabelName(int count);
// Whether name is a label picture PlaqueLabelName may give: an English
// one or one of the language in use.
bool IsPlaqueLabelInUse(const std::string& name);
// The English word's picture for count: imgDDay for 1, else imgDays.
PlaqueLabel EnglishPlaqueLabel(int count);

// The images that write daysLeft, in drawing order; empty outside 0..367.
// digitWidth answers the Width of "d0".."d9" for a digit character; label
// the picture written after the count (the English labels by default). The
// writing is placed as the English one, moved left by half of what the
// label is wider than the English word, and kept between the plaque's pins.
std::vector<CountdownGlyph> CountdownGlyphs(int daysLeft, const std::function<int(char digit)>& digitWidth,
                                            const std::function<PlaqueLabel(int count)>& label = {});

// Which holiday the plaque counts to; should several be set, the later
// one wins, and with none the plaque stays empty.
struct CountdownChoice {
  bool Christmas = false;
  bool NewYear = false;
  bool Julian = false;
  friend bool operator==(const CountdownChoice&, const CountdownChoice&) = default;
};

// The choice as the settings store it: 0 Christmas, 1 New Year, 2 Julian
// Christmas; any other number chooses none.
constexpr CountdownChoice CountdownChoiceOf(int target) {
  return CountdownChoice{target == 0, target == 1, target == 2};
}

class HolidayCountdown {
 public:
  // Writes a date-time in the user's long date format.
  using LongDateFormatter = std::function<std::string(double dateTime)>;

  static constexpr int kMaxShown = 367;
  static constexpr int kPenX = 105;
  static constexpr int kTextY = 187;
  // The English labels' widths, "day" and "days".
  static constexpr int kDayWidth = 41;
  static constexpr int kDaysWidth = 53;
  // The boxes of the writing stay between the plaque's two pins: their ink,
  // two columns inside a box's left edge and three inside its right, keeps
  // a pixel of the face clear of either pin.
  static constexpr int kFaceLeft = 89;
  static constexpr int kFaceRight = 208;

  // Keeps formatLongDate for the captions and sets each date to the first
  // 25 December, 1 January or 7 January on or after the day of now (a
  // local date-time).
  void UpdateHolidayDates(double now, const LongDateFormatter& formatLongDate);
  // Sets the dates and captions again when now falls on another day than
  // the one they were set for, and says whether it did. Nothing happens
  // before the first UpdateHolidayDates. Cheap on an unchanged day, so it
  // can run every frame.
  bool FollowDate(double now);

  // Works out DaysLeft, the calendar days from the day of now to the chosen
  // date (the time of day does not count), and returns it: -1 with no
  // holiday chosen. The dates are the ones last set.
  int CountDays(double now, CountdownChoice choice);

  double ChristmasDate() const { return christmasDate_; }
  double NewYearDate() const { return newYearDate_; }
  double JulianDate() const { return julianDate_; }
  // The captions for the holidays' menu items: "Christmas - " and the
  // date in the user's long format, and so on; the app puts them on the menu.
  const std::string& ChristmasCaption() const { return christmasCaption_; }
  const std::string& NewYearCaption() const { return newYearCaption_; }
  const std::string& JulianCaption() const { return julianCaption_; }
  // The value of the last CountDays (-1 before the first or without a choice).
  int DaysLeft() const { return daysLeft_; }

 private:
  void SetDates(double today);

  LongDateFormatter formatLongDate_;
  double today_ = 0;  // the day the dates were set for
  double christmasDate_ = 0, newYearDate_ = 0, julianDate_ = 0;
  std::string christmasCaption_, newYearCaption_, julianCaption_;
  int daysLeft_ = -1;
};

}  // namespace nivarra
