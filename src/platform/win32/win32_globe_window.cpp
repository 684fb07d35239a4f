#include "platform/win32/win32_globe_window.h"

#include <windowsx.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <utility>

#include "graphics/pixel_store.h"
#include "platform/frame_part.h"
#include "platform/menu_model.h"
#include "platform/win32/system_function.h"
#include "platform/win32/system_message.h"
#include "platform/win32/win32_monitors.h"
#include "platform/win32/wide_text.h"

namespace nivarra {
namespace {

constexpr const wchar_t* kApplicationClass = L"NivarraApplication";
// SC_MOVE combined with HTCAPTION: the move loop follows the pointer.
constexpr WPARAM kMoveWithPointer = 0xF012;
constexpr int kMouseButtonKeys[] = {VK_LBUTTON, VK_RBUTTON, VK_MBUTTON, VK_XBUTTON1, VK_XBUTTON2};
// The screensaver and a full-screen window in front send no message: they
// are looked at this often, on a timer of the desktop's own whose id the
// window's logic never reaches.
constexpr UINT kVisibilityLookMs = 2000;
constexpr DWORD kMappingGraceMs = 1000;
constexpr UINT_PTR kVisibilityTimer = ~UINT_PTR{0};
// While a drag follows the pointer here, the pointer is also looked at on
// this timer: on a busy machine the last move of a drag can reach the
// globe late or not at all, and the globe would stay behind the pointer.
constexpr UINT kOwnMoveLookMs = 15;
constexpr UINT_PTR kOwnMoveTimer = ~UINT_PTR{0} - 1;

// --- handles that close themselves ------------------------------------------

struct MenuDeleter {
  void operator()(HMENU menu) const noexcept { ::DestroyMenu(menu); }
};
using UniqueMenu = std::unique_ptr<std::remove_pointer_t<HMENU>, MenuDeleter>;

struct RegionDeleter {
  void operator()(HRGN region) const noexcept { ::DeleteObject(region); }
};
using UniqueRegion = std::unique_ptr<std::remove_pointer_t<HRGN>, RegionDeleter>;

// The device context of the whole screen, released at the end of the scope.
class ScreenDc {
 public:
  ScreenDc() : dc_(::GetDC(nullptr)) {}
  ~ScreenDc() {
    if (dc_ != nullptr) ::ReleaseDC(nullptr, dc_);
  }
  ScreenDc(const ScreenDc&) = delete;
  ScreenDc& operator=(const ScreenDc&) = delete;
  HDC get() const { return dc_; }

 private:
  HDC dc_;
};

// --- small helpers ------------------------------------------------------------

POINT CursorOf(HWND window, LPARAM lParam) {
  POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
  ::ClientToScreen(window, &point);
  return point;
}

// Where the pointer was when the message being handled was sent: the
// window may have moved since, so its client coordinates would mislead.
POINT MessageCursor() {
  const DWORD position = ::GetMessagePos();
  return {GET_X_LPARAM(position), GET_Y_LPARAM(position)};
}

bool ButtonHeld(int virtualKey) { return (::GetKeyState(virtualKey) & 0x8000) != 0; }

// The dots per inch of the monitor the window stands on, as this per-monitor
// aware program sees them. Windows 10 1607 asks the window; 8.1 its monitor;
// older systems have one DPI for the whole desktop.
UINT WindowDpi(HWND window) {
  using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
  const auto forWindow = SystemFunction<GetDpiForWindowFunction>(::GetModuleHandleW(L"user32.dll"), "GetDpiForWindow");
  if (forWindow != nullptr && window != nullptr) {
    if (const UINT dpi = forWindow(window); dpi != 0) return dpi;
  }
  // GetDpiForMonitor with MDT_EFFECTIVE_DPI (0), declared here since the
  // headers only offer it to programs that link shcore.
  using GetDpiForMonitorFunction = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
  const UniqueLibrary shcore = LoadSystemLibrary(L"shcore.dll");
  const auto forMonitor = SystemFunction<GetDpiForMonitorFunction>(shcore.get(), "GetDpiForMonitor");
  if (forMonitor != nullptr) {
    UINT x = 0;
    UINT y = 0;
    const HMONITOR monitor = ::MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST);
    if (SUCCEEDED(forMonitor(monitor, 0, &x, &y)) && x != 0) return x;
  }
  const ScreenDc screen;
  const int dpi = screen.get() != nullptr ? ::GetDeviceCaps(screen.get(), LOGPIXELSX) : 0;
  return dpi > 0 ? static_cast<UINT>(dpi) : USER_DEFAULT_SCREEN_DPI;
}

// --- the popup menu ---------------------------------------------------------

UniqueMenu BuildSystemMenu(const MenuModel& model) {
  UniqueMenu root(::CreatePopupMenu());
  if (!root) return root;
  std::vector<HMENU> submenus(model.Entries.size(), nullptr);
  for (std::size_t i = 0; i < model.Entries.size(); ++i) {
    const MenuEntry& entry = model.Entries[i];
    const HMENU parent = entry.Parent < 0 ? root.get() : submenus[static_cast<std::size_t>(entry.Parent)];
    if (parent == nullptr) continue;  // its submenu could not be made

    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID;
    std::wstring caption = WideFromUtf8(entry.Caption);
    if (entry.Kind == MenuEntryKind::Separator) {
      info.fType = MFT_SEPARATOR;
    } else {
      info.fMask |= MIIM_STRING;
      info.dwTypeData = caption.data();
      info.cch = static_cast<UINT>(caption.size());
      if (entry.RadioCheck) info.fType |= MFT_RADIOCHECK;
      if (entry.Checked) info.fState |= MFS_CHECKED;
      if (entry.Default) info.fState |= MFS_DEFAULT;
      if (!entry.Enabled) info.fState |= MFS_DISABLED;
      info.wID = entry.Command;
    }
    HMENU submenu = nullptr;
    if (entry.Kind == MenuEntryKind::Submenu) {
      submenu = ::CreatePopupMenu();
      if (submenu == nullptr) continue;
      info.fMask |= MIIM_SUBMENU;
      info.hSubMenu = submenu;
    }
    const int position = ::GetMenuItemCount(parent);
    if (!::InsertMenuItemW(parent, static_cast<UINT>(std::max(position, 0)), TRUE, &info)) {
      if (submenu != nullptr) ::DestroyMenu(submenu);
      continue;
    }
    submenus[i] = submenu;  // now part of parent, destroyed with it
  }
  return root;
}

}  // namespace

// --- construction -------------------------------------------------------------

Win32GlobeWindow::Win32GlobeWindow()
    : instance_(::GetModuleHandleW(nullptr)), comeToFront_(::RegisterWindowMessageW(kComeToFrontMessage)) {
  for (const wchar_t* name : {kApplicationClass, kGlobeClass}) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &Win32GlobeWindow::WindowProc;
    windowClass.hInstance = instance_;
    windowClass.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // the arrow
    windowClass.hIcon = ::LoadIconW(instance_, MAKEINTRESOURCEW(1));  // the program's own, group 1
    windowClass.hbrBackground = nullptr;  // every pixel comes from the frames
    windowClass.lpszClassName = name;
    if (!::RegisterClassExW(&windowClass) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
      ThrowSystemError(::GetLastError(), "RegisterClassEx");
    }
  }

  // The application window: no size, in the middle of the screen, never
  // shown; shown, it would carry the program's taskbar button.
  application_ = ::CreateWindowExW(0, kApplicationClass, kApplicationTitle,
                                   WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX,
                                   ::GetSystemMetrics(SM_CXSCREEN) / 2, ::GetSystemMetrics(SM_CYSCREEN) / 2, 0, 0,
                                   nullptr, nullptr, instance_, this);
  if (application_ == nullptr) ThrowSystemError(::GetLastError(), "CreateWindowEx");

  // The globe: a borderless popup owned by the application window until it
  // is given to the desktop. A tool window never gets a taskbar button of
  // its own. The system menu (Alt+Space; its Close closes like Exit) also
  // makes X11 desktops under Wine manage the window from the start: a
  // window they only take over when it is first activated is mapped anew
  // then, which cancels the menu that activated it.
  // It may be minimised (an X11 window manager under Wine iconifies it
  // only as a window that has the box): a second start restores it.
  globe_ = ::CreateWindowExW(WS_EX_TOOLWINDOW, kGlobeClass, kApplicationTitle,
                             WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX, 0, 0, 0, 0, application_, nullptr, instance_, this);
  if (globe_ == nullptr) {
    const DWORD error = ::GetLastError();
    ::DestroyWindow(application_);
    ThrowSystemError(error, "CreateWindowEx");
  }
  updateLayeredIndirect_ =
      SystemFunction<UpdateLayeredIndirect>(::GetModuleHandleW(L"user32.dll"), "UpdateLayeredWindowIndirect");
  // Wine's own export: Windows itself has none.
  underWine_ = SystemFunction<void (*)()>(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
  visibility_ = std::make_unique<VisibilityWatch>(globe_);
}

Win32GlobeWindow::~Win32GlobeWindow() {
  events_ = nullptr;
  visibility_.reset();  // while the window it registered lives
  for (HWND* window : {&globe_, &application_}) {
    if (*window == nullptr) continue;
    ::SetWindowLongPtrW(*window, GWLP_USERDATA, 0);
    ::DestroyWindow(*window);
    *window = nullptr;
  }
}

// --- the window procedure ---------------------------------------------------

LRESULT CALLBACK Win32GlobeWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<Win32GlobeWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  try {
    if (self != nullptr && window == self->globe_) return self->GlobeMessage(message, wParam, lParam);
    if (self != nullptr && window == self->application_) return self->ApplicationMessage(message, wParam, lParam);
  } catch (...) {
    // Nothing may unwind through the system's code.
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

LRESULT Win32GlobeWindow::GlobeMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == comeToFront_ && comeToFront_ != 0) {
    ComeToFront();
    return 0;
  }
  if (visibility_ && visibility_->Take(message, wParam, lParam)) ReportVisibility();
  switch (message) {
    case WM_LBUTTONDOWN:
      PressButton(Button::Left, CursorOf(globe_, lParam));
      return 0;
    case WM_MBUTTONDOWN:
      PressButton(Button::Middle, CursorOf(globe_, lParam));
      return 0;
    case WM_RBUTTONDOWN: {
      if (ownMoveButton_ != Button::None) return 0;
      const POINT at = CursorOf(globe_, lParam);
      rightPress_.RightDown({at.x, at.y});
      ::SetCapture(globe_);
      return 0;
    }
    case WM_MOUSEMOVE:
      if (ownMoveButton_ != Button::None) {
        FollowOwnMove(MessageCursor());
      } else if (rightPress_.Waiting()) {
        TrackRightPress(CursorOf(globe_, lParam));
      }
      return 0;
    case WM_RBUTTONUP:
      if (ownMoveButton_ == Button::Right) {
        EndOwnMove();
      } else if (rightPress_.RightUp()) {
        ::ReleaseCapture();
        const POINT at = CursorOf(globe_, lParam);
        if (events_ != nullptr) events_->ContextMenu({at.x, at.y});
      }
      return 0;
    case WM_MBUTTONUP:
      if (ownMoveButton_ == Button::Middle) EndOwnMove();
      return 0;
    case WM_LBUTTONUP:
      if (ownMoveButton_ == Button::Left) EndOwnMove();
      return 0;
    case WM_CAPTURECHANGED:
      rightPress_.Drop();
      // Taken by another window: its capture is not ours to release.
      if (reinterpret_cast<HWND>(lParam) != globe_) StopFollowingPointer();
      return 0;
    case WM_CONTEXTMENU:
      // From the keyboard: at the window's top-left corner. A right click
      // is handled at its release above.
      if (lParam == -1 && events_ != nullptr) {
        const ScreenPoint at = WindowPosition();
        events_->ContextMenu(at);
      }
      return 0;
    case WM_WINDOWPOSCHANGED: {
      const auto* position = reinterpret_cast<const WINDOWPOS*>(lParam);
      // A minimised window stands nowhere a person could see (Windows and
      // Wine put it at -32000,-32000): the globe's place is where it comes back.
      if ((position->flags & SWP_NOMOVE) == 0 && !::IsIconic(globe_)) ReportPosition({position->x, position->y});
      break;
    }
    case WM_MOVING:
      // Where the move loop's outline stands: with full-window dragging
      // off the window itself stays put until the button goes up.
      outlinePlace_ = ScreenPoint{reinterpret_cast<const RECT*>(lParam)->left, reinterpret_cast<const RECT*>(lParam)->top};
      break;
    case WM_EXITSIZEMOVE:
      outlinePlace_.reset();
      ReportPosition(WindowPosition());
      return 0;
    case WM_TIMER: {
      if (wParam == kOwnMoveTimer) {
        POINT cursor{};
        if (ownMoveButton_ != Button::None && ::GetCursorPos(&cursor)) FollowOwnMove(cursor);
        return 0;
      }
      if (wParam == kVisibilityTimer && visibility_) {
        visibility_->Look();
        ReportVisibility();
        LookAtMonitors();
        return 0;
      }
      return 0;
    }
    case WM_CLOSE:
      Close();
      return 0;
    case WM_QUERYENDSESSION: {
      // The settings are saved here: after the session ends the process
      // may be gone before any other message. The globe stays on the
      // screen, since someone may still cancel the end.
      if (closing_) return TRUE;
      return events_ == nullptr || events_->CloseQuery() ? TRUE : FALSE;
    }
    case WM_ENDSESSION:
      if (wParam != 0 && !ended_) {
        ended_ = true;
        HideWindow();
        if (closeDecided_) closeDecided_();
        ::PostQuitMessage(0);
      }
      return 0;
    case WM_DPICHANGED: {
      // The window's logic sizes and places the globe for the new scale
      // itself: its size is the artwork's, rounded, not the rectangle
      // Windows scaled, so the rectangle only tells where it should stand.
      const auto* suggested = reinterpret_cast<const RECT*>(lParam);
      std::optional<ScreenPoint> at;
      if (suggested != nullptr) at = ScreenPoint{suggested->left, suggested->top};
      if (events_ != nullptr) events_->DisplayScaleChanged(at);
      return 0;
    }
    case WM_DISPLAYCHANGE:
      knownMonitors_ = SystemMonitors();
      if (events_ != nullptr) events_->MonitorsChanged();
      break;
    case WM_DESTROY:
      ::KillTimer(globe_, kVisibilityTimer);
      visibility_.reset();
      ::PostQuitMessage(0);
      return 0;
    case WM_NCDESTROY: {
      const HWND window = globe_;
      ::RemovePropW(window, kClosingProperty);
      globe_ = nullptr;
      return ::DefWindowProcW(window, message, wParam, lParam);
    }
    default:
      break;
  }
  return ::DefWindowProcW(globe_, message, wParam, lParam);
}

LRESULT Win32GlobeWindow::ApplicationMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CLOSE:
      // A close meant for the program (from a task list) closes the globe.
      RequestClose();
      return 0;
    case WM_NCDESTROY: {
      const HWND window = application_;
      application_ = nullptr;
      return ::DefWindowProcW(window, message, wParam, lParam);
    }
    default:
      break;
  }
  return ::DefWindowProcW(application_, message, wParam, lParam);
}

// --- mouse ----------------------------------------------------------------------

void Win32GlobeWindow::PressButton(Button button, POINT at) {
  if (rightPress_.Drop()) ::ReleaseCapture();
  if (events_ == nullptr || ownMoveButton_ != Button::None) return;
  pressing_ = button;
  pressedAt_ = at;
  events_->MouseDown();
  pressing_ = Button::None;
}

void Win32GlobeWindow::TrackRightPress(POINT cursor) {
  const ClickOrDrag::Motion motion = rightPress_.Moved({cursor.x, cursor.y}, ButtonHeld(VK_RBUTTON),
                                                      ::GetSystemMetrics(SM_CXDRAG), ::GetSystemMetrics(SM_CYDRAG));
  if (motion == ClickOrDrag::Motion::Waiting) return;
  ::ReleaseCapture();
  if (motion != ClickOrDrag::Motion::Drag || events_ == nullptr) return;
  // A drag after all, from where the button went down.
  pressing_ = Button::Right;
  const ScreenPoint pressed = rightPress_.PressedAt();
  pressedAt_ = {pressed.X, pressed.Y};
  events_->MouseDown();
  pressing_ = Button::None;
}

void Win32GlobeWindow::BeginSystemMove() {
  if (globe_ == nullptr) return;
  if (pressing_ == Button::Middle || pressing_ == Button::Right || (pressing_ == Button::Left && underWine_)) {
    // The system's move loop ends only when the left button goes up, so
    // these drags follow the pointer here until their own button does.
    // Under Wine with a window manager the system's loop moves only an
    // outline until the button goes up: the left drag follows here too,
    // so the globe moves with the pointer and its snow feels the shake.
    // The drag runs from where the button went down: on a busy machine
    // the pointer may have gone on before the press is read here.
    POINT cursor{};
    ::GetCursorPos(&cursor);
    ::SetCapture(globe_);
    ownMoveButton_ = pressing_;
    ownMoveCursor_ = pressedAt_;
    ownMoveWindow_ = WindowPosition();
    ::SetTimer(globe_, kOwnMoveTimer, kOwnMoveLookMs, nullptr);
    FollowOwnMove(cursor);
    return;
  }
  ::ReleaseCapture();
  ::SendMessageW(globe_, WM_SYSCOMMAND, kMoveWithPointer, 0);
  if (globe_ != nullptr) ReportPosition(WindowPosition());
}

bool Win32GlobeWindow::PointerHeld() {
  return std::any_of(std::begin(kMouseButtonKeys), std::end(kMouseButtonKeys), ButtonHeld);
}

void Win32GlobeWindow::FollowOwnMove(POINT cursor) {
  const int key = ownMoveButton_ == Button::Right ? VK_RBUTTON : ownMoveButton_ == Button::Left ? VK_LBUTTON : VK_MBUTTON;
  if (!ButtonHeld(key)) {
    EndOwnMove();
    return;
  }
  const ScreenPoint place{ownMoveWindow_.X + (cursor.x - ownMoveCursor_.x), ownMoveWindow_.Y + (cursor.y - ownMoveCursor_.y)};
  if (place == WindowPosition()) return;
  ::SetWindowPos(globe_, nullptr, place.X, place.Y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool Win32GlobeWindow::StopFollowingPointer() {
  if (ownMoveButton_ == Button::None) return false;
  ownMoveButton_ = Button::None;
  ::KillTimer(globe_, kOwnMoveTimer);
  return true;
}

void Win32GlobeWindow::EndOwnMove() {
  if (!StopFollowingPointer()) return;
  ::ReleaseCapture();
  if (globe_ != nullptr) ReportPosition(WindowPosition());
}

void Win32GlobeWindow::ReportVisibility() {
  // Before the window's logic listens, the state waits to be told later.
  if (!visibility_ || events_ == nullptr) return;
  const bool seen = visibility_->CanBeSeen();
  if (seen == seen_) return;
  seen_ = seen;
  events_->VisibilityChanged(seen);
}

void Win32GlobeWindow::LookAtMonitors() {
  // Under Wine a monitor switched off on the X server reaches the list of
  // monitors, but no WM_DISPLAYCHANGE reaches the globe; a work area that
  // changed (a taskbar moved) sends none either.
  std::vector<MonitorArea> monitors = SystemMonitors();
  if (monitors == knownMonitors_) return;
  knownMonitors_ = std::move(monitors);
  if (events_ != nullptr) events_->MonitorsChanged();
}

void Win32GlobeWindow::ReportPosition(ScreenPoint position) {
  if (placing_ > 0) {
    knownPosition_ = position;
    return;
  }
  if (position == knownPosition_) return;
  if (mappingUntil_ && static_cast<LONG>(::GetTickCount() - *mappingUntil_) < 0) {
    // Under Wine the window manager sees a program's place, not a user's,
    // and some pull such a window wholly onto the screen as it maps,
    // though they leave a later move alone: the place the user chose is
    // asked for once more.
    mappingUntil_.reset();
    RECT rect{};
    if (::GetWindowRect(globe_, &rect)) {
      PlaceWindow(knownPosition_, rect.right - rect.left, rect.bottom - rect.top);
      return;
    }
  }
  knownPosition_ = position;
  if (events_ != nullptr) events_->Moved(position);
}

// --- the window -------------------------------------------------------------

std::optional<std::string> Win32GlobeWindow::MakeWindowLayered() {
  if (globe_ == nullptr) return SystemMessageText(ERROR_INVALID_WINDOW_HANDLE);
  const LONG style = ::GetWindowLongW(globe_, GWL_EXSTYLE);
  // A previous style of 0 is no failure: only the error code tells.
  ::SetLastError(ERROR_SUCCESS);
  if (::SetWindowLongW(globe_, GWL_EXSTYLE, style | WS_EX_LAYERED) == 0 && ::GetLastError() != ERROR_SUCCESS) {
    return SystemMessageText(::GetLastError());
  }
  return std::nullopt;
}

void Win32GlobeWindow::PlaceWindow(ScreenPoint topLeft, int width, int height) {
  if (globe_ == nullptr) return;
  ++placing_;
  ::SetWindowPos(globe_, nullptr, topLeft.X, topLeft.Y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  --placing_;
  knownPosition_ = topLeft;
}

ScreenPoint Win32GlobeWindow::WindowPosition() {
  if (outlinePlace_) return *outlinePlace_;
  RECT rect{};
  if (globe_ == nullptr || !::GetWindowRect(globe_, &rect)) return knownPosition_;
  return {rect.left, rect.top};
}

bool Win32GlobeWindow::FitFrameBuffer(int width, int height) {
  if (frameBuffer_ && width == frameBuffer_->Width() && height == frameBuffer_->Height()) return true;
  frameBuffer_.reset();
  frameBuffer_ = FrameBitmap::Make(width, height);
  return frameBuffer_ != nullptr;
}

void Win32GlobeWindow::CopyToFrameBuffer(const PixelStore& frame, const RECT& part) {
  ::GdiFlush();  // the system is done with the previous frame's pixels
  CopyFramePart(frame, PixelRect{part.left, part.top, part.right, part.bottom}, frameBuffer_->Bits(),
                frameBuffer_->Stride());
}

// Shown where the window stands: only PlaceWindow moves it, so a frame
// composed for a place the window has just left cannot take it back.
bool Win32GlobeWindow::ShowFrameBuffer(std::uint8_t constantAlpha, const RECT* dirty) {
  // The buffer stays selected into its DC, and the screen's DC, only for
  // colour matching, may be left out: nothing but the update itself goes
  // to the system.
  SIZE size{frameBuffer_->Width(), frameBuffer_->Height()};
  POINT source{0, 0};
  BLENDFUNCTION blend{AC_SRC_OVER, 0, constantAlpha, AC_SRC_ALPHA};
  ++placing_;
  BOOL shown = FALSE;
  if (dirty != nullptr && updateLayeredIndirect_ != nullptr) {
    UPDATELAYEREDWINDOWINFO update{};
    update.cbSize = sizeof update;
    update.hdcDst = nullptr;
    update.pptDst = nullptr;
    update.psize = &size;
    update.hdcSrc = frameBuffer_->Dc();
    update.pptSrc = &source;
    update.pblend = &blend;
    // The part outside the dirty rectangle is the window's last frame, so
    // the window must already have the buffer's size: with NORESIZE the
    // call fails instead of growing the window around stale pixels, and
    // the whole buffer is shown below.
    update.dwFlags = ULW_ALPHA | ULW_EX_NORESIZE;
    update.prcDirty = dirty;
    shown = updateLayeredIndirect_(globe_, &update);
  }
  // The whole buffer is the new frame too: the part that did not change
  // still holds the last one's pixels.
  if (!shown) {
    shown = ::UpdateLayeredWindow(globe_, nullptr, nullptr, &size, frameBuffer_->Dc(), &source, 0, &blend, ULW_ALPHA);
  }
  --placing_;
  return shown != FALSE;
}

bool Win32GlobeWindow::Present(const PixelStore& frame, int, int, std::uint8_t constantAlpha) {
  if (globe_ == nullptr || frame.BitCount() != 32 || frame.IsEmpty()) return false;
  if (!FitFrameBuffer(frame.Width(), frame.Height())) return false;
  CopyToFrameBuffer(frame, RECT{0, 0, frame.Width(), frame.Height()});
  return ShowFrameBuffer(constantAlpha, nullptr);
}

bool Win32GlobeWindow::PresentChanged(const PixelStore& frame, int left, int top, std::uint8_t constantAlpha,
                                   const PixelRect& dirty) {
  // A buffer of another size holds no last frame to build on.
  if (globe_ == nullptr || frame.BitCount() != 32 || !frameBuffer_ || frame.Width() != frameBuffer_->Width() ||
      frame.Height() != frameBuffer_->Height()) {
    return Present(frame, left, top, constantAlpha);
  }
  const RECT part{std::clamp(dirty.Left, 0, frame.Width()), std::clamp(dirty.Top, 0, frame.Height()),
                  std::clamp(dirty.Right, 0, frame.Width()), std::clamp(dirty.Bottom, 0, frame.Height())};
  if (part.right <= part.left || part.bottom <= part.top) return Present(frame, left, top, constantAlpha);
  CopyToFrameBuffer(frame, part);
  return ShowFrameBuffer(constantAlpha, &part);
}

bool Win32GlobeWindow::IsCoveredAt(int screenX, int screenY) {
  const HWND hit = ::WindowFromPoint(POINT{screenX, screenY});
  if (hit == nullptr || globe_ == nullptr) return true;
  return hit != globe_ && ::GetAncestor(hit, GA_ROOT) != globe_;
}

void Win32GlobeWindow::SetWindowShape(const std::vector<ShapeRect>& shape) {
  if (globe_ == nullptr) return;
  // One block for the header and the rectangles, aligned as RECTs are.
  const std::size_t headerRects = (sizeof(RGNDATAHEADER) + sizeof(RECT) - 1) / sizeof(RECT);
  std::vector<RECT> block(headerRects + shape.size());
  auto* data = reinterpret_cast<RGNDATA*>(block.data());
  RECT* rects = block.data() + headerRects;
  RECT bounds{0, 0, 0, 0};
  std::size_t count = 0;
  for (const ShapeRect& r : shape) {
    if (r.Right <= r.Left || r.Bottom <= r.Top) continue;
    const RECT rect{r.Left, r.Top, r.Right, r.Bottom};
    rects[count++] = rect;
    if (count == 1) {
      bounds = rect;
    } else {
      bounds.left = std::min(bounds.left, rect.left);
      bounds.top = std::min(bounds.top, rect.top);
      bounds.right = std::max(bounds.right, rect.right);
      bounds.bottom = std::max(bounds.bottom, rect.bottom);
    }
  }
  data->rdh.dwSize = sizeof(RGNDATAHEADER);
  data->rdh.iType = RDH_RECTANGLES;
  data->rdh.nCount = static_cast<DWORD>(count);
  data->rdh.nRgnSize = static_cast<DWORD>(count * sizeof(RECT));
  data->rdh.rcBound = bounds;
  const DWORD bytes = static_cast<DWORD>(headerRects * sizeof(RECT) + count * sizeof(RECT));
  UniqueRegion region(::ExtCreateRegion(nullptr, bytes, data));
  if (!region) {
    // The slow way: one rectangle at a time.
    region.reset(::CreateRectRgn(0, 0, 0, 0));
    if (!region) return;
    for (std::size_t i = 0; i < count; ++i) {
      const UniqueRegion piece(::CreateRectRgn(rects[i].left, rects[i].top, rects[i].right, rects[i].bottom));
      if (piece) ::CombineRgn(region.get(), region.get(), piece.get(), RGN_OR);
    }
  }
  // Once set, the region is the system's.
  if (::SetWindowRgn(globe_, region.get(), TRUE) != 0) static_cast<void>(region.release());
}

void Win32GlobeWindow::SetOwnerToDesktop() {
  if (globe_ != nullptr) {
    ::SetWindowLongPtrW(globe_, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(::GetDesktopWindow()));
  }
}

void Win32GlobeWindow::HideTaskbarButton() {
  if (application_ != nullptr) ::ShowWindow(application_, SW_HIDE);
}

void Win32GlobeWindow::SetTopmost(bool topmost) {
  if (globe_ == nullptr) return;
  ::SetWindowPos(globe_, topmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

std::uint32_t Win32GlobeWindow::TrackPopupMenu(const MenuModel& model, ScreenPoint at) {
  if (globe_ == nullptr) return 0;
  const UniqueMenu menu = BuildSystemMenu(model);
  if (!menu) return 0;
  // Without the foreground the menu would not close when the user clicks
  // elsewhere; the posted message lets it close properly afterwards.
  ::SetForegroundWindow(globe_);
  const BOOL command =
      ::TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, at.X, at.Y, 0, globe_, nullptr);
  if (globe_ != nullptr) ::PostMessageW(globe_, WM_NULL, 0, 0);
  return static_cast<std::uint32_t>(command);
}

void Win32GlobeWindow::ComeToFront() {
  if (globe_ == nullptr || closing_) return;
  // A globe the desktop minimised comes back where it stood.
  if (::IsIconic(globe_)) ::ShowWindow(globe_, SW_RESTORE);
  if ((::GetWindowLongPtrW(globe_, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0) {
    ::SetWindowPos(globe_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  } else {
    // Up through the topmost band and back: that ends above every window
    // that is not topmost. HWND_TOP is dropped as "no change" when the globe
    // already leads the windows the system knows of, and under Wine those
    // are only Windows programs' windows: a window of a desktop program
    // over the globe stayed over it.
    SetTopmost(true);
    SetTopmost(false);
  }
  ::SetForegroundWindow(globe_);
}

void Win32GlobeWindow::HideWindow() {
  if (globe_ != nullptr) ::ShowWindow(globe_, SW_HIDE);
}

void Win32GlobeWindow::Close() {
  // A second request (taskkill closes both windows) waits for the first.
  if (globe_ == nullptr || closing_) return;
  closing_ = true;
  // Off the screen before anything slow: the save, a message about it,
  // the destruction.
  HideWindow();
  ::SetPropW(globe_, kClosingProperty, reinterpret_cast<HANDLE>(1));
  const bool close = events_ == nullptr || events_->CloseQuery();
  if (globe_ == nullptr) return;
  if (!close) {
    ::RemovePropW(globe_, kClosingProperty);
    closing_ = false;
    if (shown_) ::ShowWindow(globe_, SW_SHOWNOACTIVATE);
    return;
  }
  // Saved: a new start may take over now, even while the window goes.
  if (closeDecided_) closeDecided_();
  ::DestroyWindow(globe_);
}

void Win32GlobeWindow::RequestClose() {
  if (globe_ != nullptr) ::PostMessageW(globe_, WM_CLOSE, 0, 0);
}

int Win32GlobeWindow::Run() {
  if (globe_ == nullptr) return 0;
  if (!shown_) {
    // The show sequence places the globe and gives it its shape and first
    // frame before it maps: shown first, at the layout's place, a window
    // manager could still report that place after the stored one was set,
    // and the globe would go back there. The application window stays
    // hidden: the globe never shows a taskbar button.
    shown_ = true;
    if (events_ != nullptr) events_->Shown();
    if (globe_ != nullptr && !closing_) {
      if (underWine_) mappingUntil_ = ::GetTickCount() + kMappingGraceMs;
      ::ShowWindow(globe_, SW_SHOWNOACTIVATE);
    }
    knownMonitors_ = SystemMonitors();
    if (globe_ != nullptr && visibility_) {
      visibility_->Look();
      ReportVisibility();
      ::SetTimer(globe_, kVisibilityTimer, kVisibilityLookMs, nullptr);
    }
  }
  MSG message{};
  for (;;) {
    const BOOL got = ::GetMessageW(&message, nullptr, 0, 0);
    if (got == 0) return static_cast<int>(message.wParam);
    if (got == -1) return 1;
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
}

double Win32GlobeWindow::DisplayScale() { return WindowDpi(globe_) / static_cast<double>(USER_DEFAULT_SCREEN_DPI); }

}  // namespace nivarra
