// One frame of the globe at its heaviest snowfall: GlobeScene against the
// plain way of composing the same frame, in which every picture is found by
// name among the form's components and drawn through its own work buffer
// onto a frame allocated afresh; and against the floor: a first sketch of
// composing the live area with SSE2 from pictures decoded once (the
// prototype), and a memcpy of the live area. Those three are timed back to
// back and after a 20 ms sleep each, as the running program composes, and
// the run ends with the ratios of their medians.
//
// Before anything is timed, both ways compose the same stretches of frames
// from the same random seed and must agree byte for byte: at normal speed,
// with a sky clock that fires every frame, and over an empty globe made
// translucent, where the colour must be held to the alpha.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <optional>
#include <stdexcept>
#include <map>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define NIVARRA_BENCH_SSE2 1
#endif

#include "app/art_sets.h"
#include "app/base_image.h"
#include "app/globe_artwork.h"
#include "app/globe_form.h"
#include "app/scaled_pictures.h"
#include "app/scene_presenter.h"
#include "layout/loader.h"
#include "layout/menus.h"
#include "layout/picture.h"
#include "layout/resources.h"
#include "platform/headless/headless_platform.h"
#include "png/png_object.h"
#include "reference_blend.h"
#include "core/date_time.h"
#include "scene/globe_scene.h"
#include "scene/random.h"
#include "support/reference_scene.h"

namespace {

using namespace nivarra;

constexpr std::uint32_t kStartTick = 100000;
constexpr std::uint32_t kFramePeriodMs = 20;
constexpr std::uint32_t kSeed = 0x5EED1207;
// The densest snowfall the density walk reaches (500, 500 / 2 and 500 / 16
// flakes), which the arrays of the first show (500, 300, 40) hold.
constexpr SnowDensity kPeakSnow{500, 250, 31, 500, 0};
constexpr int kWindowLeft = 975, kWindowTop = 724;

// The empty globe with three quarters of its alpha and all of its colour:
// frames over it have colour bytes above their alpha wherever it shows.
PixelStore Translucent(const PixelStore& base) {
  PixelStore translucent = base;
  for (int y = 0; y < translucent.Height(); ++y) {
    std::uint8_t* p = translucent.RowAddress(y);
    for (int x = 0; x < translucent.Width(); ++x, p += 4) p[3] = static_cast<std::uint8_t>(p[3] * 3 / 4);
  }
  return translucent;
}

// The embedded layout and the empty globes, loaded once and only read after.
struct Globe {
  TfrmMain Form;
  TPNGObject BasePng;
  TBitmap BaseImage;
  PixelStore TranslucentBase;
  Artwork Art;
  double Now = EncodeDateTime(2026, 12, 7, 12, 0);  // 18 days to Christmas: two digits and a label

  Globe() {
    RegisterLayoutResources();
    InitFormFromLayout(Form);
    BuildBaseImage(Form.Image(GlobeSlot::imgTree)->Picture().Graphic(), BasePng, BaseImage);
    TranslucentBase = Translucent(BaseImage.Store());
    Art = ResolveArtwork(ScaledPictures(Form));
    for (GlobeSlot item : {GlobeSlot::pmiChristmas, GlobeSlot::pmiNewYear, GlobeSlot::pmiJulian}) {
      Form.MenuItem(item)->SetChecked(item == GlobeSlot::pmiChristmas);
    }
  }
};

const Globe& TheGlobe() {
  static const Globe globe;
  return globe;
}

// The globe drawn at factor from its own artwork set.
struct ScaledGlobe {
  Artwork Art;

  ScaledGlobe(const Globe& globe, double scale) {
    const int factor = SourceFactorFor(scale);
    std::unique_ptr<TComponent> set;
    if (factor > 1 && (set = LoadArtSet(factor)) == nullptr) throw std::runtime_error("no artwork set for the scale");
    Art = ResolveArtwork(ScaledPictures(globe.Form, [&](int) -> const TComponent* { return set.get(); }, scale));
  }
};

const ScaledGlobe& TheGlobeAt2x() {
  static const ScaledGlobe globe(TheGlobe(), 2.0);
  return globe;
}

// A desktop whose clock moves one frame period per frame.
struct Desktop : HeadlessPlatform {
  explicit Desktop(double now) {
    SetTickCount(kStartTick);
    SetLocalNow(now);
  }
  void NextFrame() { SetTickCount(TickCount() + kFramePeriodMs); }
};

// --- ours ------------------------------------------------------------------

class OurFrames {
 public:
  OurFrames(const Globe& globe, const PixelStore& base, std::int32_t animationInterval,
            const Artwork* art = nullptr)
      : desktop_(globe.Now) {
    ConnectCountdown(scene_, globe.Form, [] { return CountdownChoice{.Christmas = true}; });
    scene_.SetArt(art != nullptr ? art : &globe.Art);
    scene_.SetBaseImage(base);
    ShowSceneFirstTime(scene_, desktop_, nullptr);
    scene_.Snow().SetDensity(kPeakSnow);
    scene_.Settings = SceneSettings{animationInterval, true, 255};
  }

  const PixelStore& Compose() {
    const PixelStore& frame = scene_.ComposeFrame(FrameInputFrom(desktop_), true);
    desktop_.NextFrame();
    return frame;
  }

  // The same frame while the window is shaken hard: 24 pixels a frame,
  // three frames right, three left, so every flake is stirred and the
  // drift keeps throwing extra flakes up.
  const PixelStore& ComposeShaken() {
    shakeX_ += (shakeStep_++ / 3) % 2 == 0 ? 24 : -24;
    scene_.GlassMoved(desktop_.TickCount(), kWindowLeft + shakeX_, kWindowTop);
    return Compose();
  }

  // The whole frame of the running program: cover probe, compose, present.
  void Render() {
    presenter_.RenderFrame(scene_, desktop_, kWindowLeft, kWindowTop);
    desktop_.NextFrame();
  }

  const GlobeScene& Scene() const { return scene_; }

 private:
  Desktop desktop_;
  GlobeScene scene_;
  ScenePresenter presenter_;
  int shakeX_ = 0;
  int shakeStep_ = 0;
};

// --- the reference -----------------------------------------------------------

// Looks name up among the form's components and blends its picture at (x, y).
// Every picture of the layout exists and is RGBA; anything else is an error.
void DrawNamedPicture(const TComponent& form, const std::string& name, PixelStore& frame, int x, int y) {
  const auto* image = dynamic_cast<const TImage*>(form.FindOwnedComponent(name));
  const auto* png = image != nullptr ? dynamic_cast<const TPNGObject*>(image->Picture().Graphic()) : nullptr;
  if (png == nullptr) throw std::runtime_error("the layout has no PNG picture called " + name);
  bench::ReferenceBlend(*png, frame, x, y);
}

class ReferenceFrames {
 public:
  ReferenceFrames(const Globe& globe, const PixelStore& base, std::int32_t animationInterval)
      : form_(globe.Form), base_(base), desktop_(globe.Now), interval_(animationInterval), scene_(desktop_.LocalNow()) {
    scene_.Snow().SetDensity(kPeakSnow);
  }

  PixelStore Compose() {
    PixelStore frame = CopyOfBase();
    scene_.Frame(form_, desktop_.TickCount(), desktop_.LocalNow(), CountdownChoice{.Christmas = true}, interval_, true,
                 [&](const std::string& name, int x, int y) {
                   DrawNamedPicture(form_, name, frame, x, y);
                   ++draws_;
                 });
    ClampToAlpha(frame);

    desktop_.NextFrame();
    return frame;
  }

  long long Draws() const { return draws_; }
  long long ClampedBytes() const { return clamped_; }

 private:
  PixelStore CopyOfBase() const {
    PixelStore frame(base_.Width(), base_.Height(), 32, base_.Order());
    for (int y = 0; y < base_.Height(); ++y) {
      std::memcpy(frame.RowAddress(y), base_.RowAddress(y), static_cast<std::size_t>(base_.Width()) * 4);
    }
    return frame;
  }

  void ClampToAlpha(PixelStore& frame) {
    for (int y = 0; y < frame.Height(); ++y) {
      std::uint8_t* p = frame.RowAddress(y);
      for (int x = 0; x < frame.Width(); ++x, p += 4) {
        const std::uint8_t alpha = p[3];
        if (alpha == 255) continue;
        for (int c = 0; c < 3; ++c) {
          clamped_ += p[c] > alpha;
          p[c] = std::min(p[c], alpha);
        }
      }
    }
  }

  const TComponent& form_;
  const PixelStore& base_;
  Desktop desktop_;
  std::int32_t interval_;
  test::ReferenceScene scene_;
  long long draws_ = 0;
  long long clamped_ = 0;
};

// --- the prototype -------------------------------------------------------------

// Blends n pixels of blue, green, red and alpha over d, keeping d's alpha.
void PrototypeBlend(const std::uint8_t* s, std::uint8_t* d, int n) {
  int i = 0;
#ifdef NIVARRA_BENCH_SSE2
  const __m128i zero = _mm_setzero_si128(), c255 = _mm_set1_epi16(255);
  const __m128i alphaBytes = _mm_set1_epi32(static_cast<int>(0xFF000000u));
  const auto half = [&](__m128i sw, __m128i dw) {
    const __m128i a = _mm_shufflehi_epi16(_mm_shufflelo_epi16(sw, 0xFF), 0xFF);
    const __m128i sum = _mm_add_epi16(_mm_mullo_epi16(sw, a), _mm_mullo_epi16(dw, _mm_sub_epi16(c255, a)));
    return _mm_srli_epi16(_mm_add_epi16(sum, c255), 8);
  };
  for (; i + 4 <= n; i += 4) {
    const __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 4 * i));
    const __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + 4 * i));
    const __m128i out = _mm_packus_epi16(half(_mm_unpacklo_epi8(sv, zero), _mm_unpacklo_epi8(dv, zero)),
                                         half(_mm_unpackhi_epi8(sv, zero), _mm_unpackhi_epi8(dv, zero)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 4 * i),
                     _mm_or_si128(_mm_andnot_si128(alphaBytes, out), _mm_and_si128(alphaBytes, dv)));
  }
#endif
  for (; i < n; ++i) {
    const unsigned a = s[4 * i + 3];
    for (int c = 0; c < 3; ++c) d[4 * i + c] = static_cast<std::uint8_t>((s[4 * i + c] * a + 255 + (255 - a) * d[4 * i + c]) >> 8);
  }
}

// Holds colour to alpha in n pixels.
void PrototypeClamp(std::uint8_t* p, int n) {
  int i = 0;
#ifdef NIVARRA_BENCH_SSE2
  for (; i + 4 <= n; i += 4) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 4 * i));
    __m128i a = _mm_srli_epi32(v, 24);
    a = _mm_or_si128(a, _mm_slli_epi32(a, 8));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p + 4 * i), _mm_min_epu8(v, _mm_or_si128(a, _mm_slli_epi32(a, 16))));
  }
#endif
  for (; i < n; ++i) {
    for (int c = 0; c < 3; ++c) p[4 * i + c] = std::min(p[4 * i + c], p[4 * i + 3]);
  }
}

// A picture as the prototype draws it: 32-bit pixels, and each row's runs
// of visible pixels.
struct PrototypePicture {
  int Width = 0, Height = 0;
  std::vector<std::uint8_t> Pixels;
  std::vector<std::vector<std::pair<int, int>>> Runs;

  explicit PrototypePicture(const TPNGObject& png) : Width(png.Width()), Height(png.Height()) {
    Pixels.resize(static_cast<std::size_t>(Width) * Height * 4);
    Runs.resize(static_cast<std::size_t>(Height));
    for (int y = 0; y < Height; ++y) {
      for (int x = 0; x < Width; ++x) {
        std::uint8_t* p = Pixels.data() + (static_cast<std::size_t>(y) * Width + x) * 4;
        std::memcpy(p, png.PixelRow(y) + 3 * x, 3);
        p[3] = png.AlphaRow(y)[x];
        if (p[3] == 0) continue;
        if (Runs[y].empty() || Runs[y].back().second != x) Runs[y].emplace_back(x, x);
        Runs[y].back().second = x + 1;
      }
    }
  }

  void Draw(PixelStore& frame, int left, int top, const TRect& clip) const {
    for (int y = std::max(clip.Top - top, 0); y < std::min(clip.Bottom - top, Height); ++y) {
      for (const auto& [start, end] : Runs[y]) {
        const int x0 = std::max(start, clip.Left - left), x1 = std::min(end, clip.Right - left);
        if (x0 >= x1) continue;
        PrototypeBlend(Pixels.data() + (static_cast<std::size_t>(y) * Width + x0) * 4,
                       frame.RowAddress(top + y) + static_cast<std::ptrdiff_t>(left + x0) * 4, x1 - x0);
      }
    }
  }
};

// The layers behind the far snow blended into a background whenever the
// sky changes, and each frame the background's live area copied into one
// frame buffer kept from frame to frame, the layers before it blended
// over it, flakes from plain arrays, and colour held to alpha there.
class PrototypeFrames {
 public:
  PrototypeFrames(const Globe& globe, const PixelStore& base, std::int32_t animationInterval)
      : form_(globe.Form), base_(base), background_(base), frame_(base), desktop_(globe.Now),
        interval_(animationInterval) {
    snow_.Allocate();
    skyState_.SetStartPositions();
    snow_.SetDensity(kPeakSnow);
    countdown_.UpdateHolidayDates(desktop_.LocalNow(), [this](double date) { return desktop_.FormatLongDate(date); });
    // The live area: wherever the glass front lets anything beneath show.
    const PrototypePicture& front = Find("img3");
    live_ = TRect{front.Width, front.Height, 0, 0};
    for (int y = 0; y < front.Height; ++y) {
      for (int x = 0; x < front.Width; ++x) {
        if (front.Pixels[(static_cast<std::size_t>(y) * front.Width + x) * 4 + 3] == 255) continue;
        live_ = TRect{std::min(live_.Left, x), std::min(live_.Top, y), std::max(live_.Right, x + 1),
                      std::max(live_.Bottom, y + 1)};
      }
    }
    ComposeIn(TRect{0, 0, base.Width(), base.Height()});
  }

  const PixelStore& Compose() {
    ComposeIn(live_);
    return frame_;
  }
  const PixelStore& Frame() const { return frame_; }
  const TRect& LiveArea() const { return live_; }

 private:
  struct Placed {
    const PrototypePicture* Picture;
    int X, Y;
    friend bool operator==(const Placed&, const Placed&) = default;
  };

  const PrototypePicture& Find(const std::string& name) {
    const auto found = pictures_.find(name);
    if (found != pictures_.end()) return found->second;
    const auto* image = dynamic_cast<const TImage*>(form_.FindOwnedComponent(name));
    const auto* png = image != nullptr ? dynamic_cast<const TPNGObject*>(image->Picture().Graphic()) : nullptr;
    if (png == nullptr || png->AlphaRow(0) == nullptr) throw std::runtime_error("no RGBA picture called " + name);
    return pictures_.emplace(name, PrototypePicture(*png)).first->second;
  }

  static void CopyRect(const PixelStore& from, PixelStore& to, const TRect& area) {
    for (int y = area.Top; y < area.Bottom; ++y) {
      std::memcpy(to.RowAddress(y) + 4 * area.Left, from.RowAddress(y) + 4 * area.Left,
                  4 * static_cast<std::size_t>(area.Width()));
    }
  }

  void ComposeIn(const TRect& area) {
    const auto tick = [this] { return desktop_.TickCount(); };
    const bool skyTick = skyClock_.Check(tick, interval_);
    const bool spriteTick = spriteClock_.Check(tick, SpriteThreshold(interval_));
    sky_.clear();
    sky_.push_back({&Find("imgDay"), Sky::kStripX, skyState_.SkyOffset()});
    sky_.push_back({&Find("imgStars"), 0, 0});
    skyState_.Step(skyTick, spriteTick, [&](SkyBody body, int frame, int x, int y) {
      sky_.push_back({&Find(SkyPictureName(body, frame)), x, y});
    });
    sky_.push_back({&Find("imgLandscape"), 0, 0});
    const bool sameArea = area.Left == lastArea_.Left && area.Top == lastArea_.Top && area.Right == lastArea_.Right &&
                          area.Bottom == lastArea_.Bottom;
    if (sky_ != lastSky_ || !sameArea) {
      CopyRect(base_, background_, area);
      for (const Placed& layer : sky_) layer.Picture->Draw(background_, layer.X, layer.Y, area);
      lastSky_ = sky_;
      lastArea_ = area;
    }
    CopyRect(background_, frame_, area);
    const std::pair<int, const char*> layers[] = {{kSnowFar, "imgHome"}, {kSnowMiddle, "imgSugrob"}, {kSnowNear, "img3"}};
    for (const auto& [layer, cover] : layers) {
      const PrototypePicture* kinds[2] = {&Find(Snowfall::SpriteName(layer, 1)), &Find(Snowfall::SpriteName(layer, 2))};
      snow_.StepLayerInto(layer, spots_, true, true);
      for (const FlakeSpot& flake : spots_) {
        kinds[flake.Kind - 1]->Draw(frame_, RoundHalfEven(flake.X), RoundHalfEven(flake.Y), area);
      }
      Find(cover).Draw(frame_, 0, 0, area);
    }
    test::DrawCountdownFrom(form_, countdown_, desktop_.LocalNow(), CountdownChoice{.Christmas = true},
                            [&](const std::string& name, int x, int y) { Find(name).Draw(frame_, x, y, area); });
    for (int y = area.Top; y < area.Bottom; ++y) PrototypeClamp(frame_.RowAddress(y) + 4 * area.Left, area.Width());
    desktop_.NextFrame();
  }

  const TComponent& form_;
  const PixelStore& base_;
  PixelStore background_;
  PixelStore frame_;
  Desktop desktop_;
  std::int32_t interval_;
  TRect live_;
  Sky skyState_;
  std::vector<Placed> sky_, lastSky_;
  TRect lastArea_;
  Snowfall snow_;
  HolidayCountdown countdown_;
  AnimationClock skyClock_;
  AnimationClock spriteClock_;
  std::map<std::string, PrototypePicture> pictures_;
  std::vector<FlakeSpot> spots_;
};

// --- agreement -----------------------------------------------------------------

// What a compared stretch went through, so that a quiet sky or a snowfall
// without respawns cannot pass for agreement.
struct Coverage {
  int Frames = 0;
  int SkyTicks = 0;
  int SpriteTicks = 0;
  int SunFrames = 0;
  int SettingSunFrames = 0;
  int MoonFrames = 0;
  long long Respawns = 0;
  long long ClampedBytes = 0;  // colour bytes the reference held to their alpha
};

// Flakes move down except when they start again at the top.
long long CountRespawns(const Snowfall& snow, std::vector<double>& lastY) {
  long long respawns = 0;
  std::size_t i = 0;
  for (int layer = kSnowFar; layer <= kSnowNear; ++layer) {
    for (const SnowParticle& p : snow.Layer(layer)) {
      if (i >= lastY.size()) lastY.push_back(p.Y);
      respawns += p.Y < lastY[i];
      lastY[i++] = p.Y;
    }
  }
  return respawns;
}

void Record(Coverage& coverage, const GlobeScene& scene, std::vector<double>& lastY) {
  const Sky& sky = scene.SkyState();
  ++coverage.Frames;
  coverage.SkyTicks += scene.SkyTicked();
  coverage.SpriteTicks += scene.SpriteTicked();
  coverage.SunFrames += sky.SunVisible() && sky.SkyRising();
  coverage.SettingSunFrames += sky.SunVisible() && !sky.SkyRising();
  coverage.MoonFrames += sky.MoonVisible();
  coverage.Respawns += CountRespawns(scene.Snow(), lastY);
}

// The first difference between two frames, or an empty string.
std::string FirstDifference(const PixelStore& ours, const PixelStore& reference) {
  if (ours.Width() != reference.Width() || ours.Height() != reference.Height() || ours.BitCount() != 32) {
    return "the frames differ in size or depth";
  }
  for (int y = 0; y < ours.Height(); ++y) {
    const std::uint8_t* a = ours.RowAddress(y);
    const std::uint8_t* b = reference.RowAddress(y);
    for (int i = 0; i < ours.Width() * 4; ++i) {
      if (a[i] != b[i]) {
        return "pixel (" + std::to_string(i / 4) + "," + std::to_string(y) + ") byte " + std::to_string(i % 4) +
               ": ours " + std::to_string(a[i]) + ", reference " + std::to_string(b[i]);
      }
    }
  }
  return {};
}

// A run of frames from a fresh scene.
struct Stretch {
  const char* Name;
  const PixelStore& Base;
  std::int32_t AnimationInterval;
  int Frames;
};

// Composes a stretch with both ways in chunks: ours first, its frames kept,
// then the reference from the same seed. Both draw from the one global
// generator, so the two never run interleaved. Returns the first
// disagreement, or an empty string.
std::string CompareFrames(const Stretch& stretch, Coverage& coverage) {
  constexpr int kChunk = 60;
  const Globe& globe = TheGlobe();
  RandomSeed() = kSeed;
  OurFrames ours(globe, stretch.Base, stretch.AnimationInterval);
  ReferenceFrames reference(globe, stretch.Base, stretch.AnimationInterval);
  const int frames = stretch.Frames;
  std::vector<PixelStore> kept;
  std::vector<double> lastY;
  for (int first = 0; first < frames; first += kChunk) {
    const int count = std::min(kChunk, frames - first);
    const std::uint32_t seedBefore = RandomSeed();
    kept.clear();
    for (int i = 0; i < count; ++i) {
      kept.push_back(ours.Compose());
      Record(coverage, ours.Scene(), lastY);
    }
    const std::uint32_t seedAfter = RandomSeed();
    RandomSeed() = seedBefore;
    for (int i = 0; i < count; ++i) {
      const std::string difference = FirstDifference(kept[i], reference.Compose());
      if (!difference.empty()) {
        return std::string(stretch.Name) + ", frame " + std::to_string(first + i) + ": " + difference;
      }
    }
    if (RandomSeed() != seedAfter) return std::string(stretch.Name) + ": the two ways drew different random numbers";
  }
  coverage.ClampedBytes += reference.ClampedBytes();
  return {};
}

const std::int32_t kNormalInterval = SpeedTiming(SpeedLevel::Normal).AnimationInterval;

// The prototype against the reference, with a sky clock that fires every frame.
std::string ComparePrototype(int frames) {
  const Globe& globe = TheGlobe();
  RandomSeed() = kSeed;
  std::vector<PixelStore> kept;
  PrototypeFrames prototype(globe, globe.BaseImage.Store(), 0);
  kept.push_back(prototype.Frame());
  while (static_cast<int>(kept.size()) < frames) kept.push_back(prototype.Compose());
  RandomSeed() = kSeed;
  ReferenceFrames reference(globe, globe.BaseImage.Store(), 0);
  for (int i = 0; i < frames; ++i) {
    const std::string difference = FirstDifference(kept[static_cast<std::size_t>(i)], reference.Compose());
    if (!difference.empty()) return "the prototype and the reference disagree at frame " + std::to_string(i) + ": " + difference;
  }
  return {};
}

// Normal speed, where the sky moves about once a second; AnimationInterval 0,
// where both clocks fire every frame, long enough for sunrise, dusk, the
// setting sun and the moon; and the translucent globe.
std::string VerifyAgreement() {
  const Globe& globe = TheGlobe();
  const Stretch stretches[] = {
      {"normal speed", globe.BaseImage.Store(), kNormalInterval, 120},
      {"AnimationInterval 0", globe.BaseImage.Store(), 0, 720},
      {"translucent globe", globe.TranslucentBase, kNormalInterval, 60},
  };
  Coverage coverage;
  for (const Stretch& stretch : stretches) {
    const std::string problem = CompareFrames(stretch, coverage);
    if (!problem.empty()) return "ours and the reference disagree at " + problem;
  }
  if (std::string problem = ComparePrototype(120); !problem.empty()) return problem;
  if (coverage.SkyTicks < 2 || coverage.SpriteTicks < 2 || coverage.SunFrames == 0 ||
      coverage.SettingSunFrames == 0 || coverage.MoonFrames == 0 || coverage.Respawns == 0 ||
      coverage.ClampedBytes == 0) {
    return "the compared frames missed part of the scene";
  }
  std::fprintf(stderr,
               "frame_bench: %d frames identical (sky ticks %d, sprite ticks %d, frames with sun %d, setting sun %d, "
               "moon %d; %lld respawns; %lld colour bytes held to alpha)\n",
               coverage.Frames, coverage.SkyTicks, coverage.SpriteTicks, coverage.SunFrames,
               coverage.SettingSunFrames, coverage.MoonFrames, coverage.Respawns, coverage.ClampedBytes);
  return {};
}

std::string& AgreementProblem() {
  static std::string problem;
  return problem;
}

bool Refused(benchmark::State& state) {
  if (AgreementProblem().empty()) return false;
  state.SkipWithError(AgreementProblem().c_str());
  return true;
}

// --- benchmarks ------------------------------------------------------------------

void BM_Frame_ours(benchmark::State& state) {
  if (Refused(state)) return;
  OurFrames ours(TheGlobe(), TheGlobe().BaseImage.Store(), kNormalInterval);
  for (auto _ : state) benchmark::DoNotOptimize(ours.Compose().Bytes().data());
}

void BM_Frame_ours_present(benchmark::State& state) {
  if (Refused(state)) return;
  OurFrames ours(TheGlobe(), TheGlobe().BaseImage.Store(), kNormalInterval);
  for (auto _ : state) ours.Render();
}

// Peak snow while the globe is shaken: all three layers stirred and the
// extra flakes from the drift on top.
void BM_Frame_ours_shaken(benchmark::State& state) {
  if (Refused(state)) return;
  OurFrames ours(TheGlobe(), TheGlobe().BaseImage.Store(), kNormalInterval);
  for (int warmUp = 0; warmUp < 100; ++warmUp) ours.ComposeShaken();
  for (auto _ : state) benchmark::DoNotOptimize(ours.ComposeShaken().Bytes().data());
  state.counters["stirred"] = ours.Scene().Stirred() ? 1 : 0;
  state.counters["extra flakes"] = static_cast<double>(ours.Scene().Shake().ExtraCount());
}

// The same frame at twice the size, from the 2x artwork.
void BM_Frame_ours_2x(benchmark::State& state) {
  if (Refused(state)) return;
  const ScaledGlobe& globe = TheGlobeAt2x();
  OurFrames ours(TheGlobe(), globe.Art.EmptyGlobe, kNormalInterval, &globe.Art);
  for (auto _ : state) benchmark::DoNotOptimize(ours.Compose().Bytes().data());
}

// The frame at the floor: ours, the prototype and a memcpy of the live
// area, each timed alone per frame, state.range(0) ms after the last.
std::map<std::string, std::vector<double>>& FrameTimes() {
  static std::map<std::string, std::vector<double>> times;
  return times;
}

const char* TimingMode(std::int64_t sleepMs) { return sleepMs > 0 ? "after a 20 ms sleep" : "back to back"; }

template <class Step>
void TimeFrames(benchmark::State& state, const std::string& name, Step&& step) {
  const std::chrono::milliseconds pause(state.range(0));
  std::vector<double>& times = FrameTimes()[name + " " + TimingMode(state.range(0))];
  // The first frames decode the pictures: a short run's median leaves them out.
  for (int warmUp = 0; warmUp < 5; ++warmUp) step();
  for (auto _ : state) {
    if (pause.count() > 0) std::this_thread::sleep_for(pause);
    const auto start = std::chrono::steady_clock::now();
    step();
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    if (pause.count() == 0) state.SetIterationTime(took.count());
    times.push_back(took.count() * 1e6);
  }
}

void BM_Floor_ours(benchmark::State& state) {
  if (Refused(state)) return;
  OurFrames ours(TheGlobe(), TheGlobe().BaseImage.Store(), kNormalInterval);
  TimeFrames(state, "ours", [&] { benchmark::DoNotOptimize(ours.Compose().Bytes().data()); });
}

void BM_Floor_prototype(benchmark::State& state) {
  if (Refused(state)) return;
  PrototypeFrames prototype(TheGlobe(), TheGlobe().BaseImage.Store(), kNormalInterval);
  TimeFrames(state, "prototype", [&] { benchmark::DoNotOptimize(prototype.Compose().Bytes().data()); });
}

void BM_Floor_memcpy(benchmark::State& state) {
  if (Refused(state)) return;
  const TRect live = PrototypeFrames(TheGlobe(), TheGlobe().BaseImage.Store(), kNormalInterval).LiveArea();
  const PixelStore& from = TheGlobe().BaseImage.Store();
  PixelStore to = from;
  TimeFrames(state, "memcpy", [&] {
    for (int y = live.Top; y < live.Bottom; ++y) {
      std::memcpy(to.RowAddress(y) + 4 * live.Left, from.RowAddress(y) + 4 * live.Left,
                  4 * static_cast<std::size_t>(live.Width()));
    }
    benchmark::DoNotOptimize(to.Bytes().data());
  });
}

double Median(std::vector<double> values) {
  std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
  return values[values.size() / 2];
}

void PrintFloorRatios() {
  for (const std::int64_t sleepMs : {0, 20}) {
    const std::string mode = TimingMode(sleepMs);
    const auto median = [&](const char* name) {
      const auto found = FrameTimes().find(std::string(name) + " " + mode);
      return found == FrameTimes().end() || found->second.empty() ? 0.0 : Median(found->second);
    };
    const double ours = median("ours"), prototype = median("prototype"), copy = median("memcpy");
    if (ours == 0 || prototype == 0 || copy == 0) continue;
    std::printf("peak-snow frame %s (medians): ours %.1f us, prototype %.1f us, memcpy of the live area %.1f us; "
                "ours / prototype %.2f (at most 1.2), ours / memcpy %.1f (at most 20)\n",
                mode.c_str(), ours, prototype, copy, ours / prototype, ours / copy);
  }
}

// What a start at a scale adds: reading and decoding its artwork set, and
// resampling for a scale between sets.
void BM_Art_at_scale(benchmark::State& state) {
  const double scale = static_cast<double>(state.range(0)) / 100;
  for (auto _ : state) {
    const ScaledGlobe globe(TheGlobe(), scale);
    benchmark::DoNotOptimize(globe.Art.EmptyGlobe.Bytes().data());
  }
}

void BM_Frame_reference(benchmark::State& state) {
  if (Refused(state)) return;
  ReferenceFrames reference(TheGlobe(), TheGlobe().BaseImage.Store(), kNormalInterval);
  for (auto _ : state) benchmark::DoNotOptimize(reference.Compose().Bytes().data());
  state.counters["draws"] =
      benchmark::Counter(static_cast<double>(reference.Draws()), benchmark::Counter::kAvgIterations);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  try {
    AgreementProblem() = VerifyAgreement();
  } catch (const std::exception& error) {
    AgreementProblem() = std::string("the comparison failed: ") + error.what();
  }
  if (!AgreementProblem().empty()) std::fprintf(stderr, "frame_bench: %s\n", AgreementProblem().c_str());

  benchmark::RegisterBenchmark("BM_Frame_ours", BM_Frame_ours)->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark("BM_Frame_ours_present", BM_Frame_ours_present)->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark("BM_Frame_ours_shaken", BM_Frame_ours_shaken)->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark("BM_Frame_ours_2x", BM_Frame_ours_2x)->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark("BM_Frame_reference", BM_Frame_reference)->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark("BM_Art_at_scale", BM_Art_at_scale)
      ->Arg(100)->Arg(150)->Arg(200)->Arg(300)->Unit(benchmark::kMillisecond);
  using Timed = std::pair<const char*, void (*)(benchmark::State&)>;
  for (const auto& [name, function] : {Timed{"BM_Floor_ours", BM_Floor_ours}, Timed{"BM_Floor_prototype", BM_Floor_prototype},
                                       Timed{"BM_Floor_memcpy", BM_Floor_memcpy}}) {
    benchmark::RegisterBenchmark(name, function)->Arg(0)->UseManualTime()->Unit(benchmark::kMicrosecond);
    // Timed with the sleep, so that a short --benchmark_min_time stays short;
    // the medians printed at the end leave the sleep out.
    benchmark::RegisterBenchmark(name, function)->Arg(20)->UseRealTime()->Unit(benchmark::kMicrosecond);
  }
  benchmark::RunSpecifiedBenchmarks();
  PrintFloorRatios();
  benchmark::Shutdown();
  return AgreementProblem().empty() ? 0 : 1;
}
