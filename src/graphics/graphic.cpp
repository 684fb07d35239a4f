#include "graphics/graphic.h"

namespace nivarra {

void TGraphic::SetTransparent(bool value) {
  if (value == transparent_) return;
  transparent_ = value;
  Changed();
}

void TGraphic::Changed() {
  modified_ = true;
  if (OnChange) OnChange(*this);
}

}  // namespace nivarra
