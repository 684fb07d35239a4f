// A right press as both desktops take it: a click until it moves past the
// drag threshold with the button held.

#include <gtest/gtest.h>

#include "platform/click_or_drag.h"

namespace nivarra {
namespace {

using Motion = ClickOrDrag::Motion;

TEST(ClickOrDrag, APressIsAClickUntilItMovesPastTheThresholdOnEitherAxis) {
  ClickOrDrag press;
  press.RightDown({100, 200});
  EXPECT_EQ(press.Moved({104, 197}, true, 4, 3), Motion::Waiting);  // at the threshold, both ways
  EXPECT_TRUE(press.RightUp());
  EXPECT_FALSE(press.RightUp());  // one click per press

  press.RightDown({100, 200});
  EXPECT_EQ(press.Moved({100, 204}, true, 4, 3), Motion::Drag);
  EXPECT_EQ(press.PressedAt(), (ScreenPoint{100, 200}));  // the drag starts where the button went down
  EXPECT_FALSE(press.RightUp());

  // A release the desktop never reported, and another button, drop the press.
  press.RightDown({100, 200});
  EXPECT_EQ(press.Moved({100, 201}, false, 4, 3), Motion::NoPress);
  EXPECT_FALSE(press.RightUp());
  press.RightDown({100, 200});
  EXPECT_TRUE(press.Drop());
  EXPECT_EQ(press.Moved({200, 200}, true, 4, 3), Motion::NoPress);
}

}  // namespace
}  // namespace nivarra
