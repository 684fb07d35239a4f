#include "app/scaled_pictures.h"

#include <cmath>
#include <stdexcept>

#include "layout/component.h"
#include "layout/controls.h"
#include "layout/picture.h"
#include "png/area_resample.h"
#include "png/png_object.h"

namespace nivarra {
namespace {

const TGraphic* ImageGraphic(const TComponent* component) {
  const auto* image = dynamic_cast<const TImage*>(component);
  return image != nullptr ? image->Picture().Graphic() : nullptr;
}

int ScaledExtent(int extent, double scale) { return std::max(1, static_cast<int>(std::lround(extent * scale))); }

}  // namespace

int SourceFactorFor(double scale) {
  if (scale <= 1) return 1;
  const int factor = static_cast<int>(std::ceil(scale - 1e-9));
  return std::min(factor, ScaledPictures::kLargestSetFactor);
}

ScaledPictures::ScaledPictures(const TComponent& form) : form_(form), source_(&form) {}

ScaledPictures::ScaledPictures(const TComponent& form, const ArtSets& sets, double scale)
    : form_(form), scale_(scale), identity_(scale == 1.0), source_(&form) {
  if (!(scale >= 0.5 && scale <= 8)) throw std::invalid_argument("the globe's scale lies between 0.5 and 8");
  if (identity_) return;
  // The set to take pictures from; without it, the next smaller one there is.
  for (int factor = SourceFactorFor(scale); factor > 1; --factor) {
    if (const TComponent* set = sets ? sets(factor) : nullptr) {
      source_ = set;
      sourceFactor_ = factor;
      break;
    }
  }
  const bool exact = sourceFactor_ == scale;
  for (int i = 0; i < form.ComponentCount(); ++i) {
    const TComponent* oneXImage = form.Component(i);
    const auto* oneX = dynamic_cast<const TPNGObject*>(ImageGraphic(oneXImage));
    if (oneX == nullptr || oneX->IsEmpty()) continue;
    const auto* drawn = source_ == &form ? oneX
                                         : dynamic_cast<const TPNGObject*>(
                                               ImageGraphic(source_->FindOwnedComponent(oneXImage->Name())));
    if (drawn == nullptr || drawn->IsEmpty()) drawn = oneX;  // a set without it: the 1x picture, enlarged
    const int width = ScaledExtent(oneX->Width(), scale);
    const int height = ScaledExtent(oneX->Height(), scale);
    if (exact && drawn->Width() == width && drawn->Height() == height) {
      scaled_.emplace(oneX, drawn);
      continue;
    }
    resampled_.push_back(ResampleByArea(*drawn, width, height));
    scaled_.emplace(oneX, resampled_.back().get());
  }
}

ScaledPictures::~ScaledPictures() = default;

int ScaledPictures::RoundedProduct(int value) const { return static_cast<int>(std::floor(value * scale_ + 0.5)); }

const TGraphic* ScaledPictures::Picture(const TGraphic* oneX) const {
  if (identity_ || oneX == nullptr) return oneX;
  const auto found = scaled_.find(oneX);
  return found != scaled_.end() ? found->second : oneX;
}

const TGraphic* ScaledPictures::Picture(std::string_view name) const {
  return Picture(ImageGraphic(form_.FindOwnedComponent(name)));
}

}  // namespace nivarra
