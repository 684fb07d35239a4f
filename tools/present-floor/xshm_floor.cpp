// What presenting the globe's snowfall costs at the least on X11: a window
// of the globe's size with a 32-bit ARGB visual whose live area (the part
// of the glass the snow falls in) changes every frame, put from shared
// memory with one XShmPutImage a frame and the server's completion awaited
// before the memory is written again, and nothing else. scripts/measure-cpu.sh
// measures it beside the globe.
//
//   xshm-floor [--scale S] [--at X,Y] [--fps N] [--outline round]
//
// With "--outline round" the window is shaped to the ellipse that fills it,
// and transparent outside it, as the glass's outline shapes the globe: a
// shaped window costs the X server and the compositor more per update.
//
// Runs until it is ended (SIGTERM, SIGINT) or the X server goes.

#include <poll.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <time.h>

#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <X11/extensions/shape.h>

#include "floor_globe.h"

namespace {

using namespace floor_globe;

volatile std::sig_atomic_t ending = 0;

std::int64_t NowNs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return std::int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
}

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "xshm-floor: %s\n", what);
  std::exit(1);
}

}  // namespace

int main(int argc, char** argv) {
  int scale = 1, x = 0, y = 0, fps = 50;
  bool round = false;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    if (option == "--scale") {
      scale = std::atoi(argv[i + 1]);
    } else if (option == "--at") {
      std::sscanf(argv[i + 1], "%d,%d", &x, &y);
    } else if (option == "--fps") {
      fps = std::atoi(argv[i + 1]);
    } else if (option == "--outline") {
      round = std::string(argv[i + 1]) == "round";
    } else {
      Fail("usage: xshm-floor [--scale S] [--at X,Y] [--fps N] [--outline round]");
    }
  }
  if (scale < 1 || scale > 4 || fps < 1 || fps > 1000) Fail("a scale of 1 to 4 and 1 to 1000 frames a second");
  std::signal(SIGTERM, [](int) { ending = 1; });
  std::signal(SIGINT, [](int) { ending = 1; });

  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) Fail("no X display");
  int major = 0, minor = 0;
  Bool pixmaps = False;
  if (!XShmQueryVersion(display, &major, &minor, &pixmaps)) Fail("the X server has no MIT-SHM");
  XVisualInfo visual{};
  if (!XMatchVisualInfo(display, DefaultScreen(display), 32, TrueColor, &visual)) Fail("no 32-bit visual");
  const int width = kWidth * scale, height = kHeight * scale;
  const ::Window root = DefaultRootWindow(display);
  XSetWindowAttributes attributes{};
  attributes.colormap = XCreateColormap(display, root, visual.visual, AllocNone);
  attributes.border_pixel = 0;
  attributes.background_pixel = 0;
  const ::Window window = XCreateWindow(display, root, x, y, static_cast<unsigned>(width), static_cast<unsigned>(height),
                                        0, 32, InputOutput, visual.visual,
                                        CWColormap | CWBorderPixel | CWBackPixel, &attributes);
  XStoreName(display, window, "xshm-floor");
  char name[] = "xshm-floor";
  XClassHint classHint{name, name};
  XSetClassHint(display, window, &classHint);
  // Borderless, at its place, as the globe stands.
  const long noDecorations[5] = {2, 0, 0, 0, 0};
  const Atom motif = XInternAtom(display, "_MOTIF_WM_HINTS", False);
  XChangeProperty(display, window, motif, motif, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(noDecorations), 5);
  XSizeHints hints{};
  hints.flags = USPosition;
  hints.x = x;
  hints.y = y;
  XSetWMNormalHints(display, window, &hints);
  if (round) {
    std::vector<XRectangle> rows;
    for (int row = 0; row < height; ++row) {
      int left = 0;
      while (left < width && !InsideRoundOutline(left, row, width, height)) ++left;
      int right = left;
      while (right < width && InsideRoundOutline(right, row, width, height)) ++right;
      if (right > left) {
        rows.push_back(XRectangle{static_cast<short>(left), static_cast<short>(row),
                                  static_cast<unsigned short>(right - left), 1});
      }
    }
    for (const int kind : {ShapeBounding, ShapeInput}) {
      XShapeCombineRectangles(display, window, kind, 0, 0, rows.data(), static_cast<int>(rows.size()), ShapeSet,
                              YXBanded);
    }
  }
  XMapWindow(display, window);

  XShmSegmentInfo segment{};
  XImage* image = XShmCreateImage(display, visual.visual, 32, ZPixmap, nullptr, &segment, static_cast<unsigned>(width),
                                  static_cast<unsigned>(height));
  if (image == nullptr) Fail("no shared image");
  segment.shmid = shmget(IPC_PRIVATE, static_cast<std::size_t>(image->bytes_per_line) * static_cast<std::size_t>(height),
                         IPC_CREAT | 0600);
  if (segment.shmid < 0) Fail("no shared memory");
  segment.shmaddr = image->data = static_cast<char*>(shmat(segment.shmid, nullptr, 0));
  segment.readOnly = True;
  XShmAttach(display, &segment);
  XSync(display, False);
  shmctl(segment.shmid, IPC_RMID, nullptr);
  const int completion = XShmGetEventBase(display) + ShmCompletion;
  XGCValues values{};
  values.graphics_exposures = False;
  const GC gc = XCreateGC(display, window, GCGraphicsExposures, &values);

  // Opaque dark blue all over (within the outline), a frame's worth of the
  // live area changing every frame.
  auto* pixels = reinterpret_cast<std::uint32_t*>(image->data);
  const int stride = image->bytes_per_line / 4;
  for (int row = 0; row < height; ++row) {
    for (int column = 0; column < stride; ++column) {
      pixels[row * stride + column] = !round || InsideRoundOutline(column, row, width, height) ? 0xff202040 : 0;
    }
  }
  const int liveLeft = kLiveLeft * scale, liveTop = kLiveTop * scale;
  const int liveWidth = kLiveWidth * scale, liveHeight = kLiveHeight * scale;

  const std::int64_t period = 1'000'000'000 / fps;
  std::int64_t due = NowNs();
  bool pending = false;
  std::uint32_t frame = 0;
  pollfd connection{ConnectionNumber(display), POLLIN, 0};
  while (!ending) {
    while (XPending(display) > 0) {
      XEvent event;
      XNextEvent(display, &event);
      if (event.type == completion) pending = false;
    }
    const std::int64_t now = NowNs();
    if (now < due) {
      poll(&connection, 1, static_cast<int>((due - now + 999'999) / 1'000'000));
      continue;
    }
    due += period;
    if (due < now) due = now + period;  // a late frame is not made up
    if (pending) continue;  // the server still reads the last one
    ++frame;
    for (int row = liveTop; row < liveTop + liveHeight; ++row) {
      std::uint32_t* line = pixels + static_cast<std::ptrdiff_t>(row) * stride + liveLeft;
      const std::uint32_t colour = 0xff000000u | ((frame + static_cast<std::uint32_t>(row)) & 0xff) * 0x010101u;
      for (int column = 0; column < liveWidth; ++column) line[column] = colour;
    }
    XShmPutImage(display, window, gc, image, liveLeft, liveTop, liveLeft, liveTop, static_cast<unsigned>(liveWidth),
                 static_cast<unsigned>(liveHeight), True);
    XFlush(display);
    pending = true;
  }
  XShmDetach(display, &segment);
  XCloseDisplay(display);
  shmdt(segment.shmaddr);
  return 0;
}
