// The holiday countdown and the date-time arithmetic under it. Date-time
// serials were counted by hand from day 0 = 30 December 1899 (2000-01-01 is
// 36526; 2026-01-01 is 36526 + 26 × 365 + 7 leap days = 46023).

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/globe_artwork.h"
#include "app/globe_form.h"
#include "app/scaled_pictures.h"
#include "app/scene_presenter.h"
#include "graphics/canvas.h"
#include "graphics/pixel_store.h"
#include "graphics/stream.h"
#include "layout/component.h"
#include "layout/controls.h"
#include "layout/menus.h"
#include "layout/picture.h"
#include "platform/headless/headless_platform.h"
#include "png/png_object.h"
#include "scene/countdown.h"
#include "core/date_time.h"
#include "scene/globe_scene.h"
#include "support/plaque_glyphs.h"
#include "support/png_builder.h"

namespace nivarra {
namespace {

constexpr double kChristmas2026 = 46381;  // 46023 + 358

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

// The date as year-month-day, so that a caption shows which year it names;
// anything but a midnight is marked.
std::string FakeLongDate(double dateTime) {
  if (dateTime != DateOf(dateTime)) return "not a day";
  const CalendarDate d = DecodeDate(dateTime);
  return std::to_string(d.Year) + "-" + std::to_string(d.Month) + "-" + std::to_string(d.Day);
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
  // Draws the count to the chosen holiday at now onto a cleared store.
  void Draw(double now, CountdownChoice choice = {true, false, false}) {
    store.Fill(0, 0, 0, 0);
    test::DrawCountdownFrom(owner, countdown, now, choice, [&](const std::string& name, int x, int y) {
      const auto* image = dynamic_cast<const TImage*>(owner.FindOwnedComponent(name));
      if (image != nullptr) canvas.DrawGraphic(x, y, image->Picture().Graphic());
    });
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
    plaque.Draw(kChristmas2026 - c.days + 0.5);  // noon; Draw counts to the dates last set
    EXPECT_EQ(plaque.countdown.DaysLeft(), c.days);
    ExpectGlyphs(plaque, c.glyphs);
  }

  plaque.Draw(kChristmas2026 - 368 + 0.5);
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

// Each holiday is its next date on or after today, and the count is whole
// calendar days to it whatever the time of day: the days before, of and
// after each holiday, the turn of the year, 1 to 7 January for Julian
// Christmas, and spans over 29 February 2028.
TEST(Countdown, NextDatesAndCalendarDaysLeft) {
  struct Holiday {
    CalendarDate Date;
    int Days;
  };
  const struct {
    double Now;
    Holiday Christmas, NewYear, Julian;
  } cases[] = {
      {EncodeDateTime(2026, 12, 8, 10, 0), {{2026, 12, 25}, 17}, {{2027, 1, 1}, 24}, {{2027, 1, 7}, 30}},
      {EncodeDateTime(2026, 12, 24, 23, 59), {{2026, 12, 25}, 1}, {{2027, 1, 1}, 8}, {{2027, 1, 7}, 14}},
      {EncodeDateTime(2026, 12, 25, 0, 0), {{2026, 12, 25}, 0}, {{2027, 1, 1}, 7}, {{2027, 1, 7}, 13}},
      {EncodeDateTime(2026, 12, 25, 23, 59), {{2026, 12, 25}, 0}, {{2027, 1, 1}, 7}, {{2027, 1, 7}, 13}},
      {EncodeDateTime(2026, 12, 26, 0, 0), {{2027, 12, 25}, 364}, {{2027, 1, 1}, 6}, {{2027, 1, 7}, 12}},
      {EncodeDateTime(2026, 12, 31, 23, 59), {{2027, 12, 25}, 359}, {{2027, 1, 1}, 1}, {{2027, 1, 7}, 7}},
      {EncodeDateTime(2027, 1, 1, 0, 0), {{2027, 12, 25}, 358}, {{2027, 1, 1}, 0}, {{2027, 1, 7}, 6}},
      {EncodeDateTime(2027, 1, 2, 0, 0), {{2027, 12, 25}, 357}, {{2028, 1, 1}, 364}, {{2027, 1, 7}, 5}},
      {EncodeDateTime(2027, 1, 3, 9, 0), {{2027, 12, 25}, 356}, {{2028, 1, 1}, 363}, {{2027, 1, 7}, 4}},
      {EncodeDateTime(2027, 1, 4, 9, 0), {{2027, 12, 25}, 355}, {{2028, 1, 1}, 362}, {{2027, 1, 7}, 3}},
      {EncodeDateTime(2027, 1, 5, 9, 0), {{2027, 12, 25}, 354}, {{2028, 1, 1}, 361}, {{2027, 1, 7}, 2}},
      {EncodeDateTime(2027, 1, 6, 12, 0), {{2027, 12, 25}, 353}, {{2028, 1, 1}, 360}, {{2027, 1, 7}, 1}},
      {EncodeDateTime(2027, 1, 7, 18, 0), {{2027, 12, 25}, 352}, {{2028, 1, 1}, 359}, {{2027, 1, 7}, 0}},
      {EncodeDateTime(2027, 1, 8, 8, 0), {{2027, 12, 25}, 351}, {{2028, 1, 1}, 358}, {{2028, 1, 7}, 364}},
      {EncodeDateTime(2027, 12, 26, 0, 0), {{2028, 12, 25}, 365}, {{2028, 1, 1}, 6}, {{2028, 1, 7}, 12}},
      {EncodeDateTime(2028, 1, 2, 12, 0), {{2028, 12, 25}, 358}, {{2029, 1, 1}, 365}, {{2028, 1, 7}, 5}},
  };
  Plaque plaque;
  for (const auto& c : cases) {
    const CalendarDate today = DecodeDate(c.Now);
    SCOPED_TRACE(std::to_string(today.Year) + "-" + std::to_string(today.Month) + "-" + std::to_string(today.Day));
    plaque.countdown.UpdateHolidayDates(c.Now, FakeLongDate);
    EXPECT_EQ(DecodeDate(plaque.countdown.ChristmasDate()), c.Christmas.Date);
    EXPECT_EQ(DecodeDate(plaque.countdown.NewYearDate()), c.NewYear.Date);
    EXPECT_EQ(DecodeDate(plaque.countdown.JulianDate()), c.Julian.Date);
    plaque.Draw(c.Now, {true, false, false});
    EXPECT_EQ(plaque.countdown.DaysLeft(), c.Christmas.Days);
    plaque.Draw(c.Now, {false, true, false});
    EXPECT_EQ(plaque.countdown.DaysLeft(), c.NewYear.Days);
    plaque.Draw(c.Now, {false, false, true});
    EXPECT_EQ(plaque.countdown.DaysLeft(), c.Julian.Days);
  }
  // The last case's captions: this year's Julian Christmas, next year's New Year.
  EXPECT_EQ(plaque.countdown.ChristmasCaption(), "Christmas - 2028-12-25");
  EXPECT_EQ(plaque.countdown.NewYearCaption(), "New Year - 2029-1-1");
  EXPECT_EQ(plaque.countdown.JulianCaption(), "Julian Christmas - 2028-1-7");
}

// A globe left running: each frame reads the local time, and past midnight
// the count, the dates and the menu captions move on together, without
// formatting dates again on frames of the same day.
TEST(Countdown, SceneFollowsTheDateWhileRunning) {
  Plaque plaque;
  std::vector<TMenuItem*> items;
  for (const char* name : {"pmiChristmas", "pmiNewYear", "pmiJulian"}) {
    items.push_back(new TMenuItem(&plaque.owner));
    items.back()->SetName(name);
  }
  GlobeScene scene;
  ConnectCountdown(scene, plaque.owner, [] { return CountdownChoice{.NewYear = true}; });
  const Artwork art = ResolveArtwork(ScaledPictures(plaque.owner));
  scene.SetArt(&art);
  PixelStore base(300, 260, 32, RowOrder::TopDown);
  base.Fill(0, 0, 0, 255);  // frames keep the base's alpha
  scene.SetBaseImage(base);
  HeadlessPlatform platform;
  int formatted = 0;
  const auto formatter = [&](double date) {
    ++formatted;
    return FakeLongDate(date);
  };
  platform.SetLocalNow(EncodeDateTime(2026, 12, 31, 23, 59, 59));
  scene.Countdown().UpdateHolidayDates(platform.LocalNow(), formatter);
  ShowCountdownCaptions(scene.Countdown(), plaque.owner);

  const struct {
    double Now;
    int Days;
    const char* NewYear;
    const char* Julian;
  } frames[] = {
      {EncodeDateTime(2026, 12, 31, 23, 59, 59), 1, "2027-1-1", "2027-1-7"},
      {EncodeDateTime(2027, 1, 1, 0, 0, 1), 0, "2027-1-1", "2027-1-7"},
      {EncodeDateTime(2027, 1, 1, 23, 59, 59), 0, "2027-1-1", "2027-1-7"},
      {EncodeDateTime(2027, 1, 2, 0, 0, 1), 364, "2028-1-1", "2027-1-7"},
      {EncodeDateTime(2027, 1, 8, 0, 0, 1), 358, "2028-1-1", "2028-1-7"},
  };
  for (const auto& f : frames) {
    SCOPED_TRACE(f.Days);
    platform.SetLocalNow(f.Now);
    const PixelStore& frame = scene.ComposeFrame(FrameInputFrom(platform), true);
    EXPECT_EQ(scene.Countdown().DaysLeft(), f.Days);
    EXPECT_EQ(items[0]->Caption(), "Christmas - 2027-12-25");
    EXPECT_EQ(items[1]->Caption(), std::string("New Year - ") + f.NewYear);
    EXPECT_EQ(items[2]->Caption(), std::string("Julian Christmas - ") + f.Julian);
    // The singular needs the lone 1 at 115; anything else starts at 105 or left of it.
    EXPECT_EQ(frame.PixelColour(115, 187) == GlyphColour("d1"), f.Days == 1);
    const int formattedSoFar = formatted;
    scene.ComposeFrame(FrameInputFrom(platform), true);  // the same day again
    EXPECT_EQ(formatted, formattedSoFar);
  }
}

}  // namespace
}  // namespace nivarra
