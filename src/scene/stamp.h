#pragma once
// A picture drawn at many places of one frame, such as a layer's flakes. A
// PNG blended with its alpha goes straight to DrawBlended, the call the
// canvas ends in, without the canvas asking the picture its size and kind
// again for every flake; other graphics go through the canvas.

#include <optional>

#include "graphics/canvas.h"
#include "png/draw.h"
#include "png/png_object.h"

namespace nivarra {

class Stamp {
 public:
  explicit Stamp(const TGraphic* graphic) : graphic_(graphic) {
    const auto* png = dynamic_cast<const TPNGObject*>(graphic);
    if (png != nullptr && png->TransparencyKind() == kTransparencyAlpha) blended_.emplace(*png);
  }
  void Draw(TCanvas& canvas, int x, int y) const {
    if (blended_) {
      blended_->Draw(canvas.Target(), x, y);
    } else {
      canvas.DrawGraphic(x, y, graphic_);
    }
  }

 private:
  const TGraphic* graphic_ = nullptr;
  std::optional<BlendedDraw> blended_;
};

}  // namespace nivarra
