// The snowfall's particles, its density walk and the random generator it
// draws from. Expected values are worked out from the generator's rule by hand.

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "graphics/canvas.h"
#include "graphics/pixel_store.h"
#include "graphics/stream.h"
#include "layout/component.h"
#include "layout/controls.h"
#include "layout/picture.h"
#include "png/png_object.h"
#include "scene/random.h"
#include "scene/snowfall.h"
#include "support/png_builder.h"

namespace nivarra {
namespace {

// Puts the process-wide seed back so other suites see their own start.
class SeedGuard {
 public:
  SeedGuard() : saved_(RandomSeed()) { RandomSeed() = 0; }
  ~SeedGuard() { RandomSeed() = saved_; }

 private:
  std::uint32_t saved_;
};

// Sprite "Snow<k>" is opaque, red 10·k, green 200, blue k.
TColor SpriteColour(int k) { return static_cast<TColor>(10 * k | 200 << 8 | k << 16); }

void AddSprite(TComponent& form, int k, int size) {
  auto* image = new TImage(&form);
  image->SetName("Snow" + std::to_string(k));
  const auto red = static_cast<std::uint8_t>(10 * k), blue = static_cast<std::uint8_t>(k);
  TMemoryStream stream(test::RgbaPng(size, size, [&](int, int) { return test::Rgba{red, 200, blue, 255}; }));
  auto png = std::make_unique<TPNGObject>();
  png->ReadPngStream(stream);
  image->Picture().SetGraphic(std::move(png));
}

struct Scene {
  explicit Scene(bool withSprites = true) {
    if (withSprites) {
      const int sizes[] = {1, 3, 1, 3, 7, 7};
      for (int k = 1; k <= 6; ++k) AddSprite(form, k, sizes[k - 1]);
    }
    snow.Allocate();
  }
  void Step(int layer, bool visible = true, bool enabled = true) {
    snow.StepLayer(
        layer,
        [&](int kind, int x, int y) {
          const auto* image = dynamic_cast<const TImage*>(form.FindOwnedComponent(Snowfall::SpriteName(layer, kind)));
          if (image != nullptr) canvas.DrawGraphic(x, y, image->Picture().Graphic());
        },
        visible, enabled);
  }
  bool FrameIsBlank() const {
    for (std::uint8_t b : store.Bytes())
      if (b != 0) return false;
    return true;
  }
  // Leaves only the given layer active.
  void OnlyLayer(int layer, int count) {
    SnowDensity d{0, 0, 0, 0, 0};
    (layer == kSnowFar ? d.Count1 : layer == kSnowMiddle ? d.Count2 : d.Count3) = count;
    snow.SetDensity(d);
  }

  SeedGuard seed;
  TComponent form{nullptr};
  PixelStore store{300, 260, 32, RowOrder::TopDown};
  TCanvas canvas{store};
  Snowfall snow;
};

void ExpectParticle(const SnowParticle& p, int kind, double x, double y, double dx, double dy) {
  EXPECT_EQ(p.Kind, kind);
  EXPECT_DOUBLE_EQ(p.X, x);
  EXPECT_DOUBLE_EQ(p.Y, y);
  EXPECT_DOUBLE_EQ(p.DX, dx);
  EXPECT_DOUBLE_EQ(p.DY, dy);
}

TEST(RandomBelow, FollowsTheSeedFromZero) {
  SeedGuard guard;
  // Seeds 1, 134775814, 3698175007, 870078620, 1172187917; each draw is
  // the top half of seed × n.
  const std::int32_t ranges[] = {196, 147, 2, 15, 3};
  const std::int32_t draws[] = {0, 4, 1, 3, 0};
  const std::uint32_t seeds[] = {1u, 134775814u, 3698175007u, 870078620u, 1172187917u};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(RandomBelow(ranges[i]), draws[i]) << i;
    EXPECT_EQ(RandomSeed(), seeds[i]) << i;
  }
}

TEST(RandomBelow, UsesTheFull64BitProduct) {
  SeedGuard guard;
  // 1298181734 × 134775813 + 1 ≡ 2^32 − 1, the largest seed.
  RandomSeed() = 1298181734u;
  EXPECT_EQ(RandomBelow(500), 499);
  EXPECT_EQ(RandomSeed(), 0xFFFFFFFFu);
  // An empty range still advances the seed: 0xFFFFFFFF × 134775813 + 1 ≡ 4160191484.
  EXPECT_EQ(RandomBelow(0), 0);
  EXPECT_EQ(RandomSeed(), 4160191484u);
}

TEST(SnowSpawn, FirstFrameFromSeedZeroSpawnsEveryActiveParticle) {
  struct Case {
    int layer;
    SnowParticle first, second;  // after the frame's move
    std::uint32_t seedAfter;     // 5 draws per particle, 4 for the near layer
    std::size_t untouched;       // first index beyond the active count
    std::size_t length;
  };
  const Case cases[] = {
      // Far: X 47+0, Y 13+4, Kind 1+1, DX 0.3−0.75, DY 0.0+0.5; then 178, 59, 1, −0.25, 0.6.
      {kSnowFar, {2, 46.55, 17.5, -0.45, 0.5}, {1, 177.75, 59.6, -0.25, 0.6}, 3609297628u, 500, 500},
      // Middle: DX R(20)/10 − 0.5 and DY R(6)/10 + 1.5 from the same seed.
      {kSnowMiddle, {2, 46.9, 19.6, -0.1, 1.6}, {1, 175.2, 67.7, 0.2, 1.7}, 1995684248u, 200, 300},
      // Near: no DX draw, so the second particle starts from the fifth seed.
      {kSnowNear, {2, 47, 20.6, 0, 2.6}, {1, 99, 127.5, 0, 2.5}, 832869128u, 30, 40},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.layer);
    Scene scene;
    scene.Step(c.layer);
    const auto layer = scene.snow.Layer(c.layer);
    ASSERT_EQ(layer.size(), c.length);
    ExpectParticle(layer[0], c.first.Kind, c.first.X, c.first.Y, c.first.DX, c.first.DY);
    ExpectParticle(layer[1], c.second.Kind, c.second.X, c.second.Y, c.second.DX, c.second.DY);
    EXPECT_EQ(RandomSeed(), c.seedAfter);
    for (std::size_t i = 0; i < c.untouched; ++i) ASSERT_NE(layer[i].Kind, 0) << i;
    if (c.untouched < layer.size()) ExpectParticle(layer[c.untouched], 0, 0, 0, 0, 0);
  }
}

TEST(SnowSpawn, RespawnComesBeforeTheInsideTest) {
  Scene scene;
  scene.OnlyLayer(kSnowFar, 2);
  auto far = scene.snow.Layer(kSnowFar);
  // (150, 160) lies inside the glass: drawn there only if respawn came late.
  far[0] = {1, 150, 160, 0.3, 0.6};
  far[1] = {2, 150, 159.9, 0, 0};
  scene.Step(kSnowFar);
  // Draws from seed 0: X 47+0, Kind 1+0, DX 1.2−0.75, DY 0.0+0.8; Y is 13 without a draw.
  ExpectParticle(far[0], 1, 47.45, 13.8, 0.45, 0.8);
  EXPECT_EQ(RandomSeed(), 870078620u);
  // The one below the line is drawn (3 × 3 at row 160) and not respawned.
  ExpectParticle(far[1], 2, 150, 159.9, 0, 0);
  EXPECT_EQ(scene.store.PixelColour(150, 160), SpriteColour(2));
  EXPECT_EQ(scene.store.PixelColour(149, 159), 0u);
}

TEST(SnowSpawn, NearFlakesRespawnFromOutsideTheGlassWithoutADxDraw) {
  Scene scene;
  scene.OnlyLayer(kSnowNear, 1);
  auto near = scene.snow.Layer(kSnowNear);
  near[0] = {2, 5, 180, 0, 1};  // drifted out of the sphere
  scene.Step(kSnowNear);
  // X 47+0, Kind 1+0, DY 0.5+2.5; three draws, none for DX.
  ExpectParticle(near[0], 1, 47, 16, 0, 3);
  EXPECT_EQ(RandomSeed(), 3698175007u);
}

TEST(SnowStep, InactiveParticlesKeepTheirStateAndResume) {
  Scene scene;
  scene.Step(kSnowFar);
  const std::vector<SnowParticle> before(scene.snow.Layer(kSnowFar).begin(),
                                         scene.snow.Layer(kSnowFar).end());
  const std::uint32_t seed = RandomSeed();

  scene.OnlyLayer(kSnowFar, 10);
  scene.Step(kSnowFar);
  auto far = scene.snow.Layer(kSnowFar);
  for (std::size_t i = 10; i < far.size(); ++i)
    ExpectParticle(far[i], before[i].Kind, before[i].X, before[i].Y, before[i].DX, before[i].DY);

  // Every first-frame Y is below 160, so nothing respawns: each flake takes one step.
  scene.OnlyLayer(kSnowFar, 500);
  scene.Step(kSnowFar);
  EXPECT_EQ(RandomSeed(), seed);
  for (std::size_t i = 10; i < far.size(); ++i) {
    EXPECT_DOUBLE_EQ(far[i].Y, before[i].Y + before[i].DY) << i;
    EXPECT_DOUBLE_EQ(far[i].X, before[i].X + before[i].DX) << i;
  }
}

TEST(SnowStep, CoveredOrSwitchedOffStopsAndThenResumes) {
  Scene scene;
  scene.Step(kSnowMiddle);
  const std::vector<SnowParticle> before(scene.snow.Layer(kSnowMiddle).begin(),
                                         scene.snow.Layer(kSnowMiddle).end());
  const std::uint32_t seed = RandomSeed();
  scene.store.Fill(0, 0, 0, 0);

  scene.Step(kSnowMiddle, /*visible=*/false, /*enabled=*/true);
  scene.Step(kSnowMiddle, /*visible=*/true, /*enabled=*/false);
  EXPECT_TRUE(scene.FrameIsBlank());
  EXPECT_EQ(RandomSeed(), seed);
  auto middle = scene.snow.Layer(kSnowMiddle);
  for (std::size_t i = 0; i < middle.size(); ++i)
    ExpectParticle(middle[i], before[i].Kind, before[i].X, before[i].Y, before[i].DX, before[i].DY);

  scene.Step(kSnowMiddle);
  EXPECT_FALSE(scene.FrameIsBlank());
  EXPECT_DOUBLE_EQ(middle[1].Y, 67.7 + 1.7);
  EXPECT_DOUBLE_EQ(middle[1].X, 175.2 + 0.2);
}

TEST(SnowDraw, EachKindUsesItsLayersSpriteAtTheRoundedCorner) {
  const int sizes[] = {1, 3, 1, 3, 7, 7};
  for (int layer : {kSnowFar, kSnowMiddle, kSnowNear}) {
    SCOPED_TRACE(layer);
    Scene scene;
    scene.OnlyLayer(layer, 2);
    auto flakes = scene.snow.Layer(layer);
    flakes[0] = {1, 100.5, 100.5, 0, 0};  // drawn at (100, 100)
    flakes[1] = {2, 151.5, 101.5, 0, 0};  // drawn at (152, 102)
    scene.Step(layer);
    const int first = 2 * layer - 1, second = 2 * layer;
    const int size1 = sizes[first - 1], size2 = sizes[second - 1];
    EXPECT_EQ(scene.store.PixelColour(100, 100), SpriteColour(first));
    EXPECT_EQ(scene.store.PixelColour(99 + size1, 99 + size1), SpriteColour(first));
    EXPECT_EQ(scene.store.PixelColour(100 + size1, 100), 0u);
    EXPECT_EQ(scene.store.PixelColour(99, 100), 0u);
    EXPECT_EQ(scene.store.PixelColour(152, 102), SpriteColour(second));
    EXPECT_EQ(scene.store.PixelColour(151 + size2, 101 + size2), SpriteColour(second));
    EXPECT_EQ(scene.store.PixelColour(151, 102), 0u);
    EXPECT_EQ(scene.store.PixelColour(152 + size2, 102), 0u);
  }
}

TEST(SnowDraw, FlakesOutsideTheGlassOrWithoutSpritesStillMove) {
  Scene scene;
  scene.OnlyLayer(kSnowFar, 1);
  auto far = scene.snow.Layer(kSnowFar);
  far[0] = {1, 20, 20, 1, 2};
  scene.Step(kSnowFar);
  EXPECT_TRUE(scene.FrameIsBlank());
  ExpectParticle(far[0], 1, 21, 22, 1, 2);

  Scene bare(/*withSprites=*/false);
  bare.OnlyLayer(kSnowFar, 1);
  bare.snow.Layer(kSnowFar)[0] = {2, 150, 100, 0.5, 0.5};
  bare.Step(kSnowFar);
  EXPECT_TRUE(bare.FrameIsBlank());
  ExpectParticle(bare.snow.Layer(kSnowFar)[0], 2, 150.5, 100.5, 0.5, 0.5);
}

TEST(SnowRounding, HalvesGoToTheEvenNeighbour) {
  EXPECT_EQ(RoundHalfEven(100.5), 100);
  EXPECT_EQ(RoundHalfEven(101.5), 102);
  EXPECT_EQ(RoundHalfEven(0.5), 0);
  EXPECT_EQ(RoundHalfEven(2.5), 2);
  EXPECT_EQ(RoundHalfEven(-0.5), 0);
  EXPECT_EQ(RoundHalfEven(-1.5), -2);
  EXPECT_EQ(RoundHalfEven(46.55), 47);
  EXPECT_EQ(RoundHalfEven(46.45), 46);
  EXPECT_EQ(RoundHalfEven(159.9), 160);
  EXPECT_EQ(RoundHalfEven(7.0), 7);
}

TEST(SnowInside, CornersAndEdgesOfTheHexagonAreOutside) {
  struct Point {
    int layer;
    double x, y;
  };
  // Corners where two boundary lines meet, then one point on each of the
  // six lines that lies strictly within the other five.
  const Point points[] = {
      {kSnowFar, 36, 108},    {kSnowFar, 143, 1.5},   {kSnowFar, 250, 110},   {kSnowFar, 143.5, 323},
      {kSnowNear, 72, 38},    {kSnowNear, 36.5, 109}, {kSnowNear, 144, 2},    {kSnowNear, 249, 108},
      {kSnowNear, 142.5, 321},
      {kSnowFar, 71, 38},     {kSnowFar, 142, 2},     {kSnowFar, 144, 2},     {kSnowFar, 213.5, 37},
      {kSnowFar, 36.5, 109},  {kSnowFar, 249.5, 111}, {kSnowNear, 71.5, 39},  {kSnowNear, 142, 3},
      {kSnowNear, 146, 3},    {kSnowNear, 213.5, 37}, {kSnowNear, 37, 110},   {kSnowNear, 248.5, 109},
  };
  for (const Point& e : points) {
    SCOPED_TRACE(testing::Message() << e.layer << " (" << e.x << ", " << e.y << ")");
    // A step towards (150, 110), well inside, crosses into the glass.
    const double dx = (150 - e.x) / 1000, dy = (110 - e.y) / 1000;
    EXPECT_FALSE(InsideGlobe(e.layer, e.x, e.y));
    EXPECT_TRUE(InsideGlobe(e.layer, e.x + dx, e.y + dy));
    EXPECT_FALSE(InsideGlobe(e.layer, e.x - dx, e.y - dy));
  }
  EXPECT_TRUE(InsideGlobe(kSnowMiddle, 100, 100));
  EXPECT_FALSE(InsideGlobe(kSnowMiddle, 249.5, 108));
  EXPECT_THROW(InsideGlobe(4, 100, 100), std::out_of_range);
}

TEST(SnowDensity, WalksDownFromTheStartThenPausesAndDrawsAgain) {
  Scene scene;
  Snowfall& snow = scene.snow;
  snow.AdjustDensity();
  EXPECT_EQ(snow.Density(), (SnowDensity{499, 249, 31, 0, 0}));
  for (int tick = 2; tick <= 500; ++tick) snow.AdjustDensity();
  EXPECT_EQ(snow.Density(), (SnowDensity{0, 0, 0, 0, 0}));
  EXPECT_EQ(RandomSeed(), 0u);

  // Target met: R(500) = 0, R(4) = 0, so target 0 and pause R(500)+50 = 430+50;
  // the count still steps up in this tick.
  snow.AdjustDensity();
  EXPECT_EQ(snow.Density(), (SnowDensity{1, 0, 0, 0, 480}));
  for (int tick = 0; tick < 480; ++tick) snow.AdjustDensity();
  EXPECT_EQ(snow.Density(), (SnowDensity{1, 0, 0, 0, 0}));
  snow.AdjustDensity();
  EXPECT_EQ(snow.Density(), (SnowDensity{0, 0, 0, 0, 0}));
  // Fourth seed: R(500) = 101; fifth: R(4) = 1, no pause.
  snow.AdjustDensity();
  EXPECT_EQ(snow.Density(), (SnowDensity{1, 0, 0, 101, 0}));
  EXPECT_EQ(RandomSeed(), 1172187917u);
}

TEST(SnowDensity, ATargetEqualToTheCountStepsUpAndBackFirst) {
  Scene scene;
  Snowfall& snow = scene.snow;
  RandomSeed() = 1;  // next draws: R(500) = 15, R(4) = 3
  snow.SetDensity({15, 7, 0, 15, 0});
  snow.AdjustDensity();
  EXPECT_EQ(snow.Density(), (SnowDensity{16, 8, 1, 15, 0}));
  const std::uint32_t seed = RandomSeed();
  snow.AdjustDensity();
  EXPECT_EQ(snow.Density(), (SnowDensity{15, 7, 0, 15, 0}));
  EXPECT_EQ(RandomSeed(), seed);
  snow.AdjustDensity();
  EXPECT_NE(RandomSeed(), seed);
}

}  // namespace
}  // namespace nivarra
