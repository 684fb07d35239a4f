#include "png/alpha_spans.h"

namespace nivarra {

namespace {
// Shorter opaque stretches are blended with their neighbours: the formula
// gives the same bytes at alpha 255, and fewer, longer runs draw faster.
constexpr int kMinOpaqueRun = 8;
}  // namespace

AlphaSpans::AlphaSpans(const std::uint8_t* plane, int width, int height) {
  rowFirst_.reserve(static_cast<std::size_t>(height) + 1);
  auto emit = [this](int start, int end, bool opaque) {
    if (end > start) {
      runs_.push_back({static_cast<std::uint32_t>(start), static_cast<std::uint32_t>(end - start), opaque});
    }
  };
  for (int y = 0; y < height; ++y) {
    rowFirst_.push_back(static_cast<std::uint32_t>(runs_.size()));
    const std::uint8_t* row = plane + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
    int x = 0;
    while (x < width) {
      if (row[x] == 0) {
        ++x;
        continue;
      }
      // A visible stretch: partial runs between long opaque ones.
      int partialStart = x;
      while (x < width && row[x] != 0) {
        if (row[x] != 255) {
          ++x;
          continue;
        }
        const int opaqueStart = x;
        while (x < width && row[x] == 255) ++x;
        if (x - opaqueStart >= kMinOpaqueRun) {
          emit(partialStart, opaqueStart, false);
          emit(opaqueStart, x, true);
          partialStart = x;
        }
      }
      emit(partialStart, x, false);
    }
  }
  rowFirst_.push_back(static_cast<std::uint32_t>(runs_.size()));
}

}  // namespace nivarra
