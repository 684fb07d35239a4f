// Frames of the real globe: composed on the embedded layout and artwork,
// probed and shown through the headless desktop.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/art_sets.h"
#include "app/base_image.h"
#include "app/globe_artwork.h"
#include "app/globe_form.h"
#include "app/scaled_pictures.h"
#include "app/scene_presenter.h"
#include "graphics/canvas.h"
#include "layout/loader.h"
#include "layout/picture.h"
#include "layout/resources.h"
#include "platform/headless/headless_platform.h"
#include "png/png_object.h"
#include "core/date_time.h"
#include "scene/globe_scene.h"
#include "scene/premultiplied.h"
#include "scene/random.h"
#include "support/reference_scene.h"

namespace nivarra {
namespace {

constexpr int kLeft = 900, kTop = 700;

// Row by row: frames in the desktop's memory are stored top row first.
bool SamePixels(const PixelStore& a, const PixelStore& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height() || a.BitCount() != b.BitCount()) return false;
  for (int y = 0; y < a.Height(); ++y) {
    if (!std::equal(a.RowAddress(y), a.RowAddress(y) + a.RowStride(), b.RowAddress(y))) return false;
  }
  return true;
}

// Memory of the kind a desktop gives to show frames straight from; it
// starts out as garbage.
struct DesktopMemory : PixelMemory {
  DesktopMemory(std::size_t size, int& claims) : Pixels(size, 0xCD), Claims(claims) {}
  std::span<std::uint8_t> Bytes() override { return Pixels; }
  void Claim() override { ++Claims; }
  std::vector<std::uint8_t> Pixels;
  int& Claims;
};

// Byte 3 of every pixel, top row first.
std::vector<std::uint8_t> AlphaPlane(const PixelStore& image) {
  std::vector<std::uint8_t> alpha;
  for (int y = 0; y < image.Height(); ++y) {
    const std::uint8_t* p = image.RowAddress(y);
    for (int x = 0; x < image.Width(); ++x) alpha.push_back(p[x * 4 + 3]);
  }
  return alpha;
}

class GlobeFrame : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterLayoutResources();
    InitFormFromLayout(form_);
    BuildBaseImage(form_.Image(GlobeSlot::imgTree)->Picture().Graphic(), basePng_, baseImage_);
    platform_.SetTickCount(100000);
    platform_.SetLocalNow(EncodeDateTime(2026, 12, 7, 12, 0));
    RandomSeed() = 0;
    art_ = LoadGlobeArtwork(form_, 1.0);
    scene_ = std::make_unique<GlobeScene>();
    ConnectCountdown(*scene_, form_, [] { return CountdownChoice{.Christmas = true}; });
    scene_->SetArt(&art_.Scene);
    scene_->SetBaseImage(baseImage_.Store());
    ShowSceneFirstTime(*scene_, platform_, nullptr);
    scene_->Settings = SceneSettings{1000, true, 255};
  }

  // Frames every 20 ms from the current tick.
  void RenderFrames(int count) {
    for (int i = 0; i < count; ++i) {
      presenter_.RenderFrame(*scene_, platform_, kLeft, kTop);
      platform_.SetTickCount(platform_.TickCount() + 20);
    }
  }

  TfrmMain form_;
  TPNGObject basePng_;
  TBitmap baseImage_;
  GlobeArtwork art_;
  HeadlessPlatform platform_;
  std::unique_ptr<GlobeScene> scene_;
  ScenePresenter presenter_;
};

TEST_F(GlobeFrame, BaseImageIsTheTreePremultiplied) {
  const PixelStore& base = baseImage_.Store();
  ASSERT_EQ(base.BitCount(), 32);
  ASSERT_EQ(base.Width(), 300);
  ASSERT_EQ(base.Height(), 260);
  const auto* tree = dynamic_cast<const TPNGObject*>(form_.Image(GlobeSlot::imgTree)->Picture().Graphic());
  int partial = 0;
  for (int y = 0; y < 260; ++y) {
    const std::uint8_t* p = base.RowAddress(y);
    const std::uint8_t* treeRow = tree->PixelRow(y);  // blue, green, red
    const std::uint8_t* treeAlpha = tree->AlphaRow(y);
    for (int x = 0; x < 300; ++x, p += 4) {
      ASSERT_EQ(p[3], treeAlpha[x]) << x << "," << y;
      for (int k = 0; k < 3; ++k) ASSERT_EQ(p[k], treeRow[x * 3 + k] * treeAlpha[x] / 255) << x << "," << y;
      partial += treeAlpha[x] > 0 && treeAlpha[x] < 255;
    }
  }
  EXPECT_GT(partial, 100);  // the silhouette's soft edge is exercised
}

TEST_F(GlobeFrame, EveryFrameKeepsTheBaseAlphaAndValidPremultipliedColour) {
  // Both clocks fire in every frame, so the strip, sun and moon move all the time.
  scene_->Settings.AnimationInterval = 0;
  const std::vector<std::uint8_t> baseAlpha = AlphaPlane(baseImage_.Store());
  for (int frame = 0; frame < 400; ++frame) {
    RenderFrames(1);
    const PixelStore& shown = platform_.LastFrame();
    ASSERT_EQ(AlphaPlane(shown), baseAlpha) << "frame " << frame;
    for (int y = 0; y < shown.Height(); ++y) {
      const std::uint8_t* p = shown.RowAddress(y);
      for (int x = 0; x < shown.Width(); ++x, p += 4) {
        ASSERT_LE(std::max({p[0], p[1], p[2]}), p[3]) << "frame " << frame << " at " << x << "," << y;
      }
    }
  }
  EXPECT_TRUE(SamePixels(baseImage_.Store(), scene_->BaseImage()));
  EXPECT_EQ(scene_->Countdown().DaysLeft(), 18);  // 7 December to Christmas
}

// What the plaque counts to in the frames compared with a plain composition.
constexpr CountdownChoice kNewYear{.NewYear = true};

// The reference scene drawn in full in every frame through the canvas,
// each picture at art's scale.
PixelStore PlainFrame(test::ReferenceScene& plain, const TComponent& form, const ScaledPictures& art,
                      const PixelStore& base, HeadlessPlatform& platform, const SceneSettings& settings) {
  PixelStore frame = base;
  TCanvas canvas(frame);
  plain.Frame(form, platform.TickCount(), platform.LocalNow(), kNewYear,
              settings.AnimationInterval, settings.SnowEnabled, [&](const std::string& name, int x, int y) {
                canvas.DrawGraphic(art.ToDevice(x), art.ToDevice(y), art.Picture(name));
              });
  ClampColourToAlpha(frame);
  return frame;
}

// Every scale and every instruction set the machine has, frame by frame,
// against the canvas: the sky moving fast, then at Normal speed, where the
// background is reused, with snow and without; then the globe shaken, where the plain scene
// has nothing to say and the instruction sets must agree with each other.
TEST_F(GlobeFrame, FramesMatchAPlainCompositionAtEveryScaleAndOnEveryPath) {
  std::vector<BlendPath> paths{BlendPath::Scalar};
  if (HasBlendPath(BlendPath::Sse2)) paths.push_back(BlendPath::Sse2);
  std::vector<std::unique_ptr<TComponent>> sets;
  for (const double scale : {1.0, 1.5, 2.0, 3.0}) {
    SCOPED_TRACE(scale);
    const ScaledPictures pictures(
        form_, [&](int factor) -> const TComponent* { return sets.emplace_back(LoadArtSet(factor)).get(); }, scale);
    const Artwork art = ResolveArtwork(pictures);
    // At 1.5x the globe at half its alpha: colour shows above alpha
    // wherever the scene is drawn over it, and must be held to it.
    PixelStore base = art.EmptyGlobe;
    for (std::size_t i = 3; scale == 1.5 && i < base.Bytes().size(); i += 4) base.Bytes()[i] /= 2;
    const int frames = scale == 1.0 ? 400 : 160;
    // Fast clocks, then Normal speed, then Normal speed without snow, where
    // only the part under a sun or moon that moved is composed anew.
    const auto settingsAt = [frames](int frame) {
      return SceneSettings{frame < frames * 5 / 8 ? 0 : 1000, frame < frames * 13 / 16 || frame >= frames, 255};
    };

    RandomSeed() = 0;
    platform_.SetTickCount(100000);
    std::vector<std::unique_ptr<GlobeScene>> scenes;
    for (const BlendPath path : paths) {
      scenes.push_back(std::make_unique<GlobeScene>());
      ConnectCountdown(*scenes.back(), form_, [] { return kNewYear; });
      scenes.back()->SetArt(&art);
      scenes.back()->SetBaseImage(base);
      scenes.back()->SetBlendPath(path);
      scenes.back()->PrepareFirstShow();
      scenes.back()->Countdown().UpdateHolidayDates(platform_.LocalNow(), [](double) { return std::string("date"); });
    }
    // And the fastest path again, composing in the desktop's memory.
    // None for its first frames, as before the window is on the screen.
    int asked = 0, given = 0, claims = 0;
    scenes.push_back(std::make_unique<GlobeScene>());
    ConnectCountdown(*scenes.back(), form_, [] { return kNewYear; });
    scenes.back()->SetArt(&art);
    scenes.back()->SetBaseImage(base);
    scenes.back()->PrepareFirstShow();
    scenes.back()->Countdown().UpdateHolidayDates(platform_.LocalNow(), [](double) { return std::string("date"); });
    scenes.back()->Compositor().SetFrameMemory([&](int width, int height) -> std::shared_ptr<PixelMemory> {
      if (++asked <= 3) return nullptr;
      ++given;
      return std::make_shared<DesktopMemory>(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4,
                                             claims);
    });
    test::ReferenceScene plain(platform_.LocalNow());
    // Each frame from the same random sequence: the scenes draw from the one generator.
    const auto composeAll = [&](int frame, bool shaken) {
      const std::uint32_t seed = RandomSeed();
      std::vector<const PixelStore*> composed;
      std::vector<std::uint32_t> after;
      for (auto& scene : scenes) {
        RandomSeed() = seed;
        scene->Settings.AnimationInterval = settingsAt(frame).AnimationInterval;
        scene->Settings.SnowEnabled = settingsAt(frame).SnowEnabled;
        if (shaken) scene->GlassMoved(platform_.TickCount(), 900 + (frame / 3 % 2) * 24, 700);
        composed.push_back(&scene->ComposeFrame(FrameInputFrom(platform_), true));
        // The scene in the desktop's memory alternates its buffers, as one presented does.
        if (scene == scenes.back()) scene->Compositor().SetOnScreen(scene->Compositor().Composed());
        after.push_back(RandomSeed());
      }
      ASSERT_EQ(after, std::vector<std::uint32_t>(after.size(), after.front())) << "frame " << frame;
      for (const PixelStore* other : composed) ASSERT_TRUE(SamePixels(*other, *composed.front())) << "frame " << frame;
      if (frame < frames) {
        RandomSeed() = seed;
        const PixelStore expected =
            PlainFrame(plain, form_, pictures, base, platform_, settingsAt(frame));
        ASSERT_TRUE(SamePixels(*composed.front(), expected)) << "frame " << frame;
        ASSERT_EQ(RandomSeed(), after.front()) << "frame " << frame;
      }
      platform_.SetTickCount(platform_.TickCount() + 20);
    };
    const int startOffset = plain.SkyState().SkyOffset();
    for (int frame = 0; frame < frames; ++frame) ASSERT_NO_FATAL_FAILURE(composeAll(frame, false));
    EXPECT_EQ(plain.SkyState().SkyOffset(), scenes.front()->SkyState().SkyOffset());
    EXPECT_GT(std::abs(plain.SkyState().SkyOffset() - startOffset), frames / 2);  // the strip really moved
    for (int frame = frames; frame < frames + 20; ++frame) ASSERT_NO_FATAL_FAILURE(composeAll(frame, true));
    EXPECT_TRUE(scenes.front()->Stirred());
    for (int frame = frames + 20; frame < frames + 60; ++frame) ASSERT_NO_FATAL_FAILURE(composeAll(frame, false));
    // Once for each buffer, not once a frame.
    EXPECT_EQ(given, 2);
    EXPECT_GT(claims, 0);
  }
}

TEST_F(GlobeFrame, SnowStopsOnlyWhenBothProbePointsAreCovered) {
  std::vector<std::pair<int, int>> probed;
  bool secondCovered = false;
  platform_.SetCoverProbe([&](int x, int y) {
    probed.emplace_back(x, y);
    return x == kLeft + 75 ? true : secondCovered;
  });
  RenderFrames(5);
  ASSERT_EQ(probed.size(), 10u);
  EXPECT_EQ(probed[0], std::make_pair(kLeft + 75, kTop + 40));
  EXPECT_EQ(probed[1], std::make_pair(kLeft + 220, kTop + 220));
  EXPECT_TRUE(scene_->GlobeVisible());

  // Covered at both points: the flakes stay where they are and are not drawn.
  secondCovered = true;
  const std::vector<SnowParticle> before(scene_->Snow().Layer(kSnowFar).begin(),
                                         scene_->Snow().Layer(kSnowFar).end());
  const std::uint32_t seed = RandomSeed();
  RenderFrames(3);
  EXPECT_FALSE(scene_->GlobeVisible());
  EXPECT_EQ(RandomSeed(), seed);
  const auto after = scene_->Snow().Layer(kSnowFar);
  for (std::size_t i = 0; i < before.size(); ++i) ASSERT_EQ(after[i].Y, before[i].Y);
  const PixelStore covered = platform_.LastFrame();
  scene_->Settings.SnowEnabled = false;
  EXPECT_TRUE(SamePixels(scene_->ComposeFrame(FrameInputFrom(platform_), true), covered));

  // Uncovered: every flake moves on from where it stopped.
  scene_->Settings.SnowEnabled = true;
  secondCovered = false;
  RenderFrames(1);
  const auto moved = scene_->Snow().Layer(kSnowFar);
  for (std::size_t i = 0; i < before.size(); ++i) {
    if (before[i].Y < 160) {  // not respawned
      ASSERT_DOUBLE_EQ(moved[i].Y, before[i].Y + before[i].DY) << i;
    }
  }
}

TEST_F(GlobeFrame, AnUnchangedFrameIsNotShownAgain) {
  // Snow off and clocks that do not fire: every frame is the same picture.
  scene_->Settings.SnowEnabled = false;
  scene_->Settings.AnimationInterval = 1 << 30;
  RenderFrames(10);
  EXPECT_EQ(platform_.PresentCount(), 1);

  presenter_.RenderFrame(*scene_, platform_, kLeft + 1, kTop);  // dragged
  EXPECT_EQ(platform_.PresentCount(), 2);
  scene_->Settings.TransparencyAlpha = 128;  // fainter
  presenter_.RenderFrame(*scene_, platform_, kLeft + 1, kTop);
  EXPECT_EQ(platform_.PresentCount(), 3);
  EXPECT_EQ(platform_.LastPresentation().ConstantAlpha, 128);
  scene_->ForgetPresentation();  // the window showed something else meanwhile
  presenter_.RenderFrame(*scene_, platform_, kLeft + 1, kTop);
  EXPECT_EQ(platform_.PresentCount(), 4);

  scene_->Settings.SnowEnabled = true;  // a changing picture is shown every time
  RenderFrames(5);
  EXPECT_EQ(platform_.PresentCount(), 9);
}

TEST_F(GlobeFrame, ARefusedPresentationIsReportedOnceUntilOneSucceeds) {
  platform_.SetPresentFails(true);
  RenderFrames(20);
  EXPECT_EQ(platform_.Messages(), std::vector<std::string>{"UpdateLayeredWindow error"});
  platform_.SetPresentFails(false);
  RenderFrames(1);
  EXPECT_EQ(platform_.PresentCount(), 1);
  platform_.SetPresentFails(true);
  RenderFrames(3);
  EXPECT_EQ(platform_.Messages().size(), 2u);
}

TEST_F(GlobeFrame, NothingIsRenderedWithoutAnEmptyGlobe) {
  scene_->ClearBaseImage();
  const std::uint32_t seed = RandomSeed();
  RenderFrames(3);
  EXPECT_EQ(platform_.PresentCount(), 0);
  EXPECT_EQ(RandomSeed(), seed);
}

#ifdef NIVARRA_GLOBE_RENDER
// globe-render's trace: deterministic, and the density tick runs before the
// frame that falls on the same millisecond; its help.
std::vector<std::string> RunGlobeRender(const std::string& arguments) {
  const std::string command = std::string(NIVARRA_GLOBE_RENDER) + " " + arguments;
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), &pclose);
  std::vector<std::string> lines;
  char line[512];
  while (pipe && std::fgets(line, sizeof line, pipe.get())) lines.emplace_back(line);
  return lines;
}

int TraceField(const std::string& line, const std::string& key) {
  const std::size_t at = line.find(" " + key + "=");
  return at == std::string::npos ? -1 : std::stoi(line.substr(at + key.size() + 2));
}

TEST(GlobeRender, TraceIsDeterministicAndOrdersTheTimers) {
  const std::string arguments = "--frames 12 --trace --now 2026-12-24T18:00 --countdown newyear";
  const auto lines = RunGlobeRender(arguments);
  ASSERT_EQ(lines.size(), 12u);
  EXPECT_EQ(RunGlobeRender(arguments), lines);
  EXPECT_EQ(lines[0].rfind("frame=1 tick=100000 sky=-251 rising=1 sun=1,", 0), 0u) << lines[0];
  EXPECT_EQ(TraceField(lines[10], "tick"), 100200);
  EXPECT_NE(lines[10].find(" snow=499,249,31,"), std::string::npos) << lines[10];
  EXPECT_NE(lines[9].find(" snow=500,200,30,"), std::string::npos) << lines[9];
  EXPECT_EQ(TraceField(lines[0], "days"), 8);  // 24 December to New Year

  const auto quick = RunGlobeRender("--frames 3 --trace --speed quickly --start-tick 4294967290 --covered");
  ASSERT_EQ(quick.size(), 3u);
  EXPECT_EQ(TraceField(quick[1], "tick"), 4);  // wrapped at 2^32
  EXPECT_NE(quick[2].find(" seed=0 "), std::string::npos) << "covered: no snow drawn";

  const auto help = RunGlobeRender("--help");  // on stdout, not as an error
  ASSERT_FALSE(help.empty());
  EXPECT_EQ(help[0].rfind("usage: globe-render", 0), 0u) << help[0];
}

// Hobart at 19:30 in midsummer, an hour before sunset: the zone alone puts
// the sky where Hobart's coordinates (zone1970.tab, -4253+14719) do, at the
// setting sun. A name the database does not have is refused.
TEST(GlobeRender, AZoneAloneHasTheSkyOfItsPlaceAndAnUnknownOneIsRefused) {
  const std::string hobart = "--trace --speed realtime --now 2026-12-07T19:30 --zone Australia/Hobart";
  const auto alone = RunGlobeRender(hobart);
  ASSERT_EQ(alone.size(), 1u);
  EXPECT_EQ(RunGlobeRender(hobart + " --latitude -42.8833 --longitude 147.3167"), alone);
  // Past noon (darkening), and before the sunset's step (-327).
  EXPECT_EQ(TraceField(alone[0], "rising"), 0);
  EXPECT_LT(TraceField(alone[0], "sky"), -327) << alone[0];

  const auto refused = RunGlobeRender("--trace --speed realtime --zone Asia/Saigonn 2>&1");
  ASSERT_FALSE(refused.empty());
  EXPECT_EQ(refused[0].rfind("globe-render: --zone Asia/Saigonn: the time-zone database in ", 0), 0u) << refused[0];
}

#endif

}  // namespace
}  // namespace nivarra
