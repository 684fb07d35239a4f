#include "app/base_image.h"

#include "layout/layout_errors.h"
#include "png/png_object.h"

namespace nivarra {

void CopyPngAlpha(TBitmap& bitmap, const TPNGObject& png) {
  for (int y = 0; y < bitmap.Height(); ++y) {
    const std::uint8_t* alpha = png.AlphaRow(y);
    std::uint8_t* pixel = bitmap.RowAddress(y);
    for (int x = 0; x < bitmap.Width(); ++x) pixel[x * 4 + 3] = alpha[x];
  }
}

void Premultiply(TBitmap& bitmap) {
  for (int y = 0; y < bitmap.Height(); ++y) {
    std::uint8_t* pixel = bitmap.RowAddress(y);
    for (int x = 0; x < bitmap.Width(); ++x, pixel += 4) {
      const unsigned a = pixel[3];
      for (int k = 0; k < 3; ++k) pixel[k] = static_cast<std::uint8_t>(pixel[k] * a / 255);
    }
  }
}

void BuildBaseImage(const TPNGObject& png, TPNGObject& basePng, TBitmap& baseImage) {
  basePng.CopyPng(png);
  baseImage.SetPixelFormat(TPixelFormat::Bit32);
  basePng.ConvertToBitmap(baseImage);
  if (baseImage.PixelFormat() != TPixelFormat::Bit32) baseImage.SetPixelFormat(TPixelFormat::Bit32);
  if (baseImage.StorageKind() != TStorageKind::DeviceIndependent) {
    baseImage.SetStorageKind(TStorageKind::DeviceIndependent);
  }
  const std::uint8_t colourType = basePng.HeaderChunk().ColourType;
  if (colourType == 6 || colourType == 4) CopyPngAlpha(baseImage, basePng);
  Premultiply(baseImage);
}

void BuildBaseImage(const TGraphic* tree, TPNGObject& basePng, TBitmap& baseImage) {
  const auto* png = dynamic_cast<const TPNGObject*>(tree);
  if (png == nullptr) throw EInvalidGraphic("The empty globe's picture is missing");
  BuildBaseImage(*png, basePng, baseImage);
}

}  // namespace nivarra
