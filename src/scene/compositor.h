#pragma once
// The frame drawn from the artwork, back to front on a copy of the empty
// globe (sky strip, stars, sun or setting sun, moon, hills, far snow,
// houses, middle snow, snowdrift, near snow, glass front, countdown), into
// the one of two buffers that is not on the screen. It keeps what makes
// the next frame cheaper: the layers behind the far snow while the sky
// stays, the live area the glass lets show, and the last frame's key.

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "graphics/blend_rows.h"
#include "graphics/pixel_store.h"
#include "graphics/rect.h"
#include "scene/artwork.h"
#include "scene/scene_state.h"
#include "scene/translucent_runs.h"

namespace nivarra {

class SceneCompositor {
 public:
  SceneCompositor();

  // The empty globe every frame starts from: 32 bits per pixel,
  // premultiplied. Frames are not composed until there is one.
  void SetBaseImage(const PixelStore& base);
  void ClearBaseImage();
  const PixelStore& BaseImage() const { return base_; }
  // The pictures and device places to draw with (null: nothing but the
  // empty globe); art must outlive its use.
  void SetArt(const Artwork* art);
  int Device(int sceneUnits) const { return art_->ToDevice(sceneUnits); }

  // Composes the frame of step, stepping the snow through state where the
  // frame draws flakes, unless it would come out as the last one (see
  // GlobeScene::SetSkipUnchanged). Every colour byte is at most its pixel's alpha.
  const PixelStore& Compose(const FrameStep& step, SceneState& state);
  void SetSkipUnchanged(bool skip) { skipUnchanged_ = skip; }
  bool SkipUnchanged() const { return skipUnchanged_; }
  // Whether a frame was composed since the last new base or art.
  bool HasFrame() const { return frameKeyValid_; }
  void SetBlendPath(BlendPath path) { blendPath_ = path; }
  // Where frames are composed when the desktop can show them straight from
  // memory of its own: source(width, height) gives such memory for a frame
  // of that size, or null, and the frames then lie in the compositor's own.
  // A buffer's memory is claimed before each frame is composed into it.
  using FrameMemorySource = std::function<std::shared_ptr<PixelMemory>(int width, int height)>;
  void SetFrameMemory(FrameMemorySource source) { frameMemory_ = std::move(source); }

  // The frame composed last, the buffer it is in, and either buffer.
  const PixelStore& Frame() const { return frames_[composed_]; }
  int Composed() const { return composed_; }
  const PixelStore& Buffer(int index) const { return frames_[static_cast<std::size_t>(index)]; }
  // The buffer the screen shows (nothing: none of them, or not known):
  // the next frame is composed in the other. A new base or art forgets it.
  void SetOnScreen(std::optional<int> index) { onScreen_ = index; }
  std::optional<int> OnScreen() const { return onScreen_; }
  // The part within which the two buffers can differ: the part a moving
  // sun or moon changed when only it was composed anew, the live area when
  // both were last composed whole with the same plaque; nothing otherwise.
  std::optional<TRect> BuffersDifferWithin() const;
  // Whether the frame composed last has flakes in it.
  bool FlakesInFrame() const { return frameKeyValid_ && frameKey_.Flakes; }

 private:
  struct SpriteDraw {
    const Sprite* Picture = nullptr;
    int X = 0;
    int Y = 0;
    friend bool operator==(const SpriteDraw&, const SpriteDraw&) = default;
  };

  // Draws within clip only, at the device place of (x, y).
  void DrawScaled(PixelStore& target, const TRect& clip, int x, int y, const Sprite& picture) const;
  // The plaque's pictures for this frame's count.
  void PlacePlaque(int daysLeft);
  void DrawBackground(PixelStore& target, const SkyShot& sky);
  // The layers behind the far snow over the base, within clip.
  void DrawBackgroundLayers(PixelStore& target, const SkyShot& sky, const TRect& clip) const;
  // The snow layers (snowLayer(layer) draws one) with the houses, the
  // drift, the glass front and this frame's plaque, within clip.
  template <class SnowLayer>
  void DrawForeground(PixelStore& target, const TRect& clip, SnowLayer&& snowLayer) const;
  // The device part of the frame in which anything beneath the glass front
  // can show; outside it every pixel is the front's own or transparent.
  // Nothing when the base is not 32 bits or nothing shows.
  std::optional<TRect> LiveArea();
  // After a new base or new art: the background, the frames and the live
  // area are worked out anew.
  void ForgetComposition();
  // The device part within which two skies differ, when they differ only
  // in their sun and moon; nothing otherwise.
  std::optional<TRect> SpritesMoved(const SkyShot& from, const SkyShot& to, const TRect& within) const;
  // The frame buffer being composed, with this beat's flakes over the
  // background: only the live area when the buffer already holds the glass
  // front's own pixels for this plaque around it.
  void ComposeWithFlakes(const std::optional<TRect>& live, const FrameStep& step, SceneState& state);
  // The buffer about to be composed whole or over its live area: in the
  // desktop's memory where it gives some of the base's size (to be composed
  // whole then), and claimed.
  void PrepareBuffer(int index);
  // The background and frame composed anew in area only, in place.
  void RecomposePart(PixelStore& frame, const SkyShot& sky, const TRect& area);

  const Artwork* art_;
  BlendPath blendPath_ = FastestBlendPath();
  PixelStore base_;
  TranslucentRuns translucent_;

  // The layers behind the far snow change only with the sky.
  PixelStore background_;
  SkyShot backgroundSky_;
  bool backgroundValid_ = false;

  CountdownChoice lastChoice_{};
  // What the plaque shows in this frame.
  std::vector<SpriteDraw> plaqueDraws_;
  std::optional<TRect> liveArea_;
  bool liveAreaKnown_ = false;
  // The plaque each frame buffer was last composed whole with; nothing when
  // it must be composed whole.
  std::array<std::optional<std::vector<SpriteDraw>>, 2> wholePlaque_;
  // Set when a frame recomposed only a part: the buffers hold the same
  // pixels outside it.
  std::optional<TRect> partDiffers_;

  bool skipUnchanged_ = true;
  FrameKey frameKey_;
  bool frameKeyValid_ = false;

  // Two frames: the one on the screen stays for comparison while the next is composed.
  std::array<PixelStore, 2> frames_;
  FrameMemorySource frameMemory_;
  int composed_ = 0;
  std::optional<int> onScreen_;
};

}  // namespace nivarra
