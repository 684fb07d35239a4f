#pragma once
// The globe shaken: the window's moves across the desktop stir the snow as
// water stirs flakes. The snowfall itself is never touched: each flake gets
// a displacement, kept here beside it and added only where it is drawn, and
// a hard enough shake kicks extra flakes up from the snowdrift. Both sink
// back (a damped spring, drag and slow sinking) within a few seconds, and
// then everything here is exactly zero again, so the snow is drawn where
// the snowfall alone puts it.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace nivarra {

// A drawing place in scene units (top-left of the flake's sprite).
struct FlakePlace {
  double X = 0;
  double Y = 0;
};

// Where the glass holds snow, for a sprite of layer whose top-left is at
// (x, y): its centre inside the glass's inner circle (or no further out
// than from, where the snowfall itself draws beyond it) and its bottom
// above the snowdrift (or no lower than from).
FlakePlace KeepInGlass(int layer, FlakePlace wanted, FlakePlace from);
// The top of the snowdrift over column x.
double DriftTop(double x);

class SnowShake {
 public:
  // Extra flakes the drift can throw up at once.
  static constexpr std::size_t kExtraFlakes = 120;

  // Sizes the per-flake state for the snow layers' arrays: the first show's
  // part; the frame loop allocates nothing after.
  void Reserve(std::size_t far, std::size_t middle, std::size_t near);

  // The window's top-left, in scene units, at tick.
  void GlassMoved(std::uint32_t tick, double x, double y);
  // Moves every stirred flake on to tick; called once a frame.
  void Step(std::uint32_t tick);
  // Something moves that the snowfall alone would not move: displaced or
  // extra flakes, or the glass in motion (its stopping stirs).
  bool Stirred() const { return stirred_ || tracking_; }
  // Forgets every stir and motion at once.
  void Clear();

  // Where flake index of layer, standing at design, is drawn now.
  FlakePlace Place(int layer, std::size_t index, FlakePlace design) const;
  // Every extra flake of layer: draw(kind, x, y), kind 1 or 2 as in the snowfall.
  template <class Draw>
  void ForEachExtra(int layer, Draw&& draw) const {
    for (const Extra& e : extras_) {
      if (e.Layer == layer) draw(e.Kind, e.X, e.Y);
    }
  }
  std::size_t ExtraCount() const;

 private:
  struct Offset {
    float X = 0, Y = 0, VX = 0, VY = 0;
  };
  // What makes one flake move unlike its neighbours.
  struct Character {
    float Gain = 1, Side = 0, Lift = 0, Stiffness = 1;
  };
  struct Extra {
    int Layer = 0;  // 0: free
    int Kind = 1;
    double X = 0, Y = 0, VX = 0, VY = 0, Age = 0;
  };

  std::uint32_t Next();
  double Uniform(double low, double high);
  void Advance(double seconds, double pushX, double pushY, double spawn);
  void StepOffsets(double seconds, double pushX, double pushY, double stir);
  void StepExtras(double seconds, double pushX, double pushY);
  void Spawn(double strength);
  bool Settled() const;

  std::array<std::vector<Offset>, 3> offsets_;
  std::array<std::vector<Character>, 3> characters_;
  std::array<Extra, kExtraFlakes> extras_{};
  std::uint32_t random_ = 0x2545F491u;  // its own sequence, never the snowfall's

  // The glass's motion: the last sample a velocity was measured from, the
  // smoothed velocity (units per second), and the change in it not yet
  // handed to the flakes.
  bool tracking_ = false;
  bool hasSample_ = false;
  std::uint32_t sampleTick_ = 0;
  double sampleX_ = 0, sampleY_ = 0;
  double velocityX_ = 0, velocityY_ = 0;
  double pushX_ = 0, pushY_ = 0;

  bool stirred_ = false;
  bool stepped_ = false;
  std::uint32_t stepTick_ = 0;
  double agitation_ = 0;  // smoothed size of the glass's acceleration, units / s²
  double spawnDebt_ = 0;
};

}  // namespace nivarra
