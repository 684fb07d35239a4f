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

}  // namespace
}  // namespace nivarra
