#include "graphics/blend_rows.h"

#include "graphics/row_kernels.h"

namespace nivarra {

BlendPath FastestBlendPath() {
#ifdef NIVARRA_ROWS_SSE2
  return BlendPath::Sse2;
#else
  return BlendPath::Scalar;
#endif
}

bool HasBlendPath(BlendPath path) { return path == BlendPath::Scalar || path == FastestBlendPath(); }

void BlendPixels(BlendPath path, const std::uint8_t* source, std::uint8_t* dest, int count) {
  using namespace row_kernels;
  if (path == BlendPath::Sse2) return Kernels<BlendPath::Sse2>::Blend(source, dest, count);
  Kernels<BlendPath::Scalar>::Blend(source, dest, count);
}

void CopyColours(BlendPath path, const std::uint8_t* source, std::uint8_t* dest, int count) {
  using namespace row_kernels;
  if (path == BlendPath::Sse2) return Kernels<BlendPath::Sse2>::Copy(source, dest, count);
  Kernels<BlendPath::Scalar>::Copy(source, dest, count);
}

void ClampColours(BlendPath path, std::uint8_t* pixels, int count) {
  using namespace row_kernels;
  if (path == BlendPath::Sse2) return Kernels<BlendPath::Sse2>::Clamp(pixels, count);
  Kernels<BlendPath::Scalar>::Clamp(pixels, count);
}

}  // namespace nivarra
