#include "scene/countdown.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "core/date_time.h"
#include "core/translation.h"

namespace nivarra {

namespace {

// The plaque's word, drawn for every language and plural form by artgen
// from the catalogs into the pictures PlaqueLabelName names.
[[maybe_unused]] constexpr PluralText kPlaqueWord = NP_("day", "days");

// The prefix of a language's own label pictures: imgDays_ru_.
std::string OwnLabelPrefix(const std::string& language) { return "imgDays_" + language + "_"; }

}  // namespace

PlaqueLabel EnglishPlaqueLabel(int count) {
  return count == 1 ? PlaqueLabel{"imgDDay", HolidayCountdown::kDayWidth}
                    : PlaqueLabel{"imgDays", HolidayCountdown::kDaysWidth};
}

std::string PlaqueLabelName(int count) {
  const std::string language = CurrentLanguage();
  if (language.empty() || count < 0) return EnglishPlaqueLabel(count).Name;
  return OwnLabelPrefix(language) + std::to_string(PluralFormFor(static_cast<std::uint64_t>(count)));
}

bool IsPlaqueLabelInUse(const std::string& name) {
  if (name == EnglishPlaqueLabel(1).Name || name == EnglishPlaqueLabel(2).Name) return true;
  const std::string language = CurrentLanguage();
  return !language.empty() && name.starts_with(OwnLabelPrefix(language));
}

std::vector<CountdownGlyph> CountdownGlyphs(int daysLeft, const std::function<int(char digit)>& digitWidth,
                                            const std::function<PlaqueLabel(int count)>& label) {
  std::vector<CountdownGlyph> glyphs;
  if (daysLeft < 0 || daysLeft > HolidayCountdown::kMaxShown) return glyphs;
  const std::string text = std::to_string(daysLeft);
  const PlaqueLabel english = EnglishPlaqueLabel(daysLeft);
  const PlaqueLabel word = label ? label(daysLeft) : english;
  // Centres the number on the plaque; the lone narrow 1 needs a push right.
  int shift = text.size() == 1 ? 0 : text.size() == 2 ? -4 : -9;
  if (text == "1") shift = 10;
  shift -= (word.Width - english.Width) / 2;

  int advance = 8;
  for (char c : text) advance += digitWidth(c) - 2;  // neighbouring digits overlap by two pixels
  const int left = shift + HolidayCountdown::kPenX;
  shift += std::max(0, HolidayCountdown::kFaceLeft - left);
  shift -= std::max(0, left + advance + word.Width - HolidayCountdown::kFaceRight);

  int x = HolidayCountdown::kPenX;
  for (char c : text) {
    glyphs.push_back({std::string("d") + c, shift + x, HolidayCountdown::kTextY});
    x += digitWidth(c) - 2;
  }
  x += 8;
  glyphs.push_back({word.Name, shift + x, HolidayCountdown::kTextY});
  return glyphs;
}

namespace {

// The first month/day on or after today, looking no further than next year.
double NextOccurrence(double today, int year, int month, int day) {
  const double date = EncodeDate(year, month, day);
  return date >= today ? date : EncodeDate(year + 1, month, day);
}

}  // namespace

void HolidayCountdown::UpdateHolidayDates(double now, const LongDateFormatter& formatLongDate) {
  formatLongDate_ = formatLongDate;
  SetDates(DateOf(now));
}

bool HolidayCountdown::FollowDate(double now) {
  if (!formatLongDate_ || !std::isfinite(now)) return false;
  const double today = DateOf(now);
  if (today == today_) return false;
  SetDates(today);
  return true;
}

void HolidayCountdown::SetDates(double today) {
  today_ = today;
  const int year = DecodeDate(today).Year;
  christmasDate_ = NextOccurrence(today, year, 12, 25);
  newYearDate_ = NextOccurrence(today, year, 1, 1);
  julianDate_ = NextOccurrence(today, year, 1, 7);
  christmasCaption_ = Translate("Christmas - ") + formatLongDate_(christmasDate_);
  newYearCaption_ = Translate("New Year - ") + formatLongDate_(newYearDate_);
  julianCaption_ = Translate("Julian Christmas - ") + formatLongDate_(julianDate_);
}

int HolidayCountdown::CountDays(double now, CountdownChoice choice) {
  const double* date = nullptr;
  if (choice.Christmas) date = &christmasDate_;
  if (choice.NewYear) date = &newYearDate_;
  if (choice.Julian) date = &julianDate_;
  if (date == nullptr) return daysLeft_ = -1;
  // Both are midnights, so the difference is a whole number of days.
  const double days = *date - DateOf(now);
  daysLeft_ = std::fabs(days) < static_cast<double>(INT_MAX) ? static_cast<int>(days) : INT_MAX;
  return daysLeft_;
}

}  // namespace nivarra
