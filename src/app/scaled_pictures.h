#pragma once
// The layout's pictures at the scale the globe is shown at, for resolving
// the scene's artwork: sets drawn at whole factors (2x, 3x) are used as
// they are; any other scale is resampled by area, once, from the next
// larger set.

#include <functional>
#include <map>
#include <memory>
#include <string_view>
#include <vector>

namespace nivarra {

class TComponent;
class TGraphic;
class TPNGObject;

class ScaledPictures {
 public:
  // The component that owns the pictures drawn at factor (the same names
  // as the 1x form's), or null when there is no such set.
  using ArtSets = std::function<const TComponent*(int factor)>;
  // The whole factors sets may be drawn at, besides 1.
  static constexpr int kLargestSetFactor = 3;

  // The identity: 1x pictures at their own places.
  explicit ScaledPictures(const TComponent& form);
  // form's PNG pictures at scale (0.5 to 8), from the sets sets offers,
  // which must outlive this.
  ScaledPictures(const TComponent& form, const ArtSets& sets, double scale);
  ~ScaledPictures();
  ScaledPictures(const ScaledPictures&) = delete;
  ScaledPictures& operator=(const ScaledPictures&) = delete;

  double Scale() const { return scale_; }
  // The form the pictures were taken from (the 1x form for the identity),
  // and the factor it was drawn at.
  const TComponent& SourceSet() const { return *source_; }
  const TComponent& Form() const { return form_; }
  int SourceFactor() const { return sourceFactor_; }

  // Where a position in scene units lands in device pixels: rounded once,
  // the same way for every layer, so layers never drift apart.
  int ToDevice(int value) const { return identity_ ? value : RoundedProduct(value); }
  // The picture to draw for the 1x picture oneX (itself when not scaled).
  const TGraphic* Picture(const TGraphic* oneX) const;
  // The 1x picture of the form's image called name, scaled.
  const TGraphic* Picture(std::string_view name) const;

 private:
  int RoundedProduct(int value) const;

  const TComponent& form_;
  double scale_ = 1.0;
  bool identity_ = true;
  const TComponent* source_;
  int sourceFactor_ = 1;
  std::map<const TGraphic*, const TGraphic*> scaled_;
  std::vector<std::unique_ptr<TPNGObject>> resampled_;
};

// The factor of the set a scale is drawn from: the scale itself when it is
// a whole factor there is a set for, otherwise the next larger (the largest
// for scales beyond it; 1 below 1).
int SourceFactorFor(double scale);

}  // namespace nivarra
