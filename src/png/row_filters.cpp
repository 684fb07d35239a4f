#include "png/row_filters.h"

namespace nivarra {

namespace {
enum FilterType : std::uint8_t { kNone = 0, kSub = 1, kUp = 2, kAverage = 3, kPaeth = 4 };
}

void UnfilterRow(std::uint8_t* row, const std::uint8_t* previous, int rowBytes, int pixelStep) {
  std::uint8_t* r = row + 1;
  const std::uint8_t* p = previous + 1;
  // The first pixelStep bytes have no left neighbour: left and upper-left are 0.
  const int firstWithLeft = pixelStep < rowBytes ? pixelStep : rowBytes;
  switch (row[0]) {
    case kSub:
      for (int i = pixelStep; i < rowBytes; ++i) r[i] = static_cast<std::uint8_t>(r[i] + r[i - pixelStep]);
      break;
    case kUp:
      for (int i = 0; i < rowBytes; ++i) r[i] = static_cast<std::uint8_t>(r[i] + p[i]);
      break;
    case kAverage:
      for (int i = 0; i < firstWithLeft; ++i) r[i] = static_cast<std::uint8_t>(r[i] + p[i] / 2);
      for (int i = pixelStep; i < rowBytes; ++i) {
        r[i] = static_cast<std::uint8_t>(r[i] + (p[i] + r[i - pixelStep]) / 2);
      }
      break;
    case kPaeth:
      // With left and upper-left 0 the predictor is the byte above.
      for (int i = 0; i < firstWithLeft; ++i) r[i] = static_cast<std::uint8_t>(r[i] + p[i]);
      for (int i = pixelStep; i < rowBytes; ++i) {
        r[i] = static_cast<std::uint8_t>(r[i] + PaethPredictor(r[i - pixelStep], p[i], p[i - pixelStep]));
      }
      break;
    default:
      break;
  }
}

}  // namespace nivarra
