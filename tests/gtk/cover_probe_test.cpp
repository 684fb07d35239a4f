#include "platform/gtk/cover_probe.h"

#include <gtest/gtest.h>

#include <vector>

namespace nivarra {
namespace {

constexpr std::uint64_t kDesktop = 1, kGlobe = 2, kEditor = 3, kHidden = 4;

// A desktop window under everything, the globe at the bottom right, an
// editor overlapping its top-left corner, a hidden window over all.
std::vector<StackedWindow> Desk() {
  return {{kDesktop, 0, 0, 1280, 1024, true},
          {kGlobe, 975, 764, 300, 260, true},
          {kEditor, 900, 700, 100, 100, true},
          {kHidden, 0, 0, 1280, 1024, false}};
}

TEST(CoverProbe, TheTopmostViewableWindowAtThePointDecides) {
  const auto desk = Desk();
  EXPECT_FALSE(IsPointCovered(desk, kGlobe, 1100, 900));  // the globe itself
  EXPECT_TRUE(IsPointCovered(desk, kGlobe, 980, 770));    // under the editor
  EXPECT_TRUE(IsPointCovered(desk, kGlobe, 100, 100));    // the desktop window
  // Left and top edges belong to a window, right and bottom ones do not.
  EXPECT_TRUE(IsPointCovered(desk, kGlobe, 999, 799));
  EXPECT_FALSE(IsPointCovered(desk, kGlobe, 1000, 799));
  EXPECT_FALSE(IsPointCovered(desk, kGlobe, 975, 800));
  EXPECT_FALSE(IsPointCovered(desk, kGlobe, 1274, 1023));

  // Raised above the editor, the globe shows where they overlap.
  auto raised = desk;
  std::swap(raised[1], raised[2]);
  EXPECT_FALSE(IsPointCovered(raised, kGlobe, 980, 770));
}

TEST(CoverProbe, WithoutTheGlobeOnTheScreenOnlyAnUnknownGlobeCountsAsVisible) {
  auto desk = Desk();
  desk[1].Viewable = false;  // hidden: what is below shows
  EXPECT_TRUE(IsPointCovered(desk, kGlobe, 1100, 900));
  const std::vector<StackedWindow> bare = {{kGlobe, 975, 764, 300, 260, true}};
  EXPECT_TRUE(IsPointCovered(bare, kGlobe, 10, 10));  // the bare root shows
  EXPECT_FALSE(IsPointCovered(bare, 0, 10, 10));      // nothing known of ours
  EXPECT_TRUE(IsPointCovered({}, kGlobe, 1100, 900));
}

// The desktop's notifications between two readings leave the order a new
// reading would find; one naming an unknown window asks for that reading.
TEST(CoverProbe, NotificationsKeepTheStackingOrder) {
  StackingOrder order;
  order.Reset(Desk());
  ASSERT_TRUE(order.Configured({kGlobe, 975, 764, 300, 260}, kEditor));  // raised above the editor
  EXPECT_FALSE(IsPointCovered(order.BottomToTop(), kGlobe, 980, 770));
  ASSERT_TRUE(order.Configured({kEditor, 1000, 800, 100, 100}, kGlobe));  // moved on top of the globe
  EXPECT_TRUE(IsPointCovered(order.BottomToTop(), kGlobe, 1050, 850));
  EXPECT_FALSE(IsPointCovered(order.BottomToTop(), kGlobe, 980, 770));
  ASSERT_TRUE(order.Mapped(kEditor, false));
  EXPECT_FALSE(IsPointCovered(order.BottomToTop(), kGlobe, 1050, 850));
  ASSERT_TRUE(order.Mapped(kHidden, true));  // mapped over everything
  EXPECT_TRUE(IsPointCovered(order.BottomToTop(), kGlobe, 1100, 900));
  ASSERT_TRUE(order.Circulated(kHidden, false));  // down to the bottom
  EXPECT_FALSE(IsPointCovered(order.BottomToTop(), kGlobe, 1100, 900));
  ASSERT_TRUE(order.Destroyed(kGlobe));
  EXPECT_TRUE(IsPointCovered(order.BottomToTop(), kGlobe, 1100, 900));
  // An input-only window mapped over the globe covers nothing.
  order.Reset({{kGlobe, 975, 764, 300, 260, true}, {kEditor, 0, 0, 1280, 1024, false, false}});
  ASSERT_TRUE(order.Mapped(kEditor, true));
  EXPECT_FALSE(IsPointCovered(order.BottomToTop(), kGlobe, 1100, 900));
  EXPECT_FALSE(order.Mapped(99, true));
  EXPECT_FALSE(order.Configured({kGlobe, 0, 0, 1, 1}, 99));
}

}  // namespace
}  // namespace nivarra
