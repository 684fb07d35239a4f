// The sky cycle stepped frame by frame, with expectations counted from the
// cycle's rules: one pixel of sky per slow tick, one pixel of sun per five
// fast ticks, one pixel of moon per five slow ticks.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/globe_artwork.h"
#include "app/scaled_pictures.h"
#include "graphics/pixel_store.h"
#include "graphics/stream.h"
#include "layout/component.h"
#include "layout/controls.h"
#include "layout/picture.h"
#include "png/png_object.h"
#include "scene/sky.h"
#include "support/png_builder.h"

namespace nivarra {
namespace {

struct Draw {
  std::string Name;
  int X, Y;
  friend bool operator==(const Draw&, const Draw&) = default;
};

class SkyRun {
 public:
  SkyRun() { sky.SetStartPositions(); }
  // One frame; returns what it drew.
  std::vector<Draw> Frame(bool skyTick, bool spriteTick) {
    std::vector<Draw> drawn;
    sky.Step(skyTick, spriteTick,
             [&](SkyBody body, int frame, int x, int y) { drawn.push_back({SkyPictureName(body, frame), x, y}); });
    return drawn;
  }
  // n frames; returns the last one's draws.
  std::vector<Draw> Frames(int n, bool skyTick, bool spriteTick) {
    std::vector<Draw> last;
    for (int i = 0; i < n; ++i) last = Frame(skyTick, spriteTick);
    return last;
  }
  Sky sky;
};

using Draws = std::vector<Draw>;

TEST(SkyCycle, FirstFrameRaisesTheSunAtItsStart) {
  SkyRun run;
  EXPECT_EQ(run.sky.SkyOffset(), -250);
  EXPECT_TRUE(run.sky.SkyRising());
  EXPECT_FALSE(run.sky.SunVisible());
  EXPECT_EQ(run.Frame(true, true), (Draws{{"sun1", -30, 65}}));
  EXPECT_EQ(run.sky.SkyOffset(), -251);
  EXPECT_EQ(run.sky.SunFrame(), 2);  // advanced after drawing
  EXPECT_FALSE(run.sky.MoonVisible());
}

// Slow ticks only, so the sun keeps its place: a whole period from the start
// (-250) takes the sky to -601 at tick 351, to 0 at tick 952 and back to the
// sun's rise at -251 on tick 1203 = 1 + 1202.
TEST(SkyCycle, WholePeriodOfSlowTicks) {
  SkyRun run;
  run.Frames(350, true, false);
  EXPECT_EQ(run.sky.SkyOffset(), -600);
  EXPECT_TRUE(run.sky.SkyRising());  // -600 is not yet the turn

  // Tick 351 reaches -601 and turns; the sun still up becomes the setting sun.
  EXPECT_EQ(run.Frame(true, false), (Draws{{"sundown1", -30, 65}}));
  EXPECT_EQ(run.sky.SkyOffset(), -601);
  EXPECT_FALSE(run.sky.SkyRising());
  EXPECT_EQ(run.Frame(true, false), (Draws{{"sundown1", -30, 65}}));
  EXPECT_EQ(run.sky.SkyOffset(), -600);

  // Darkening up to -450 (tick 502): no moon yet; -449 (tick 503) lights it.
  EXPECT_EQ(run.Frames(150, true, false), (Draws{{"sundown1", -30, 65}}));
  EXPECT_EQ(run.sky.SkyOffset(), -450);
  EXPECT_FALSE(run.sky.MoonVisible());
  EXPECT_EQ(run.Frame(true, false), (Draws{{"sundown1", -30, 65}, {"moon1", 0, 100}}));
  EXPECT_EQ(run.sky.MoonFrame(), 2);

  // The moon moves on the fifth slow tick of each run: tick 507.
  run.Frames(3, true, false);
  EXPECT_EQ(run.Frame(true, false), (Draws{{"sundown1", -30, 65}, {"moon5", 0, 100}}));
  EXPECT_EQ(run.sky.MoonX(), 1);
  EXPECT_EQ(run.sky.MoonY(), 99);
  EXPECT_EQ(run.sky.MoonFrame(), 1);

  // A fast tick alone moves neither the sky nor the moon.
  run.Frame(false, true);
  EXPECT_EQ(run.sky.SkyOffset(), -445);
  EXPECT_EQ(run.sky.MoonFrame(), 1);
  EXPECT_EQ(run.sky.SunFrame(), 2);

  // Tick 952: deepest night resets and hides the sun and turns the sky.
  run.Frames(445, true, false);
  EXPECT_EQ(run.sky.SkyOffset(), 0);
  EXPECT_TRUE(run.sky.SkyRising());
  EXPECT_FALSE(run.sky.SunVisible());
  EXPECT_EQ(run.sky.SunX(), -30);
  EXPECT_EQ(run.sky.SunY(), 65);
  // Frames without a slow tick stay at 0 with the sun hidden.
  const Draws atZero = run.Frames(3, false, false);
  ASSERT_EQ(atZero.size(), 1u);
  EXPECT_EQ(atZero[0].Name.substr(0, 4), "moon");
  EXPECT_EQ(run.sky.SkyOffset(), 0);
  EXPECT_TRUE(run.sky.SkyRising());

  // The moon keeps climbing into the morning, moving at ticks 502 + 5m: the
  // 161st move at tick 1307 leaves it at y -61, and tick 1308 takes it down
  // before drawing. The sun rises again with the frame the fast tick left.
  run.Frames(250, true, false);  // tick 1202
  EXPECT_EQ(run.sky.SkyOffset(), -250);
  EXPECT_FALSE(run.sky.SunVisible());
  EXPECT_EQ(run.Frame(true, false), (Draws{{"sun2", -30, 65}, {"moon1", 140, -40}}));  // tick 1203
  EXPECT_EQ(run.sky.SkyOffset(), -251);
  run.Frames(103, true, false);  // tick 1306
  EXPECT_EQ(run.Frame(true, false), (Draws{{"sun2", -30, 65}, {"moon5", 160, -60}}));
  EXPECT_EQ(run.sky.MoonY(), -61);
  EXPECT_TRUE(run.sky.MoonVisible());
  EXPECT_EQ(run.Frame(true, false), (Draws{{"sun2", -30, 65}}));  // tick 1308
  EXPECT_FALSE(run.sky.MoonVisible());
  EXPECT_EQ(run.sky.MoonX(), 0);
  EXPECT_EQ(run.sky.MoonY(), 100);
  EXPECT_EQ(run.sky.MoonFrame(), 1);
}

// With fast ticks only after the rise the sun climbs out: 166 moves (830
// fast ticks) take it from (-30, 65) to (136, -101); the next frame hides it
// at (-40, -100). The setting sun then waits for -590.
TEST(SkyCycle, ClimbingSunLeavesAndSettingSunStartsAtMinus590) {
  SkyRun run;
  run.Frame(true, false);
  EXPECT_EQ(run.Frame(false, true), (Draws{{"sun1", -30, 65}}));
  EXPECT_EQ(run.Frames(4, false, true), (Draws{{"sun5", -30, 65}}));
  EXPECT_EQ(run.sky.SunX(), -29);
  EXPECT_EQ(run.sky.SunY(), 64);
  EXPECT_EQ(run.Frames(825, false, true), (Draws{{"sun5", 135, -100}}));
  EXPECT_EQ(run.sky.SunX(), 136);
  EXPECT_EQ(run.sky.SunY(), -101);
  EXPECT_TRUE(run.sky.SunVisible());
  EXPECT_EQ(run.Frame(false, true), Draws{});
  EXPECT_FALSE(run.sky.SunVisible());
  EXPECT_EQ(run.sky.SunX(), -40);
  EXPECT_EQ(run.sky.SunY(), -100);
  EXPECT_EQ(run.sky.SunFrame(), 1);

  // -251 to -601 is 350 slow ticks, then 11 more reach -590.
  EXPECT_EQ(run.Frames(360, true, false), Draws{});
  EXPECT_EQ(run.sky.SkyOffset(), -591);
  EXPECT_FALSE(run.sky.SkyRising());
  EXPECT_EQ(run.Frame(true, false), (Draws{{"sundown1", -40, -100}}));
  // The setting sun sinks to the right.
  run.Frames(5, false, true);
  EXPECT_EQ(run.sky.SunX(), -39);
  EXPECT_EQ(run.sky.SunY(), -99);
  // -590 again on the way back up does not matter: the sun stays on.
  EXPECT_TRUE(run.sky.SunVisible());
}

TEST(SkyCycle, SettingSunTakesOverTheClimbingSunsFrame) {
  SkyRun run;
  run.Frame(true, false);
  run.Frames(2, false, true);
  EXPECT_EQ(run.sky.SunFrame(), 3);
  EXPECT_EQ(run.Frames(349, true, false), (Draws{{"sun3", -30, 65}}));
  EXPECT_EQ(run.Frame(true, false), (Draws{{"sundown3", -30, 65}}));
  // Advances to 4, to 5, then past 5: back to 1 and one pixel down and right.
  run.Frames(3, false, true);
  EXPECT_EQ(run.sky.SunFrame(), 1);
  EXPECT_EQ(run.sky.SunX(), -29);
  EXPECT_EQ(run.sky.SunY(), 66);
}

// The layout's pictures found by name for the artwork, drawn where the sky says.
std::unique_ptr<TPNGObject> SolidPng(int w, int h, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  TMemoryStream stream(test::RgbaPng(w, h, [&](int, int) { return test::Rgba{r, g, b, 255}; }));
  auto png = std::make_unique<TPNGObject>();
  png->ReadPngStream(stream);
  return png;
}

void AddImage(TComponent& owner, const std::string& name, std::unique_ptr<TPNGObject> png) {
  auto* image = new TImage(&owner);
  image->SetName(name);
  image->SetAutoSize(true);
  image->Picture().SetGraphic(std::move(png));
}

TEST(SkyCycle, DrawsStripAndSpritesByName) {
  TComponent owner(nullptr);
  AddImage(owner, "imgDay", SolidPng(1, 260, 255, 0, 0));
  AddImage(owner, "sun1", SolidPng(40, 2, 0, 255, 0));
  AddImage(owner, "sun2", SolidPng(40, 2, 0, 0, 255));
  PixelStore store(300, 260, 32, RowOrder::TopDown);
  const Artwork art = ResolveArtwork(ScaledPictures(owner));
  const TRect all{0, 0, 300, 260};

  Sky sky;
  sky.SetStartPositions();
  art.SkyStrip.Draw(store, Sky::kStripX, sky.SkyOffset(), all, BlendPath::Scalar);  // rows 250..259 show at 0..9
  EXPECT_EQ(store.PixelColour(45, 9), 0x0000FFu);
  EXPECT_EQ(store.PixelColour(45, 10), 0u);
  EXPECT_EQ(store.PixelColour(44, 0), 0u);

  sky.Step(true, true, [&](SkyBody body, int frame, int x, int y) {
    art.Body(body, frame).Draw(store, x, y, all, BlendPath::Scalar);
  });  // "sun1" at (-30, 65): columns 0..9
  EXPECT_EQ(store.PixelColour(0, 65), 0x00FF00u);
  EXPECT_EQ(store.PixelColour(9, 66), 0x00FF00u);
  EXPECT_EQ(store.PixelColour(10, 65), 0u);
  EXPECT_EQ(store.PixelColour(0, 64), 0u);
}

}  // namespace
}  // namespace nivarra
