#include "scene/globe_scene.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/desktop.h"

namespace nivarra {
namespace {

// Draws nothing: the scene before it has artwork.
const Artwork& NoArtwork() {
  static const Artwork none;
  return none;
}

// Copies width x height 32-bit pixels from (x, y) of source to (toX, toY) of target.
void CopyArea(const PixelStore& source, int x, int y, PixelStore& target, int toX, int toY, int width, int height) {
  for (int row = 0; row < height; ++row) {
    std::memcpy(target.RowAddress(toY + row) + 4 * static_cast<std::size_t>(toX),
                source.RowAddress(y + row) + 4 * static_cast<std::size_t>(x), 4 * static_cast<std::size_t>(width));
  }
}

// Copies the pixels of source into target, which keeps its buffer when it
// already has the same geometry.
void CopyPixels(const PixelStore& source, PixelStore& target) {
  if (target.Width() != source.Width() || target.Height() != source.Height() ||
      target.Order() != source.Order() || target.Bytes().size() != source.Bytes().size()) {
    target = source;
    return;
  }
  std::memcpy(target.Bytes().data(), source.Bytes().data(), source.Bytes().size());
}

// The first and one past the last 32-bit word in which two rows differ.
std::optional<std::pair<int, int>> ChangedSpan(const std::uint8_t* a, const std::uint8_t* b, int pixels) {
  int first = 0;
  while (first < pixels && std::memcmp(a + 4 * first, b + 4 * first, 4) == 0) ++first;
  if (first == pixels) return std::nullopt;
  int end = pixels;
  while (std::memcmp(a + 4 * (end - 1), b + 4 * (end - 1), 4) == 0) --end;
  return std::pair{first, end};
}

bool SameWords(const std::uint8_t* a, const std::uint8_t* b, int from, int to) {
  return from >= to || std::memcmp(a + 4 * from, b + 4 * from, 4 * static_cast<std::size_t>(to - from)) == 0;
}

}  // namespace

std::optional<TRect> ChangedRect(const PixelStore& a, const PixelStore& b) {
  return ChangedRect(a, b, TRect{0, 0, a.Width(), a.Height()});
}

std::optional<TRect> ChangedRect(const PixelStore& a, const PixelStore& b, const TRect& within) {
  const int width = a.Width(), height = a.Height();
  if (width != b.Width() || height != b.Height() || a.BitCount() != 32 || b.BitCount() != 32) {
    return TRect{0, 0, std::max(width, b.Width()), std::max(height, b.Height())};
  }
  const int x0 = std::max(within.Left, 0), x1 = std::min(within.Right, width);
  if (x0 >= x1) return std::nullopt;
  // Rows and words are read from the area's left edge.
  const auto row = [x0](const PixelStore& store, int y) { return store.RowAddress(y) + 4 * x0; };
  const int columns = x1 - x0;
  // The first and the last row that differ, then, in the rows between,
  // only what lies outside the columns found so far: a frame of snow
  // differs in every row, and most of each row need not be read.
  int top = std::max(within.Top, 0), bottom = std::min(within.Bottom, height);
  while (top < bottom && SameWords(row(a, top), row(b, top), 0, columns)) ++top;
  if (top >= bottom) return std::nullopt;
  while (SameWords(row(a, bottom - 1), row(b, bottom - 1), 0, columns)) --bottom;
  auto [left, right] = *ChangedSpan(row(a, top), row(b, top), columns);
  for (int y = top + 1; y < bottom; ++y) {
    const std::uint8_t* rowA = row(a, y);
    const std::uint8_t* rowB = row(b, y);
    if (!SameWords(rowA, rowB, 0, left)) left = ChangedSpan(rowA, rowB, left)->first;
    if (!SameWords(rowA, rowB, right, columns)) {
      right += ChangedSpan(rowA + 4 * right, rowB + 4 * right, columns - right)->second;
    }
  }
  return TRect{x0 + left, top, x0 + right, bottom};
}

GlobeScene::GlobeScene() : art_(&NoArtwork()) {}

void GlobeScene::SetArt(const Artwork* art) {
  art_ = art != nullptr ? art : &NoArtwork();
  ForgetComposition();
  presented_.Valid = false;
}

void GlobeScene::DrawScaled(PixelStore& target, const TRect& clip, int x, int y, const Sprite& picture) const {
  picture.Draw(target, Device(x), Device(y), clip, blendPath_);
}

void GlobeScene::DrawFlakes(PixelStore& target, const TRect& clip, int layer, bool globeVisible, bool snowing,
                            bool stirred) {
  const Sprite* kinds[2] = {&art_->Flake(layer, 1), &art_->Flake(layer, 2)};
  const auto drawAt = [&](int kind, double x, double y) {
    kinds[kind == 2 ? 1 : 0]->Draw(target, Device(RoundHalfEven(x)), Device(RoundHalfEven(y)), clip, blendPath_);
  };
  snow_.StepLayerInto(layer, flakeSpots_, globeVisible, snowing);
  if (!stirred) {
    for (const FlakeSpot& flake : flakeSpots_) drawAt(flake.Kind, flake.X, flake.Y);
    return;
  }
  // Until the last stirred flake settles, the snow is drawn off its places.
  for (const FlakeSpot& flake : flakeSpots_) {
    const FlakePlace at = shake_.Place(layer, flake.Index, {flake.X, flake.Y});
    drawAt(flake.Kind, at.X, at.Y);
  }
  if (globeVisible) shake_.ForEachExtra(layer, drawAt);
}

void GlobeScene::GlassMoved(std::uint32_t tick, double x, double y) {
  if (Settings.ShakeEnabled) shake_.GlassMoved(tick, x, y);
}

void GlobeScene::SetBaseImage(const PixelStore& base) {
  base_ = base;
  translucent_ = TranslucentRuns(base_);
  ForgetComposition();
  presented_.Valid = false;
}

void GlobeScene::ClearBaseImage() {
  base_ = PixelStore();
  translucent_ = TranslucentRuns();
  ForgetComposition();
}

void GlobeScene::ForgetComposition() {
  backgroundValid_ = false;
  frameKeyValid_ = false;
  liveAreaKnown_ = false;
  liveArea_.reset();
  wholePlaque_ = {};
}

void GlobeScene::PrepareFirstShow() {
  snow_.Allocate();
  shake_.Reserve(snow_.Layer(kSnowFar).size(), snow_.Layer(kSnowMiddle).size(), snow_.Layer(kSnowNear).size());
  sky_.SetStartPositions();
}

void GlobeScene::DrawBackground(PixelStore& target, const BackgroundKey& key) {
  CopyPixels(base_, target);
  DrawBackgroundLayers(target, key, TRect{0, 0, target.Width(), target.Height()});
}

void GlobeScene::DrawBackgroundLayers(PixelStore& target, const BackgroundKey& key, const TRect& clip) const {
  DrawScaled(target, clip, Sky::kStripX, key.StripOffset, art_->SkyStrip);
  DrawScaled(target, clip, 0, 0, art_->Stars);
  for (int i = 0; i < key.SpriteCount; ++i) {
    DrawScaled(target, clip, key.Sprites[i].X, key.Sprites[i].Y, *key.Sprites[i].Picture);
  }
  DrawScaled(target, clip, 0, 0, art_->Hills);
}

template <class SnowLayer>
void GlobeScene::DrawForeground(PixelStore& target, const TRect& clip, SnowLayer&& snowLayer) const {
  snowLayer(kSnowFar);
  DrawScaled(target, clip, 0, 0, art_->Houses);
  snowLayer(kSnowMiddle);
  DrawScaled(target, clip, 0, 0, art_->Drift);
  snowLayer(kSnowNear);
  DrawScaled(target, clip, 0, 0, art_->Front);
  for (const SpriteDraw& glyph : plaqueDraws_) DrawScaled(target, clip, glyph.X, glyph.Y, *glyph.Picture);
}

std::optional<TRect> GlobeScene::LiveArea() {
  if (!liveAreaKnown_) {
    liveAreaKnown_ = true;
    if (base_.BitCount() != 32 || base_.IsEmpty()) return liveArea_;
    // The front over the darkest and the lightest of everything beneath:
    // where the two come out the same, nothing beneath can show, whatever
    // the plaque then draws over it.
    std::array<PixelStore, 2> over{base_, base_};
    for (int i = 0; i < 2; ++i) {
      for (int y = 0; y < base_.Height(); ++y) {
        std::uint8_t* p = over[i].RowAddress(y);
        for (int x = 0; x < base_.Width(); ++x, p += 4) std::memset(p, i == 0 ? 0 : 255, 3);
      }
      DrawScaled(over[i], TRect{0, 0, base_.Width(), base_.Height()}, 0, 0, art_->Front);
    }
    liveArea_ = ChangedRect(over[0], over[1]);
  }
  return liveArea_;
}

std::optional<TRect> GlobeScene::SpritesMoved(const BackgroundKey& from, const BackgroundKey& to,
                                              const TRect& within) const {
  if (from.StripOffset != to.StripOffset) return std::nullopt;
  std::optional<TRect> area;
  for (const BackgroundKey* key : {&from, &to}) {
    for (int i = 0; i < key->SpriteCount; ++i) {
      const Sprite* picture = key->Sprites[i].Picture;
      if (picture->Width() == 0) continue;
      const TRect r{Device(key->Sprites[i].X), Device(key->Sprites[i].Y), Device(key->Sprites[i].X) + picture->Width(),
                    Device(key->Sprites[i].Y) + picture->Height()};
      if (!area) area = r;
      area = TRect{std::min(area->Left, r.Left), std::min(area->Top, r.Top), std::max(area->Right, r.Right),
                   std::max(area->Bottom, r.Bottom)};
    }
  }
  if (!area) return std::nullopt;
  const TRect visible{std::max(area->Left, within.Left), std::max(area->Top, within.Top),
                      std::min(area->Right, within.Right), std::min(area->Bottom, within.Bottom)};
  if (visible.Left >= visible.Right || visible.Top >= visible.Bottom) return std::nullopt;
  return visible;
}

void GlobeScene::RecomposePart(PixelStore& frame, const BackgroundKey& key, const TRect& area) {
  CopyArea(base_, area.Left, area.Top, background_, area.Left, area.Top, area.Width(), area.Height());
  DrawBackgroundLayers(background_, key, area);
  CopyArea(background_, area.Left, area.Top, frame, area.Left, area.Top, area.Width(), area.Height());
  DrawForeground(frame, area, [](int) {});
  translucent_.Clamp(frame, area, blendPath_);
}

GlobeScene::BackgroundKey GlobeScene::StepSky(Clock& platform, const std::function<std::uint32_t()>& readTick,
                                              double now) {
  skyTick_ = skyClock_.Check(readTick, Settings.AnimationInterval);
  spriteTick_ = spriteClock_.Check(readTick, SpriteThreshold(Settings.AnimationInterval));

  // The strip shows the offset the previous frame left; the sun and moon
  // show their state after this frame's step. The sky that follows the
  // clock is placed first, so strip and bodies show the same moment.
  BackgroundKey key;
  if (Settings.SkyFollowsClock) {
    sky_.Place(realTime_.PositionAt(platform, now, Settings.Latitude, Settings.Longitude));
  }
  key.StripOffset = sky_.SkyOffset();
  const auto draw = [&](SkyBody body, int frame, int x, int y) {
    if (key.SpriteCount < static_cast<int>(key.Sprites.size())) {
      key.Sprites[key.SpriteCount++] = SpriteDraw{&art_->Body(body, frame), x, y};
    }
  };
  if (Settings.SkyFollowsClock) {
    sky_.ShowInPlace(skyTick_, spriteTick_, draw);
  } else {
    sky_.Step(skyTick_, spriteTick_, draw);
  }
  return key;
}

void GlobeScene::CatchUp(Clock& platform, std::uint32_t from, std::uint32_t to, int beatMs) {
  if (beatMs <= 0) return;
  globeVisible_ = false;
  const double nowThen = platform.LocalNow();
  constexpr double kMsPerDay = 24.0 * 60 * 60 * 1000;
  for (std::uint32_t behind = to - from; behind >= static_cast<std::uint32_t>(beatMs);) {
    behind -= static_cast<std::uint32_t>(beatMs);
    const std::uint32_t tick = to - behind;
    StepSky(platform, [tick] { return tick; }, nowThen - behind / kMsPerDay);
  }
}

const PixelStore& GlobeScene::ComposeFrame(Clock& platform, bool globeVisible) {
  globeVisible_ = globeVisible;
  // One reading of the clock for the whole frame: sky and plaque agree.
  const double now = platform.LocalNow();
  const BackgroundKey key = StepSky(platform, [&platform] { return platform.TickCount(); }, now);
  // Past midnight the holidays may move to next year; their menu items name the dates.
  if (countdown_.FollowDate(now) && HolidaysMoved) HolidaysMoved(countdown_);
  const CountdownChoice choice = CountdownChoiceNow ? CountdownChoiceNow() : CountdownChoice{};
  const bool snowing = Settings.SnowEnabled;
  if (!Settings.ShakeEnabled) {
    if (shake_.Stirred()) shake_.Clear();
  } else {
    shake_.Step(platform.TickCount());
  }
  const bool stirred = shake_.Stirred();
  const FrameKey frameKey{key, countdown_.CountDays(now, choice), globeVisible && snowing && snow_.HasFlakes(),
                          stirred};
  skipped_ = skipUnchanged_ && frameKeyValid_ && !frameKey.Flakes && !stirred && frameKey == frameKey_;
  if (skipped_) return frames_[composed_];
  // Without flakes in this frame or the last, a sun or moon that moved
  // changes only the part under it.
  const bool stillFrames = skipUnchanged_ && frameKeyValid_ && backgroundValid_ && !frameKey.Flakes &&
                           !frameKey_.Flakes && !stirred && !frameKey_.Stirred && frameKey.DaysLeft == frameKey_.DaysLeft &&
                           choice == lastChoice_ && base_.BitCount() == 32 &&
                           frames_[composed_].Width() == base_.Width() && frames_[composed_].Height() == base_.Height();
  // Outside the live area nothing beneath the glass front shows.
  const std::optional<TRect> live = skipUnchanged_ ? LiveArea() : std::nullopt;
  const std::optional<TRect> moved =
      stillFrames ? SpritesMoved(backgroundKey_, key, live.value_or(TRect{0, 0, base_.Width(), base_.Height()}))
                  : std::nullopt;
  frameKey_ = frameKey;
  frameKeyValid_ = true;
  lastChoice_ = choice;
  PlacePlaque(frameKey.DaysLeft);

  if (moved) {
    const int last = composed_;
    composed_ = presented_.Valid ? 1 - presented_.Index : composed_;
    if (composed_ != last) {
      CopyPixels(frames_[last], frames_[composed_]);
      wholePlaque_[composed_] = wholePlaque_[last];
    }
    RecomposePart(frames_[composed_], key, *moved);
    backgroundKey_ = key;
    return frames_[composed_];
  }

  if (!backgroundValid_ || !(key == backgroundKey_)) {
    DrawBackground(background_, key);
    backgroundKey_ = key;
    backgroundValid_ = true;
  }

  composed_ = presented_.Valid ? 1 - presented_.Index : composed_;
  ComposeWithFlakes(live, globeVisible, snowing, stirred);
  return frames_[composed_];
}

void GlobeScene::PlacePlaque(int daysLeft) {
  plaqueDraws_.clear();
  const auto digitWidth = [this](char digit) { return art_->DigitWidths[static_cast<std::size_t>(digit - '0')]; };
  // A language without its own word writes the English one.
  const auto word = art_->Words.find(PlaqueLabelName(daysLeft));
  const auto glyphs = word == art_->Words.end()
                          ? CountdownGlyphs(daysLeft, digitWidth)
                          : CountdownGlyphs(daysLeft, digitWidth, [&](int) {
                              return PlaqueLabel{word->first, word->second.Width};
                            });
  static const Sprite kNone;
  for (const CountdownGlyph& glyph : glyphs) {
    const bool digit = glyph.Name.size() == 2 && glyph.Name[0] == 'd';
    const auto named = digit ? art_->Words.end() : art_->Words.find(glyph.Name);
    const Sprite* picture = digit                        ? &art_->Digits[static_cast<std::size_t>(glyph.Name[1] - '0')]
                            : named != art_->Words.end() ? &named->second.Picture
                                                         : &kNone;
    plaqueDraws_.push_back(SpriteDraw{picture, glyph.X, glyph.Y});
  }
}

void GlobeScene::ComposeWithFlakes(const std::optional<TRect>& live, bool globeVisible, bool snowing, bool stirred) {
  // The frame is composed where it is shown from, in place.
  PixelStore& frame = frames_[composed_];
  const auto compose = [&](const TRect& area) {
    DrawForeground(frame, area, [&](int layer) { DrawFlakes(frame, area, layer, globeVisible, snowing, stirred); });
    translucent_.Clamp(frame, area, blendPath_);
  };
  // Outside the live area the frame is the glass front's own and stays as
  // it was composed whole (over this base), as long as the plaque says the same.
  if (live && wholePlaque_[composed_] == plaqueDraws_) {
    CopyArea(background_, live->Left, live->Top, frame, live->Left, live->Top, live->Width(), live->Height());
    compose(*live);
    return;
  }
  CopyPixels(background_, frame);
  compose(TRect{0, 0, frame.Width(), frame.Height()});
  wholePlaque_[composed_] = plaqueDraws_;
}

std::optional<std::uint32_t> GlobeScene::QuietFor(std::uint32_t now, double localNow, bool coverReported) const {
  if (!skipUnchanged_ || !frameKeyValid_ || Settings.SkyFollowsClock || Stirred()) return std::nullopt;
  // With snow on, flakes may start at any density tick: every beat counts.
  // Covered, the snow stands still until the desktop says the cover may
  // have gone, if it says so.
  if (Settings.SnowEnabled && (globeVisible_ || !coverReported)) return std::nullopt;
  // A frame shows the sky as the frame before left it: what a clock moved
  // in the last frame shows in the next.
  if (skyTick_ || spriteTick_) return std::nullopt;
  // A clock fires in the first frame more than its threshold after it last
  // fired; every firing is kept, seen or not, so the clocks keep their beat.
  std::int64_t quiet = kLongestQuietMs;
  const auto until = [&](const AnimationClock& clock, std::int32_t threshold) {
    const std::int64_t due = static_cast<std::int64_t>(threshold) + 1 - static_cast<std::uint32_t>(now - clock.LastTick());
    quiet = std::min(quiet, due);
  };
  until(skyClock_, Settings.AnimationInterval);
  until(spriteClock_, SpriteThreshold(Settings.AnimationInterval));
  const double msToMidnight = (std::floor(localNow) + 1 - localNow) * 24 * 60 * 60 * 1000;
  // Days as a double carry some microseconds of rounding.
  quiet = std::min<std::int64_t>(quiet, static_cast<std::int64_t>(std::ceil(msToMidnight - 0.01)));
  if (quiet <= 0) return std::nullopt;
  return static_cast<std::uint32_t>(quiet);
}

void GlobeScene::RenderFrame(const Desktop& desktop, int left, int top) {
  if (base_.IsEmpty()) return;  // the window is between two empty globes
  bool visible = true;
  if (desktop.Window.IsCoveredAt(left + Device(kProbe1X), top + Device(kProbe1Y))) {
    visible = !desktop.Window.IsCoveredAt(left + Device(kProbe2X), top + Device(kProbe2Y));
  }
  ComposeFrame(desktop.Time, visible);
  Present(desktop, left, top);
}

void GlobeScene::Present(const Desktop& desktop, int left, int top) {
  const std::uint8_t alpha = Settings.TransparencyAlpha;
  const PixelStore& frame = frames_[composed_];
  const bool samePlace =
      presented_.Valid && presented_.Left == left && presented_.Top == top && presented_.Alpha == alpha;
  std::optional<TRect> dirty;
  if (samePlace) {
    if (composed_ == presented_.Index) return;  // nothing was composed since
    // Frames composed whole with the same plaque differ only where the
    // glass lets the scene show.
    const bool sameOutside = liveArea_ && wholePlaque_[0] && wholePlaque_[0] == wholePlaque_[1];
    // While flakes fall the live area changes nearly whole from frame to
    // frame: looking for the changed part there costs more than it saves.
    if (sameOutside && frameKey_.Flakes) {
      dirty = *liveArea_;
    } else {
      dirty = ChangedRect(frame, frames_[presented_.Index],
                          sameOutside ? *liveArea_ : TRect{0, 0, frame.Width(), frame.Height()});
    }
    if (!dirty) {
      // The same pixels: either buffer stands for what is on the screen.
      presented_.Index = composed_;
      return;
    }
  }
  const bool shown = dirty ? desktop.Window.PresentChanged(frame, left, top, alpha,
                                                     PixelRect{dirty->Left, dirty->Top, dirty->Right, dirty->Bottom})
                           : desktop.Window.Present(frame, left, top, alpha);
  if (shown) {
    presented_ = Presented{true, left, top, alpha, composed_};
    failureReported_ = false;
    return;
  }
  presented_.Valid = false;
  if (failureReported_) return;
  // Set before the box opens: frames keep coming while it is open.
  failureReported_ = true;
  desktop.Messages.ShowMessage(desktop.Window.PresentFailedMessage());
}

}  // namespace nivarra
