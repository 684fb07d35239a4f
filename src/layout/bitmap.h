#pragma once
// TBitmap: a picture held in a pixel store that bitmaps share by reference
// until one of them changes its pixels (copy on write), with a canvas to
// draw on and the reading of its embedded BMP form.

#include <cstdint>
#include <memory>
#include <optional>

#include "graphics/bitmap_base.h"
#include "graphics/canvas.h"
#include "graphics/pixel_store.h"

namespace nivarra {

enum class TPixelFormat { Device, Bit1, Bit4, Bit8, Bit15, Bit16, Bit24, Bit32, Custom };

// Device-dependent pixels can only be drawn and read through a canvas;
// device-independent ones are also addressable row by row.
enum class TStorageKind { DeviceDependent, DeviceIndependent };

// The store bitmaps share. A device-dependent store is a 32-bit top-down
// store that only the flag tells apart.
struct TBitmapImage {
  PixelStore Store;
  bool DeviceDependent = true;
};

class TBitmap;

class TBitmapCanvas : public TCanvas {
 public:
  explicit TBitmapCanvas(TBitmap& bitmap) : bitmap_(bitmap) {}
  // The bitmap's current store. Only draws (between Changing and Changed)
  // may write to it: the store can be shared outside them.
  PixelStore& Target() const override;

 protected:
  void Changing() override;
  void Changed() override;

 private:
  TBitmap& bitmap_;
};

class TBitmap : public TBitmapBase {
 public:
  TBitmap();
  ~TBitmap() override;

  // From a TBitmap: share its store and take its transparency settings.
  // Anything else copies itself in (a PNG converts itself) or fails with
  // "Cannot assign a <class> to a TBitmap".
  void Assign(const TPersistent* source) override;
  void AssignTo(TPersistent& dest) const override;

  void DrawToCanvas(TCanvas& canvas, const TRect& rect) const override;
  bool IsEmpty() const override;
  int Width() const override;
  int Height() const override;
  // Keep the pixels from the top-left corner; the new area is white.
  void SetWidth(int value) override;
  void SetHeight(int value) override;
  void SetSize(int width, int height);
  // Reads the embedded form: a 32-bit size s, then a BMP file of s bytes
  // (none for an empty bitmap).
  void LoadFromStream(TStream& stream) override;

  void AdoptImage(PixelStore&& image) override;
  void SetTransparentColour(TColor colour) override;
  std::optional<TColor> TransparentColour() const { return transparentColour_; }

  TPixelFormat PixelFormat() const;
  // Converts the pixels. Custom raises EInvalidGraphic "Invalid pixel format".
  void SetPixelFormat(TPixelFormat format);
  TStorageKind StorageKind() const;
  void SetStorageKind(TStorageKind kind);

  // The first byte of image row y, row 0 at the top, in a store of this
  // bitmap's own. Raises EInvalidGraphicOperation "Scan line index out of
  // range" for rows outside 0..height-1.
  std::uint8_t* RowAddress(int y);

  // The current store, possibly shared: for reading only.
  const PixelStore& Store() const { return image_->Store; }
  // The store made private first, for writing or handing to the window.
  PixelStore& MutableStore();

  // Created on first use; lives as long as the bitmap.
  TCanvas& Canvas();

 private:
  friend class TBitmapCanvas;

  // Gives this bitmap a store no other bitmap refers to, copying the
  // pixels byte for byte when it was shared.
  TBitmapImage& PrivateImage();
  void ReplaceImage(std::shared_ptr<TBitmapImage> image);
  void ShareImageOf(const TBitmap& source);

  std::shared_ptr<TBitmapImage> image_;
  std::optional<TColor> transparentColour_;
  std::unique_ptr<TBitmapCanvas> canvas_;
};

// The pixel format a store stands for.
TPixelFormat PixelFormatOf(const TBitmapImage& image);

}  // namespace nivarra
