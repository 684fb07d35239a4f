// The globe at other scales than 1x: the same scene drawn finer, the Size
// choice, the desktop's scale changing, and the outline at every scale.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
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

struct GlobeRun {
  std::vector<std::string> States;  // one line of scene state per frame
  PixelStore LastFrame;
  std::vector<ShapeRect> Shape;
  ScreenPoint Position;
};

// A digest of everything the scene decides: the sky, the bodies, the snow's
// density and every flake's place, the random sequence and the countdown.
std::string SceneState(const GlobeScene& scene) {
  const Sky& sky = scene.SkyState();
  const SnowDensity& d = scene.Snow().Density();
  double flakes = 0;
  for (int layer = kSnowFar; layer <= kSnowNear; ++layer) {
    for (const SnowParticle& p : scene.Snow().Layer(layer)) flakes += p.X * 3 + p.Y * 7 + p.Kind;
  }
  char line[256];
  std::snprintf(line, sizeof line, "%d %d %d,%d,%d %d,%d,%d %d,%d,%d %.6f %u %d", sky.SkyOffset(),
                sky.SkyRising() ? 1 : 0, sky.SunX(), sky.SunY(), sky.SunFrame(), sky.MoonX(), sky.MoonY(),
                sky.MoonFrame(), d.Count1, d.Count2, d.Target, flakes, RandomSeed(), scene.Countdown().DaysLeft());
  return line;
}

class GlobeScale : public ::testing::Test {
 protected:
  GlobeScale() { RegisterLayoutResources(); }

  // Starts a globe on a desktop at displayScale and runs it for frames.
  GlobeRun RunAt(double displayScale, int frames, HeadlessPlatform& platform) {
    RandomSeed() = 0;
    platform.SetTickCount(100000);
    platform.SetLocalNow(EncodeDateTime(2026, 12, 8, 16, 30));
    platform.SetDisplayScale(displayScale);
    app_ = std::make_unique<GlobeApp>(platform);
    app_->Run();
    GlobeRun run;
    for (int i = 0; i < frames; ++i) {
      platform.Advance(20);
      run.States.push_back(SceneState(*app_->Form().Scene()));
    }
    run.LastFrame = platform.LastFrame();
    run.Shape = platform.Window().Shape;
    run.Position = platform.Window().Position;
    return run;
  }

  std::unique_ptr<GlobeApp> app_;
};

// The frame at 2x brought back to 1x by averaging each 2x2 block.
std::vector<double> Halved(const PixelStore& frame) {
  const int w = frame.Width() / 2, h = frame.Height() / 2;
  std::vector<double> out(static_cast<std::size_t>(w) * h * 4);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      for (int c = 0; c < 4; ++c) {
        double sum = 0;
        for (int dy = 0; dy < 2; ++dy) {
          for (int dx = 0; dx < 2; ++dx) sum += frame.RowAddress(2 * y + dy)[4 * (2 * x + dx) + c];
        }
        out[(static_cast<std::size_t>(y) * w + x) * 4 + c] = sum / 4;
      }
    }
  }
  return out;
}

struct Difference {
  double Mean[4] = {};
  double Max[4] = {};
};

// Per channel, between the 1x frame and the halved 2x one shifted by
// (shiftX, shiftY) 1x pixels.
Difference Compare(const PixelStore& one, const std::vector<double>& halved, int shiftX, int shiftY) {
  Difference d;
  int count = 0;
  for (int y = 1; y < one.Height() - 1; ++y) {
    for (int x = 1; x < one.Width() - 1; ++x, ++count) {
      for (int c = 0; c < 4; ++c) {
        const double a = one.RowAddress(y)[4 * x + c];
        const double b = halved[(static_cast<std::size_t>(y + shiftY) * one.Width() + x + shiftX) * 4 + c];
        d.Mean[c] += std::abs(a - b);
        d.Max[c] = std::max(d.Max[c], std::abs(a - b));
      }
    }
  }
  for (double& m : d.Mean) m /= count;
  return d;
}

TEST_F(GlobeScale, EveryScaleRunsTheSameSceneAndTwiceTheSizeIsTheSamePictureFiner) {
  constexpr int kFrames = 400;
  std::vector<GlobeRun> runs;
  for (double scale : {1.0, 1.5, 2.0, 3.0}) {
    HeadlessPlatform platform;
    runs.push_back(RunAt(scale, kFrames, platform));
    app_.reset();
    const PixelStore& frame = runs.back().LastFrame;
    EXPECT_EQ(frame.Width(), std::lround(300 * scale)) << scale;
    EXPECT_EQ(frame.Height(), std::lround(260 * scale)) << scale;
  }
  for (std::size_t i = 1; i < runs.size(); ++i) EXPECT_EQ(runs[i].States, runs[0].States) << i;

  // A layer at the wrong place, a missing layer or a drift by one pixel
  // each make the halved 2x frame differ from the 1x one far more than the
  // finer drawing does.
  const std::vector<double> halved = Halved(runs[2].LastFrame);
  const Difference same = Compare(runs[0].LastFrame, halved, 0, 0);
  const char* channels = "BGRA";
  for (int c = 0; c < 4; ++c) {
    std::printf("2x halved against 1x, %c: mean %.2f, max %.0f\n", channels[c], same.Mean[c], same.Max[c]);
    EXPECT_LT(same.Mean[c], 3.0) << channels[c];
  }
  for (const auto& [dx, dy] : {std::pair{1, 0}, std::pair{0, 1}}) {
    const Difference drifted = Compare(runs[0].LastFrame, halved, dx, dy);
    std::printf("drifted by (%d, %d): mean %.2f %.2f %.2f\n", dx, dy, drifted.Mean[0], drifted.Mean[1], drifted.Mean[2]);
    for (int c = 0; c < 3; ++c) EXPECT_GT(drifted.Mean[c], 2 * same.Mean[c]) << dx << "," << dy;
  }
}

TEST_F(GlobeScale, NothingShowsOutsideTheOutlineAtAnyScale) {
  for (double scale : {0.75, 1.0, 1.5, 2.0, 3.0}) {
    HeadlessPlatform platform;
    const GlobeRun run = RunAt(scale, 50, platform);
    app_.reset();
    const PixelStore& frame = run.LastFrame;
    std::vector<bool> inside(static_cast<std::size_t>(frame.Width()) * frame.Height());
    for (const ShapeRect& r : run.Shape) {
      for (int y = r.Top; y < r.Bottom; ++y) {
        for (int x = r.Left; x < r.Right; ++x) inside[static_cast<std::size_t>(y) * frame.Width() + x] = true;
      }
    }
    int outside = 0, shown = 0;
    for (int y = 0; y < frame.Height(); ++y) {
      for (int x = 0; x < frame.Width(); ++x) {
        const bool in = inside[static_cast<std::size_t>(y) * frame.Width() + x];
        if (!in && frame.RowAddress(y)[4 * x + 3] != 0) ++outside;
        if (in) ++shown;
      }
    }
    EXPECT_EQ(outside, 0) << scale;
    // The shape is the globe's, not the window's rectangle nor a blocky enlargement.
    const double share = static_cast<double>(shown) / (frame.Width() * frame.Height());
    EXPECT_GT(share, 0.55) << scale;
    EXPECT_LT(share, 0.85) << scale;
  }
}

TEST_F(GlobeScale, SizeIsChosenStoredAndKeepsTheBaseWhereItStands) {
  HeadlessPlatform platform;
  platform.Settings()["Size"] = 150;
  RunAt(1.0, 1, platform);
  EXPECT_EQ(platform.Window().Width, 450);
  EXPECT_EQ(platform.Window().Height, 390);
  EXPECT_EQ(platform.LastFrame().Width(), 450);
  const std::vector<TMenuItem*>& items = app_->Form().SizeItems();
  ASSERT_EQ(items.size(), 4u);
  EXPECT_EQ(items[2]->Caption(), "150%");
  app_->Form().ShowSettingsOnMenu();
  EXPECT_TRUE(items[2]->Checked());
  EXPECT_EQ(items[2]->ParentItem()->Caption(), "Size");

  const ScreenPoint before = platform.Window().Position;
  platform.SetMenuChoice(test::Picking(app_->Form(), items[3]));
  app_->ContextMenu({900, 700});
  EXPECT_EQ(platform.Window().Width, 600);
  EXPECT_EQ(platform.LastFrame().Height(), 520);
  EXPECT_EQ(platform.Window().Position, (ScreenPoint{before.X + 450 - 600, before.Y + 390 - 520}));
  app_->Form().ShowSettingsOnMenu();
  EXPECT_TRUE(items[3]->Checked());
  EXPECT_FALSE(items[2]->Checked());
  platform.Advance(kSaveDelayMs + 20);
  EXPECT_EQ(platform.Settings()["Size"], SettingValue(200));

  // The desktop moves to 200 % where the desktop asks: 200 % of that (4x)
  // would stand taller than the 1280x1024 monitor, so the globe shows the
  // largest size that fits, 150 % (3x), and the choice stays.
  platform.ChangeDisplayScale(2.0, ScreenPoint{100, 80});
  EXPECT_EQ(platform.Window().Width, 900);
  EXPECT_EQ(platform.LastFrame().Width(), 900);
  EXPECT_EQ(platform.Window().Position, (ScreenPoint{100, 80}));
  EXPECT_EQ(app_->Form().SizePercent(), 200);
  // On a larger monitor the chosen size comes back, about the bottom-right
  // corner (to -200,-180), then moved the least that puts its outline (156
  // and 8 pixels into the window at 4x) wholly on the monitor.
  platform.ChangeMonitors(std::vector<ScreenRect>{{0, 0, 2560, 2048}});
  EXPECT_EQ(platform.Window().Width, 1200);
  EXPECT_EQ(platform.LastFrame().Height(), 1040);
  EXPECT_EQ(platform.Window().Position, (ScreenPoint{-156, -8}));
  platform.Advance(kSaveDelayMs + 20);
  EXPECT_EQ(platform.Settings()["Size"], SettingValue(200));
  app_.reset();

  // A size the menu does not offer reads as 100 %, without a word.
  HeadlessPlatform edited;
  edited.Settings()["Size"] = 120;
  RunAt(1.0, 1, edited);
  EXPECT_EQ(edited.Window().Width, 300);
  edited.Advance(kStartReportDelayMs);
  EXPECT_TRUE(edited.Messages().empty());
  app_.reset();
}

}  // namespace
}  // namespace nivarra
