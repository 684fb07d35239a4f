#pragma once
// The bitmap a layered window's frames are shown from: 32-bit pixels,
// B, G, R, A in memory, the top row first, rows width × 4 bytes apart,
// selected into a memory DC of its own for as long as it lives, so that a
// frame is shown with UpdateLayeredWindow(Indirect) and nothing else.

#include "platform/win32/windows_api.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace nivarra {

class FrameBitmap {
 public:
  // Null when the system cannot make it.
  static std::unique_ptr<FrameBitmap> Make(int width, int height) {
    std::unique_ptr<FrameBitmap> made(new FrameBitmap(width, height));
    made->dc_ = ::CreateCompatibleDC(nullptr);
    if (made->dc_ == nullptr) return nullptr;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    made->bitmap_ = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &made->bits_, nullptr, 0);
    if (made->bitmap_ == nullptr || made->bits_ == nullptr) return nullptr;
    made->previous_ = ::SelectObject(made->dc_, made->bitmap_);
    if (made->previous_ == nullptr || made->previous_ == HGDI_ERROR) {
      made->previous_ = nullptr;
      return nullptr;
    }
    return made;
  }
  ~FrameBitmap() {
    if (previous_ != nullptr) ::SelectObject(dc_, previous_);
    if (bitmap_ != nullptr) ::DeleteObject(bitmap_);
    if (dc_ != nullptr) ::DeleteDC(dc_);
  }
  FrameBitmap(const FrameBitmap&) = delete;
  FrameBitmap& operator=(const FrameBitmap&) = delete;

  // The memory DC the bitmap is selected into.
  HDC Dc() const { return dc_; }
  std::uint8_t* Bits() const { return static_cast<std::uint8_t*>(bits_); }
  int Width() const { return width_; }
  int Height() const { return height_; }
  std::size_t Stride() const { return static_cast<std::size_t>(width_) * 4; }

 private:
  FrameBitmap(int width, int height) : width_(width), height_(height) {}

  int width_;
  int height_;
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ previous_ = nullptr;
  void* bits_ = nullptr;
};

}  // namespace nivarra
