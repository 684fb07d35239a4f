#include "scene/snowfall.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "scene/random.h"

namespace nivarra {
namespace {

struct LayerRules {
  std::int32_t spawnXRange;  // X = 47 + R(range)
  std::int32_t firstYRange;  // first Y = 13 + R(range)
  bool hasDX;                // near flakes fall straight down
  std::int32_t dxRange;      // DX = R(range) / 10 + dxOffset
  double dxOffset;
  std::int32_t dyRange;  // DY = R(range) / 10 + offset
  double firstDYOffset;
  double respawnDYOffset;
  double respawnY;
  double leftSum, topSum, rightSum;  // the layer's own inside-test bounds
  const char* sprite1;
  const char* sprite2;
};

constexpr LayerRules kRules[3] = {
    {196, 147, true, 15, -0.75, 3, 0.5, 0.8, 160, 90, 73, 305, "Snow1", "Snow2"},
    {192, 167, true, 20, -0.5, 6, 1.5, 1.5, 180, 91, 74, 303, "Snow3", "Snow4"},
    {192, 167, false, 0, 0, 6, 2.5, 2.5, 180, 91, 74, 303, "Snow5", "Snow6"},
};

const LayerRules& RulesOf(int layer) {
  if (layer < kSnowFar || layer > kSnowNear) throw std::out_of_range("snow layer number");
  return kRules[layer - 1];
}

double Tenths(std::int32_t n) { return static_cast<double>(RandomBelow(n)) / 10; }

// Draws X, Y, Kind, DX and DY in that order: the order the sequence depends on.
void Spawn(SnowParticle& p, const LayerRules& rules, bool first) {
  p.X = 47 + RandomBelow(rules.spawnXRange);
  p.Y = first ? 13 + RandomBelow(rules.firstYRange) : 13;
  p.Kind = 1 + RandomBelow(2);
  if (rules.hasDX) p.DX = Tenths(rules.dxRange) + rules.dxOffset;
  p.DY = Tenths(rules.dyRange) + (first ? rules.firstDYOffset : rules.respawnDYOffset);
}

bool Inside(const LayerRules& r, double x, double y) {
  return x + y / 2 > r.leftSum && x / 2 + y > r.topSum && x / 2 - y < 70 && x - y / 2 < 195 &&
         x - y / 2 > -18 && x + y / 2 < r.rightSum;
}

}  // namespace

bool InsideGlobe(int layer, double x, double y) { return Inside(RulesOf(layer), x, y); }

void Snowfall::Allocate() {
  if (allocated_) return;
  SnowLayer1.assign(static_cast<std::size_t>(std::max(density_.Count1, 0)), SnowParticle{});
  SnowLayer2.assign(static_cast<std::size_t>(std::max(density_.Count2 + 100, 0)), SnowParticle{});
  SnowLayer3.assign(static_cast<std::size_t>(std::max(density_.Count3 + 10, 0)), SnowParticle{});
  allocated_ = true;
}

std::vector<SnowParticle>& Snowfall::LayerArray(int layer) {
  RulesOf(layer);
  return layer == kSnowFar ? SnowLayer1 : layer == kSnowMiddle ? SnowLayer2 : SnowLayer3;
}

std::span<SnowParticle> Snowfall::Layer(int layer) { return LayerArray(layer); }

std::span<const SnowParticle> Snowfall::Layer(int layer) const {
  return const_cast<Snowfall*>(this)->LayerArray(layer);
}

std::int32_t Snowfall::ActiveCount(int layer) const {
  RulesOf(layer);
  return layer == kSnowFar ? density_.Count1 : layer == kSnowMiddle ? density_.Count2 : density_.Count3;
}

bool Snowfall::HasFlakes() const {
  for (int layer = kSnowFar; layer <= kSnowNear; ++layer) {
    if (!Layer(layer).empty() && ActiveCount(layer) > 0) return true;
  }
  return false;
}

void Snowfall::SetDensity(const SnowDensity& density) {
  density_ = density;
  ClampCounts();
}

void Snowfall::ClampCounts() {
  if (!allocated_) return;
  auto clamp = [](std::int32_t& count, const std::vector<SnowParticle>& array) {
    count = std::clamp<std::int32_t>(count, 0, static_cast<std::int32_t>(array.size()));
  };
  clamp(density_.Count1, SnowLayer1);
  clamp(density_.Count2, SnowLayer2);
  clamp(density_.Count3, SnowLayer3);
}

const char* Snowfall::SpriteName(int layer, int kind) {
  const LayerRules& rules = RulesOf(layer);
  return kind == 2 ? rules.sprite2 : rules.sprite1;
}

void Snowfall::StepLayer(int layer, const FlakeSink& draw, bool globeVisible, bool snowEnabled) {
  StepParticles(
      layer, [&](std::size_t, const SnowParticle& p) { draw(p.Kind == 2 ? 2 : 1, RoundHalfEven(p.X), RoundHalfEven(p.Y)); },
      globeVisible, snowEnabled);
}

void Snowfall::StepLayerPlaced(int layer, const PlacedFlakeSink& draw, bool globeVisible, bool snowEnabled) {
  StepParticles(
      layer, [&](std::size_t index, const SnowParticle& p) { draw(index, p.Kind == 2 ? 2 : 1, p.X, p.Y); },
      globeVisible, snowEnabled);
}

void Snowfall::StepLayerInto(int layer, std::vector<FlakeSpot>& spots, bool globeVisible, bool snowEnabled) {
  spots.clear();
  StepParticles(
      layer,
      [&spots](std::size_t index, const SnowParticle& p) {
        spots.push_back(FlakeSpot{static_cast<std::uint32_t>(index), p.Kind == 2 ? 2 : 1, p.X, p.Y});
      },
      globeVisible, snowEnabled);
}

template <class Draw>
void Snowfall::StepParticles(int layer, const Draw& draw, bool globeVisible, bool snowEnabled) {
  const LayerRules& rules = RulesOf(layer);
  if (!globeVisible || !snowEnabled) return;
  std::vector<SnowParticle>& particles = LayerArray(layer);
  // The count is read once; before allocation there is nothing to visit.
  const std::size_t count =
      std::min(particles.size(), static_cast<std::size_t>(std::max(ActiveCount(layer), 0)));

  for (std::size_t i = 0; i < count; ++i) {
    SnowParticle& p = particles[i];
    if (p.Kind == 0) Spawn(p, rules, true);
    if (p.Y >= rules.respawnY) Spawn(p, rules, false);
    if (Inside(rules, p.X, p.Y)) draw(i, p);
    p.Y += p.DY;
    p.X += p.DX;
  }
}

void Snowfall::AdjustDensity() {
  SnowDensity& d = density_;
  if (d.Pause > 0) {
    --d.Pause;
    return;
  }
  if (d.Target == d.Count1) {
    d.Target = RandomBelow(500);
    if (RandomBelow(4) == 0) {
      d.Target = 0;
      d.Pause = RandomBelow(500) + 50;
    }
  }
  if (d.Count1 > d.Target) {
    --d.Count1;
  } else {
    ++d.Count1;
  }
  d.Count2 = d.Count1 / 2;
  d.Count3 = d.Count1 / 16;
}

}  // namespace nivarra
