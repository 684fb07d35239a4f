// png-decode FILE [--over RRGGBB --raw OUT]
// Reads one PNG with the program's own reader and prints one line:
//   ok W H COLOURTYPE BITDEPTH INTERLACE TRANSPARENCYKIND
// or, for a stream that fails, "error CLASS: MESSAGE" (line breaks inside
// the message become spaces) with exit status 1. With --over and --raw it
// also draws the image at (0, 0) onto a W by H 32-bit store filled with the
// colour and alpha 255, as the scene draws it, and writes the store's bytes
// to OUT, top row first, blue, green, red, fourth byte.

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "graphics/canvas.h"
#include "graphics/pixel_store.h"
#include "graphics/stream.h"
#include "png/png_errors.h"
#include "png/png_object.h"

namespace {

using namespace nivarra;

struct Options {
  std::string file;
  std::optional<TColor> over;  // 0x00RRGGBB as written on the command line
  std::string rawOut;
};

int Usage() {
  std::cerr << "usage: png-decode FILE [--over RRGGBB --raw OUT]\n";
  return 2;
}

std::optional<std::uint32_t> ParseHexColour(const std::string& text) {
  if (text.size() != 6 || text.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) {
    return std::nullopt;
  }
  return static_cast<std::uint32_t>(std::stoul(text, nullptr, 16));
}

std::string OneLine(std::string text) {
  for (char& c : text) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  // A CR LF pair became two spaces; keep one.
  std::string out;
  for (char c : text) {
    if (!(c == ' ' && !out.empty() && out.back() == ' ')) out += c;
  }
  return out;
}

bool WriteRaw(const PixelStore& store, const std::string& path) {
  std::ofstream out(path, std::ios::binary);
  for (int y = 0; y < store.Height(); ++y) {
    out.write(reinterpret_cast<const char*>(store.RowAddress(y)), static_cast<std::streamsize>(store.Width()) * 4);
  }
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--over" && i + 1 < argc) {
      const auto colour = ParseHexColour(argv[++i]);
      if (!colour) return Usage();
      options.over = *colour;
    } else if (arg == "--raw" && i + 1 < argc) {
      options.rawOut = argv[++i];
    } else if (!arg.empty() && arg[0] != '-' && options.file.empty()) {
      options.file = arg;
    } else {
      return Usage();
    }
  }
  if (options.file.empty() || options.over.has_value() != !options.rawOut.empty()) return Usage();

  std::ifstream in(options.file, std::ios::binary);
  if (!in) {
    std::cout << "error EFOpenError: Cannot open file \"" << options.file << "\"\n";
    return 1;
  }
  in.seekg(0, std::ios::end);
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(in.tellg()));
  in.seekg(0, std::ios::beg);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));

  TPNGObject png;
  try {
    TMemoryStream stream(std::move(bytes));
    png.ReadPngStream(stream);
    const TChunkIHDR& header = png.HeaderChunk();
    std::cout << "ok " << header.Width << ' ' << header.Height << ' ' << int{header.ColourType} << ' '
              << int{header.BitDepth} << ' ' << int{header.InterlaceMethod} << ' ' << png.TransparencyKind()
              << '\n';
    if (options.over) {
      PixelStore store(header.Width, header.Height, 32, RowOrder::TopDown);
      const std::uint32_t rgb = *options.over;
      store.Fill(static_cast<std::uint8_t>(rgb), static_cast<std::uint8_t>(rgb >> 8),
                 static_cast<std::uint8_t>(rgb >> 16), 255);
      TCanvas canvas(store);
      canvas.DrawGraphic(0, 0, &png);
      if (!WriteRaw(store, options.rawOut)) {
        std::cerr << "png-decode: cannot write " << options.rawOut << '\n';
        return 2;
      }
    }
  } catch (const Exception& e) {
    std::cout << "error " << e.ClassName() << ": " << OneLine(e.Message()) << '\n';
    return 1;
  } catch (const std::bad_alloc&) {
    std::cout << "error EOutOfMemory: Out of memory\n";
    return 1;
  }
  return 0;
}
