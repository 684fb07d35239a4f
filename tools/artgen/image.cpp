#include "image.h"

#include <stdexcept>

namespace artgen {

namespace {

void Unpremultiply(const std::uint8_t* bgra, std::uint8_t* rgba) {
  // ARGB32 is a native-endian 32-bit word: bytes B, G, R, A on little-endian.
  const unsigned a = bgra[3];
  rgba[3] = static_cast<std::uint8_t>(a);
  if (a == 0) {
    rgba[0] = rgba[1] = rgba[2] = 0;
    return;
  }
  for (int c = 0; c < 3; ++c) {
    const unsigned p = bgra[2 - c];
    const unsigned v = (p * 255 + a / 2) / a;
    rgba[c] = static_cast<std::uint8_t>(v > 255 ? 255 : v);
  }
}

}  // namespace

Image::Image(int width, int height)
    : Width(width), Height(height), Rgba(static_cast<std::size_t>(width) * height * 4, 0) {}

Canvas::Canvas(int width, int height, int scale)
    : surface_(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width * scale, height * scale)),
      context_(cairo_create(surface_.get())) {
  if (scale < 1 || cairo_surface_status(surface_.get()) != CAIRO_STATUS_SUCCESS ||
      cairo_status(context_.get()) != CAIRO_STATUS_SUCCESS) {
    throw std::runtime_error("cairo could not make a " + std::to_string(width) + "x" +
                             std::to_string(height) + " surface at scale " + std::to_string(scale));
  }
  cairo_set_antialias(context_.get(), CAIRO_ANTIALIAS_GOOD);
  cairo_scale(context_.get(), scale, scale);
}

Image Canvas::ToImage() const { return ImageFromSurface(surface_.get()); }

Image ImageFromSurface(cairo_surface_t* surface) {
  cairo_surface_flush(surface);
  const int w = cairo_image_surface_get_width(surface);
  const int h = cairo_image_surface_get_height(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  const std::uint8_t* data = cairo_image_surface_get_data(surface);
  Image image(w, h);
  for (int y = 0; y < h; ++y) {
    const std::uint8_t* row = data + static_cast<std::ptrdiff_t>(y) * stride;
    for (int x = 0; x < w; ++x) Unpremultiply(row + 4 * x, image.At(x, y));
  }
  return image;
}

SurfacePtr SurfaceFromImage(const Image& image) {
  SurfacePtr surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, image.Width, image.Height));
  cairo_surface_flush(surface.get());
  const int stride = cairo_image_surface_get_stride(surface.get());
  std::uint8_t* data = cairo_image_surface_get_data(surface.get());
  for (int y = 0; y < image.Height; ++y) {
    std::uint8_t* row = data + static_cast<std::ptrdiff_t>(y) * stride;
    for (int x = 0; x < image.Width; ++x) {
      const std::uint8_t* s = image.At(x, y);
      const unsigned a = s[3];
      for (int c = 0; c < 3; ++c) row[4 * x + 2 - c] = static_cast<std::uint8_t>((s[c] * a + 127) / 255);
      row[4 * x + 3] = static_cast<std::uint8_t>(a);
    }
  }
  cairo_surface_mark_dirty(surface.get());
  return surface;
}

}  // namespace artgen
