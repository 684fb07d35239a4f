// The globe shaken: frames of a scene whose window is moved, against the
// same frames of a scene left alone from the same seed.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <string>
#include <vector>

#include "graphics/pixel_store.h"
#include "app/scene_presenter.h"
#include "platform/headless/headless_platform.h"
#include "scene/globe_scene.h"
#include "scene/random.h"

namespace nivarra {
namespace {

constexpr std::uint32_t kStart = 4294960000u;  // the tick count wraps during the runs
constexpr std::uint32_t kFrameMs = 20;

// Only the flakes are drawn, each layer in its own opaque colour, over a
// black window: every lit pixel is a flake.
struct GlobeRun {
  // move(frame) returns where the window is before that frame, if it moved.
  using Mover = std::function<std::optional<std::pair<double, double>>(int frame)>;

  GlobeRun(bool snow, bool shakeEnabled) {
    RandomSeed() = 0;
    const int sizes[] = {1, 3, 1, 3, 7, 7};
    for (int k = 1; k <= 6; ++k) {
      PixelStore flake(sizes[k - 1], sizes[k - 1], 32, RowOrder::TopDown);
      for (std::size_t i = 0; i < flake.Bytes().size(); i += 4) {
        // Blue, green, red, alpha.
        const std::uint8_t pixel[4] = {100, 200, static_cast<std::uint8_t>(40 * ((k + 1) / 2)), 255};
        std::copy_n(pixel, 4, flake.Bytes().begin() + static_cast<std::ptrdiff_t>(i));
      }
      art.Flakes[static_cast<std::size_t>((k - 1) / 2)][static_cast<std::size_t>((k - 1) % 2)] = Sprite(flake);
    }
    scene = std::make_unique<GlobeScene>();
    scene->SetArt(&art);
    PixelStore black(300, 260, 32, RowOrder::TopDown);
    for (std::size_t i = 3; i < black.Bytes().size(); i += 4) black.Bytes()[i] = 255;
    scene->SetBaseImage(black);
    scene->PrepareFirstShow();
    scene->Settings.AnimationInterval = 1000;
    scene->Settings.SnowEnabled = snow;
    scene->Settings.ShakeEnabled = shakeEnabled;
    platform.SetTickCount(kStart);
  }

  // Composes frame number frame (from 0), the window moved first.
  const PixelStore& Frame(int frame, const Mover& move = {}) {
    if (frame % 10 == 0) scene->Snow().AdjustDensity();
    if (move) {
      if (const auto at = move(frame)) scene->GlassMoved(platform.TickCount(), at->first, at->second);
    }
    const PixelStore& composed = scene->ComposeFrame(FrameInputFrom(platform), true);
    platform.SetTickCount(platform.TickCount() + kFrameMs);
    return composed;
  }

  Artwork art;
  HeadlessPlatform platform;
  std::unique_ptr<GlobeScene> scene;
};

std::uint64_t Hash(const PixelStore& frame) {
  std::uint64_t hash = 1469598103934665603u;
  for (std::uint8_t b : frame.Bytes()) hash = (hash ^ b) * 1099511628211u;
  return hash;
}

bool Lit(const std::uint8_t* pixel) { return (pixel[0] | pixel[1] | pixel[2]) != 0; }

bool Empty(const PixelStore& frame) {
  for (int y = 0; y < frame.Height(); ++y) {
    for (int x = 0; x < frame.Width(); ++x)
      if (Lit(frame.RowAddress(y) + 4 * x)) return false;
  }
  return true;
}

// The mean column of the near flakes' pixels (their own red), and how many.
std::pair<double, int> NearFlakes(const PixelStore& frame) {
  double sum = 0;
  int count = 0;
  for (int y = 0; y < frame.Height(); ++y) {
    const std::uint8_t* p = frame.RowAddress(y);
    for (int x = 0; x < frame.Width(); ++x, p += 4) {
      if (p[2] == 120) {
        sum += x;
        ++count;
      }
    }
  }
  return {count ? sum / count : 0, count};
}

// The farthest lit pixel's distance from the glass's centre.
double Farthest(const PixelStore& frame) {
  double farthest = 0;
  for (int y = 0; y < frame.Height(); ++y) {
    const std::uint8_t* p = frame.RowAddress(y);
    for (int x = 0; x < frame.Width(); ++x, p += 4) {
      if (Lit(p)) farthest = std::max(farthest, std::hypot(x + 0.5 - 145, y + 0.5 - 105));
    }
  }
  return farthest;
}

using Look = std::function<void(int frame, const PixelStore&, const GlobeScene&)>;

void RunFrames(GlobeRun& run, int frames, const GlobeRun::Mover& move, const Look& look) {
  for (int frame = 0; frame < frames; ++frame) look(frame, run.Frame(frame, move), *run.scene);
}

// The glass speeds up to the right over frames 100 to 104 and stops; from
// frame 200 a hard shake: 24 units a frame, three frames right, three
// left, twice, and a last push.
std::optional<std::pair<double, double>> Moves(int frame) {
  if (frame >= 100 && frame <= 104) return std::pair{1000.0 + 4 * (frame - 100) * (frame - 100), 700.0};
  if (frame < 200 || frame > 212) return std::nullopt;
  const int step = frame - 200, leg = step / 3;
  const double x = 1064 + 24 * (leg % 2 == 0 ? step % 3 : 3 - step % 3);
  return std::pair{x, 700.0};
}

constexpr int kSettledBy = 212 + 4000 / kFrameMs;

TEST(Shake, FlakesLagTheGlassStayInsideAndSettleBackIntoTheSameSnowfall) {
  constexpr int kFrames = kSettledBy + 20;
  std::vector<std::uint64_t> hashes;
  std::vector<double> farthest;
  std::vector<double> nearX;
  {
    GlobeRun still(true, true);
    RunFrames(still, kFrames, {}, [&](int, const PixelStore& frame, const GlobeScene&) {
      hashes.push_back(Hash(frame));
      farthest.push_back(Farthest(frame));
      nearX.push_back(NearFlakes(frame).first);
    });
  }
  {
    GlobeRun off(true, false);
    RunFrames(off, kFrames, Moves, [&](int frame, const PixelStore& pixels, const GlobeScene& scene) {
      EXPECT_FALSE(scene.Stirred());
      EXPECT_EQ(Hash(pixels), hashes[frame]) << "with shaking off, frame " << frame;
    });
  }
  GlobeRun shaken(true, true);
  int stirred = 0, lastStirred = -1;
  std::size_t mostExtras = 0;
  RunFrames(shaken, kFrames, Moves, [&](int frame, const PixelStore& pixels, const GlobeScene& scene) {
    if (frame < 100) {
      EXPECT_EQ(Hash(pixels), hashes[frame]) << "before any move, frame " << frame;
    }
    if (frame == 104) {
      EXPECT_LT(NearFlakes(pixels).first, nearX[frame] - 1.5) << "flakes lag the glass";
    }
    if (!scene.Stirred()) {
      EXPECT_EQ(Hash(pixels), hashes[frame]) << "settled, frame " << frame;
      return;
    }
    ++stirred;
    lastStirred = frame;
    mostExtras = std::max(mostExtras, scene.Shake().ExtraCount());
    EXPECT_FALSE(scene.RestFor(shaken.platform.TickCount(), 0.5, 20));
    // Inside the glass, or (a sprite's corner turned outwards) no further
    // out than where the snowfall itself draws.
    EXPECT_LE(Farthest(pixels), std::max(99.5, farthest[frame] + 2.5)) << "frame " << frame;
  });
  EXPECT_GT(stirred, 100);
  EXPECT_GT(mostExtras, 10u) << "the hard shake throws flakes up from the drift";
  EXPECT_GT(lastStirred, 212);
  EXPECT_LT(lastStirred, kSettledBy);
}

TEST(Shake, WithSnowOffAShakeMakesAFlurryThatSettlesAway) {
  GlobeRun run(false, true);
  bool flurry = false;
  int lastStirred = -1;
  RunFrames(run, kSettledBy + 5, Moves, [&](int frame, const PixelStore& pixels, const GlobeScene& scene) {
    if (scene.Stirred()) lastStirred = frame;
    if (!Empty(pixels)) flurry = true;
    if (frame < 200 || frame > kSettledBy) {
      EXPECT_EQ(Empty(pixels), !scene.Stirred() || scene.Shake().ExtraCount() == 0);
    }
  });
  EXPECT_TRUE(flurry);
  EXPECT_GT(lastStirred, 212);
  EXPECT_LT(lastStirred, kSettledBy);
  EXPECT_EQ(run.scene->Shake().ExtraCount(), 0u);
}

TEST(Shake, ASlowSteadyDragBarelyMovesTheSnow) {
  std::vector<double> nearX;
  {
    GlobeRun still(true, true);
    RunFrames(still, 300, {}, [&](int, const PixelStore& frame, const GlobeScene&) { nearX.push_back(NearFlakes(frame).first); });
  }
  GlobeRun dragged(true, true);
  // One unit a frame (50 a second) for three seconds, reported every frame.
  const auto drag = [](int frame) -> std::optional<std::pair<double, double>> {
    if (frame < 50 || frame >= 200) return std::nullopt;
    return std::pair{1000.0 + (frame - 50), 700.0};
  };
  RunFrames(dragged, 300, drag, [&](int frame, const PixelStore& pixels, const GlobeScene& scene) {
    EXPECT_EQ(scene.Shake().ExtraCount(), 0u);
    EXPECT_NEAR(NearFlakes(pixels).first, nearX[frame], 1.5) << "frame " << frame;
  });
}

}  // namespace
}  // namespace nivarra
