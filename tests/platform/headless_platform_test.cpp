// The headless desktop: timers fire in simulated time, frames are recorded,
// settings persist in memory.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "graphics/pixel_store.h"
#include "platform/headless/headless_platform.h"

namespace nivarra {
namespace {

TEST(HeadlessPlatform, TimersFireInTimeOrderAndStopWhenReleased) {
  HeadlessPlatform desk;
  desk.SetTickCount(0xFFFFFFF0u);  // the tick count wraps on the way
  std::vector<std::string> fired;
  auto density = desk.StartTimer(200, [&] { fired.push_back("density@" + std::to_string(desk.TickCount())); });
  auto frames = desk.StartTimer(100, [&] { fired.push_back("frame@" + std::to_string(desk.TickCount())); });
  desk.Advance(400);
  // 0xFFFFFFF0 + 100 wraps to 84; the density timer started first wins ties.
  EXPECT_EQ(fired, (std::vector<std::string>{"frame@84", "density@184", "frame@184", "frame@284", "density@384",
                                             "frame@384"}));
  EXPECT_EQ(desk.TickCount(), 384u);
  frames.reset();
  fired.clear();
  desk.Advance(200);
  EXPECT_EQ(fired, (std::vector<std::string>{"density@584"}));
}

TEST(HeadlessPlatform, RecordsTheLastFrameShownAndRefusesWhenTold) {
  HeadlessPlatform desk;
  PixelStore frame(2, 1, 32, RowOrder::TopDown);
  frame.Fill(1, 2, 3, 4);
  EXPECT_TRUE(desk.Present(frame, 10, 20, 233));
  frame.Fill(9, 9, 9, 9);  // the record is a copy
  EXPECT_EQ(desk.PresentCount(), 1);
  EXPECT_EQ(desk.LastPresentation().Left, 10);
  EXPECT_EQ(desk.LastPresentation().ConstantAlpha, 233);
  EXPECT_EQ(desk.LastFrame().RowAddress(0)[3], 4);
  desk.SetPresentFails(true);
  EXPECT_FALSE(desk.Present(frame, 0, 0, 255));
  EXPECT_EQ(desk.PresentCount(), 1);
}

TEST(HeadlessPlatform, SettingsKeepTypedValues) {
  HeadlessPlatform desk;
  EXPECT_EQ(desk.OpenSettings(false), nullptr);
  {
    auto key = desk.OpenSettings(true);
    ASSERT_NE(key, nullptr);
    key->WriteInteger("TrVal", 3);
    key->WriteString("Language", "de");
    key->DeleteValue("missing");
  }
  auto key = desk.OpenSettings(false);
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(key->ReadValue("TrVal"), SettingValue{3});
  EXPECT_EQ(key->ReadValue("Language"), SettingValue{std::string("de")});
  EXPECT_FALSE(key->ReadValue("iSpeed").has_value());
  key->DeleteValue("TrVal");
  EXPECT_FALSE(key->ValueExists("TrVal"));
}

TEST(HeadlessPlatform, CoverFollowsTheScriptedProbe) {
  HeadlessPlatform desk;
  EXPECT_FALSE(desk.IsCoveredAt(5, 5));
  desk.SetCovered(true);
  EXPECT_TRUE(desk.IsCoveredAt(5, 5));
  desk.SetCoverProbe([](int x, int) { return x > 100; });
  EXPECT_FALSE(desk.IsCoveredAt(5, 5));
  EXPECT_TRUE(desk.IsCoveredAt(150, 5));
}

}  // namespace
}  // namespace nivarra
