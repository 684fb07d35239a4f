// What presenting the globe's snowfall costs at the least on Windows: a
// layered window of the globe's size and kind (a popup with a system menu,
// which a window manager under Wine manages, as it manages the globe)
// whose live area (the part of the glass the snow falls in) changes every
// frame, shown with one
// UpdateLayeredWindowIndirect a frame with that part as the dirty
// rectangle, from the program's own frame bitmap (a DIB section kept
// selected into one memory DC), on a 20 ms timer, and nothing else. scripts/measure-cpu.sh measures it beside
// the globe under Wine.
//
//   ulw-floor [--scale S] [--at X,Y] [--outline round]
//
// Wine rebuilds a layered window's shape from its alpha channel at every
// update, which costs a curved outline more than a rectangle: with
// "--outline round" the pixels outside the ellipse that fills the window
// are transparent, as the glass's outline leaves the globe's corners.
//
// Runs until its window is closed or the process is ended.

#include <cstdint>
#include <cstdlib>
#include <cwchar>
#include <memory>

#include "floor_globe.h"
#include "platform/win32/frame_bitmap.h"

#include <shellapi.h>

namespace {

using namespace floor_globe;
constexpr UINT_PTR kFrameTimer = 1;
constexpr UINT kFrameMs = 20;

struct Floor {
  HWND Window = nullptr;
  std::unique_ptr<nivarra::FrameBitmap> Bitmap;
  int Scale = 1;
  std::uint32_t Frame = 0;

  void Show(const RECT* dirty) {
    SIZE size{kWidth * Scale, kHeight * Scale};
    POINT source{0, 0};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    UPDATELAYEREDWINDOWINFO update{};
    update.cbSize = sizeof update;
    update.psize = &size;
    update.hdcSrc = Bitmap->Dc();
    update.pptSrc = &source;
    update.pblend = &blend;
    update.dwFlags = ULW_ALPHA;
    update.prcDirty = dirty;
    ::UpdateLayeredWindowIndirect(Window, &update);
  }

  void NextFrame() {
    ++Frame;
    const int width = kWidth * Scale;
    const RECT live{kLiveLeft * Scale, kLiveTop * Scale, (kLiveLeft + kLiveWidth) * Scale,
                    (kLiveTop + kLiveHeight) * Scale};
    ::GdiFlush();
    for (LONG row = live.top; row < live.bottom; ++row) {
      auto* line = reinterpret_cast<std::uint32_t*>(Bitmap->Bits()) + static_cast<std::ptrdiff_t>(row) * width;
      const std::uint32_t colour = 0xff000000u | ((Frame + static_cast<std::uint32_t>(row)) & 0xff) * 0x010101u;
      for (LONG column = live.left; column < live.right; ++column) line[column] = colour;
    }
    Show(&live);
  }
};

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* floor = reinterpret_cast<Floor*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  switch (message) {
    case WM_TIMER:
      if (floor != nullptr && wParam == kFrameTimer) floor->NextFrame();
      return 0;
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return 0;
    default:
      return ::DefWindowProcW(window, message, wParam, lParam);
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  Floor floor;
  int x = 0, y = 0;
  bool round = false;
  int argc = 0;
  wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
  for (int i = 1; argv != nullptr && i + 1 < argc; i += 2) {
    if (std::wcscmp(argv[i], L"--scale") == 0) floor.Scale = std::wcstol(argv[i + 1], nullptr, 10);
    if (std::wcscmp(argv[i], L"--at") == 0) std::swscanf(argv[i + 1], L"%d,%d", &x, &y);
    if (std::wcscmp(argv[i], L"--outline") == 0) round = std::wcscmp(argv[i + 1], L"round") == 0;
  }
  ::LocalFree(argv);
  if (floor.Scale < 1 || floor.Scale > 4) return 2;
  const int width = kWidth * floor.Scale, height = kHeight * floor.Scale;

  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = L"UlwFloor";
  windowClass.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  ::RegisterClassW(&windowClass);
  floor.Window = ::CreateWindowExW(WS_EX_LAYERED | WS_EX_TOOLWINDOW, L"UlwFloor", L"ulw-floor",
                                   WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX, x, y, width, height, nullptr, nullptr,
                                   instance, nullptr);
  if (floor.Window == nullptr) return 1;
  ::SetWindowLongPtrW(floor.Window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&floor));

  floor.Bitmap = nivarra::FrameBitmap::Make(width, height);
  if (!floor.Bitmap) return 1;
  auto* pixels = reinterpret_cast<std::uint32_t*>(floor.Bitmap->Bits());
  for (int row = 0; row < height; ++row) {
    for (int column = 0; column < width; ++column) {
      pixels[row * width + column] = !round || InsideRoundOutline(column, row, width, height) ? 0xff202040 : 0;
    }
  }

  floor.Show(nullptr);
  ::ShowWindow(floor.Window, SW_SHOWNOACTIVATE);
  ::SetTimer(floor.Window, kFrameTimer, kFrameMs, nullptr);
  MSG message{};
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  return 0;
}
