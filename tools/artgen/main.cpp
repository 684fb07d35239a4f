// artgen OUTDIR [--scale S] [--sheet FILE] [--still FILE] [--ticks N]
//        [--days N] [--zoom N] [--crop X,Y,W,H] [--no-snow] [--cycle FILE]
//        [--icons DIR] [--words PODIR]
//
// Draws every picture of the globe scene and writes them to OUTDIR as
// <name>.png (the mask as imgMask.bmp). --scale draws everything S times
// larger in each direction (default 1), for dense screens: the same
// drawing, not an enlargement. --sheet writes a labelled contact sheet of
// all pictures; --still a composed frame of the globe, zoomed twice, after
// N slow ticks of the sky cycle (default: a dusk) with the plaque counting
// N days (default 24); --zoom, --crop (in 1x pixels) and --no-snow help a
// close look at one part; --cycle writes frames from around one sky cycle
// side by side; --icons writes the program's icon to DIR as
// nivarra-<size>.png for each size of the icon theme and as nivarra.ico;
// --words adds to OUTDIR the plaque's word in each catalog of PODIR, every
// plural form its own picture (imgDays_<language>_<form>.png).
// The output is the same, byte for byte, on every run.

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <optional>
#include <string>

#include "bmp_writer.h"
#include "catalogue.h"
#include "globe_shape.h"
#include "icons.h"
#include "pictures.h"
#include "plaque_words.h"
#include "png_writer.h"
#include "review.h"

namespace {

using namespace artgen;

struct Options {
  std::optional<std::string> OutDir;
  std::optional<std::string> Sheet;
  std::optional<std::string> Still;
  std::optional<std::string> Cycle;
  std::optional<std::string> IconDir;
  std::optional<std::string> WordsFrom;
  int Scale = 1;
  StillOptions StillSettings;
};

int Usage() {
  std::cerr << "usage: artgen [OUTDIR] [--scale S] [--sheet FILE] [--still FILE] [--ticks N]\n"
               "              [--days N] [--zoom N] [--crop X,Y,W,H] [--no-snow] [--cycle FILE]\n"
               "              [--icons DIR] [--words PODIR]\n";
  return 2;
}

std::optional<Options> Parse(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&]() -> std::optional<std::string> {
      if (i + 1 >= argc) return std::nullopt;
      return std::string(argv[++i]);
    };
    std::optional<std::string> v;
    if (arg == "--sheet") {
      if (!(v = value())) return std::nullopt;
      o.Sheet = *v;
    } else if (arg == "--cycle") {
      if (!(v = value())) return std::nullopt;
      o.Cycle = *v;
    } else if (arg == "--words") {
      if (!(v = value())) return std::nullopt;
      o.WordsFrom = *v;
    } else if (arg == "--icons") {
      if (!(v = value())) return std::nullopt;
      o.IconDir = *v;
    } else if (arg == "--still") {
      if (!(v = value())) return std::nullopt;
      o.Still = *v;
    } else if (arg == "--ticks") {
      if (!(v = value())) return std::nullopt;
      o.StillSettings.SlowTicks = std::stoi(*v);
    } else if (arg == "--scale") {
      if (!(v = value())) return std::nullopt;
      o.Scale = std::stoi(*v);
      if (o.Scale < 1) return std::nullopt;
    } else if (arg == "--zoom") {
      if (!(v = value())) return std::nullopt;
      o.StillSettings.Zoom = std::stoi(*v);
      if (o.StillSettings.Zoom < 1) return std::nullopt;
    } else if (arg == "--no-snow") {
      o.StillSettings.Snow = false;
    } else if (arg == "--crop") {
      // --crop X,Y,W,H in frame pixels
      if (!(v = value())) return std::nullopt;
      if (std::sscanf(v->c_str(), "%d,%d,%d,%d", &o.StillSettings.CropX, &o.StillSettings.CropY,
                      &o.StillSettings.CropWidth, &o.StillSettings.CropHeight) != 4) {
        return std::nullopt;
      }
    } else if (arg == "--days") {
      if (!(v = value())) return std::nullopt;
      o.StillSettings.DaysLeft = std::stoi(*v);
    } else if (!arg.empty() && arg[0] != '-' && !o.OutDir) {
      o.OutDir = arg;
    } else {
      return std::nullopt;
    }
  }
  if (!o.OutDir && !o.Sheet && !o.Still && !o.Cycle && !o.IconDir) return std::nullopt;
  return o;
}

PngText TextFor(const std::string& name) {
  return PngText{name, "Nivarra scene artwork, drawn by artgen"};
}

void WriteIcons(const Catalogue& catalogue, const std::string& dir) {
  const std::vector<Image> theme = RenderIcons(catalogue, kThemeIconSizes);
  for (const Image& icon : theme) {
    const std::string size = std::to_string(icon.Width);
    WriteFile(dir + "/nivarra-" + size + ".png", EncodePng(icon, PngText{"Nivarra", "Nivarra's icon, " + size + " px"}));
  }
  WriteFile(dir + "/nivarra.ico", EncodeIco(RenderIcons(catalogue, kWindowsIconSizes)));
}

}  // namespace

int main(int argc, char** argv) {
  const std::optional<Options> options = Parse(argc, argv);
  if (!options) return Usage();
  try {
    const Catalogue catalogue = DrawCatalogue(options->Scale);
    if (options->OutDir) {
      for (const NamedPicture& p : catalogue.Pictures) {
        const std::string base = *options->OutDir + "/" + p.Name;
        if (p.IsMask) {
          WriteFile(base + ".bmp", EncodeMaskBmp(p.Picture.Width, p.Picture.Height, catalogue.MaskCoverage));
        } else {
          WriteFile(base + ".png", EncodePng(p.Picture, TextFor(p.Name)));
        }
      }
    }
    if (options->OutDir && options->WordsFrom) {
      for (const PlaqueWord& w : ReadPlaqueWords(*options->WordsFrom)) {
        WriteFile(*options->OutDir + "/" + w.Name + ".png", EncodePng(DrawWord(w.Word, options->Scale), TextFor(w.Name)));
      }
    }
    if (options->Sheet) WriteFile(*options->Sheet, EncodePng(RenderSheet(catalogue), TextFor("art sheet")));
    if (options->Cycle) WriteFile(*options->Cycle, EncodePng(RenderCycle(catalogue), TextFor("sky cycle")));
    if (options->IconDir) WriteIcons(catalogue, *options->IconDir);
    if (options->Still) {
      WriteFile(*options->Still, EncodePng(RenderStill(catalogue, options->StillSettings), TextFor("art still")));
    }
  } catch (const std::exception& e) {
    std::cerr << "artgen: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
