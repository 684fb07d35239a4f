#pragma once
// The frame the globe window shows, as an X image the window is drawn from
// straight away: in memory shared with the X server (MIT-SHM), so that a
// put sends the server only where to copy from, or, where the server cannot
// share memory (a remote display, a server without the extension), in the
// program's own memory, sent along with each put. Its pixels are the
// frame's bytes as they are: premultiplied B, G, R, A, which a 32-bit
// little-endian visual with red in 0xff0000 reads as its own.
//
// The server reads shared memory when it comes to the put, some time after
// the call: until it says it has (a completion event), what is written
// waits in memory of the program's own and is copied in once it has, and
// the parts put meanwhile are put together then. Nothing blocks.

#include <gdk/gdk.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "graphics/pixel_store.h"
#include "platform/screen_geometry.h"

namespace nivarra {

// An image can also be memory the scene composes frames in (PixelMemory):
// the frame is then put from where it was composed, without a copy.
class XFrameImage final : public PixelMemory {
 public:
  // Called when parts put while the server was still reading have been
  // written into the image: they are to be shown now.
  using Ready = std::function<void(const PixelRect& part)>;

  // An image of width × height pixels for the X11 window, shared with the
  // server when it can be; null when the window's visual does not take the
  // frame's bytes as they are (not 32 bits a pixel, another channel order).
  static std::unique_ptr<XFrameImage> Make(GdkWindow* window, int width, int height, Ready ready);
  ~XFrameImage() override;
  XFrameImage(const XFrameImage&) = delete;
  XFrameImage& operator=(const XFrameImage&) = delete;

  int Width() const { return width_; }
  int Height() const { return height_; }
  // Bytes of a row; rows follow one another, the top one first.
  int Stride() const { return width_ * 4; }
  // The pixels the window is drawn from (Write's, once the server has read
  // the last put).
  std::uint8_t* Pixels();
  // Whether the server reads the pixels from shared memory.
  bool Shared() const;
  // As memory frames are composed in: Claim returns once the server has
  // read the last put (at once, nearly always: frames are 20 ms apart and
  // the server reads a put within a millisecond or two).
  std::span<std::uint8_t> Bytes() override;
  void Claim() override;

  // Copies part (frame pixels, inside the image) of a 32-bit frame of the
  // image's size in, or keeps it until the server has read the last put.
  void Write(const PixelStore& frame, const PixelRect& part);
  // Puts part of the image onto the window at the same place; while the
  // server still reads the last put, Ready asks for it again once it has.
  // The caller flushes.
  void Put(unsigned long window, const PixelRect& part);
  // After a flush: takes the server's word that it has read the last put
  // when that word has already come (the server is often that quick), which
  // spares the main loop a turn of its own for the event.
  void CollectCompletion();

 private:
  struct Memory;
  XFrameImage(GdkDisplay* display, int width, int height, Ready ready);
  static GdkFilterReturn OnEvent(GdkXEvent* xevent, GdkEvent*, gpointer self);
  // Whether event is the server's word on a put from this image.
  bool IsOwnCompletion(const void* xevent) const;
  // Whether the server may still be reading the pixels.
  bool Busy();
  // The server has read them: what waited is written in, and Ready told
  // what to show.
  void Completed();

  GdkDisplay* display_;
  int width_;
  int height_;
  Ready ready_;
  std::unique_ptr<Memory> memory_;

  // Between a put from shared memory and the server's word that it has
  // read it.
  bool putPending_ = false;
  std::int64_t putAt_ = 0;  // g_get_monotonic_time's µs
  // What was written meanwhile (a whole image, so that parts of several
  // frames lie where they belong), where, and what was to be put.
  std::vector<std::uint8_t> waiting_;
  std::optional<PixelRect> waitingPart_;
  std::optional<PixelRect> owedPut_;
};

}  // namespace nivarra
