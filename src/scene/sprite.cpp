#include "scene/sprite.h"

#include <algorithm>
#include <cstring>

#include "graphics/row_kernels.h"

namespace nivarra {
namespace {

// Blending four pixels at a time reads and writes at most three past a run's end.
constexpr int kPadding = 3;
// Shorter opaque stretches are blended with their neighbours: the formula
// gives the same bytes at alpha 255, and fewer runs draw faster.
constexpr int kMinCopyRun = 8;

}  // namespace

Sprite::Sprite(const PixelStore& decoded) {
  if (decoded.IsEmpty()) return;
  width_ = decoded.Width();
  height_ = decoded.Height();
  FindRuns(decoded);
}

void Sprite::FindRuns(const PixelStore& decoded) {
  rowFirst_.reserve(static_cast<std::size_t>(height_) + 1);
  const std::uint8_t* row = nullptr;
  // A run keeps its own pixels; one to blend also the next kPadding of its
  // row as they are (transparent past the row's end).
  const auto emit = [&](int start, int end, bool copy) {
    if (end <= start) return;
    runs_.push_back(Run{start, end - start, copy, pixels_.size() / 4});
    const int kept = std::min(end + (copy ? 0 : kPadding), width_);
    pixels_.insert(pixels_.end(), row + 4 * start, row + 4 * kept);
    pixels_.resize(pixels_.size() + 4 * static_cast<std::size_t>(end + (copy ? 0 : kPadding) - kept));
  };
  for (int y = 0; y < height_; ++y) {
    rowFirst_.push_back(static_cast<std::uint32_t>(runs_.size()));
    row = decoded.RowAddress(y);
    const auto alpha = [row](int x) { return row[4 * x + 3]; };
    int x = 0;
    while (x < width_) {
      if (alpha(x) == 0) {
        ++x;
        continue;
      }
      // A visible stretch, taking in gaps too short for a run's last four
      // pixels to reach past.
      const int start = x;
      int end = x;
      while (x < width_) {
        if (alpha(x) != 0) {
          end = ++x;
          continue;
        }
        int gapEnd = x;
        while (gapEnd < width_ && alpha(gapEnd) == 0) ++gapEnd;
        if (gapEnd == width_ || gapEnd - x >= kPadding) break;
        x = gapEnd;
      }
      // Runs to blend between long opaque ones to copy.
      int blendStart = start;
      for (int i = start; i < end;) {
        if (alpha(i) != 255) {
          ++i;
          continue;
        }
        const int opaqueStart = i;
        while (i < end && alpha(i) == 255) ++i;
        if (i - opaqueStart >= kMinCopyRun) {
          emit(blendStart, opaqueStart, false);
          emit(opaqueStart, i, true);
          blendStart = i;
        }
      }
      emit(blendStart, end, false);
      x = end;
    }
  }
  rowFirst_.push_back(static_cast<std::uint32_t>(runs_.size()));
}

void Sprite::Draw(PixelStore& target, int x, int y, const TRect& clip, BlendPath path) const {
  if (width_ == 0 || target.BitCount() != 32) return;
  if (path == BlendPath::Sse2) {
    DrawOn<BlendPath::Sse2>(target, x, y, clip);
  } else {
    DrawOn<BlendPath::Scalar>(target, x, y, clip);
  }
}

template <BlendPath kPath>
void Sprite::DrawOn(PixelStore& target, int x, int y, const TRect& clip) const {
  using Kernels = row_kernels::Kernels<kPath>;
  const int clipRight = std::min(clip.Right, target.Width());
  const int left = std::max({clip.Left, 0, x}) - x, right = std::min(clipRight, x + width_) - x;
  const int top = std::max({clip.Top, 0, y}), bottom = std::min({clip.Bottom, target.Height(), y + height_});
  if (left >= right) return;
  for (int ty = top; ty < bottom; ++ty) {
    const int row = ty - y;
    std::uint8_t* dest = target.RowAddress(ty);
    for (std::uint32_t k = rowFirst_[row]; k < rowFirst_[row + 1]; ++k) {
      const Run& run = runs_[k];
      if (run.Start >= right) break;
      const int from = std::max(run.Start, left), to = std::min(run.Start + run.Length, right);
      if (from >= to) continue;
      int count = to - from;
      const std::uint8_t* source = pixels_.data() + 4 * (run.First + static_cast<std::size_t>(from - run.Start));
      if (run.Copy) {
        Kernels::Copy(source, dest + 4 * (x + from), count);
        continue;
      }
      // Past a run lie transparent pixels, which leave the target as it
      // is, or an opaque run copied after it.
      const int whole = (count + 3) & ~3;
      if (kPath != BlendPath::Scalar && x + from + whole <= clipRight) count = whole;
      Kernels::Blend(source, dest + 4 * (x + from), count);
    }
  }
}

}  // namespace nivarra
