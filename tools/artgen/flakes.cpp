// Snowflakes: far flakes are dim specks, middle ones brighter, near ones
// soft round blobs with a bright core (kind 5) or a small six-armed crystal
// (kind 6).

#include <cmath>
#include <stdexcept>

#include "paint.h"
#include "pictures.h"

namespace artgen {

namespace {

// Straight pixel values for the tiny sprites: colour and a per-pixel alpha.
// They are set by hand, pixel by pixel; at a larger scale each pixel
// becomes a square block, so the speck keeps its shape.
Image Sprite(int size, int scale, std::uint32_t colour, std::initializer_list<int> alphas) {
  Image image(size * scale, size * scale);
  const Rgb c = Hex(colour);
  int i = 0;
  for (int a : alphas) {
    for (int y = 0; y < scale; ++y) {
      for (int x = 0; x < scale; ++x) {
        std::uint8_t* p = image.At(i % size * scale + x, i / size * scale + y);
        p[0] = static_cast<std::uint8_t>(std::lround(c.R * 255));
        p[1] = static_cast<std::uint8_t>(std::lround(c.G * 255));
        p[2] = static_cast<std::uint8_t>(std::lround(c.B * 255));
        p[3] = static_cast<std::uint8_t>(a);
      }
    }
    ++i;
  }
  return image;
}

}  // namespace

Image DrawFlake(int kind, int scale) {
  if (kind < 1 || kind > 6) throw std::invalid_argument("no such flake");
  const int size = kFlakeSizes[kind - 1];
  const double c = size / 2.0;  // the centre of a near flake
  switch (kind) {
    case 1: return Sprite(size, scale, 0xdfe8f6, {150});
    case 2: return Sprite(size, scale, 0xe2eaf7, {40, 110, 40, 110, 190, 110, 40, 110, 40});
    case 3: return Sprite(size, scale, 0xf2f6fd, {215});
    case 4: return Sprite(size, scale, 0xf4f8ff, {70, 160, 70, 160, 240, 160, 70, 160, 70});
    case 5: {
      Canvas canvas(size, size, scale);
      cairo_t* cr = canvas.Cr();
      SetRadial(cr, c, c, 0, c,
                {{0, Hex(0xffffff), 1.0}, {0.35, Hex(0xffffff), 0.9}, {0.7, Hex(0xf0f6ff), 0.4},
                 {1, Hex(0xf0f6ff), 0.0}});
      cairo_paint(cr);
      return canvas.ToImage();
    }
    default: {
      Canvas canvas(size, size, scale);
      cairo_t* cr = canvas.Cr();
      SoftDot(cr, c, c, c, Hex(0xf0f6ff), 0.45);
      for (int arm = 0; arm < 3; ++arm) {
        const double a = M_PI / 2 + arm * M_PI / 3;
        cairo_move_to(cr, c - 3.0 * std::cos(a), c - 3.0 * std::sin(a));
        cairo_line_to(cr, c + 3.0 * std::cos(a), c + 3.0 * std::sin(a));
      }
      SetColour(cr, Hex(0xffffff), 0.85);
      cairo_set_line_width(cr, 0.9);
      cairo_stroke(cr);
      SoftDot(cr, c, c, 1.4, Hex(0xffffff), 1.0);
      return canvas.ToImage();
    }
  }
}

}  // namespace artgen
