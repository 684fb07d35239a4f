// The frame's animation clocks and the premultiplied clamp before showing.

#include <gtest/gtest.h>

#include <vector>

#include "graphics/pixel_store.h"
#include "scene/animation_clock.h"
#include "scene/premultiplied.h"

namespace nivarra {
namespace {

TEST(AnimationClock, SpriteThresholdsOfTheFourSpeeds) {
  EXPECT_EQ(SpriteThreshold(2000), 666);
  EXPECT_EQ(SpriteThreshold(1000), 333);
  EXPECT_EQ(SpriteThreshold(250), 83);
  EXPECT_EQ(SpriteThreshold(40), 13);
  EXPECT_EQ(SpriteThreshold(-40), -13);  // truncates towards zero
}

TEST(AnimationClock, FiresOnlyAfterMoreThanTheThresholdAndRemembersAFreshReading) {
  AnimationClock clock;
  std::vector<std::uint32_t> readings = {100000, 100003};  // test, then the fresh reading
  std::size_t next = 0;
  auto read = [&] { return readings[next++]; };
  EXPECT_TRUE(clock.Check(read, 1000));  // last is 0: fires at once
  EXPECT_EQ(clock.LastTick(), 100003u);

  readings = {101003};  // exactly 1000 later: not yet
  next = 0;
  EXPECT_FALSE(clock.Check(read, 1000));
  readings = {101004, 101010};
  next = 0;
  EXPECT_TRUE(clock.Check(read, 1000));
  EXPECT_EQ(clock.LastTick(), 101010u);
}

TEST(AnimationClock, SurvivesTheTickCountWrappingAndNegativeThresholds) {
  AnimationClock clock;
  std::uint32_t now = 0xFFFFFF00u;
  auto read = [&] { return now; };
  EXPECT_TRUE(clock.Check(read, 0));
  now = 0x10;  // 0x110 ms later, after the wrap
  EXPECT_TRUE(clock.Check(read, 0x100));
  EXPECT_FALSE(clock.Check(read, 0));  // no time has passed
  EXPECT_TRUE(clock.Check(read, -1));  // a negative interval always fires
}

TEST(PremultipliedClamp, HoldsColourToAlphaAndLeavesOpaquePixels) {
  PixelStore frame(3, 1, 32, RowOrder::TopDown);
  std::uint8_t* p = frame.RowAddress(0);
  const std::uint8_t pixels[12] = {200, 10, 90, 255, 200, 10, 90, 80, 7, 7, 7, 0};
  std::copy(pixels, pixels + 12, p);
  ClampColourToAlpha(frame);
  const std::vector<std::uint8_t> expected = {200, 10, 90, 255, 80, 10, 80, 80, 0, 0, 0, 0};
  EXPECT_EQ(std::vector<std::uint8_t>(p, p + 12), expected);
}

}  // namespace
}  // namespace nivarra
