#pragma once
// The snow inside the globe: three layers of particles at three depths
// (far behind the houses, middle before them, near before the snowdrift),
// and the density walk that thickens, thins and pauses the snowfall.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace nivarra {

// One flake. Kind 0: never spawned; 1 or 2: the layer's first or second sprite.
struct SnowParticle {
  std::int32_t Kind = 0;
  double X = 0;   // left edge of the sprite, window pixels
  double Y = 0;   // top edge of the sprite
  double DX = 0;  // per frame
  double DY = 0;  // per frame, always downwards
};

// A flake a step found inside the globe: its number in the layer, its kind
// (1 or 2, see Snowfall::SpriteName) and the unrounded top-left corner of
// its sprite.
struct FlakeSpot {
  std::uint32_t Index = 0;
  std::int32_t Kind = 1;
  double X = 0;
  double Y = 0;
};

// Layer numbers as in SnowLayer1..SnowLayer3.
inline constexpr int kSnowFar = 1;
inline constexpr int kSnowMiddle = 2;
inline constexpr int kSnowNear = 3;

// The density state, for tracing (and for setting a scene up in tests).
struct SnowDensity {
  std::int32_t Count1 = 500;  // SnowCount1
  std::int32_t Count2 = 200;  // SnowCount2
  std::int32_t Count3 = 30;   // SnowCount3
  std::int32_t Target = 0;    // SnowTarget
  std::int32_t Pause = 0;     // SnowPause: density ticks still to skip
  friend bool operator==(const SnowDensity&, const SnowDensity&) = default;
};

// Rounds to the nearest integer, ties to the even one (100.5 → 100).
// Every flake is placed with it every frame: floor and parity come from
// the whole number, without a call.
inline int RoundHalfEven(double value) {
  auto below = static_cast<std::int64_t>(value);  // towards zero
  if (static_cast<double>(below) > value) --below;
  const double fraction = value - static_cast<double>(below);
  const bool up = fraction > 0.5 || (fraction == 0.5 && (below & 1) != 0);
  return static_cast<int>(below + (up ? 1 : 0));
}

// The six-sided approximation of the glass sphere's inside for a sprite
// whose top-left corner is at (x, y). layer is 1 to 3.
bool InsideGlobe(int layer, double x, double y);

class Snowfall {
 public:
  // First show: arrays sized from the counts at this moment (SnowCount1,
  // SnowCount2 + 100, SnowCount3 + 10), every field zero. Later calls are
  // ignored so the flakes keep their state.
  void Allocate();

  // StepSnowLayer for layer 1 to 3: spawns, hands each flake inside the
  // globe to draw (its kind, 1 or 2, see SpriteName, and the top-left
  // corner of its sprite), and moves the active particles. Nothing moves or
  // draws while the globe is covered or snow is off. Throws
  // std::out_of_range for another layer number.
  using FlakeSink = std::function<void(int kind, int x, int y)>;
  void StepLayer(int layer, const FlakeSink& draw, bool globeVisible, bool snowEnabled);
  // The same, handing each flake inside the globe with its number in the
  // layer and its unrounded corner, for drawing it somewhere else (a
  // stirred globe draws flakes off their places).
  using PlacedFlakeSink = std::function<void(std::size_t index, int kind, double x, double y)>;
  void StepLayerPlaced(int layer, const PlacedFlakeSink& draw, bool globeVisible, bool snowEnabled);
  // The same, putting the flakes inside the globe into spots (emptied
  // first), for the frame to draw from one array.
  void StepLayerInto(int layer, std::vector<FlakeSpot>& spots, bool globeVisible, bool snowEnabled);
  // The image name of a layer's flake of kind 1 or 2: "Snow1".."Snow6".
  static const char* SpriteName(int layer, int kind);

  // AdjustSnowDensity: the 200 ms density tick; runs whether snow is on or not.
  void AdjustDensity();

  const SnowDensity& Density() const { return density_; }
  // Counts are clamped to the arrays' lengths once they are allocated.
  void SetDensity(const SnowDensity& density);

  std::span<const SnowParticle> Layer(int layer) const;
  std::span<SnowParticle> Layer(int layer);
  std::int32_t ActiveCount(int layer) const;
  // Whether a step of some layer would visit a flake: the arrays are there
  // and some active count is above 0.
  bool HasFlakes() const;

 private:
  std::vector<SnowParticle>& LayerArray(int layer);
  void ClampCounts();
  template <class Draw>
  void StepParticles(int layer, const Draw& draw, bool globeVisible, bool snowEnabled);

  std::vector<SnowParticle> SnowLayer1, SnowLayer2, SnowLayer3;
  SnowDensity density_;
  bool allocated_ = false;
};

}  // namespace nivarra
