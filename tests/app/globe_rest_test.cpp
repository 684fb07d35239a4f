// A globe with nothing to change does no work: frames that would come out
// the same are not composed, the frame timer waits for the next moment
// something can change, and only the changed part is handed over. None of
// it may change what the screen shows, or when.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "app/globe_app.h"
#include "layout/resources.h"
#include "platform/headless/headless_platform.h"
#include "core/date_time.h"
#include "scene/globe_scene.h"
#include "scene/random.h"
#include "support/menu_choice.h"

namespace nivarra {
namespace {

using Shown = std::vector<std::pair<std::uint32_t, std::uint64_t>>;  // tick, pixels' hash

std::uint64_t Hash(const PixelStore& frame) {
  std::uint64_t h = 1469598103934665603ull;
  for (std::uint8_t b : frame.Bytes()) h = (h ^ b) * 1099511628211ull;
  return h;
}

struct Outcome {
  Shown Frames;
  long long TimerTicks = 0;
};

// A minute and a half with the snow off, the tick count wrapping round,
// midnight, speed changes and a countdown change on the way. The sky starts
// a step before dusk: the frame where the slow clock fires shows the
// setting sun at once, not only the frame after it. (With snow on
// every beat is composed: flakes may start at any density tick; four
// seconds of it, with the countdown changing, check the snow frames too.)
Outcome RunGlobe(bool rest) {
  RegisterLayoutResources();
  RandomSeed() = 7;
  HeadlessPlatform platform;
  platform.SetTickCount(0xFFFFFFFFu - 20000);
  platform.SetLocalNow(EncodeDateTime(2026, 12, 24, 23, 59, 30));  // midnight in the run
  platform.SetLocalClockRuns(true);
  platform.Settings()["isSnowOn"] = 0;
  Outcome outcome;
  platform.SetPresentObserver([&](const PixelStore& frame) {
    outcome.Frames.emplace_back(platform.TickCount(), Hash(frame));
  });
  GlobeApp app(platform);
  app.Run();
  app.Form().Scene()->SetSkipUnchanged(rest);
  app.Form().Scene()->SkyState().Place(SkyPosition{.SkyOffset = Sky::kSunSetOffset - 1, .SkyRising = false});
  const auto choose = [&](GlobeSlot slot) {
    platform.SetMenuChoice(test::Picking(app.Form(), app.Form().MenuItem(slot)));
    app.ContextMenu({900, 700});
  };
  const auto advance = [&](std::uint32_t ms) { platform.Advance(ms); };
  advance(40000);
  choose(GlobeSlot::pmiFast);
  advance(10000);
  choose(GlobeSlot::pmiQuickly);
  advance(5000);
  choose(GlobeSlot::pmiSlow);
  advance(5000);
  choose(GlobeSlot::pmiSnow);
  advance(2000);
  choose(GlobeSlot::pmiNewYear);
  advance(2000);
  choose(GlobeSlot::pmiSnow);
  advance(26000);
  outcome.TimerTicks = platform.TimerTicks();
  return outcome;
}

TEST(GlobeRest, RestingShowsTheSameFramesAtTheSameTicksWithFarFewerWakings) {
  const Outcome busy = RunGlobe(false);
  const Outcome resting = RunGlobe(true);
  ASSERT_GT(busy.Frames.size(), 100u);
  EXPECT_EQ(resting.Frames, busy.Frames);
  std::printf("timer ticks in 90 s: %lld composing every frame, %lld resting\n", busy.TimerTicks,
              resting.TimerTicks);
  EXPECT_LT(resting.TimerTicks * 5, busy.TimerTicks);
}

// Ten seconds of snow, twenty seconds when nobody can see the globe (or
// with a window over it), ten more seconds.
enum class Unseen { Locked, Covered, CoveredTold };
Shown AfterTwentySecondsUnseen(Unseen how) {
  RegisterLayoutResources();
  RandomSeed() = 11;
  HeadlessPlatform platform;
  platform.SetTickCount(100000);
  platform.SetLocalNow(EncodeDateTime(2026, 12, 8, 15, 0));
  platform.SetLocalClockRuns(true);
  platform.ReportCoverChanges(how == Unseen::CoveredTold);
  GlobeApp app(platform);
  app.Run();
  platform.Advance(10000);
  const int presentsBefore = platform.PresentCount();
  const long long ticksBefore = platform.TimerTicks();
  const bool locked = how == Unseen::Locked;
  locked ? platform.ChangeVisibility(false) : platform.SetCovered(true);
  platform.Advance(20000);
  if (locked) {
    EXPECT_EQ(platform.PresentCount(), presentsBefore);
  }
  // The density walk's ticks, and under a window the sky's frames: not
  // one for every beat.
  if (how != Unseen::Covered) {
    EXPECT_LE(platform.TimerTicks() - ticksBefore, 20000 / 200 + 20000 / 20 / 5);
  }
  locked ? platform.ChangeVisibility(true) : platform.SetCovered(false);
  Shown after;
  platform.SetPresentObserver([&](const PixelStore& frame) { after.emplace_back(platform.TickCount(), Hash(frame)); });
  platform.Advance(10000);
  return after;
}

TEST(GlobeRest, NobodyCanSeeItOrAWindowCoversItTheFramesRestAndAfterItTheGlobeIsAsIfCovered) {
  const Shown covered = AfterTwentySecondsUnseen(Unseen::Covered);
  ASSERT_GT(covered.size(), 100u);
  EXPECT_EQ(AfterTwentySecondsUnseen(Unseen::Locked), covered);
  EXPECT_EQ(AfterTwentySecondsUnseen(Unseen::CoveredTold), covered);
}

TEST(GlobeRest, OnlyTheChangedPartIsHandedOver) {
  PixelStore a(300, 260, 32, RowOrder::TopDown), b(300, 260, 32, RowOrder::TopDown);
  EXPECT_FALSE(ChangedRect(a, b));
  b.RowAddress(40)[4 * 17 + 3] = 1;
  b.RowAddress(200)[4 * 251] = 9;
  b.RowAddress(100)[4 * 3 + 1] = 5;  // rows between reach further out
  b.RowAddress(120)[4 * 290 + 2] = 6;
  b.RowAddress(130)[4 * 150] = 7;
  const auto changed = ChangedRect(a, b);
  ASSERT_TRUE(changed);
  EXPECT_EQ(changed->Left, 3);
  EXPECT_EQ(changed->Top, 40);
  EXPECT_EQ(changed->Right, 291);
  EXPECT_EQ(changed->Bottom, 201);

  // A running globe names a part that holds every changed pixel of the
  // frame, also when the plaque changes under the snow.
  RegisterLayoutResources();
  RandomSeed() = 3;
  HeadlessPlatform platform;
  platform.SetTickCount(100000);
  platform.SetLocalNow(EncodeDateTime(2026, 12, 8, 12, 0));
  PixelStore before;
  int checked = 0;
  platform.SetPresentObserver([&](const PixelStore& frame) {
    if (platform.LastDirty() && !before.IsEmpty()) {
      const PixelRect d = *platform.LastDirty();
      for (int y = 0; y < frame.Height(); ++y) {
        const bool rowInside = y >= d.Top && y < d.Bottom;
        const int from = rowInside ? d.Left : frame.Width(), to = rowInside ? d.Right : frame.Width();
        ASSERT_EQ(std::memcmp(frame.RowAddress(y), before.RowAddress(y), 4 * static_cast<std::size_t>(from)), 0);
        ASSERT_EQ(std::memcmp(frame.RowAddress(y) + 4 * to, before.RowAddress(y) + 4 * to,
                              4 * static_cast<std::size_t>(frame.Width() - to)), 0);
      }
      ++checked;
    }
    before = frame;
  });
  GlobeApp app(platform);
  app.Run();
  platform.Advance(2000);
  platform.SetMenuChoice(test::Picking(app.Form(), app.Form().MenuItem(GlobeSlot::pmiNewYear)));
  app.ContextMenu({900, 700});
  platform.Advance(200);
  EXPECT_GT(checked, 50);
}

}  // namespace
}  // namespace nivarra
