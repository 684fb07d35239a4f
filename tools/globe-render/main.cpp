// globe-render: runs the globe's scene headless against the embedded layout
// and artwork on a simulated clock, and prints or writes its frames.
//
//   globe-render [--frames N] [--speed slow|normal|fast|quickly|realtime]
//                [--start-tick T] [--now YYYY-MM-DDTHH:MM]
//                [--zone NAME] [--latitude DEG] [--longitude DEG]
//                [--countdown christmas|newyear|julian] [--snow on|off]
//                [--covered] [--scale S] [--shake FRAME:DX,DY[,FRAME:DX,DY...]]
//                [--language CODE] [--out DIR [--every K]] [--trace]
//
// The first frame is the one of the first show, at the start tick; then the
// frame timer fires every frame period and the snow-density timer every
// 200 ms, the density timer first when both fall on the same millisecond.
// At realtime the local time runs on with the simulated clock; the time
// zone is this system's, or NAME: a zone or alias of the system's
// time-zone database (Europe/Paris, Asia/Saigon), or a TZ rule.
// --scale draws the frames at S device pixels per artwork pixel (0.75 to
// 4), as on a screen at S × 100 %; the scene and its trace are the same.
// --language draws the plaque in one of the program's languages (de, ru,
// pt_BR, ...; en for English, the default).
// --shake moves the window by (DX, DY) artwork pixels at each FRAME, just
// before that frame is rendered, as a drag across the desktop would; the
// trace then ends each line with the extra flakes the shake threw up
// (stir=N, -1 once nothing is stirred any more).

#include <png.h>

#include <array>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <charconv>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <cstring>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "app/globe_artwork.h"
#include "app/globe_form.h"
#include "app/scene_presenter.h"
#include "layout/loader.h"
#include "layout/picture.h"
#include "layout/resources.h"
#include "platform/headless/headless_platform.h"
#include "platform/system_time_zone.h"
#include "png/png_object.h"
#include "core/date_time.h"
#include "core/embedded_catalogs.h"
#include "core/time_zone_database.h"
#include "scene/globe_scene.h"
#include "scene/random.h"

namespace {

using namespace nivarra;

constexpr int kDensityPeriodMs = 200;
constexpr double kMsPerDay = 24.0 * 60 * 60 * 1000;

struct Options {
  long long Frames = 1;
  SpeedLevel Speed = SpeedLevel::Normal;
  bool RealTime = false;
  std::optional<std::string> Zone;
  std::optional<double> Latitude;
  std::optional<double> Longitude;
  std::uint32_t StartTick = 100000;
  std::optional<double> Now;
  int Countdown = 0;  // as iCountdown stores it
  bool Snow = true;
  bool Covered = false;
  std::string OutDir;
  long long Every = 1;
  bool Trace = false;
  double Scale = 1.0;
  std::string Language;  // empty: English
  // The window's moves, by frame number.
  struct Move {
    long long Frame;
    double DX, DY;
  };
  std::vector<Move> Shake;
};

constexpr const char* kUsage =
    "usage: globe-render [--frames N] [--speed slow|normal|fast|quickly|realtime] [--start-tick T]\n"
    "                    [--now YYYY-MM-DDTHH:MM] [--zone NAME] [--latitude DEG] [--longitude DEG]\n"
    "                    [--countdown christmas|newyear|julian]\n"
    "                    [--snow on|off] [--covered] [--scale S] [--shake FRAME:DX,DY[,FRAME:DX,DY...]]\n"
    "                    [--language CODE] [--out DIR [--every K]] [--trace]\n"
    "       globe-render -h | --help\n";

constexpr const char* kHelp =
    "\n"
    "Renders the globe's scene headless on a simulated clock, from the first show on.\n"
    "  --frames N         frames to render (1)\n"
    "  --speed S          the menu's speed (normal); realtime follows the clock\n"
    "  --start-tick T     the simulated clock at the first frame, in ms (100000)\n"
    "  --now D            the local date-time at the first frame (now)\n"
    "  --zone NAME        the time zone for realtime (this system's), a TZ value\n"
    "  --latitude DEG, --longitude DEG\n"
    "                     the place for realtime, as stored values would give it\n"
    "  --countdown C      what the plaque counts to (christmas)\n"
    "  --snow on|off      snow (on)\n"
    "  --covered          another window covers the globe\n"
    "  --scale S          device pixels per artwork pixel, 0.75 to 4 (1)\n"
    "  --shake F:DX,DY    moves the window by DX,DY artwork pixels before frame F\n"
    "  --language CODE    the plaque's and the menu's language (de, ru, pt_BR, ...)\n"
    "  --out DIR          writes the frames there as PNG (every K-th with --every K)\n"
    "  --trace            prints each frame's state on a line\n"
    "  -h, --help         shows this help\n";

[[noreturn]] void Usage(const std::string& problem) {
  std::fprintf(stderr, "globe-render: %s\n%s", problem.c_str(), kUsage);
  std::exit(2);
}

template <class T>
T ParseNumber(std::string_view text, const char* option, T least) {
  T value{};
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value < least) {
    Usage(std::string("bad value for ") + option + ": " + std::string(text));
  }
  return value;
}

double ParseDateTime(std::string_view text) {
  // YYYY-MM-DDTHH:MM, or a space for the T
  if (text.size() != 16 || text[4] != '-' || text[7] != '-' || (text[10] != 'T' && text[10] != ' ') ||
      text[13] != ':') {
    Usage("bad value for --now (YYYY-MM-DDTHH:MM): " + std::string(text));
  }
  const int year = ParseNumber<int>(text.substr(0, 4), "--now", 1);
  const int month = ParseNumber<int>(text.substr(5, 2), "--now", 1);
  const int day = ParseNumber<int>(text.substr(8, 2), "--now", 1);
  const int hour = ParseNumber<int>(text.substr(11, 2), "--now", 0);
  const int minute = ParseNumber<int>(text.substr(14, 2), "--now", 0);
  if (month > 12 || day > DaysInMonth(year, month) || hour > 23 || minute > 59) {
    Usage("no such date-time for --now: " + std::string(text));
  }
  return EncodeDateTime(year, month, day, hour, minute);
}

double ParseDegrees(std::string_view text, const char* option, double limit) {
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || !(std::abs(value) <= limit)) {
    Usage(std::string("bad value for ") + option + ": " + std::string(text));
  }
  return value;
}

// Whether text is a POSIX TZ rule, which needs no database: a zone's
// abbreviation (three letters or more, or any in angle brackets) and its
// offset, "CET-1CEST,M3.5.0,M10.5.0/3" or "<+0330>-3:30".
bool IsTzRule(std::string_view text) {
  std::size_t at = 0;
  if (text.starts_with('<')) {
    at = text.find('>');
    if (at == std::string_view::npos) return false;
    ++at;
  } else {
    while (at < text.size() && std::isalpha(static_cast<unsigned char>(text[at]))) ++at;
    if (at < 3) return false;
  }
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
  return at < text.size() && std::isdigit(static_cast<unsigned char>(text[at]));
}

// A zone or alias the system's time-zone database knows (also as a path
// into a zoneinfo folder), or a TZ rule.
std::string ParseZone(std::string_view text) {
  const std::string_view name = text.starts_with(':') ? text.substr(1) : text;
  const std::filesystem::path folder = SystemZoneFolder();
  const TimeZoneDatabase database = TimeZoneDatabase::Read(folder);
  if (database.Knows(name) || database.Knows(ZoneNameFromPath(text)) || IsTzRule(text)) return std::string(text);
  std::string problem = "--zone " + std::string(text) + ": the time-zone database in " + folder.string() +
                        " has no such zone (give a name such as Europe/Paris, or a TZ rule such as "
                        "CET-1CEST,M3.5.0,M10.5.0/3)";
  for (const std::string& unread : database.Problems()) problem += "\n  " + unread;
  Usage(problem);
}

// FRAME:DX,DY[,FRAME:DX,DY...]
std::vector<Options::Move> ParseShake(std::string_view text) {
  std::vector<Options::Move> moves;
  while (!text.empty()) {
    const std::size_t colon = text.find(':');
    const std::size_t comma = colon == std::string_view::npos ? colon : text.find(',', colon);
    if (comma == std::string_view::npos) Usage("bad value for --shake (FRAME:DX,DY,...): " + std::string(text));
    const std::size_t next = text.find(',', comma + 1);
    const std::string_view dy = text.substr(comma + 1, next == std::string_view::npos ? next : next - comma - 1);
    moves.push_back({ParseNumber<long long>(text.substr(0, colon), "--shake", 1),
                     ParseDegrees(text.substr(colon + 1, comma - colon - 1), "--shake", 10000),
                     ParseDegrees(dy, "--shake", 10000)});
    text = next == std::string_view::npos ? std::string_view() : text.substr(next + 1);
  }
  return moves;
}

double RealLocalNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return EncodeDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                        local.tm_sec);
}

Options ParseOptions(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    const auto value = [&]() -> std::string_view {
      if (i + 1 >= argc) Usage(std::string(arg) + " needs a value");
      return argv[++i];
    };
    if (arg == "--frames") {
      options.Frames = ParseNumber<long long>(value(), "--frames", 1);
    } else if (arg == "--speed") {
      const std::string_view v = value();
      if (v == "slow") options.Speed = SpeedLevel::Slow;
      else if (v == "normal") options.Speed = SpeedLevel::Normal;
      else if (v == "fast") options.Speed = SpeedLevel::Fast;
      else if (v == "quickly") options.Speed = SpeedLevel::Quickly;
      else if (v == "realtime") options.RealTime = true;
      else Usage("bad value for --speed: " + std::string(v));
    } else if (arg == "--start-tick") {
      options.StartTick = ParseNumber<std::uint32_t>(value(), "--start-tick", 0);
    } else if (arg == "--now") {
      options.Now = ParseDateTime(value());
    } else if (arg == "--zone") {
      options.Zone = ParseZone(value());
    } else if (arg == "--latitude") {
      options.Latitude = ParseDegrees(value(), "--latitude", 90);
    } else if (arg == "--longitude") {
      options.Longitude = ParseDegrees(value(), "--longitude", 180);
    } else if (arg == "--countdown") {
      const std::string_view v = value();
      if (v == "christmas") options.Countdown = 0;
      else if (v == "newyear") options.Countdown = 1;
      else if (v == "julian") options.Countdown = 2;
      else Usage("bad value for --countdown: " + std::string(v));
    } else if (arg == "--snow") {
      const std::string_view v = value();
      if (v != "on" && v != "off") Usage("bad value for --snow: " + std::string(v));
      options.Snow = v == "on";
    } else if (arg == "--covered") {
      options.Covered = true;
    } else if (arg == "--out") {
      options.OutDir = std::string(value());
    } else if (arg == "--every") {
      options.Every = ParseNumber<long long>(value(), "--every", 1);
    } else if (arg == "--scale") {
      const std::string_view v = value();
      options.Scale = ParseDegrees(v, "--scale", 4);
      if (options.Scale < 0.75) Usage("bad value for --scale: " + std::string(v));
    } else if (arg == "--shake") {
      options.Shake = ParseShake(value());
    } else if (arg == "--language") {
      options.Language = std::string(value());
    } else if (arg == "--trace") {
      options.Trace = true;
    } else if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      std::fputs(kHelp, stdout);
      std::exit(0);
    } else {
      Usage("unknown option: " + std::string(arg));
    }
  }
  return options;
}

// The frame as a user would see it on a light checkerboard desktop: the
// premultiplied colour scaled by the window's alpha, over the board.
void WriteFramePng(const std::string& path, const PixelStore& frame, std::uint8_t windowAlpha) {
  const int width = frame.Width(), height = frame.Height();
  std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * height * 3);
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* p = frame.RowAddress(y);
    std::uint8_t* out = rgb.data() + static_cast<std::size_t>(y) * width * 3;
    for (int x = 0; x < width; ++x, p += 4, out += 3) {
      const unsigned board = ((x / 10 + y / 10) % 2 == 0) ? 230 : 190;
      const unsigned coverage = p[3] * windowAlpha;  // of 255 * 255
      for (int k = 0; k < 3; ++k) {
        const unsigned colour = p[2 - k] * windowAlpha;
        out[k] = static_cast<std::uint8_t>((colour * 255 + board * (255 * 255 - coverage) + 255 * 255 / 2) /
                                           (255 * 255));
      }
    }
  }
  std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "wb"), &std::fclose);
  if (!file) throw std::runtime_error("cannot write " + path + ": " + std::strerror(errno));
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    throw std::runtime_error("libpng could not write " + path);
  }
  png_init_io(png, file.get());
  png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < height; ++y) png_write_row(png, rgb.data() + static_cast<std::size_t>(y) * width * 3);
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
}

void PrintTrace(long long number, HeadlessPlatform& platform, const GlobeScene& scene, bool shaken) {
  const Sky& sky = scene.SkyState();
  const SnowDensity& d = scene.Snow().Density();
  std::printf(
      "frame=%lld tick=%u sky=%d rising=%d sun=%d,%d,%d,%d moon=%d,%d,%d,%d snow=%d,%d,%d,%d,%d seed=%u days=%d",
      number, platform.TickCount(), sky.SkyOffset(), sky.SkyRising() ? 1 : 0, sky.SunVisible() ? 1 : 0, sky.SunX(),
      sky.SunY(), sky.SunFrame(), sky.MoonVisible() ? 1 : 0, sky.MoonX(), sky.MoonY(), sky.MoonFrame(), d.Count1,
      d.Count2, d.Count3, d.Target, d.Pause, RandomSeed(), scene.Countdown().DaysLeft());
  if (shaken) std::printf(" stir=%d", scene.Stirred() ? static_cast<int>(scene.Shake().ExtraCount()) : -1);
  std::printf("\n");
}

int Run(const Options& options) {
  RegisterLayoutResources();
  TfrmMain form;
  InitFormFromLayout(form);

  const GlobeArtwork art = LoadGlobeArtwork(form, options.Scale);

  if (options.Zone) {
    setenv("TZ", options.Zone->c_str(), 1);
    tzset();
  }
  HeadlessPlatform platform;
  platform.SetTickCount(options.StartTick);
  const double start = options.Now ? *options.Now : RealLocalNow();
  platform.SetLocalNow(start);
  platform.SetCovered(options.Covered);

  // The first show, with the settings at their defaults except where the
  // options say otherwise.
  GlobeScene scene;
  ScenePresenter presenter;
  ConnectCountdown(scene, form, [choice = CountdownChoiceOf(options.Countdown)] { return choice; });
  scene.SetArt(&art.Scene);
  scene.SetBaseImage(art.Scene.EmptyGlobe);
  ShowSceneFirstTime(scene, platform, &form);
  // Real time keeps the Normal speed's clocks for the sun's and moon's frames.
  const AnimationSpeed speed = SpeedTiming(options.RealTime ? SpeedLevel::Normal : options.Speed);
  scene.Settings.AnimationInterval = speed.AnimationInterval;
  if (options.RealTime) {
    scene.Settings.SkyFollowsClock = true;
    scene.Settings.Latitude = options.Latitude;
    scene.Settings.Longitude = options.Longitude;
    platform.SetTimeZone(SystemTimeZone(start));
  }
  scene.Settings.SnowEnabled = options.Snow;
  scene.Settings.TransparencyAlpha = 255;
  const ScreenSize work = platform.WorkAreaSize();
  const int left = work.Width - 305, top = work.Height - 260;
  // How far --shake has moved the window, in artwork pixels.
  double movedX = 0, movedY = 0;

  if (!options.OutDir.empty()) std::filesystem::create_directories(options.OutDir);
  long long frameNumber = 0;
  const auto render = [&] {
    ++frameNumber;
    if (options.RealTime) {
      const double elapsed = static_cast<std::uint32_t>(platform.TickCount() - options.StartTick);
      platform.SetLocalNow(start + elapsed / kMsPerDay);
    }
    for (const Options::Move& move : options.Shake) {
      if (move.Frame != frameNumber) continue;
      movedX += move.DX;
      movedY += move.DY;
      scene.GlassMoved(platform.TickCount(), left / options.Scale + movedX, top / options.Scale + movedY);
    }
    presenter.RenderFrame(scene, platform, left + static_cast<int>(std::lround(movedX * options.Scale)),
                            top + static_cast<int>(std::lround(movedY * options.Scale)));
    if (options.Trace) PrintTrace(frameNumber, platform, scene, !options.Shake.empty());
    if (!options.OutDir.empty() && frameNumber % options.Every == 0) {
      char name[32];
      std::snprintf(name, sizeof name, "frame-%07lld.png", frameNumber);
      WriteFramePng((std::filesystem::path(options.OutDir) / name).string(), scene.Frame(),
                    scene.Settings.TransparencyAlpha);
    }
  };

  render();
  // Started first, so it runs first when both timers fall due together.
  const auto density = platform.StartTimer(kDensityPeriodMs, [&] { scene.Snow().AdjustDensity(); });
  const auto frames = platform.StartTimer(speed.FramePeriodMs, render);
  while (frameNumber < options.Frames) platform.Advance(static_cast<std::uint32_t>(speed.FramePeriodMs));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const Options options = ParseOptions(argc, argv);
  if (!options.Language.empty() && options.Language != "en") {
    nivarra::UseCatalog(nivarra::OpenEmbeddedCatalog(options.Language, {}));
    if (nivarra::CurrentLanguage() != options.Language) Usage("no such language: " + options.Language);
  }
  try {
    return Run(options);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "globe-render: %s\n", error.what());
    return 1;
  }
}
