#include "scene/compositor.h"

#include <algorithm>
#include <cstring>

#include "scene/changed_rect.h"

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

// Copies the pixels of source into target, which keeps its buffer (and
// its row order) when it already has the same size and depth.
void CopyPixels(const PixelStore& source, PixelStore& target) {
  if (target.Width() != source.Width() || target.Height() != source.Height() ||
      target.BitCount() != source.BitCount() || target.RowStride() != source.RowStride()) {
    target = source;
    return;
  }
  if (target.Order() == source.Order()) {
    std::memcpy(target.Bytes().data(), source.Bytes().data(), source.Bytes().size());
    return;
  }
  for (int y = 0; y < source.Height(); ++y) std::memcpy(target.RowAddress(y), source.RowAddress(y), source.RowStride());
}

}  // namespace

SceneCompositor::SceneCompositor() : art_(&NoArtwork()) {}

void SceneCompositor::SetArt(const Artwork* art) {
  art_ = art != nullptr ? art : &NoArtwork();
  ForgetComposition();
}

void SceneCompositor::SetBaseImage(const PixelStore& base) {
  base_ = base;
  translucent_ = TranslucentRuns(base_);
  ForgetComposition();
}

void SceneCompositor::ClearBaseImage() {
  base_ = PixelStore();
  translucent_ = TranslucentRuns();
  ForgetComposition();
}

void SceneCompositor::ForgetComposition() {
  backgroundValid_ = false;
  frameKeyValid_ = false;
  liveAreaKnown_ = false;
  liveArea_.reset();
  wholePlaque_ = {};
  partDiffers_.reset();
  onScreen_.reset();
}

std::optional<TRect> SceneCompositor::BuffersDifferWithin() const {
  if (partDiffers_) return partDiffers_;
  if (liveArea_ && wholePlaque_[0] && wholePlaque_[0] == wholePlaque_[1]) return liveArea_;
  return std::nullopt;
}

void SceneCompositor::DrawScaled(PixelStore& target, const TRect& clip, int x, int y, const Sprite& picture) const {
  picture.Draw(target, Device(x), Device(y), clip, blendPath_);
}

void SceneCompositor::DrawBackground(PixelStore& target, const SkyShot& sky) {
  CopyPixels(base_, target);
  DrawBackgroundLayers(target, sky, TRect{0, 0, target.Width(), target.Height()});
}

void SceneCompositor::DrawBackgroundLayers(PixelStore& target, const SkyShot& sky, const TRect& clip) const {
  DrawScaled(target, clip, Sky::kStripX, sky.StripOffset, art_->SkyStrip);
  DrawScaled(target, clip, 0, 0, art_->Stars);
  for (int i = 0; i < sky.BodyCount; ++i) {
    const SkyShot::Body& body = sky.Bodies[static_cast<std::size_t>(i)];
    DrawScaled(target, clip, body.X, body.Y, art_->Body(body.Which, body.Frame));
  }
  DrawScaled(target, clip, 0, 0, art_->Hills);
}

template <class SnowLayer>
void SceneCompositor::DrawForeground(PixelStore& target, const TRect& clip, SnowLayer&& snowLayer) const {
  snowLayer(kSnowFar);
  DrawScaled(target, clip, 0, 0, art_->Houses);
  snowLayer(kSnowMiddle);
  DrawScaled(target, clip, 0, 0, art_->Drift);
  snowLayer(kSnowNear);
  DrawScaled(target, clip, 0, 0, art_->Front);
  for (const SpriteDraw& glyph : plaqueDraws_) DrawScaled(target, clip, glyph.X, glyph.Y, *glyph.Picture);
}

std::optional<TRect> SceneCompositor::LiveArea() {
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

std::optional<TRect> SceneCompositor::SpritesMoved(const SkyShot& from, const SkyShot& to,
                                                   const TRect& within) const {
  if (from.StripOffset != to.StripOffset) return std::nullopt;
  std::optional<TRect> area;
  for (const SkyShot* sky : {&from, &to}) {
    for (int i = 0; i < sky->BodyCount; ++i) {
      const SkyShot::Body& body = sky->Bodies[static_cast<std::size_t>(i)];
      const Sprite& picture = art_->Body(body.Which, body.Frame);
      if (picture.Width() == 0) continue;
      const TRect r{Device(body.X), Device(body.Y), Device(body.X) + picture.Width(), Device(body.Y) + picture.Height()};
      area = area ? Bounding(*area, r) : r;
    }
  }
  if (!area) return std::nullopt;
  const TRect visible{std::max(area->Left, within.Left), std::max(area->Top, within.Top),
                      std::min(area->Right, within.Right), std::min(area->Bottom, within.Bottom)};
  if (visible.Left >= visible.Right || visible.Top >= visible.Bottom) return std::nullopt;
  return visible;
}

void SceneCompositor::RecomposePart(PixelStore& frame, const SkyShot& sky, const TRect& area) {
  CopyArea(base_, area.Left, area.Top, background_, area.Left, area.Top, area.Width(), area.Height());
  DrawBackgroundLayers(background_, sky, area);
  CopyArea(background_, area.Left, area.Top, frame, area.Left, area.Top, area.Width(), area.Height());
  DrawForeground(frame, area, [](int) {});
  translucent_.Clamp(frame, area, blendPath_);
}

const PixelStore& SceneCompositor::Compose(const FrameStep& step, SceneState& state) {
  const FrameKey& frameKey = step.Key;
  if (skipUnchanged_ && frameKeyValid_ && !frameKey.Flakes && !frameKey.Stirred && frameKey == frameKey_) {
    return frames_[composed_];
  }
  // Without flakes in this frame or the last, a sun or moon that moved
  // changes only the part under it.
  const bool stillFrames = skipUnchanged_ && frameKeyValid_ && backgroundValid_ && !frameKey.Flakes &&
                           !frameKey_.Flakes && !frameKey.Stirred && !frameKey_.Stirred &&
                           frameKey.DaysLeft == frameKey_.DaysLeft && step.Choice == lastChoice_ &&
                           base_.BitCount() == 32 && frames_[composed_].Width() == base_.Width() &&
                           frames_[composed_].Height() == base_.Height();
  // Outside the live area nothing beneath the glass front shows.
  const std::optional<TRect> live = skipUnchanged_ ? LiveArea() : std::nullopt;
  const std::optional<TRect> moved =
      stillFrames ? SpritesMoved(backgroundSky_, frameKey.Sky, live.value_or(TRect{0, 0, base_.Width(), base_.Height()}))
                  : std::nullopt;
  frameKey_ = frameKey;
  frameKeyValid_ = true;
  lastChoice_ = step.Choice;
  PlacePlaque(frameKey.DaysLeft);

  if (moved) {
    const int last = composed_;
    composed_ = onScreen_ ? 1 - *onScreen_ : composed_;
    PixelStore& frame = frames_[composed_];
    frame.ClaimMemory();
    if (composed_ != last) {
      // This buffer holds the frame before last: it takes the last one's
      // pixels where the two may differ.
      const PixelStore& shown = frames_[last];
      const std::optional<TRect> differ = BuffersDifferWithin();
      if (differ && frame.Width() == shown.Width() && frame.Height() == shown.Height() &&
          frame.BitCount() == 32 && shown.BitCount() == 32) {
        CopyArea(shown, differ->Left, differ->Top, frame, differ->Left, differ->Top, differ->Width(), differ->Height());
      } else {
        CopyPixels(shown, frame);
      }
      wholePlaque_[composed_] = wholePlaque_[last];
      partDiffers_ = *moved;
    } else if (partDiffers_) {
      partDiffers_ = Bounding(*partDiffers_, *moved);
    }
    RecomposePart(frame, frameKey.Sky, *moved);
    backgroundSky_ = frameKey.Sky;
    return frames_[composed_];
  }

  if (!backgroundValid_ || !(frameKey.Sky == backgroundSky_)) {
    DrawBackground(background_, frameKey.Sky);
    backgroundSky_ = frameKey.Sky;
    backgroundValid_ = true;
  }

  composed_ = onScreen_ ? 1 - *onScreen_ : composed_;
  partDiffers_.reset();
  PrepareBuffer(composed_);
  ComposeWithFlakes(live, step, state);
  return frames_[composed_];
}

void SceneCompositor::PrepareBuffer(int index) {
  PixelStore& buffer = frames_[static_cast<std::size_t>(index)];
  const int width = base_.Width(), height = base_.Height();
  const bool inDesktopMemory = buffer.Memory() && buffer.Width() == width && buffer.Height() == height;
  if (frameMemory_ && !inDesktopMemory && base_.BitCount() == 32 && !base_.IsEmpty()) {
    if (std::shared_ptr<PixelMemory> memory = frameMemory_(width, height)) {
      buffer = PixelStore(width, height, std::move(memory));
      wholePlaque_[static_cast<std::size_t>(index)].reset();
    }
  }
  buffer.ClaimMemory();
}

void SceneCompositor::PlacePlaque(int daysLeft) {
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

void SceneCompositor::ComposeWithFlakes(const std::optional<TRect>& live, const FrameStep& step, SceneState& state) {
  // The frame is composed where it is shown from, in place.
  PixelStore& frame = frames_[composed_];
  const auto compose = [&](const TRect& area) {
    DrawForeground(frame, area, [&](int layer) {
      const Sprite* kinds[2] = {&art_->Flake(layer, 1), &art_->Flake(layer, 2)};
      state.StepFlakes(layer, step, [&](int kind, double x, double y) {
        kinds[kind == 2 ? 1 : 0]->Draw(frame, Device(RoundHalfEven(x)), Device(RoundHalfEven(y)), area, blendPath_);
      });
    });
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

}  // namespace nivarra
