#include "scene/translucent_runs.h"

#include <algorithm>

#include "graphics/pixel_store.h"

namespace nivarra {

TranslucentRuns::TranslucentRuns(const PixelStore& base) {
  if (base.BitCount() != 32) return;
  rowFirst_.reserve(static_cast<std::size_t>(base.Height()) + 1);
  for (int y = 0; y < base.Height(); ++y) {
    rowFirst_.push_back(static_cast<std::uint32_t>(runs_.size()));
    const std::uint8_t* row = base.RowAddress(y);
    for (int x = 0; x < base.Width();) {
      if (row[4 * x + 3] == 255) {
        ++x;
        continue;
      }
      const int start = x;
      while (x < base.Width() && row[4 * x + 3] != 255) ++x;
      runs_.push_back(Run{start, x});
    }
  }
  rowFirst_.push_back(static_cast<std::uint32_t>(runs_.size()));
}

void TranslucentRuns::Clamp(PixelStore& frame, const TRect& area, BlendPath path) const {
  if (frame.BitCount() != 32) return;
  const int rows = static_cast<int>(rowFirst_.size()) - 1;
  const int top = std::max(area.Top, 0), bottom = std::min({area.Bottom, frame.Height(), rows});
  for (int y = top; y < bottom; ++y) {
    std::uint8_t* row = frame.RowAddress(y);
    for (std::uint32_t k = rowFirst_[y]; k < rowFirst_[y + 1]; ++k) {
      const int from = std::max(runs_[k].Start, area.Left), to = std::min({runs_[k].End, area.Right, frame.Width()});
      if (from < to) ClampColours(path, row + 4 * from, to - from);
    }
  }
}

}  // namespace nivarra
