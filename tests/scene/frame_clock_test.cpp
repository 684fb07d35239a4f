// The frame's animation clocks and the premultiplied clamp before showing.

#include <gtest/gtest.h>

#include <algorithm>
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
  // Widths that take every path: whole groups of pixels and the rest, in
  // a padded bottom-up store as well as a plain one.
  for (const int width : {3, 9, 13}) {
    for (const RowOrder order : {RowOrder::TopDown, RowOrder::BottomUp}) {
      PixelStore frame(width, 2, 32, order);
      std::vector<std::uint8_t> expected;
      for (int y = 0; y < 2; ++y) {
        std::uint8_t* p = frame.RowAddress(y);
        for (int x = 0; x < width; ++x, p += 4) {
          const int i = y * width + x;
          const std::uint8_t alpha = static_cast<std::uint8_t>(i % 3 == 0 ? 255 : (i * 37) % 256);
          const std::uint8_t colour[3] = {static_cast<std::uint8_t>(200 - i), static_cast<std::uint8_t>(i * 11),
                                          static_cast<std::uint8_t>(90 + i)};
          for (int k = 0; k < 3; ++k) {
            p[k] = colour[k];
            expected.push_back(std::min(colour[k], alpha));
          }
          p[3] = alpha;
          expected.push_back(alpha);
        }
      }
      ClampColourToAlpha(frame);
      std::vector<std::uint8_t> actual;
      for (int y = 0; y < 2; ++y) actual.insert(actual.end(), frame.RowAddress(y), frame.RowAddress(y) + width * 4);
      EXPECT_EQ(actual, expected) << "width " << width;
    }
  }
}

}  // namespace
}  // namespace nivarra
