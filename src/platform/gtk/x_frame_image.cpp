#include "platform/gtk/x_frame_image.h"

#include <glib.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <bit>
#include <utility>

#include "graphics/pixel_store.h"
#include "platform/frame_part.h"

// Last: Xlib's macros (None, Status, True, ...) would clash with the headers above.
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <gdk/gdkx.h>

namespace nivarra {
namespace {

// A put whose completion has not come by then never will (the window went,
// say): the pixels are the program's again.
constexpr std::int64_t kLostCompletionUs = 500'000;

PixelRect Union(const std::optional<PixelRect>& a, const PixelRect& b) {
  if (!a) return b;
  return {std::min(a->Left, b.Left), std::min(a->Top, b.Top), std::max(a->Right, b.Right),
          std::max(a->Bottom, b.Bottom)};
}

// Whether the X image holds the frame's bytes as they are.
bool TakesFrameBytes(const XImage& image, int width) {
  return image.bits_per_pixel == 32 && image.bytes_per_line == width * 4 && image.byte_order == LSBFirst &&
         image.red_mask == 0xff0000 && image.green_mask == 0xff00 && image.blue_mask == 0xff;
}

}  // namespace

// The image's pixels and what X knows of them: a segment of shared memory
// attached on both sides, or a buffer of the program's own.
struct XFrameImage::Memory {
  Display* Xdisplay = nullptr;
  GC Gc = nullptr;
  XImage* Image = nullptr;
  XShmSegmentInfo Segment{};
  bool Attached = false;
  std::vector<std::uint8_t> Own;
  int CompletionType = -1;

  explicit Memory(Display* xdisplay) : Xdisplay(xdisplay) { Segment.shmid = -1; }
  Memory(const Memory&) = delete;
  Memory& operator=(const Memory&) = delete;
  ~Memory() {
    if (Attached) XShmDetach(Xdisplay, &Segment);
    if (Image != nullptr) {
      Image->data = nullptr;  // not Xlib's to free
      XDestroyImage(Image);
    }
    if (Segment.shmaddr != nullptr) shmdt(Segment.shmaddr);
    if (Segment.shmid >= 0) shmctl(Segment.shmid, IPC_RMID, nullptr);
    if (Gc != nullptr) XFreeGC(Xdisplay, Gc);
  }

  // Shares a segment with the server; false where it cannot be (the
  // extension missing, or a server that cannot reach this machine's memory).
  bool Share(GdkDisplay* display, Visual* visual, int depth, int width, int height) {
    if (!XShmQueryExtension(Xdisplay)) return false;
    Image = XShmCreateImage(Xdisplay, visual, static_cast<unsigned>(depth), ZPixmap, nullptr, &Segment,
                            static_cast<unsigned>(width), static_cast<unsigned>(height));
    if (Image == nullptr || !TakesFrameBytes(*Image, width)) return false;
    Segment.shmid = shmget(IPC_PRIVATE, static_cast<std::size_t>(Image->bytes_per_line) * static_cast<std::size_t>(height),
                           IPC_CREAT | 0600);
    if (Segment.shmid < 0) return false;
    void* address = shmat(Segment.shmid, nullptr, 0);
    if (address == reinterpret_cast<void*>(-1)) return false;
    Segment.shmaddr = Image->data = static_cast<char*>(address);
    Segment.readOnly = True;
    // The one round trip: whether the server could attach it.
    gdk_x11_display_error_trap_push(display);
    XShmAttach(Xdisplay, &Segment);
    XSync(Xdisplay, False);
    Attached = gdk_x11_display_error_trap_pop(display) == 0;
    // Gone for good once both sides have let go, however the program ends.
    shmctl(Segment.shmid, IPC_RMID, nullptr);
    Segment.shmid = -1;
    if (!Attached) return false;
    CompletionType = XShmGetEventBase(Xdisplay) + ShmCompletion;
    return true;
  }

  // The program's own buffer, sent with each put.
  bool Keep(Visual* visual, int depth, int width, int height) {
    Own.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4, 0);
    Image = XCreateImage(Xdisplay, visual, static_cast<unsigned>(depth), ZPixmap, 0,
                         reinterpret_cast<char*>(Own.data()), static_cast<unsigned>(width),
                         static_cast<unsigned>(height), 32, width * 4);
    if (Image == nullptr) return false;
    // Xlib turns the bytes round for a server of the other order.
    Image->byte_order = LSBFirst;
    return TakesFrameBytes(*Image, width);
  }
};

XFrameImage::XFrameImage(GdkDisplay* display, int width, int height, Ready ready)
    : display_(display), width_(width), height_(height), ready_(std::move(ready)) {}

std::unique_ptr<XFrameImage> XFrameImage::Make(GdkWindow* window, int width, int height, Ready ready) {
  // Pixels as a cairo image surface takes them too, for drawing from them.
  if constexpr (std::endian::native != std::endian::little) return nullptr;
  if (window == nullptr || !GDK_IS_X11_WINDOW(window) || width <= 0 || height <= 0) return nullptr;
  GdkDisplay* display = gdk_window_get_display(window);
  GdkVisual* visual = gdk_window_get_visual(window);
  Visual* xvisual = gdk_x11_visual_get_xvisual(visual);
  const int depth = gdk_visual_get_depth(visual);
  std::unique_ptr<XFrameImage> image(new XFrameImage(display, width, height, std::move(ready)));
  auto memory = std::make_unique<Memory>(GDK_DISPLAY_XDISPLAY(display));
  if (!memory->Share(display, xvisual, depth, width, height)) {
    memory = std::make_unique<Memory>(GDK_DISPLAY_XDISPLAY(display));
    if (!memory->Keep(xvisual, depth, width, height)) return nullptr;
  }
  XGCValues values{};
  values.graphics_exposures = False;
  memory->Gc = XCreateGC(memory->Xdisplay, GDK_WINDOW_XID(window), GCGraphicsExposures, &values);
  if (memory->Gc == nullptr) return nullptr;
  image->memory_ = std::move(memory);
  if (image->Shared()) gdk_window_add_filter(nullptr, &OnEvent, image.get());
  return image;
}

XFrameImage::~XFrameImage() {
  if (Shared()) gdk_window_remove_filter(nullptr, &OnEvent, this);
}

std::uint8_t* XFrameImage::Pixels() { return reinterpret_cast<std::uint8_t*>(memory_->Image->data); }

bool XFrameImage::Shared() const { return memory_ && memory_->Attached; }

std::span<std::uint8_t> XFrameImage::Bytes() {
  return {Pixels(), static_cast<std::size_t>(Stride()) * static_cast<std::size_t>(height_)};
}

void XFrameImage::Claim() {
  if (!Busy()) return;
  CollectCompletion();
  if (!putPending_) return;
  // The server reads a put when it comes to it: once it has answered a
  // later request, it has read it. The window may have gone meanwhile.
  gdk_x11_display_error_trap_push(display_);
  XSync(memory_->Xdisplay, False);
  gdk_x11_display_error_trap_pop_ignored(display_);
  Completed();
}

bool XFrameImage::Busy() {
  if (putPending_ && g_get_monotonic_time() - putAt_ > kLostCompletionUs) Completed();
  return putPending_;
}

void XFrameImage::Write(const PixelStore& frame, const PixelRect& part) {
  if (!Busy()) {
    CopyFramePart(frame, part, Pixels(), static_cast<std::size_t>(Stride()));
    return;
  }
  waiting_.resize(static_cast<std::size_t>(Stride()) * static_cast<std::size_t>(height_));
  CopyFramePart(frame, part, waiting_.data(), static_cast<std::size_t>(Stride()));
  waitingPart_ = Union(waitingPart_, part);
}

void XFrameImage::Put(unsigned long window, const PixelRect& part) {
  if (Busy()) {
    owedPut_ = Union(owedPut_, part);
    return;
  }
  const int width = part.Right - part.Left, height = part.Bottom - part.Top;
  if (!Shared()) {
    XPutImage(memory_->Xdisplay, window, memory_->Gc, memory_->Image, part.Left, part.Top, part.Left, part.Top,
              static_cast<unsigned>(width), static_cast<unsigned>(height));
    return;
  }
  XShmPutImage(memory_->Xdisplay, window, memory_->Gc, memory_->Image, part.Left, part.Top, part.Left, part.Top,
               static_cast<unsigned>(width), static_cast<unsigned>(height), True);
  putPending_ = true;
  putAt_ = g_get_monotonic_time();
}

bool XFrameImage::IsOwnCompletion(const void* xevent) const {
  const auto* event = static_cast<const XEvent*>(xevent);
  return event->type == memory_->CompletionType &&
         reinterpret_cast<const XShmCompletionEvent*>(event)->shmseg == memory_->Segment.shmseg;
}

GdkFilterReturn XFrameImage::OnEvent(GdkXEvent* xevent, GdkEvent*, gpointer self) {
  auto& image = *static_cast<XFrameImage*>(self);
  if (!image.IsOwnCompletion(xevent)) return GDK_FILTER_CONTINUE;
  if (image.putPending_) image.Completed();
  return GDK_FILTER_REMOVE;
}

void XFrameImage::CollectCompletion() {
  if (!putPending_) return;
  const auto own = [](Display*, XEvent* event, XPointer self) -> Bool {
    return reinterpret_cast<const XFrameImage*>(self)->IsOwnCompletion(event) ? True : False;
  };
  XEvent event;
  // Reads what the server has sent so far, without waiting for more.
  if (XCheckIfEvent(memory_->Xdisplay, &event, own, reinterpret_cast<XPointer>(this))) Completed();
}

void XFrameImage::Completed() {
  putPending_ = false;
  std::optional<PixelRect> show = std::exchange(owedPut_, std::nullopt);
  if (const std::optional<PixelRect> part = std::exchange(waitingPart_, std::nullopt)) {
    const auto left = static_cast<std::size_t>(part->Left) * 4;
    const auto bytes = static_cast<std::size_t>(part->Right - part->Left) * 4;
    const auto stride = static_cast<std::size_t>(Stride());
    for (int y = part->Top; y < part->Bottom; ++y) {
      const std::size_t offset = static_cast<std::size_t>(y) * stride + left;
      std::copy_n(waiting_.data() + offset, bytes, Pixels() + offset);
    }
    show = Union(show, *part);
  }
  if (show && ready_) ready_(*show);
}

}  // namespace nivarra
