#include "app/globe_artwork.h"

#include <cstring>
#include <memory>
#include <string>

#include "app/art_sets.h"
#include "app/base_image.h"
#include "app/region.h"
#include "app/scaled_pictures.h"
#include "graphics/canvas.h"
#include "layout/bitmap.h"
#include "layout/component.h"
#include "layout/controls.h"
#include "layout/picture.h"
#include "png/draw.h"
#include "png/png_object.h"
#include "scene/countdown.h"

namespace nivarra {
namespace {

const TImage* OwnedImage(const TComponent& owner, const std::string& name) {
  return dynamic_cast<const TImage*>(owner.FindOwnedComponent(name));
}

// A picture without per-pixel alpha shows each pixel or leaves it: drawn
// over black and over white, a pixel it shows comes out the same.
PixelStore ShownOrLeft(const TGraphic& graphic) {
  const int width = graphic.Width(), height = graphic.Height();
  PixelStore overBlack(width, height, 32, RowOrder::TopDown);
  PixelStore overWhite(width, height, 32, RowOrder::TopDown);
  overWhite.Fill(255, 255, 255, 0);
  TCanvas(overBlack).DrawGraphic(0, 0, &graphic);
  TCanvas(overWhite).DrawGraphic(0, 0, &graphic);
  for (int y = 0; y < height; ++y) {
    std::uint8_t* p = overBlack.RowAddress(y);
    const std::uint8_t* q = overWhite.RowAddress(y);
    for (int x = 0; x < width; ++x, p += 4, q += 4) p[3] = std::memcmp(p, q, 3) == 0 ? 255 : 0;
  }
  return overBlack;
}

}  // namespace

PixelStore PixelsForDrawing(const TGraphic* graphic) {
  if (graphic == nullptr || graphic->IsEmpty()) return {};
  const auto* png = dynamic_cast<const TPNGObject*>(graphic);
  if (png != nullptr && png->TransparencyKind() == kTransparencyAlpha) return BlendedPixels(*png);
  return ShownOrLeft(*graphic);
}

Artwork ResolveArtwork(const ScaledPictures& pictures) {
  Artwork art;
  art.Scale = pictures.Scale();
  const auto sprite = [&](const std::string& name) { return Sprite(PixelsForDrawing(pictures.Picture(name))); };
  if (const auto* tree = dynamic_cast<const TPNGObject*>(pictures.Picture("imgTree"))) {
    TPNGObject basePng;
    TBitmap baseImage;
    BuildBaseImage(*tree, basePng, baseImage);
    art.EmptyGlobe = baseImage.Store();
  }
  art.SkyStrip = sprite("imgDay");
  art.Stars = sprite("imgStars");
  art.Hills = sprite("imgLandscape");
  art.Houses = sprite("imgHome");
  art.Drift = sprite("imgSugrob");
  art.Front = sprite("img3");
  for (const SkyBody body : {SkyBody::Sun, SkyBody::SettingSun, SkyBody::Moon}) {
    for (int frame = 1; frame <= Sky::kFrames; ++frame) {
      art.Bodies[static_cast<std::size_t>(body)][static_cast<std::size_t>(frame - 1)] =
          sprite(SkyPictureName(body, frame));
    }
  }
  for (int layer = kSnowFar; layer <= kSnowNear; ++layer) {
    for (int kind = 1; kind <= 2; ++kind) {
      art.Flakes[static_cast<std::size_t>(layer - kSnowFar)][static_cast<std::size_t>(kind - 1)] =
          sprite(Snowfall::SpriteName(layer, kind));
    }
  }
  // The plaque is placed in scene units: widths are the 1x images'.
  const TComponent& form = pictures.Form();
  for (int digit = 0; digit < 10; ++digit) {
    const std::string name{'d', static_cast<char>('0' + digit)};
    art.Digits[static_cast<std::size_t>(digit)] = sprite(name);
    const TImage* image = OwnedImage(form, name);
    art.DigitWidths[static_cast<std::size_t>(digit)] = image != nullptr ? image->Width() : 0;
  }
  // The plaque writes no other words, and decoding every language's would
  // slow each start.
  for (int i = 0; i < form.ComponentCount(); ++i) {
    const auto* image = dynamic_cast<const TImage*>(form.Component(i));
    if (image == nullptr) continue;
    const std::string& name = image->Name();
    if (IsPlaqueLabelInUse(name)) {
      art.Words.emplace(name, PlaqueWord{sprite(name), image->Width()});
    }
  }
  return art;
}

GlobeArtwork LoadGlobeArtwork(TComponent& form, double scale) {
  std::unique_ptr<TComponent> set;
  const ScaledPictures pictures(form, [&](int factor) { return (set = LoadArtSet(factor)).get(); }, scale);
  GlobeArtwork art{ResolveArtwork(pictures), {}, pictures.SourceFactor()};
  // The mask of the set in use, drawn at its own factor, cut to the window's size.
  auto* mask = dynamic_cast<TImage*>(form.FindOwnedComponent("imgMask"));
  if (set != nullptr && &pictures.SourceSet() == set.get()) {
    if (auto* setMask = dynamic_cast<TImage*>(set->FindOwnedComponent("imgMask"))) mask = setMask;
  }
  const PixelStore& globe = art.Scene.EmptyGlobe;
  if (mask != nullptr && !globe.IsEmpty()) {
    TBitmap& bitmap = PictureAsBitmap(mask->Picture());
    art.Shape = scale == 1.0 ? RegionFromMask(bitmap, globe.Width(), globe.Height())
                             : RegionFromScaledMask(bitmap, globe.Width(), globe.Height());
  }
  return art;
}

}  // namespace nivarra
