#include "scene/shake.h"

#include <algorithm>
#include <cmath>

#include "scene/snowfall.h"

namespace nivarra {
namespace {

// The glass's inside: the circle the scene shows through.
constexpr double kGlassCx = 145, kGlassCy = 105, kGlassInnerR = 99.5;
// Half a sprite of each layer (the larger of its two flakes).
constexpr double kHalfSprite[3] = {1.5, 1.5, 3.5};

// How much of the glass's change in velocity each layer's flakes keep
// against it: near flakes move most, far ones least.
constexpr double kLayerGain[3] = {0.06, 0.09, 0.13};
// Loose flakes from the drift are lighter still.
constexpr double kExtraGain[3] = {0.12, 0.16, 0.22};
// The spring back to the snowfall's place: angular frequency (1/s) and
// damping ratio; a little under critical, so flakes sway once as in water.
constexpr double kSpringOmega = 3.5;
constexpr double kDampingRatio = 0.8;
constexpr double kMaxOffsetSpeed = 400;  // units per second

// Loose flakes: drag (1/s) and the speed they sink at (units per second).
constexpr double kDrag = 2.0;
constexpr double kSinkSpeed[3] = {34, 40, 48};
constexpr double kLongestLife = 3.5;  // seconds, whatever happens

// The glass's motion: samples closer than this are read together, a gap
// longer than kStillMs means it stopped, and its velocity is smoothed over
// kVelocitySmoothing.
constexpr std::uint32_t kShortestSampleMs = 8;
constexpr std::uint32_t kStillMs = 120;
constexpr double kVelocitySmoothing = 0.03;
// The acceleration's size is smoothed over this many seconds; above the
// threshold the drift throws flakes up, more the harder the shake.
constexpr double kAgitationSmoothing = 0.15;
constexpr double kKickThreshold = 3000;
constexpr double kFlakesPerExcess = 0.01;  // flakes per second per unit / s² above it

// Below these everything counts as settled.
constexpr float kRestOffset = 0.05f, kRestSpeed = 0.5f;

constexpr double kLongestStep = 0.1, kSubStep = 0.02;

std::size_t LayerIndex(int layer) { return static_cast<std::size_t>(std::clamp(layer, kSnowFar, kSnowNear) - 1); }

}  // namespace

double DriftTop(double x) {
  const double across = (x - kGlassCx) / 85;
  return 174 - 22 * across * across;
}

FlakePlace KeepInGlass(int layer, FlakePlace wanted, FlakePlace from) {
  const double half = kHalfSprite[LayerIndex(layer)];
  double cx = wanted.X + half - kGlassCx, cy = wanted.Y + half - kGlassCy;
  const double limit = std::max(kGlassInnerR - half - 0.5, std::hypot(from.X + half - kGlassCx, from.Y + half - kGlassCy));
  const double distance = std::hypot(cx, cy);
  if (distance > limit) {
    cx *= limit / distance;
    cy *= limit / distance;
  }
  FlakePlace kept{cx + kGlassCx - half, cy + kGlassCy - half};
  const double lowest = std::max(DriftTop(kept.X + half) + 1 - 2 * half, from.Y);
  kept.Y = std::min(kept.Y, lowest);
  return kept;
}

void SnowShake::Reserve(std::size_t far, std::size_t middle, std::size_t near) {
  const std::size_t sizes[3] = {far, middle, near};
  for (std::size_t l = 0; l < 3; ++l) {
    if (offsets_[l].size() == sizes[l]) continue;
    offsets_[l].assign(sizes[l], Offset{});
    characters_[l].resize(sizes[l]);
    // A fixed hash of the flake's number: the same flake always moves the same way.
    for (std::size_t i = 0; i < sizes[l]; ++i) {
      std::uint32_t h = static_cast<std::uint32_t>(i * 2654435761u + l * 40503u + 1);
      const auto unit = [&h] {
        h ^= h << 13;
        h ^= h >> 17;
        h ^= h << 5;
        return static_cast<float>(h % 10000) / 10000.0f;
      };
      characters_[l][i] = Character{0.6f + 0.8f * unit(), 0.6f * (unit() - 0.5f), 0.1f + 0.25f * unit(), 0.75f + 0.5f * unit()};
    }
  }
}

std::uint32_t SnowShake::Next() {
  random_ ^= random_ << 13;
  random_ ^= random_ >> 17;
  random_ ^= random_ << 5;
  return random_;
}

double SnowShake::Uniform(double low, double high) { return low + (high - low) * (Next() % 100000) / 100000.0; }

void SnowShake::GlassMoved(std::uint32_t tick, double x, double y) {
  if (!hasSample_ || static_cast<std::uint32_t>(tick - sampleTick_) > kStillMs) {
    // The first position since the glass rested: nothing to measure against.
    if (tracking_) {
      pushX_ -= velocityX_;
      pushY_ -= velocityY_;
    }
    velocityX_ = velocityY_ = 0;
    hasSample_ = true;
    tracking_ = true;
    sampleTick_ = tick;
    sampleX_ = x;
    sampleY_ = y;
    return;
  }
  // Reports a few milliseconds apart would turn jitter into speed, but
  // dropping one may drop a move (a window manager that reports a drag
  // now and then, between frames): they count as kShortestSampleMs apart.
  const std::uint32_t elapsed = std::max(static_cast<std::uint32_t>(tick - sampleTick_), kShortestSampleMs);
  const double seconds = elapsed / 1000.0;
  const double share = 1 - std::exp(-seconds / kVelocitySmoothing);
  const double vx = velocityX_ + ((x - sampleX_) / seconds - velocityX_) * share;
  const double vy = velocityY_ + ((y - sampleY_) / seconds - velocityY_) * share;
  pushX_ += vx - velocityX_;
  pushY_ += vy - velocityY_;
  velocityX_ = vx;
  velocityY_ = vy;
  sampleTick_ = tick;
  sampleX_ = x;
  sampleY_ = y;
}

void SnowShake::Step(std::uint32_t tick) {
  const double seconds = stepped_ ? std::min(static_cast<std::uint32_t>(tick - stepTick_) / 1000.0, kLongestStep) : 0;
  stepped_ = true;
  stepTick_ = tick;
  if (tracking_ && static_cast<std::uint32_t>(tick - sampleTick_) > kStillMs) {
    // No report for a while: the glass stands still again.
    pushX_ -= velocityX_;
    pushY_ -= velocityY_;
    velocityX_ = velocityY_ = 0;
    tracking_ = false;
    hasSample_ = false;
  }
  if (!stirred_ && pushX_ == 0 && pushY_ == 0) return;
  stirred_ = true;

  const double push = std::hypot(pushX_, pushY_);
  const double decay = std::exp(-seconds / kAgitationSmoothing);
  agitation_ = agitation_ * decay + push / kAgitationSmoothing;
  const double strength = std::clamp(agitation_ / 15000, 0.4, 1.3);
  spawnDebt_ += std::max(0.0, agitation_ - kKickThreshold) * kFlakesPerExcess * std::max(seconds, 0.02);
  while (spawnDebt_ >= 1) {
    spawnDebt_ -= 1;
    Spawn(strength);
  }
  if (agitation_ < kKickThreshold) spawnDebt_ = 0;

  Advance(seconds, pushX_, pushY_, push);
  pushX_ = pushY_ = 0;

  if (Settled()) {
    for (auto& layer : offsets_) std::fill(layer.begin(), layer.end(), Offset{});
    stirred_ = false;
    agitation_ = 0;
    spawnDebt_ = 0;
  }
}

void SnowShake::Advance(double seconds, double pushX, double pushY, double stir) {
  // The glass's change in velocity acts at once; the rest in small steps.
  StepOffsets(0, pushX, pushY, stir);
  StepExtras(0, pushX, pushY);
  for (double left = seconds; left > 1e-9; left -= kSubStep) {
    const double dt = std::min(left, kSubStep);
    StepOffsets(dt, 0, 0, 0);
    StepExtras(dt, 0, 0);
  }
}

void SnowShake::StepOffsets(double seconds, double pushX, double pushY, double stir) {
  const auto dt = static_cast<float>(seconds);
  for (std::size_t l = 0; l < 3; ++l) {
    const auto gain = static_cast<float>(kLayerGain[l]);
    const auto px = static_cast<float>(-pushX) * gain, py = static_cast<float>(-pushY) * gain;
    const auto kick = static_cast<float>(stir) * gain;
    std::vector<Offset>& offsets = offsets_[l];
    const std::vector<Character>& characters = characters_[l];
    for (std::size_t i = 0; i < offsets.size(); ++i) {
      Offset& o = offsets[i];
      const Character& c = characters[i];
      if (kick != 0) {
        // Against the glass's change in velocity, and the water's swirl
        // throws each flake up and to its own side.
        o.VX += c.Gain * px + c.Side * kick;
        o.VY += c.Gain * py - c.Lift * kick;
        const float speed = std::hypot(o.VX, o.VY);
        if (speed > kMaxOffsetSpeed) {
          o.VX *= static_cast<float>(kMaxOffsetSpeed) / speed;
          o.VY *= static_cast<float>(kMaxOffsetSpeed) / speed;
        }
      }
      if (dt == 0) continue;
      const float omega = static_cast<float>(kSpringOmega) * c.Stiffness;
      const float damping = 2 * static_cast<float>(kDampingRatio) * omega;
      o.VX += (-omega * omega * o.X - damping * o.VX) * dt;
      o.VY += (-omega * omega * o.Y - damping * o.VY) * dt;
      o.X += o.VX * dt;
      o.Y += o.VY * dt;
    }
  }
}

void SnowShake::StepExtras(double seconds, double pushX, double pushY) {
  for (Extra& e : extras_) {
    if (e.Layer == 0) continue;
    const std::size_t l = LayerIndex(e.Layer);
    e.VX -= pushX * kExtraGain[l];
    e.VY -= pushY * kExtraGain[l];
    if (seconds == 0) continue;
    const double drag = std::exp(-kDrag * seconds);
    e.VX *= drag;
    e.VY = e.VY * drag + kSinkSpeed[l] * kDrag * seconds;
    e.X += e.VX * seconds;
    e.Y += e.VY * seconds;
    e.Age += seconds;
    const FlakePlace kept = KeepInGlass(e.Layer, {e.X, e.Y}, {kGlassCx, kGlassCy});
    const bool onDrift = kept.Y < e.Y;
    if (kept.X != e.X || kept.Y != e.Y) {
      // The glass stops it from going further out; it slides along.
      const double nx = kept.X - kGlassCx, ny = kept.Y - kGlassCy, length = std::hypot(nx, ny);
      const double outwards = length > 0 ? (e.VX * nx + e.VY * ny) / length : 0;
      if (outwards > 0) {
        e.VX -= outwards * nx / length;
        e.VY -= outwards * ny / length;
      }
      e.X = kept.X;
      e.Y = kept.Y;
    }
    if ((onDrift && e.Age > 0.3) || e.Age > kLongestLife) e.Layer = 0;
  }
}

void SnowShake::Spawn(double strength) {
  const double pick = Uniform(0, 1);
  const int layer = pick < 0.25 ? kSnowNear : pick < 0.6 ? kSnowMiddle : kSnowFar;
  const auto free = std::find_if(extras_.begin(), extras_.end(), [](const Extra& e) { return e.Layer == 0; });
  if (free == extras_.end()) return;
  const double half = kHalfSprite[LayerIndex(layer)];
  Extra& e = *free;
  e.Layer = layer;
  e.Kind = Uniform(0, 1) < 0.5 ? 1 : 2;
  e.X = Uniform(62, 226);
  e.Y = DriftTop(e.X + half) - 2 * half;
  e.VX = Uniform(-80, 80) * strength;
  e.VY = -Uniform(70, 190) * strength;
  e.Age = 0;
}

bool SnowShake::Settled() const {
  if (ExtraCount() != 0) return false;
  for (const auto& layer : offsets_) {
    for (const Offset& o : layer) {
      if (std::abs(o.X) >= kRestOffset || std::abs(o.Y) >= kRestOffset || std::abs(o.VX) >= kRestSpeed ||
          std::abs(o.VY) >= kRestSpeed) {
        return false;
      }
    }
  }
  return true;
}

std::size_t SnowShake::ExtraCount() const {
  return static_cast<std::size_t>(std::count_if(extras_.begin(), extras_.end(), [](const Extra& e) { return e.Layer != 0; }));
}

void SnowShake::Clear() {
  for (auto& layer : offsets_) std::fill(layer.begin(), layer.end(), Offset{});
  for (Extra& e : extras_) e = Extra{};
  tracking_ = hasSample_ = stirred_ = false;
  velocityX_ = velocityY_ = pushX_ = pushY_ = 0;
  agitation_ = spawnDebt_ = 0;
}

FlakePlace SnowShake::Place(int layer, std::size_t index, FlakePlace design) const {
  const std::vector<Offset>& offsets = offsets_[LayerIndex(layer)];
  if (!stirred_ || index >= offsets.size()) return design;
  const Offset& o = offsets[index];
  if (o.X == 0 && o.Y == 0) return design;
  return KeepInGlass(layer, {design.X + o.X, design.Y + o.Y}, design);
}

}  // namespace nivarra
