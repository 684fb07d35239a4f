#pragma once
// Pictures as artgen hands them around: straight (not premultiplied) RGBA,
// top row first, and the cairo canvas they are drawn on.

#include <cairo.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace artgen {

struct Image {
  int Width = 0;
  int Height = 0;
  std::vector<std::uint8_t> Rgba;  // Width * Height * 4, straight alpha

  Image() = default;
  Image(int width, int height);
  std::uint8_t* At(int x, int y) { return Rgba.data() + (static_cast<std::size_t>(y) * Width + x) * 4; }
  const std::uint8_t* At(int x, int y) const {
    return Rgba.data() + (static_cast<std::size_t>(y) * Width + x) * 4;
  }
  std::uint8_t Alpha(int x, int y) const { return At(x, y)[3]; }
};

struct CairoSurfaceDeleter {
  void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
struct CairoContextDeleter {
  void operator()(cairo_t* c) const { cairo_destroy(c); }
};
using SurfacePtr = std::unique_ptr<cairo_surface_t, CairoSurfaceDeleter>;
using ContextPtr = std::unique_ptr<cairo_t, CairoContextDeleter>;

// An ARGB32 image surface, cleared to transparent, with its drawing context.
// Drawing at a scale makes the surface that many times larger in each
// direction while the context keeps the 1x coordinates, so every picture is
// drawn once, in the layout's units, at any density.
class Canvas {
 public:
  Canvas(int width, int height, int scale = 1);
  cairo_t* Cr() const { return context_.get(); }
  cairo_surface_t* Surface() const { return surface_.get(); }
  // The picture so far, un-premultiplied, scale times the 1x size.
  Image ToImage() const;

 private:
  SurfacePtr surface_;
  ContextPtr context_;
};

// cairo keeps colour premultiplied; these convert whole pictures either way.
Image ImageFromSurface(cairo_surface_t* surface);
// A new ARGB32 surface holding image (premultiplied as cairo wants it).
SurfacePtr SurfaceFromImage(const Image& image);

}  // namespace artgen
