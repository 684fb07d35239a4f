// Feeds arbitrary bytes to the PNG reader and draws whatever it accepts.
// Every refusal must arrive as one of our exceptions; anything else (another
// exception type, a crash, a sanitizer report, a leak) is a finding.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "graphics/canvas.h"
#include "graphics/exception.h"
#include "graphics/pixel_store.h"
#include "graphics/stream.h"
#include "png/image_storage.h"
#include "png/png_object.h"

namespace {

// A header may ask for 65535 x 65535 pixels; refusing such images early keeps
// the fuzzer fast without hiding the refusal path.
constexpr std::size_t kFuzzStorageLimit = std::size_t{16} << 20;

// Drawing is clipped to a small store, but a draw may still allocate a work
// buffer of the image's full size; skip drawing truly large images.
constexpr std::int64_t kMaxDrawnPixels = std::int64_t{1} << 22;

// The chunk list after a read: no unset items, and the header first unless
// the list is empty. A break here is a finding like a crash.
void CheckChunkList(const nivarra::TPNGObject& png, bool readSucceeded) {
  for (int i = 0; i < png.ChunkList.Count(); ++i) {
    if (png.ChunkList.Item(i) == nullptr) {
      std::fprintf(stderr, "chunk %d of %d is unset\n", i, png.ChunkList.Count());
      std::abort();
    }
  }
  if ((readSucceeded || png.ChunkList.Count() > 0) && !png.HasHeader()) {
    std::fprintf(stderr, "chunk list does not start with IHDR\n");
    std::abort();
  }
}

void DrawEverywhere(const nivarra::TPNGObject& png, nivarra::PixelStore& store) {
  if (static_cast<std::int64_t>(png.Width()) * png.Height() > kMaxDrawnPixels) return;
  nivarra::TCanvas canvas(store);
  // Inside, across the far edges, and from above-left of the origin.
  const int positions[][2] = {{0, 0}, {3, 5}, {-7, -3}, {50, 60}, {-png.Width() + 1, 10}};
  for (const auto& at : positions) {
    try {
      canvas.DrawGraphic(at[0], at[1], &png);
    } catch (const nivarra::Exception&) {
      // Drawing may refuse too, e.g. a colour index beyond the palette.
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  nivarra::ImageStorageLimit() = kFuzzStorageLimit;

  nivarra::TMemoryStream stream(std::vector<std::uint8_t>(data, data + size));
  nivarra::TPNGObject png;
  try {
    png.ReadPngStream(stream);
  } catch (const nivarra::Exception&) {
    // A refused stream may leave a partial chunk list; it must still be
    // consistent and safe to destroy.
    CheckChunkList(png, false);
    return 0;
  }
  CheckChunkList(png, true);

  nivarra::PixelStore store(64, 64, 32, nivarra::RowOrder::TopDown);
  store.Fill(0x20, 0x40, 0x60, 0x80);
  DrawEverywhere(png, store);

  nivarra::TPNGObject copy;
  try {
    copy.CopyPng(png);
  } catch (const nivarra::Exception&) {
    return 0;
  }
  DrawEverywhere(copy, store);
  return 0;
}
