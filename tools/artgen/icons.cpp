#include "icons.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "globe_shape.h"
#include "review.h"

namespace artgen {

namespace {

// Premultiplied RGBA in floats, so that resampling never mixes the colour of
// transparent pixels into the edge.
struct Plane {
  int Width = 0;
  int Height = 0;
  std::vector<double> Px;  // Width * Height * 4
  double* At(int x, int y) { return Px.data() + (static_cast<std::size_t>(y) * Width + x) * 4; }
  const double* At(int x, int y) const { return Px.data() + (static_cast<std::size_t>(y) * Width + x) * 4; }
};

// The square around the globe's silhouette, with a little air on each side,
// from a premultiplied frame; outside the frame is transparent.
Plane CutSquare(const Image& frame, const std::vector<std::uint8_t>& coverage) {
  int left = frame.Width, top = frame.Height, right = -1, bottom = -1;
  for (int y = 0; y < frame.Height; ++y) {
    for (int x = 0; x < frame.Width; ++x) {
      if (coverage[static_cast<std::size_t>(y) * frame.Width + x] == 0) continue;
      left = std::min(left, x);
      right = std::max(right, x);
      top = std::min(top, y);
      bottom = std::max(bottom, y);
    }
  }
  if (right < 0) throw std::runtime_error("the globe's silhouette is empty");
  const int side = std::max(right - left + 1, bottom - top + 1) + 4;
  const int x0 = (left + right + 1 - side) / 2;
  const int y0 = (top + bottom + 1 - side) / 2;
  Plane p{side, side, std::vector<double>(static_cast<std::size_t>(side) * side * 4, 0.0)};
  for (int y = 0; y < side; ++y) {
    for (int x = 0; x < side; ++x) {
      const int fx = x0 + x, fy = y0 + y;
      if (fx < 0 || fy < 0 || fx >= frame.Width || fy >= frame.Height) continue;
      const std::uint8_t* s = frame.At(fx, fy);
      std::copy(s, s + 4, p.At(x, y));
    }
  }
  return p;
}

// One axis of a resampling: for each output pixel, the source pixels it
// takes and their weights. Shrinking averages the source area each output
// pixel covers; growing interpolates linearly between pixel centres.
struct Tap {
  int Source;
  double Weight;
};
std::vector<std::vector<Tap>> AxisTaps(int from, int to) {
  std::vector<std::vector<Tap>> taps(to);
  const double ratio = static_cast<double>(from) / to;
  for (int i = 0; i < to; ++i) {
    if (ratio >= 1) {
      const double start = i * ratio, end = (i + 1) * ratio;
      for (int s = static_cast<int>(start); s < end && s < from; ++s) {
        const double w = std::min<double>(end, s + 1) - std::max<double>(start, s);
        if (w > 1e-9) taps[i].push_back({s, w / ratio});
      }
    } else {
      const double centre = std::clamp((i + 0.5) * ratio - 0.5, 0.0, from - 1.0);
      const int s = static_cast<int>(centre);
      const double f = centre - s;
      taps[i].push_back({s, 1 - f});
      if (s + 1 < from) taps[i].push_back({s + 1, f});
    }
  }
  return taps;
}

Plane Resample(const Plane& in, int size) {
  const auto columns = AxisTaps(in.Width, size);
  const auto rows = AxisTaps(in.Height, size);
  Plane wide{size, in.Height, std::vector<double>(static_cast<std::size_t>(size) * in.Height * 4, 0.0)};
  for (int y = 0; y < in.Height; ++y) {
    for (int x = 0; x < size; ++x) {
      for (const Tap& t : columns[x]) {
        for (int c = 0; c < 4; ++c) wide.At(x, y)[c] += t.Weight * in.At(t.Source, y)[c];
      }
    }
  }
  Plane out{size, size, std::vector<double>(static_cast<std::size_t>(size) * size * 4, 0.0)};
  for (int y = 0; y < size; ++y) {
    for (const Tap& t : rows[y]) {
      for (int x = 0; x < size; ++x) {
        for (int c = 0; c < 4; ++c) out.At(x, y)[c] += t.Weight * wide.At(x, t.Source)[c];
      }
    }
  }
  return out;
}

Image Unpremultiplied(const Plane& p) {
  Image image(p.Width, p.Height);
  for (int y = 0; y < p.Height; ++y) {
    for (int x = 0; x < p.Width; ++x) {
      const double* s = p.At(x, y);
      std::uint8_t* d = image.At(x, y);
      const double a = std::clamp(s[3], 0.0, 255.0);
      d[3] = static_cast<std::uint8_t>(std::lround(a));
      if (d[3] == 0) continue;
      for (int c = 0; c < 3; ++c) d[c] = static_cast<std::uint8_t>(std::lround(std::clamp(s[c] * 255 / a, 0.0, 255.0)));
    }
  }
  return image;
}

void Put16(Bytes& b, unsigned v) {
  b.push_back(static_cast<std::uint8_t>(v));
  b.push_back(static_cast<std::uint8_t>(v >> 8));
}

void Put32(Bytes& b, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// An icon image as a bitmap: the info header with the height doubled (colour
// rows, then mask rows), bottom row first; a mask bit set is transparent.
Bytes EncodeIconBitmap(const Image& image) {
  const int n = image.Width;
  const std::uint32_t maskRow = ((static_cast<std::uint32_t>(n) + 31) / 32) * 4;
  Bytes b;
  Put32(b, 40);
  Put32(b, static_cast<std::uint32_t>(n));
  Put32(b, static_cast<std::uint32_t>(2 * n));
  Put16(b, 1);
  Put16(b, 32);
  Put32(b, 0);  // BI_RGB
  Put32(b, static_cast<std::uint32_t>(n) * n * 4 + maskRow * n);
  for (int i = 0; i < 4; ++i) Put32(b, 0);
  for (int y = n - 1; y >= 0; --y) {
    for (int x = 0; x < n; ++x) {
      const std::uint8_t* s = image.At(x, y);
      b.insert(b.end(), {s[2], s[1], s[0], s[3]});
    }
  }
  for (int y = n - 1; y >= 0; --y) {
    Bytes row(maskRow, 0);
    for (int x = 0; x < n; ++x) {
      if (image.Alpha(x, y) < 128) row[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
    }
    b.insert(b.end(), row.begin(), row.end());
  }
  return b;
}

}  // namespace

std::vector<Image> RenderIcons(const Catalogue& catalogue, std::span<const int> sizes) {
  const Image frame = ComposeFrame(catalogue, SkyAfter(kDuskTicks), -1, true);
  const Plane square = CutSquare(frame, catalogue.MaskCoverage);
  std::vector<Image> icons;
  for (int size : sizes) icons.push_back(Unpremultiplied(Resample(square, size)));
  return icons;
}

Bytes EncodeIco(const std::vector<Image>& pictures) {
  std::vector<Bytes> entries;
  for (const Image& p : pictures) {
    if (p.Width != p.Height || p.Width < 1 || p.Width > 256) throw std::runtime_error("icon pictures are squares up to 256");
    entries.push_back(p.Width >= 256 ? EncodePng(p, PngText{"Nivarra", "Nivarra's icon"}) : EncodeIconBitmap(p));
  }
  Bytes b;
  Put16(b, 0);
  Put16(b, 1);  // an icon, not a cursor
  Put16(b, static_cast<unsigned>(pictures.size()));
  std::uint32_t offset = 6 + 16 * static_cast<std::uint32_t>(pictures.size());
  for (std::size_t i = 0; i < pictures.size(); ++i) {
    const int n = pictures[i].Width;
    b.push_back(static_cast<std::uint8_t>(n >= 256 ? 0 : n));  // 0 stands for 256
    b.push_back(static_cast<std::uint8_t>(n >= 256 ? 0 : n));
    b.push_back(0);  // no palette
    b.push_back(0);
    Put16(b, 1);  // planes
    Put16(b, 32);  // bits per pixel
    Put32(b, static_cast<std::uint32_t>(entries[i].size()));
    Put32(b, offset);
    offset += static_cast<std::uint32_t>(entries[i].size());
  }
  for (const Bytes& e : entries) b.insert(b.end(), e.begin(), e.end());
  return b;
}

}  // namespace artgen
