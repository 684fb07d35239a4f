// The holiday countdown and the date-time arithmetic under it. Date-time
// serials were counted by hand from day 0 = 30 December 1899 (2000-01-01 is
// 36526; 2026-01-01 is 36526 + 26 × 365 + 7 leap days = 46023).

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "graphics/canvas.h"
#include "graphics/pixel_store.h"
#include "graphics/stream.h"
#include "layout/component.h"
#include "layout/controls.h"
#include "layout/menus.h"
#include "layout/picture.h"
#include "png/png_object.h"
#include "scene/countdown.h"
#include "scene/date_time.h"
#include "support/png_builder.h"

namespace nivarra {
namespace {

constexpr double kChristmas2026 = 46381;  // 46023 + 358
constexpr double kNewYear2027 = 46388;
constexpr double kJulian2027 = 46394;
constexpr double kHour = 1.0 / 24;

TEST(DateTime, SerialsFollowTheGregorianCalendar) {
  EXPECT_EQ(EncodeDate(1899, 12, 30), 0);
  EXPECT_EQ(EncodeDate(1900, 2, 28), 60);
  EXPECT_EQ(EncodeDate(1900, 3, 1), 61);  // 1900 has no 29 February
  EXPECT_EQ(EncodeDate(2000, 1, 1), 36526);
  EXPECT_EQ(EncodeDate(2024, 2, 29), 45351);
  EXPECT_EQ(EncodeDate(2026, 12, 25), kChristmas2026);
  EXPECT_EQ(EncodeDate(1, 1, 1), -693593);
  EXPECT_EQ(EncodeDateTime(2026, 12, 24, 18, 0), kChristmas2026 - 0.25);
  EXPECT_EQ(EncodeDateTime(1899, 12, 29, 6, 0), -1.25);

  EXPECT_EQ(DecodeDate(45351.99), (CalendarDate{2024, 2, 29}));
  EXPECT_EQ(DecodeDate(61), (CalendarDate{1900, 3, 1}));
  EXPECT_EQ(DecodeDate(-1.25), (CalendarDate{1899, 12, 29}));
  EXPECT_EQ(DecodeDate(-693593), (CalendarDate{1, 1, 1}));

  EXPECT_FALSE(IsLeapYear(1900));
  EXPECT_TRUE(IsLeapYear(2000));
  EXPECT_TRUE(IsLeapYear(2024));
  EXPECT_EQ(DaysInMonth(2024, 2), 29);
  EXPECT_EQ(DaysInMonth(2026, 2), 28);
}

TEST(Countdown, DaysBetweenIsAbsoluteAndTruncated) {
  EXPECT_EQ(DaysBetween(10.75, 10), 0);
  EXPECT_EQ(DaysBetween(10, 10.75), 0);
  EXPECT_EQ(DaysBetween(8.75, 10), 1);
  EXPECT_EQ(DaysBetween(10, 8.75), 1);
  EXPECT_EQ(DaysBetween(-3.5, 4), 7);
}

std::string FakeLongDate(double dateTime) {
  static const std::map<double, std::string> kNames = {{kChristmas2026, "Friday, 25 December 2026"},
                                                       {kNewYear2027, "Friday, 1 January 2027"},
                                                       {kJulian2027, "Thursday, 7 January 2027"}};
  const auto it = kNames.find(dateTime);
  return it == kNames.end() ? "?" : it->second;
}

TEST(Countdown, HolidayDatesAndCaptionsComeFromTheStartingYear) {
  for (double now : {46023.0 /* 1 Jan 2026, midnight */, kChristmas2026 + 6 + 23 * kHour /* 31 Dec 23:00 */}) {
    HolidayCountdown countdown;
    countdown.UpdateHolidayDates(now, FakeLongDate);
    EXPECT_EQ(countdown.ChristmasDate(), kChristmas2026);
    EXPECT_EQ(countdown.NewYearDate(), kNewYear2027);
    EXPECT_EQ(countdown.JulianDate(), kJulian2027);
    EXPECT_EQ(countdown.ChristmasCaption(), "Christmas - Friday, 25 December 2026");
    EXPECT_EQ(countdown.NewYearCaption(), "New Year - Friday, 1 January 2027");
    EXPECT_EQ(countdown.JulianCaption(), "Julian Christmas - Thursday, 7 January 2027");
  }

  TComponent owner(nullptr);
  const char* names[] = {"pmiChristmas", "pmiNewYear", "pmiJulian"};
  std::vector<TMenuItem*> items;
  for (const char* name : names) {
    items.push_back(new TMenuItem(&owner));
    items.back()->SetName(name);
    items.back()->SetCaption("old");
  }
  HolidayCountdown countdown;
  countdown.UpdateHolidayDates(kChristmas2026, FakeLongDate);
  countdown.ApplyCaptions(owner);
  EXPECT_EQ(items[0]->Caption(), "Christmas - Friday, 25 December 2026");
  EXPECT_EQ(items[1]->Caption(), "New Year - Friday, 1 January 2027");
  EXPECT_EQ(items[2]->Caption(), "Julian Christmas - Thursday, 7 January 2027");
}

// --- drawing ---------------------------------------------------------------

constexpr int kDigitWidths[10] = {17, 11, 19, 18, 18, 17, 17, 16, 18, 18};

// Each glyph a solid colour of its own, so a drawn row says which glyph
// covers each pixel.
std::uint8_t GlyphShade(const std::string& name) {
  if (name == "imgDDay") return 200;
  if (name == "imgDays") return 220;
  return static_cast<std::uint8_t>(20 + 10 * (name[1] - '0'));
}

TColor GlyphColour(const std::string& name) { return static_cast<TColor>(GlyphShade(name)) << 8; }

void AddGlyph(TComponent& owner, const std::string& name, int width) {
  const std::uint8_t g = GlyphShade(name);
  TMemoryStream stream(test::RgbaPng(width, 20, [&](int, int) { return test::Rgba{0, g, 0, 255}; }));
  auto png = std::make_unique<TPNGObject>();
  png->ReadPngStream(stream);
  auto* image = new TImage(&owner);
  image->SetName(name);
  image->SetAutoSize(true);
  image->Picture().SetGraphic(std::move(png));
}

struct Plaque {
  Plaque() : store(300, 260, 32, RowOrder::TopDown), canvas(store) {
    for (int d = 0; d < 10; ++d) AddGlyph(owner, "d" + std::to_string(d), kDigitWidths[d]);
    AddGlyph(owner, "imgDDay", 41);
    AddGlyph(owner, "imgDays", 53);
    countdown.UpdateHolidayDates(kChristmas2026 - 100, FakeLongDate);
  }
  // Draws the Christmas count at now onto a cleared store.
  void Draw(double now) {
    store.Fill(0, 0, 0, 0);
    countdown.Draw(canvas, owner, now, CountdownChoice{true, false, false});
  }
  TComponent owner{nullptr};
  PixelStore store;
  TCanvas canvas;
  HolidayCountdown countdown;
};

struct Placed {
  std::string Name;
  int X;
};

// Checks that exactly the given glyphs are on the plaque's top row, each
// starting at its x, and that nothing is drawn above or below the text.
void ExpectGlyphs(const Plaque& plaque, const std::vector<Placed>& expected) {
  std::set<TColor> wanted;
  for (const Placed& p : expected) {
    SCOPED_TRACE(p.Name);
    const TColor colour = GlyphColour(p.Name);
    wanted.insert(colour);
    EXPECT_EQ(plaque.store.PixelColour(p.X, 187), colour);
    EXPECT_EQ(plaque.store.PixelColour(p.X, 206), colour);
    EXPECT_NE(plaque.store.PixelColour(p.X - 1, 187), colour);
  }
  // The label is last and drawn whole.
  const Placed& label = expected.back();
  const int labelWidth = label.Name == "imgDDay" ? 41 : 53;
  EXPECT_EQ(plaque.store.PixelColour(label.X + labelWidth - 1, 187), GlyphColour(label.Name));
  EXPECT_EQ(plaque.store.PixelColour(label.X + labelWidth, 187), 0u);

  std::set<TColor> seen;
  for (int x = 0; x < 300; ++x) {
    const TColor c = plaque.store.PixelColour(x, 187);
    if (c != 0) seen.insert(c);
    EXPECT_EQ(plaque.store.PixelColour(x, 186), 0u);
    EXPECT_EQ(plaque.store.PixelColour(x, 207), 0u);
  }
  EXPECT_EQ(seen, wanted);
}

// The worked positions: pen from 105, each digit advancing by its width
// less 2, the label 8 further on, all moved by the shift for the length.
TEST(Countdown, WorkedPositionsOnThePlaque) {
  Plaque plaque;
  const struct {
    int days;
    std::vector<Placed> glyphs;
  } cases[] = {
      {0, {{"d0", 105}, {"imgDays", 128}}},
      {1, {{"d1", 115}, {"imgDDay", 132}}},
      {7, {{"d7", 105}, {"imgDays", 127}}},
      {25, {{"d2", 101}, {"d5", 118}, {"imgDays", 141}}},
      {365, {{"d3", 96}, {"d6", 112}, {"d5", 127}, {"imgDays", 150}}},
      {367, {{"d3", 96}, {"d6", 112}, {"d7", 127}, {"imgDays", 149}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.days);
    plaque.Draw(kChristmas2026 - c.days - 0.5);
    EXPECT_EQ(plaque.countdown.DaysLeft(), c.days);
    ExpectGlyphs(plaque, c.glyphs);
  }

  plaque.Draw(kChristmas2026 - 368);
  EXPECT_EQ(plaque.countdown.DaysLeft(), 368);
  for (int x = 0; x < 300; ++x) EXPECT_EQ(plaque.store.PixelColour(x, 187), 0u) << x;
}

TEST(Countdown, GlyphsForElevenUseTheTwoDigitShiftAndPlural) {
  const auto width = [](char c) { return kDigitWidths[c - '0']; };
  // 105 - 4; pen 105 + 9 = 114 → 110; pen 114 + 9 + 8 = 131 → 127.
  EXPECT_EQ(CountdownGlyphs(11, width),
            (std::vector<CountdownGlyph>{{"d1", 101, 187}, {"d1", 110, 187}, {"imgDays", 127, 187}}));
  EXPECT_TRUE(CountdownGlyphs(368, width).empty());
  EXPECT_TRUE(CountdownGlyphs(-1, width).empty());
}

// Times around the holidays, with the Christmas, New Year or Julian item
// checked as the case says.
TEST(Countdown, DaysAroundTheHolidays) {
  Plaque plaque;
  // 18:00 on 24 December: a quarter of a day, shown as 0.
  plaque.Draw(EncodeDateTime(2026, 12, 24, 18, 0));
  EXPECT_EQ(plaque.countdown.DaysLeft(), 0);
  // 18:00 on 23 December: 1.25 days, the singular with the shift 10.
  plaque.Draw(kChristmas2026 - 1 - 0.25);
  EXPECT_EQ(plaque.countdown.DaysLeft(), 1);
  ExpectGlyphs(plaque, {{"d1", 115}, {"imgDDay", 132}});
  // All of Christmas Day is 0; 10:00 on 26 December counts 1 day since.
  plaque.Draw(kChristmas2026 + 23 * kHour);
  EXPECT_EQ(plaque.countdown.DaysLeft(), 0);
  plaque.Draw(kChristmas2026 + 1 + 10 * kHour);
  EXPECT_EQ(plaque.countdown.DaysLeft(), 1);

  // Julian Christmas from 1 January: 7 January of the next year, 370 days on
  // (371 from a leap year) and nothing drawn; from 4 January 2026, 367 days.
  const CountdownChoice julian{false, false, true};
  for (const auto& [now, days] : {std::pair{46023.0 + 9 * kHour, 370}, std::pair{45292.0 + 9 * kHour, 371},
                                  std::pair{46026.0 + 9 * kHour, 367}}) {
    SCOPED_TRACE(days);
    HolidayCountdown countdown;
    countdown.UpdateHolidayDates(now, FakeLongDate);
    plaque.store.Fill(0, 0, 0, 0);
    countdown.Draw(plaque.canvas, plaque.owner, now, julian);
    EXPECT_EQ(countdown.DaysLeft(), days);
    EXPECT_EQ(plaque.store.PixelColour(96, 187), days == 367 ? GlyphColour("d3") : 0u);
  }

  // The checks read from the menu items: New Year 2027 is 7 days after 25 December.
  auto* christmas = new TMenuItem(&plaque.owner);
  christmas->SetName("pmiChristmas");
  auto* newYear = new TMenuItem(&plaque.owner);
  newYear->SetName("pmiNewYear");
  newYear->SetChecked(true);
  plaque.countdown.Draw(plaque.canvas, plaque.owner, kChristmas2026);
  EXPECT_EQ(plaque.countdown.DaysLeft(), 7);
}

}  // namespace
}  // namespace nivarra
