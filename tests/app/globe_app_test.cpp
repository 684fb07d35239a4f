// The globe window on the headless desktop: start, settings, menu commands,
// dragging and closing, from the real layout.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/base_image.h"
#include "app/globe_app.h"
#include "app/placement.h"
#include "app/region.h"
#include "app/settings.h"
#include "layout/bitmap.h"
#include "layout/resources.h"
#include "platform/headless/headless_platform.h"
#include "core/date_time.h"
#include "scene/globe_scene.h"
#include "scene/random.h"
#include "support/menu_choice.h"
#include "support/png_builder.h"

namespace nivarra {
namespace {

class Globe : public ::testing::Test {
 protected:
  Globe() {
    RegisterLayoutResources();
    RandomSeed() = 0;
    platform_.SetTickCount(100000);
    platform_.SetLocalNow(EncodeDateTime(2026, 12, 7, 12, 0));
  }

  // Starts the program and shows the window.
  void Start() {
    app_ = std::make_unique<GlobeApp>(platform_);
    app_->Run();
  }
  void Close() { platform_.RequestClose(); }
  TfrmMain& Form() { return app_->Form(); }
  // An item as the menu shows it when it opens.
  TMenuItem& Item(GlobeSlot slot) { return Shown(Form().MenuItem(slot)); }
  TMenuItem& Shown(TMenuItem* item) {
    Form().ShowSettingsOnMenu();
    return *item;
  }
  // Picks an item from the popup menu opened by a right click.
  void Choose(GlobeSlot slot) { Choose(&Item(slot)); }
  void Choose(TMenuItem* item) {
    platform_.SetMenuChoice(test::Picking(Form(), item));
    app_->ContextMenu({1000, 800});
  }

  HeadlessPlatform::SettingValues& Stored() { return platform_.Settings(); }
  void Store(const std::string& name, SettingValue value) { Stored()[name] = std::move(value); }
  std::int32_t StoredInteger(const std::string& name) { return std::get<std::int32_t>(Stored().at(name)); }

  HeadlessPlatform platform_;
  std::unique_ptr<GlobeApp> app_;
};

TEST_F(Globe, FirstStartShowsTheDefaultsAndTheFirstCloseWritesThemAll) {
  Start();
  EXPECT_TRUE(platform_.HasSettings());  // created, empty, at load
  EXPECT_EQ(platform_.Window().Position, (ScreenPoint{1280 - 305, 984 - 260}));
  EXPECT_EQ(Form().TransparencyAlpha(), 255);
  EXPECT_EQ(Form().Scene()->Settings.AnimationInterval, 1000);
  EXPECT_EQ(Form().Timer(GlobeSlot::TimerGarland)->Interval(), 20);
  EXPECT_TRUE(Item(GlobeSlot::pmiChristmas).Checked());
  EXPECT_TRUE(Form().Scene()->Settings.SnowEnabled);
  EXPECT_EQ(platform_.Window().Topmost, true);
  EXPECT_TRUE(platform_.Window().TaskbarButtonHidden);
  EXPECT_EQ(platform_.Window().OwnerToDesktopCount, 2);
  EXPECT_TRUE(Item(GlobeSlot::pmiStartUp).Checked());
  // The first frame follows the settings: shown at full alpha where the window stands.
  EXPECT_EQ(platform_.LastPresentation().ConstantAlpha, 255);
  EXPECT_EQ(platform_.LastPresentation().Left, 975);
  EXPECT_TRUE(platform_.Messages().empty());
  EXPECT_NE(Item(GlobeSlot::pmiNewYear).Caption().find("New Year - "), std::string::npos);

  Close();
  EXPECT_TRUE(platform_.Window().Closed);
  const std::map<std::string, SettingValue, std::less<>> expected = {
      {"OnTop", 1}, {"TrVal", 0}, {"Top", 724}, {"Left", 975}, {"iCountdown", 0}, {"iSpeed", 1}, {"isSnowOn", 1},
      {"Size", 100}, {"isShakeOn", 1}};
  EXPECT_EQ(Stored(), expected);
  EXPECT_EQ(platform_.StartWithSystem().Command, "/opt/nivarra/nivarra");
  EXPECT_TRUE(platform_.Window().Hidden);
}

TEST_F(Globe, StoredSettingsComeBackThroughTheMenu) {
  Stored() = {{"OnTop", 0}, {"TrVal", 265}, {"Top", 100}, {"Left", 200}, {"iCountdown", 2}, {"iSpeed", 3},
              {"isSnowOn", 0}};
  platform_.StartWithSystem().Known = true;  // the Run key exists, without our value
  Start();
  EXPECT_EQ(platform_.Window().Position, (ScreenPoint{200, 100}));
  EXPECT_TRUE(Item(GlobeSlot::pmi90).Checked());  // 265: only the low 8 bits count
  EXPECT_EQ(Form().TransparencyAlpha(), 57);
  EXPECT_TRUE(Item(GlobeSlot::pmiJulian).Checked());
  EXPECT_FALSE(Item(GlobeSlot::pmiChristmas).Checked());
  EXPECT_EQ(Form().Timer(GlobeSlot::TimerGarland)->Interval(), 10);
  EXPECT_EQ(Form().Scene()->Settings.AnimationInterval, 40);
  EXPECT_FALSE(Form().Scene()->Settings.SnowEnabled);
  EXPECT_FALSE(Item(GlobeSlot::pmiSnow).Checked());
  EXPECT_EQ(platform_.Window().Topmost, false);
  EXPECT_FALSE(Item(GlobeSlot::pmiStartUp).Checked());

  // The quick frame timer really runs at 10 ms (with snow, every frame differs).
  Choose(GlobeSlot::pmiSnow);
  const int before = platform_.PresentCount();
  platform_.Advance(100);
  EXPECT_EQ(platform_.PresentCount() - before, 10);

  Close();
  EXPECT_EQ(StoredInteger("TrVal"), 9);
  EXPECT_EQ(StoredInteger("iSpeed"), 3);
  EXPECT_EQ(StoredInteger("isSnowOn"), 1);
  EXPECT_FALSE(platform_.StartWithSystem().Command.has_value());
}

// Real time: a fifth speed, stored as 4, whose sky stands where the clock
// puts it. On 7 December in Paris the sun rises at 8:30 and is highest at
// 12:43, so at 10:00 the sky is 90 / 253 of its way from the cycle's
// sunrise (step 273) to its noon (601): 117 steps on.
TEST_F(Globe, RealTimeIsTheFifthSpeedAndTheSkyKeepsTheClock) {
  Stored() = {{"iSpeed", 4}, {"Latitude", std::string("48.85")}, {"Longitude", std::string("2,35")}};
  platform_.SetTimeZone({"unknown", 60});
  platform_.SetLocalNow(EncodeDateTime(2026, 12, 7, 10, 0));
  Start();
  TMenuItem* realTime = Form().RealTimeItem();
  ASSERT_NE(realTime, nullptr);
  TMenuItem* speeds = Item(GlobeSlot::pmiQuickly).ParentItem();
  ASSERT_EQ(speeds->Count(), 5);
  EXPECT_EQ(speeds->Item(3), &Item(GlobeSlot::pmiQuickly));
  EXPECT_EQ(speeds->Item(4), realTime);
  EXPECT_EQ(realTime->Caption(), "Real time");
  EXPECT_TRUE(realTime->RadioItem() && Shown(realTime).Checked() && realTime->GroupIndex() == 0);
  EXPECT_FALSE(Item(GlobeSlot::pmiNormal).Checked());
  EXPECT_EQ(Form().Timer(GlobeSlot::TimerGarland)->Interval(), 20);
  EXPECT_EQ(Form().Scene()->Settings.AnimationInterval, 1000);
  // From the first frame on.
  const Sky& sky = Form().Scene()->SkyState();
  EXPECT_NEAR(sky.SkyOffset(), -390, 2);
  EXPECT_TRUE(sky.SkyRising() && sky.SunVisible());

  // A second of frames: the sky keeps to the clock, the sun shows its
  // frames in place.
  const int sunX = sky.SunX(), frame = sky.SunFrame();
  platform_.Advance(1000);
  EXPECT_NEAR(sky.SkyOffset(), -390, 2);
  EXPECT_EQ(sky.SunX(), sunX);
  EXPECT_NE(sky.SunFrame(), frame);

  // Fast goes on from where the sky stands; Real time comes back at once.
  const int offset = sky.SkyOffset();
  Choose(GlobeSlot::pmiFast);
  EXPECT_FALSE(Shown(realTime).Checked());
  platform_.Advance(1020);
  EXPECT_EQ(sky.SkyOffset(), offset - 4);
  Choose(realTime);
  platform_.Advance(20);
  EXPECT_EQ(sky.SkyOffset(), offset);

  Close();
  EXPECT_EQ(StoredInteger("iSpeed"), 4);
  EXPECT_EQ(Stored().at("Latitude"), SettingValue(std::string("48.85")));  // read, never written
  EXPECT_EQ(Stored().at("Longitude"), SettingValue(std::string("2,35")));
}

TEST_F(Globe, SpeedsBeyondRealTimeFallBackToNormal) {
  for (int level : {5, -1}) {
    SCOPED_TRACE(level);
    app_.reset();
    Stored() = {{"iSpeed", level}};
    Start();
    EXPECT_TRUE(Item(GlobeSlot::pmiNormal).Checked());
    EXPECT_FALSE(Shown(Form().RealTimeItem()).Checked());
    EXPECT_FALSE(Form().Scene()->Settings.SkyFollowsClock);
  }
  Choose(Form().RealTimeItem());
  platform_.Advance(kSaveDelayMs);
  EXPECT_EQ(StoredInteger("iSpeed"), 4);
}

TEST(StoredDegrees, DecimalStringsOrWholeDegreesWithinTheLimit) {
  struct Case {
    SettingValue value;
    std::optional<double> degrees;
  };
  const Case cases[] = {
      {std::string("48.85"), 48.85}, {std::string(" -33,87 "), -33.87}, {std::string("+90"), 90.0},
      {50, 50.0},                    {std::string("90.5"), {}},         {std::string("48.85N"), {}},
      {std::string(""), {}},         {std::string("nan"), {}},          {ForeignSetting{3, 8}, {}},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseStoredDegrees(c.value, 90), c.degrees);
}

// Every value the table writes reads back as it was, the place and size
// (read by the window after the rest) included.
TEST(SettingsTable, WhatIsWrittenReadsBack) {
  HeadlessPlatform desktop;
  const std::unique_ptr<SettingsKey> key = desktop.OpenSettings(true);
  GlobeSettings chosen = GlobeSettings::Defaults();
  chosen.OnTop = false;
  chosen.Transparency = 7;
  chosen.Top = -20;
  chosen.Left = 3000;
  chosen.Countdown = 2;
  chosen.Speed = kRealTimeSpeed;
  chosen.Snow = false;
  chosen.Size = 150;
  chosen.Shake = false;
  WriteSettings(*key, chosen, RowsInSettingsKey());
  EXPECT_EQ(desktop.Settings().size(), 9u);
  LoadedSettings loaded;
  ReadChoices(key.get(), loaded);
  for (std::size_t row = 0; row < kSettingCount; ++row) {
    const int GlobeSettings::* number = kSettingRows[row].Number;
    if (number == &GlobeSettings::Size || number == &GlobeSettings::Top || number == &GlobeSettings::Left) {
      ReadSetting(key.get(), row, loaded);
    }
  }
  EXPECT_EQ(loaded.Value, chosen);
  EXPECT_EQ(loaded.Read, RowsInSettingsKey());
  EXPECT_TRUE(loaded.Problems.empty());
}

// The globe's outline in its 300x260 window at 1x: the glass and stand
// span x 39..251 and y 2..258 (212 by 256).
constexpr ScreenRect kOutline{39, 2, 251, 258};

TEST(Placement, APlaceStaysWhileHalfTheOutlineIsOnOneMonitorElseItComesWhollyIn) {
  // A 1280x1024 primary with a 30-pixel panel at the bottom; a monitor left
  // of it at negative coordinates and one above it.
  const std::vector<MonitorArea> one{{{0, 0, 1280, 1024}, {0, 0, 1280, 994}}};
  const std::vector<MonitorArea> three{
      one[0], {{-1920, -56, 0, 1024}, {-1920, -56, 0, 1024}}, {{0, -768, 1024, 0}, {0, -768, 1024, 0}}};
  struct Case {
    const std::vector<MonitorArea>* Monitors;
    ScreenPoint Place, Expected;
  };
  const Case cases[] = {
      // Half of 212 is 106 and half of 256 is 128 pixels on the screen.
      {&one, {1135, 300}, {1135, 300}},
      {&one, {1136, 300}, {1029, 300}},  // right edge of the outline on the screen's
      {&one, {-145, 300}, {-145, 300}},
      {&one, {-146, 300}, {-39, 300}},
      {&one, {300, 894}, {300, 894}},
      {&one, {300, 895}, {300, 736}},  // above the panel
      {&one, {300, -130}, {300, -130}},
      {&one, {300, -131}, {300, -2}},
      {&one, {5000, 5000}, {1029, 736}},
      // Across two monitors, half on one of them is enough.
      {&three, {-120, 300}, {-120, 300}},
      {&three, {-1900, 500}, {-1900, 500}},
      // Off every monitor: onto the nearest, wholly.
      {&three, {-2500, 500}, {-1959, 500}},
      // Less than half on the upper monitor, and on it more than elsewhere.
      {&three, {500, -900}, {500, -770}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(KeepOrBringIn(c.Place, kOutline, *c.Monitors), c.Expected) << c.Place.X << "," << c.Place.Y;
  }
  // An outline larger than the work area keeps its top-left part on it.
  EXPECT_EQ(BringWhollyIn({300, 300}, {156, 8, 1004, 1032}, one), (ScreenPoint{276, -8}));
}

TEST(StartPlacement, WithoutAStoredPlaceTheDefaultOneAndAnUnusableCoordinateTakesItsDefault) {
  const std::vector<MonitorArea> one{{{0, 0, 1280, 1024}, {0, 0, 1280, 984}}};
  const ScreenSize work{1280, 984};
  const StartPlacement none = PlaceAtStart({true, 200}, {}, one, work, 300, 260, kOutline);
  EXPECT_TRUE(none.FirstRun);
  EXPECT_EQ(none.TopLeft, (ScreenPoint{975, 724}));
  const StartPlacement badTop = PlaceAtStart({true, 200}, {true, std::nullopt}, one, work, 300, 260, kOutline);
  EXPECT_FALSE(badTop.FirstRun);
  EXPECT_EQ(badTop.TopLeft, (ScreenPoint{200, 724}));
}

TEST_F(Globe, OnlyLeftStoredIsAFirstStartForAutostart) {
  Stored() = {{"Left", 200}};
  platform_.StartWithSystem().Known = true;  // no value: autostart would read as off
  Start();
  EXPECT_EQ(platform_.Window().Position, (ScreenPoint{975, 724}));
  EXPECT_TRUE(Item(GlobeSlot::pmiStartUp).Checked());
}

TEST_F(Globe, AddPlacesTheGlobeAtRandomWritesNothingAndOnlyForTheExactWord) {
  Stored() = {{"Left", 200}, {"Top", 100}};
  platform_.StartWithSystem() = {true, std::string("/usr/bin/nivarra")};
  const HeadlessPlatform::SettingValues before = platform_.Settings();
  const HeadlessPlatform::AutostartState autostartBefore = platform_.StartWithSystem();
  platform_.SetFirstArgument("add");
  Start();
  const ScreenPoint placed = platform_.Window().Position;
  EXPECT_NE(placed, (ScreenPoint{200, 100}));
  EXPECT_GE(placed.X, 0);
  EXPECT_LT(placed.X, 1280 - 305);
  EXPECT_GE(placed.Y, 0);
  EXPECT_LT(placed.Y, 984 - 260);
  // Reseeded from the performance counter, then two draws for the place.
  RandomSeed() = static_cast<std::uint32_t>(platform_.PerformanceCounter());
  const int left = RandomBelow(1280 - 305), top = RandomBelow(984 - 260);
  EXPECT_EQ(placed, (ScreenPoint{left, top}));
  // Its choices last while it runs; the user's own globe keeps its settings.
  EXPECT_FALSE(Item(GlobeSlot::pmiStartUp).Enabled());
  platform_.DragWindowTo({300, 300});
  Choose(GlobeSlot::pmiSnow);
  platform_.Advance(kSaveDelayMs);
  EXPECT_FALSE(Form().Scene()->Settings.SnowEnabled);
  Close();
  EXPECT_EQ(platform_.Settings(), before);
  EXPECT_EQ(platform_.StartWithSystem(), autostartBefore);

  for (const char* other : {"Add", "add ", "added"}) {
    HeadlessPlatform desktop;
    desktop.Settings() = {{"Left", 200}, {"Top", 100}};
    desktop.SetFirstArgument(other);
    GlobeApp app(desktop);
    app.Run();
    EXPECT_EQ(desktop.Window().Position, (ScreenPoint{200, 100})) << other;
  }
}

TEST_F(Globe, EachUnusableValueTakesOnlyItsOwnDefaultAndIsReportedOnceVisible) {
  Stored() = {{"TrVal", 10},  {"iSpeed", std::string("fast")}, {"isSnowOn", 0}, {"OnTop", UnreadableSetting{}},
              {"iCountdown", 7}, {"Top", std::string("high")},   {"Left", 200}};
  platform_.StartWithSystem().Known = true;  // the user took the globe out of autostart
  Start();
  EXPECT_TRUE(platform_.Messages().empty());  // not before the globe is visible
  // Level 10 and a speed that could not be read fall back to the defaults;
  // a bad Top keeps the good Left, and autostart still follows the Run value.
  EXPECT_EQ(Form().TransparencyAlpha(), 255);
  EXPECT_EQ(Form().Scene()->Settings.AnimationInterval, 1000);
  EXPECT_TRUE(Item(GlobeSlot::pmiChristmas).Checked());  // 7 selects nothing
  EXPECT_FALSE(Form().Scene()->Settings.SnowEnabled);    // read after the bad value
  EXPECT_EQ(platform_.Window().Position, (ScreenPoint{200, 724}));
  EXPECT_FALSE(Item(GlobeSlot::pmiStartUp).Checked());
  EXPECT_EQ(platform_.LastPresentation().ConstantAlpha, 255);

  platform_.Advance(kStartReportDelayMs);
  EXPECT_EQ(platform_.Messages(),
            (std::vector<std::string>{"Failed to get data for 'OnTop'\nInvalid data type for 'iSpeed'\n"
                                      "Invalid data type for 'Top'\n\n"
                                      "The default values are used instead and will be saved."}));
  // Repaired at once, as the message says; the rest as it was.
  EXPECT_EQ(StoredInteger("iSpeed"), 1);
  EXPECT_EQ(StoredInteger("OnTop"), 1);
  EXPECT_EQ(StoredInteger("Top"), 724);
  EXPECT_EQ(StoredInteger("Left"), 200);
  EXPECT_EQ(StoredInteger("iCountdown"), 0);
  EXPECT_FALSE(platform_.StartWithSystem().Command.has_value());
  platform_.Advance(10000);
  EXPECT_EQ(platform_.Messages().size(), 1u);
}

TEST_F(Globe, AClosedDuringTheStartWritesOnlyWhatWasReadOrChanged) {
  Stored() = {{"TrVal", 3}, {"iSpeed", std::string("fast")}};
  platform_.StartWithSystem().Known = true;
  // The end of the session arrives while the message is up.
  platform_.SetDuringMessage([&] { Close(); });
  Start();
  platform_.Advance(kStartReportDelayMs);
  EXPECT_TRUE(platform_.Window().Closed);
  const std::map<std::string, SettingValue, std::less<>> untouched = {{"TrVal", 3},
                                                                       {"iSpeed", std::string("fast")}};
  EXPECT_EQ(Stored(), untouched);  // no design-time place, no default over the bad value
  platform_.Advance(10000);
  EXPECT_EQ(Stored(), untouched);
}

// One message per failure, naming the change that is not kept, why and
// where; the same failure again says nothing, another one or a new failure
// after a save that worked is told.
TEST_F(Globe, EachSaveFailureIsToldOnceAndExitEndsTheProgramAnyway) {
  Start();
  platform_.SetSettingsUnavailable(true, {"Permission denied", "/home/u/.config/nivarra/settings.ini"});
  Choose(GlobeSlot::pmiSnow);
  platform_.Advance(kSaveDelayMs);
  const std::string denied =
      "Failed to set data for 'isSnowOn'\n\n"
      "The settings in /home/u/.config/nivarra/settings.ini cannot be saved: Permission denied.\n"
      "The globe keeps the change until it closes; it will not be there at the next start.";
  EXPECT_EQ(platform_.Messages(), std::vector<std::string>{denied});
  Choose(GlobeSlot::pmiFast);
  platform_.Advance(kSaveDelayMs);
  EXPECT_EQ(platform_.Messages().size(), 1u);

  platform_.SetSettingsUnavailable(true, {"No space left on device", "/home/u/.config/nivarra/settings.ini"});
  Choose(GlobeSlot::pmiSlow);
  platform_.Advance(kSaveDelayMs);
  ASSERT_EQ(platform_.Messages().size(), 2u);
  EXPECT_NE(platform_.Messages()[1].find("Failed to set data for 'iSpeed'"), std::string::npos);
  EXPECT_NE(platform_.Messages()[1].find("No space left on device"), std::string::npos);

  platform_.SetSettingsUnavailable(false);
  Choose(GlobeSlot::pmiFast);
  platform_.Advance(kSaveDelayMs);
  EXPECT_EQ(StoredInteger("iSpeed"), 2);
  platform_.SetSettingsUnavailable(true, {"Permission denied", "/home/u/.config/nivarra/settings.ini"});
  Choose(GlobeSlot::pmiNormal);
  platform_.Advance(kSaveDelayMs);
  ASSERT_EQ(platform_.Messages().size(), 3u);
  EXPECT_NE(platform_.Messages()[2].find("Failed to set data for 'iSpeed'"), std::string::npos);

  Choose(GlobeSlot::pmiExit);  // the same failure: nothing new to say
  EXPECT_EQ(platform_.Messages().size(), 3u);
  EXPECT_TRUE(platform_.Window().Hidden);
  EXPECT_TRUE(platform_.Window().Closed);

  // A store that cannot be used from the start: one message, once visible.
  HeadlessPlatform desktop;
  desktop.SetSettingsUnavailable(true, {"Is a directory", "/home/u/.config/nivarra/settings.ini"});
  GlobeApp app(desktop);
  app.Run();
  EXPECT_TRUE(desktop.Messages().empty());
  desktop.Advance(kStartReportDelayMs);
  desktop.RequestClose();
  EXPECT_EQ(desktop.Messages(),
            std::vector<std::string>{"The settings in /home/u/.config/nivarra/settings.ini cannot be used: "
                                     "Is a directory.\nThe globe goes on with its defaults, and changes will not "
                                     "be kept."});
}

TEST_F(Globe, ChangesAreSavedSoonAfterEachBurst) {
  Stored() = {{"Left", 10}, {"Top", 10}};
  Start();
  for (int i = 1; i <= 5; ++i) {  // a drag: moves 100 ms apart
    platform_.DragWindowTo({10 + 10 * i, 10});
    platform_.Advance(100);
  }
  EXPECT_EQ(StoredInteger("Left"), 10);
  platform_.Advance(kSaveDelayMs - 100);
  EXPECT_EQ(StoredInteger("Left"), 60);
  Stored().clear();
  platform_.Advance(10000);
  EXPECT_TRUE(Stored().empty());  // nothing changed since: no further write

  Choose(GlobeSlot::pmiFast);
  platform_.Advance(kSaveDelayMs);
  EXPECT_EQ(StoredInteger("iSpeed"), 2);
  EXPECT_EQ(StoredInteger("Left"), 60);
}

TEST_F(Globe, OnlyOneGlobeForAPlainStartAndAGlobeLeftOnNoMonitorComesBack) {
  platform_.SetOtherGlobeRunning(true);
  EXPECT_EQ(RunGlobe(platform_), 0);
  EXPECT_EQ(platform_.Window().OtherGlobeBroughtToFront, 1);
  EXPECT_FALSE(platform_.Window().Shown);

  HeadlessPlatform desktop;
  desktop.SetOtherGlobeRunning(true);
  desktop.SetFirstArgument("add");
  desktop.SetMonitors(std::vector<ScreenRect>{{0, 0, 1280, 1024}, {1280, 0, 2560, 1024}});
  desktop.Settings() = {{"Left", 1800}, {"Top", 300}};
  GlobeApp app(desktop);
  app.Run();
  EXPECT_TRUE(desktop.Window().Shown);
  desktop.DragWindowTo({1800, 300});
  desktop.ChangeMonitors(std::vector<ScreenRect>{{0, 0, 1280, 1024}});
  // The outline's right edge (251 into the window) on the screen's.

  EXPECT_EQ(desktop.Window().Position, (ScreenPoint{1029, 300}));
  desktop.Advance(20);
  EXPECT_EQ(desktop.LastPresentation().Left, 1029);
  // The monitor comes back before the second look, untold: the globe stays
  // where the first change put it, not where it stood before that.
  desktop.SetMonitors(std::vector<ScreenRect>{{0, 0, 1280, 1024}, {1280, 0, 2560, 1024}});
  desktop.Advance(5000);
  EXPECT_EQ(desktop.Window().Position, (ScreenPoint{1029, 300}));
}

TEST_F(Globe, AutostartFollowsItsCheckMarkAtClose) {
  platform_.StartWithSystem() = {true, std::string("old path")};
  Stored() = {{"Left", 10}, {"Top", 10}};
  Start();
  EXPECT_TRUE(Item(GlobeSlot::pmiStartUp).Checked());
  Choose(GlobeSlot::pmiStartUp);  // toggles itself off; nothing happens yet
  EXPECT_TRUE(platform_.StartWithSystem().Command.has_value());
  Close();
  EXPECT_FALSE(platform_.StartWithSystem().Command.has_value());

  HeadlessPlatform again;  // a missing Run key keeps the default, on
  again.Settings() = {{"Left", 10}, {"Top", 10}};
  GlobeApp app(again);
  app.Run();
  EXPECT_TRUE(app.Form().Settings().Autostart);
}

TEST_F(Globe, MenuCommandsChangeTheSceneAtOnce) {
  Start();
  Choose(GlobeSlot::pmi50);
  EXPECT_EQ(Form().TransparencyAlpha(), 145);
  EXPECT_EQ(platform_.LastPresentation().ConstantAlpha, 145);
  // Rebuilt from the picture each time: the premultiplication never compounds.
  const PixelStore first = *Form().BaseImage();
  Choose(GlobeSlot::pmi50);  // clicking the checked level clears its mark
  EXPECT_FALSE(Item(GlobeSlot::pmi50).Checked());
  EXPECT_EQ(Form().TransparencyAlpha(), 145);
  EXPECT_TRUE(std::equal(first.Bytes().begin(), first.Bytes().end(), Form().BaseImage()->Bytes().begin()));

  Choose(GlobeSlot::pmiQuickly);
  EXPECT_EQ(Form().Timer(GlobeSlot::TimerGarland)->Interval(), 10);
  Choose(GlobeSlot::pmiFast);
  EXPECT_EQ(Form().Timer(GlobeSlot::TimerGarland)->Interval(), 20);
  EXPECT_EQ(Form().Scene()->Settings.AnimationInterval, 250);
  EXPECT_FALSE(Item(GlobeSlot::pmiQuickly).Checked());

  Choose(GlobeSlot::pmiSnow);
  EXPECT_FALSE(Form().Scene()->Settings.SnowEnabled);
  Choose(GlobeSlot::pmiOnTop);
  EXPECT_EQ(platform_.Window().Topmost, false);
  Choose(GlobeSlot::pmiNewYear);
  EXPECT_TRUE(Item(GlobeSlot::pmiNewYear).Checked());
  EXPECT_FALSE(Item(GlobeSlot::pmiChristmas).Checked());
  Choose(GlobeSlot::pmiAbout);
  EXPECT_EQ(platform_.Window().OpenedPages,
            (std::vector<std::string>{"https://en.wikipedia.org/wiki/Christmas_traditions"}));
  EXPECT_TRUE(platform_.Messages().empty());
  EXPECT_EQ(platform_.Window().LastMenuAt, (ScreenPoint{1000, 800}));
  // Without a browser the user still gets the address.
  platform_.SetNoBrowser(true);
  Choose(GlobeSlot::pmiAbout);
  EXPECT_EQ(platform_.Messages(), (std::vector<std::string>{"No web browser could open the page about Christmas "
                                                            "traditions. Its address is "
                                                            "https://en.wikipedia.org/wiki/Christmas_traditions"}));

  Choose(GlobeSlot::pmiExit);
  EXPECT_TRUE(platform_.Window().Closed);
  EXPECT_EQ(StoredInteger("TrVal"), 0);  // no level checked
  EXPECT_EQ(StoredInteger("iSpeed"), 2);
  EXPECT_EQ(StoredInteger("iCountdown"), 1);
  EXPECT_EQ(StoredInteger("isSnowOn"), 0);
  EXPECT_EQ(StoredInteger("OnTop"), 0);
}

TEST_F(Globe, DraggingMovesWhereFramesAreShownAndWhatIsSaved) {
  Start();
  app_->MouseDown();
  EXPECT_EQ(platform_.Window().SystemMoves, 1);
  platform_.DragWindowTo({40, 50});
  platform_.Advance(20);
  EXPECT_EQ(platform_.LastPresentation().Left, 40);
  EXPECT_EQ(platform_.LastPresentation().Top, 50);
  Close();
  EXPECT_EQ(StoredInteger("Left"), 40);
  EXPECT_EQ(StoredInteger("Top"), 50);
}

TEST_F(Globe, ShakingTheGlobeStirsItsSnowUnlessTheUserSaysNo) {
  Start();
  // Places the desktop picks (a window manager, a monitor change) are no shake.
  platform_.DragWindowTo({100, 100});
  platform_.Advance(20);
  platform_.DragWindowTo({900, 700});
  platform_.Advance(20);
  EXPECT_FALSE(Form().Scene()->Stirred());

  const auto shake = [&] {
    app_->MouseDown();
    for (int i = 0; i < 12; ++i) {
      platform_.Advance(20);
      platform_.DragWindowTo({i % 2 == 0 ? 900 : 1000, 700});
    }
    platform_.Advance(20);
  };
  shake();
  EXPECT_TRUE(Form().Scene()->Stirred());
  platform_.Advance(6000);
  EXPECT_FALSE(Form().Scene()->Stirred());

  TMenuItem* item = Form().ShakeItem();
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->Caption(), "Shake the snow when moved");
  EXPECT_TRUE(Shown(item).Checked());
  Choose(item);
  EXPECT_FALSE(Shown(item).Checked());
  shake();
  EXPECT_FALSE(Form().Scene()->Stirred());
  platform_.Advance(kSaveDelayMs);
  EXPECT_EQ(StoredInteger("isShakeOn"), 0);
}

TEST_F(Globe, NoFrameIsRenderedInsideTheBoxesOfAnUnfinishedWindow) {
  // Setting the layered style fails: its box opens at creation and again
  // when the loaded level rebuilds the window; the desktop's clock runs on
  // inside each box.
  platform_.SetLayeredFailure(std::string("Access is denied."));
  int ticksInBoxes = 0;
  platform_.SetDuringMessage([&] {
    ++ticksInBoxes;
    platform_.Advance(100);
  });
  Start();
  EXPECT_EQ(ticksInBoxes, 2);
  // Only the two pushes of the empty globe and the show's first frame.
  EXPECT_EQ(platform_.PresentCount(), 3);
  platform_.SetDuringMessage(nullptr);

  platform_.SetDuringMessage([&] { platform_.Advance(100); });
  const int before = platform_.PresentCount();
  Choose(GlobeSlot::pmi30);
  EXPECT_EQ(platform_.PresentCount() - before, 1);  // the new empty globe alone
  platform_.SetDuringMessage(nullptr);
  platform_.Advance(20);
  EXPECT_EQ(platform_.PresentCount() - before, 2);
}

// RegionFromMask on small masks: only exact white is cut.
std::unique_ptr<TBitmap> Mask(const std::vector<std::string>& rows) {
  auto owned = std::make_unique<TBitmap>();
  TBitmap& mask = *owned;
  mask.SetPixelFormat(TPixelFormat::Bit24);
  mask.SetSize(static_cast<int>(rows[0].size()), static_cast<int>(rows.size()));
  for (int y = 0; y < mask.Height(); ++y) {
    std::uint8_t* p = mask.RowAddress(y);
    for (int x = 0; x < mask.Width(); ++x, p += 3) {
      const std::uint8_t value = rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)] == 'W' ? 255
                                 : rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)] == 'g' ? 254
                                                                                                         : 0;
      p[0] = p[1] = p[2] = value;
    }
  }
  return owned;
}

// The pixels a shape covers, as the mask's letters: '#' inside, '.' outside.
std::vector<std::string> Covered(const std::vector<ShapeRect>& shape, int width, int height) {
  std::vector<std::string> rows(static_cast<std::size_t>(height), std::string(static_cast<std::size_t>(width), '.'));
  for (const ShapeRect& r : shape) {
    for (int y = r.Top; y < r.Bottom; ++y) {
      for (int x = r.Left; x < r.Right; ++x) {
        char& c = rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)];
        EXPECT_EQ(c, '.') << "rectangles overlap at " << x << "," << y;
        c = '#';
      }
    }
  }
  return rows;
}

TEST(RegionFromMask, KeepsExactlyTheNonWhitePixels) {
  const auto mask = Mask({"WWWWWW", "WbbgWW", "WbbgbW", "WWWWWW", "bWbWbW", "bWbWbW"});
  const auto shape = RegionFromMask(*mask, 6, 6);
  EXPECT_EQ(Covered(shape, 6, 6),
            (std::vector<std::string>{"......", ".###..", ".####.", "......", "#.#.#.", "#.#.#."}));
  EXPECT_EQ(shape.size(), 5u);  // equal spans in neighbouring rows are joined

  const auto dark = Mask({"bbb", "bbb"});
  EXPECT_EQ(RegionFromMask(*dark, 3, 2), (std::vector<ShapeRect>{{0, 0, 3, 2}}));
  EXPECT_TRUE(RegionFromMask(*dark, 0, 2).empty());
  EXPECT_TRUE(RegionFromMask(*dark, 3, 0).empty());
}

TEST(BaseImage, ColourIsPremultipliedByItsOwnAlphaRoundingDown) {
  const test::Rgba pixels[] = {{200, 255, 10, 100}, {255, 255, 255, 128}, {90, 80, 70, 0}, {1, 2, 3, 255}};
  const auto png = test::DecodePng(test::RgbaPng(4, 1, [&](int x, int) { return pixels[x]; }));
  TPNGObject basePng;
  TBitmap base;
  BuildBaseImage(*png, basePng, base);
  ASSERT_EQ(base.Store().BitCount(), 32);
  const std::uint8_t* p = base.RowAddress(0);
  const std::vector<std::uint8_t> bgra(p, p + 16);
  EXPECT_EQ(bgra, (std::vector<std::uint8_t>{3, 100, 78, 100, 128, 128, 128, 128, 0, 0, 0, 0, 3, 2, 1, 255}));
}

}  // namespace
}  // namespace nivarra
