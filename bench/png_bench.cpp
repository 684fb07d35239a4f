// Decoding speed of our reader against libpng and spng on RGBA pictures, and
// our blended draw against the plain per-pixel blend through a work buffer.
// Every picture is made here and written with libpng (filter Sub on every
// row, one IDAT), so the numbers need no files.

#include <benchmark/benchmark.h>
#include <png.h>
#include <spng.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "graphics/exception.h"
#include "graphics/pixel_store.h"
#include "graphics/stream.h"
#include "png/draw.h"
#include "png/png_object.h"
#include "reference_blend.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

struct RgbaPicture {
  std::uint32_t Width = 0;
  std::uint32_t Height = 0;
  Bytes Pixels;  // red, green, blue, alpha; rows top first
  std::uint8_t* At(std::uint32_t x, std::uint32_t y) { return Pixels.data() + (std::size_t{y} * Width + x) * 4; }
};

[[noreturn]] void Fail(const std::string& message) {
  std::fprintf(stderr, "png_bench: %s\n", message.c_str());
  std::exit(1);
}

std::uint8_t ToByte(double v) { return static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255.0)); }

// Coverage of a pixel by the half-plane distance < 0, anti-aliased over one pixel.
double Inside(double distance) { return std::clamp(0.5 - distance, 0.0, 1.0); }

// Gradients and soft discs, alpha included: what compresses like artwork.
RgbaPicture SmoothPicture(std::uint32_t w, std::uint32_t h) {
  RgbaPicture p{w, h, Bytes(std::size_t{w} * h * 4)};
  for (std::uint32_t y = 0; y < h; ++y) {
    for (std::uint32_t x = 0; x < w; ++x) {
      const double u = static_cast<double>(x) / w, v = static_cast<double>(y) / h;
      const double disc = std::exp(-((u - 0.3) * (u - 0.3) + (v - 0.4) * (v - 0.4)) * 12.0);
      const double ring = std::exp(-std::pow(std::hypot(u - 0.65, v - 0.6) - 0.25, 2) * 400.0);
      std::uint8_t* px = p.At(x, y);
      px[0] = ToByte(0.2 + 0.6 * u + 0.2 * disc);
      px[1] = ToByte(0.3 + 0.5 * v * (1 - u) + 0.3 * ring);
      px[2] = ToByte(0.8 - 0.4 * v + 0.2 * disc);
      px[3] = ToByte(0.25 + disc + ring);
    }
  }
  return p;
}

RgbaPicture NoisyPicture(std::uint32_t w, std::uint32_t h, std::uint32_t seed) {
  RgbaPicture p{w, h, Bytes(std::size_t{w} * h * 4)};
  std::uint64_t state = seed;
  for (std::uint8_t& b : p.Pixels) {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    b = static_cast<std::uint8_t>(state >> 56);
  }
  return p;
}

// A globe's front layer: clear glass, a silver rim with soft edges, a faint
// highlight and an opaque stand.
RgbaPicture GlobeLayer() {
  RgbaPicture p{300, 260, Bytes(300 * 260 * 4)};
  const double cx = 150, cy = 118, inner = 100, outer = 116;
  for (std::uint32_t y = 0; y < p.Height; ++y) {
    for (std::uint32_t x = 0; x < p.Width; ++x) {
      const double fx = x + 0.5, fy = y + 0.5;
      const double d = std::hypot(fx - cx, fy - cy);
      const double rim = Inside(inner - d) * Inside(d - outer);
      const double angle = std::atan2(fy - cy, fx - cx);
      const double highlight = d < inner ? 0.35 * std::exp(-std::pow(d - 80, 2) / 60.0) *
                                               std::max(0.0, -std::sin(angle + 0.6))
                                         : 0.0;
      // The stand: a trapezoid under the globe, wider at its foot.
      const double t = (fy - 205.0) / 50.0;
      const double halfWidth = 70 + 30 * t;
      const double stand = fy >= 205 && fy <= 255 ? Inside(std::abs(fx - cx) - halfWidth) *
                                                        Inside(205 - fy) * Inside(fy - 255)
                                                  : 0.0;
      const double a = std::max({rim, highlight, stand});
      std::uint8_t* px = p.At(x, y);
      if (stand >= rim && stand >= highlight) {
        px[0] = ToByte(0.45 - 0.1 * t), px[1] = ToByte(0.28 - 0.05 * t), px[2] = ToByte(0.15);
      } else if (rim >= highlight) {
        const double shade = 0.75 + 0.2 * std::sin(angle * 3);
        px[0] = ToByte(shade), px[1] = ToByte(shade), px[2] = ToByte(shade + 0.05);
      } else {
        px[0] = px[1] = px[2] = 255;
      }
      px[3] = ToByte(a);
    }
  }
  return p;
}

// A 7×7 snowflake: six soft arms around an opaque centre.
RgbaPicture Snowflake() {
  RgbaPicture p{7, 7, Bytes(7 * 7 * 4)};
  for (std::uint32_t y = 0; y < 7; ++y) {
    for (std::uint32_t x = 0; x < 7; ++x) {
      const double dx = x - 3.0, dy = y - 3.0;
      const double r = std::hypot(dx, dy);
      const double arms = std::pow(std::abs(std::cos(3 * std::atan2(dy, dx))), 6);
      const double a = r < 0.5 ? 1.0 : std::clamp((1.0 - r / 3.6) * (0.35 + 0.65 * arms), 0.0, 1.0);
      std::uint8_t* px = p.At(x, y);
      px[0] = 245, px[1] = 248, px[2] = 255;
      px[3] = ToByte(a);
    }
  }
  return p;
}

// --- libpng, written and read through memory -----------------------------

// libpng reports errors by longjmp; the frames below keep no objects with
// destructors alive across it.
void OnPngError(png_structp png, png_const_charp message) {
  std::fprintf(stderr, "libpng: %s\n", message);
  png_longjmp(png, 1);
}

void OnWrite(png_structp png, png_bytep data, png_size_t length) {
  auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}

bool WriteRgba(const RgbaPicture* picture, png_bytep* rows, Bytes* out) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, OnPngError, nullptr);
  if (png == nullptr) return false;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr) {
    png_destroy_write_struct(&png, nullptr);
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_set_write_fn(png, out, OnWrite, nullptr);
  // One IDAT: the whole deflate stream fits in the buffer.
  const std::size_t raw = std::size_t{picture->Height} * (std::size_t{picture->Width} * 4 + 1);
  png_set_compression_buffer_size(png, raw + raw / 64 + 4096);
  png_set_IHDR(png, info, picture->Width, picture->Height, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
  png_write_info(png, info);
  png_write_image(png, rows);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

Bytes Encode(RgbaPicture& picture) {
  std::vector<png_bytep> rows(picture.Height);
  for (std::uint32_t y = 0; y < picture.Height; ++y) rows[y] = picture.At(0, y);
  Bytes file;
  if (!WriteRgba(&picture, rows.data(), &file)) Fail("libpng could not write a picture");
  int idats = 0;
  for (std::size_t at = 8; at + 12 <= file.size();) {
    const std::size_t length = std::size_t{file[at]} << 24 | std::size_t{file[at + 1]} << 16 |
                               std::size_t{file[at + 2]} << 8 | file[at + 3];
    idats += std::memcmp(file.data() + at + 4, "IDAT", 4) == 0;
    at += 12 + length;
  }
  if (idats != 1) Fail("a picture was written with " + std::to_string(idats) + " IDAT chunks");
  return file;
}

struct MemorySource {
  const std::uint8_t* Data;
  std::size_t Size;
  std::size_t Position;
};

void OnRead(png_structp png, png_bytep out, png_size_t length) {
  auto* source = static_cast<MemorySource*>(png_get_io_ptr(png));
  if (length > source->Size - source->Position) png_error(png, "read beyond the end");
  std::memcpy(out, source->Data + source->Position, length);
  source->Position += length;
}

// A full read, CRCs checked as libpng does by default, into rows.
bool ReadWithLibpng(const Bytes* file, png_bytep* rows) {
  MemorySource source{file->data(), file->size(), 0};
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnPngError, nullptr);
  if (png == nullptr) return false;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  png_set_read_fn(png, &source, OnRead);
  png_read_info(png, info);
  png_read_image(png, rows);
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  return true;
}

bool ReadWithSpng(const Bytes& file, Bytes& out) {
  spng_ctx* ctx = spng_ctx_new(0);
  if (ctx == nullptr) return false;
  const bool ok = spng_set_png_buffer(ctx, file.data(), file.size()) == 0 &&
                  spng_decode_image(ctx, out.data(), out.size(), SPNG_FMT_RGBA8, 0) == 0;
  spng_ctx_free(ctx);
  return ok;
}

nivarra::TPNGObject& ReadOurs(nivarra::TPNGObject& png, const Bytes& file) {
  nivarra::TMemoryStream stream(file);
  try {
    png.ReadPngStream(stream);
  } catch (const nivarra::Exception& e) {
    Fail(std::string("our reader raised ") + e.ClassName() + ": " + e.Message());
  }
  return png;
}

// Our stored rows hold blue, green, red and a separate alpha plane.
void CheckOursDecodes(const std::string& name, const Bytes& file, const RgbaPicture& picture) {
  nivarra::TPNGObject png;
  ReadOurs(png, file);
  for (std::uint32_t y = 0; y < picture.Height; ++y) {
    const std::uint8_t* colour = png.PixelRow(static_cast<int>(y));
    const std::uint8_t* alpha = png.AlphaRow(static_cast<int>(y));
    for (std::uint32_t x = 0; x < picture.Width; ++x) {
      const std::uint8_t* want = picture.Pixels.data() + (std::size_t{y} * picture.Width + x) * 4;
      if (colour[3 * x] != want[2] || colour[3 * x + 1] != want[1] || colour[3 * x + 2] != want[0] ||
          alpha[x] != want[3]) {
        Fail(name + ": our reader decodes pixel (" + std::to_string(x) + "," + std::to_string(y) + ") wrongly");
      }
    }
  }
}

// --- decode benchmarks ---------------------------------------------------

struct DecodeInput {
  std::string Name;
  std::uint32_t Width, Height;
  Bytes File;
};

void SetRate(benchmark::State& state, const DecodeInput& in) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * in.Width * in.Height * 4);
  state.counters["file_KiB"] = static_cast<double>(in.File.size()) / 1024.0;
}

void DecodeOurs(benchmark::State& state, const DecodeInput* in) {
  nivarra::TMemoryStream stream(in->File);
  nivarra::TPNGObject png;
  for (auto _ : state) {
    stream.Seek(0, nivarra::SeekOrigin::Beginning);
    png.ReadPngStream(stream);
    benchmark::DoNotOptimize(png.PixelRow(0));
  }
  SetRate(state, *in);
}

void DecodeLibpng(benchmark::State& state, const DecodeInput* in) {
  Bytes out(std::size_t{in->Width} * in->Height * 4);
  std::vector<png_bytep> rows(in->Height);
  for (std::uint32_t y = 0; y < in->Height; ++y) rows[y] = out.data() + std::size_t{y} * in->Width * 4;
  for (auto _ : state) {
    if (!ReadWithLibpng(&in->File, rows.data())) state.SkipWithError("libpng failed");
    benchmark::DoNotOptimize(out.data());
  }
  SetRate(state, *in);
}

void DecodeSpng(benchmark::State& state, const DecodeInput* in) {
  Bytes out(std::size_t{in->Width} * in->Height * 4);
  for (auto _ : state) {
    if (!ReadWithSpng(in->File, out)) state.SkipWithError("spng failed");
    benchmark::DoNotOptimize(out.data());
  }
  SetRate(state, *in);
}

// --- blend benchmarks ----------------------------------------------------

struct BlendInput {
  std::string Name;
  nivarra::TPNGObject Png;
  int Left, Top;
};

nivarra::PixelStore Backdrop() {
  nivarra::PixelStore dest(300, 260, 32, nivarra::RowOrder::TopDown);
  // A night sky: the colour changes down the store, the fourth byte is kept.
  for (int y = 0; y < dest.Height(); ++y) {
    std::uint8_t* row = dest.RowAddress(y);
    for (int x = 0; x < dest.Width(); ++x) {
      row[4 * x] = static_cast<std::uint8_t>(90 + y / 4);
      row[4 * x + 1] = static_cast<std::uint8_t>(40 + y / 5);
      row[4 * x + 2] = static_cast<std::uint8_t>(20 + x / 10);
      row[4 * x + 3] = 0xA5;
    }
  }
  return dest;
}

void CheckBlendsAgree(const BlendInput& in) {
  const std::pair<int, int> places[] = {{in.Left, in.Top}, {-3, -2}, {296, 255}, {-150, 100}};
  for (const auto& [left, top] : places) {
    nivarra::PixelStore ours = Backdrop();
    nivarra::PixelStore reference = Backdrop();
    nivarra::DrawBlended(in.Png, ours, left, top);
    nivarra::bench::ReferenceBlend(in.Png, reference, left, top);
    if (!std::equal(ours.Bytes().begin(), ours.Bytes().end(), reference.Bytes().begin())) {
      Fail(in.Name + ": DrawBlended and the reference blend differ at (" + std::to_string(left) + "," +
           std::to_string(top) + ")");
    }
  }
}

void BlendOurs(benchmark::State& state, const BlendInput* in) {
  nivarra::PixelStore dest = Backdrop();
  for (auto _ : state) {
    nivarra::DrawBlended(in->Png, dest, in->Left, in->Top);
    benchmark::DoNotOptimize(dest.Bytes().data());
  }
}

void BlendReference(benchmark::State& state, const BlendInput* in) {
  nivarra::PixelStore dest = Backdrop();
  for (auto _ : state) {
    nivarra::bench::ReferenceBlend(in->Png, dest, in->Left, in->Top);
    benchmark::DoNotOptimize(dest.Bytes().data());
  }
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;

  // Built once and kept for the whole run: the benchmarks hold pointers.
  static std::vector<DecodeInput> decodes;
  const std::pair<std::uint32_t, std::uint32_t> sizes[] = {{300, 260}, {201, 849}, {161, 161}, {2000, 2000}};
  for (const auto& [w, h] : sizes) {
    for (const bool noisy : {false, true}) {
      RgbaPicture picture = noisy ? NoisyPicture(w, h, w * 31 + h) : SmoothPicture(w, h);
      const std::string name = std::to_string(w) + "x" + std::to_string(h) + (noisy ? "_noisy" : "_smooth");
      Bytes file = Encode(picture);
      CheckOursDecodes(name, file, picture);
      decodes.push_back({name, w, h, std::move(file)});
    }
  }
  for (const DecodeInput& in : decodes) {
    benchmark::RegisterBenchmark(("BM_Decode_ours/" + in.Name).c_str(), DecodeOurs, &in);
    benchmark::RegisterBenchmark(("BM_Decode_libpng/" + in.Name).c_str(), DecodeLibpng, &in);
    benchmark::RegisterBenchmark(("BM_Decode_spng/" + in.Name).c_str(), DecodeSpng, &in);
  }

  static BlendInput layer{"layer300x260", {}, 0, 0};
  static BlendInput flake{"flake7x7", {}, 146, 121};
  RgbaPicture globe = GlobeLayer();
  RgbaPicture snowflake = Snowflake();
  ReadOurs(layer.Png, Encode(globe));
  ReadOurs(flake.Png, Encode(snowflake));
  for (BlendInput* in : {&layer, &flake}) {
    CheckBlendsAgree(*in);
    benchmark::RegisterBenchmark(("BM_Blend_ours/" + in->Name).c_str(), BlendOurs, in);
    benchmark::RegisterBenchmark(("BM_Blend_reference/" + in->Name).c_str(), BlendReference, in);
  }

  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
