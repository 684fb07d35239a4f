#include "layout/bmp_reader.h"

#include <algorithm>
#include <array>

#include "graphics/stream.h"
#include "layout/layout_errors.h"

namespace nivarra {

namespace {

constexpr std::uint32_t kCoreHeaderSize = 12;
constexpr std::uint32_t kInfoHeaderSize = 40;
// Width, height, planes and bit count: the least a longer header must hold.
constexpr std::uint32_t kSmallestInfoHeader = 16;
constexpr std::uint32_t kCompressionMasks = 3;

[[noreturn]] void Invalid() { throw EInvalidGraphic(layout_text::kBitmapNotValid); }

std::uint16_t U16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t U32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// The stream seen through the file's declared size: nothing past the end of
// the file is taken, and a stream that ends early is a read error.
class BmpSource {
 public:
  BmpSource(TStream& stream, std::uint32_t fileSize) : stream_(stream), left_(fileSize) {}

  void Read(void* destination, std::size_t count) {
    Claim(count);
    ReadFromStream(destination, count);
  }
  void Skip(std::uint64_t count) {
    Claim(count);
    SkipInStream(count);
  }
  // The unchecked halves, for bytes already claimed.
  void ReadFromStream(void* destination, std::size_t count) {
    if (stream_.Read(destination, static_cast<std::int64_t>(count)) != static_cast<std::int64_t>(count)) ReadError();
  }
  void SkipInStream(std::uint64_t count) {
    if (static_cast<std::uint64_t>(stream_.Remaining()) < count) ReadError();
    stream_.Seek(static_cast<std::int64_t>(count), SeekOrigin::Current);
  }
  // Headers and table count against the declared size; only the pixel
  // data is held to what the size leaves.
  void Claim(std::uint64_t count) { left_ = count > left_ ? 0 : left_ - count; }
  std::uint64_t Left() const { return left_; }

 private:
  [[noreturn]] static void ReadError() { throw EReadError(layout_text::kStreamReadError); }

  TStream& stream_;
  std::uint64_t left_;
};

struct BmpHeader {
  std::int64_t Width = 0;
  std::int64_t Height = 0;
  std::uint32_t Planes = 0;
  int BitCount = 0;
  std::uint32_t Compression = 0;
  std::uint32_t SizeImage = 0;
  std::uint32_t ColoursUsed = 0;
  int EntryBytes = 4;  // colour table entries: 3 bytes after a core header
  std::optional<ColourMasks> Masks;
};

ColourMasks MasksFrom(const std::uint8_t* p) { return ColourMasks{U32(p), U32(p + 4), U32(p + 8)}; }

BmpHeader ReadHeader(BmpSource& in) {
  std::uint8_t sizeBytes[4];
  in.Read(sizeBytes, sizeof sizeBytes);
  const std::uint32_t headerSize = U32(sizeBytes);
  BmpHeader h;
  if (headerSize == kCoreHeaderSize) {
    std::uint8_t core[8];
    in.Read(core, sizeof core);
    h.Width = U16(core);
    h.Height = U16(core + 2);
    h.Planes = U16(core + 4);
    h.BitCount = U16(core + 6);
    h.EntryBytes = 3;
    return h;
  }
  if (headerSize < kSmallestInfoHeader) Invalid();
  // Shorter forms leave the later fields 0; longer ones add fields after
  // the first 40 bytes, of which only the colour masks matter here.
  std::array<std::uint8_t, kInfoHeaderSize - 4> rest{};
  in.Read(rest.data(), std::min(headerSize, kInfoHeaderSize) - 4);
  const std::uint8_t* p = rest.data();
  h.Width = static_cast<std::int32_t>(U32(p));
  h.Height = static_cast<std::int32_t>(U32(p + 4));
  h.Planes = U16(p + 8);
  h.BitCount = U16(p + 10);
  h.Compression = U32(p + 12);
  h.SizeImage = U32(p + 16);
  h.ColoursUsed = U32(p + 28);
  if (headerSize > kInfoHeaderSize) {
    std::uint64_t extra = headerSize - kInfoHeaderSize;
    if (h.Compression == kCompressionMasks && extra >= 12) {
      std::uint8_t masks[12];
      in.Read(masks, sizeof masks);
      h.Masks = MasksFrom(masks);
      extra -= 12;
    }
    in.Skip(extra);
  } else if (headerSize == kInfoHeaderSize && h.Compression == kCompressionMasks &&
             (h.BitCount == 16 || h.BitCount == 32)) {
    std::uint8_t masks[12];
    in.Read(masks, sizeof masks);
    h.Masks = MasksFrom(masks);
  }
  return h;
}

void Validate(const BmpHeader& h) {
  if (h.Planes != 1) Invalid();
  switch (h.Compression) {
    case 0:
      if (h.BitCount != 1 && h.BitCount != 4 && h.BitCount != 8 && h.BitCount != 16 && h.BitCount != 24 &&
          h.BitCount != 32) {
        Invalid();
      }
      break;
    case kCompressionMasks:
      if ((h.BitCount != 16 && h.BitCount != 32) || !h.Masks) Invalid();
      break;
    default:
      // Run-length and embedded JPEG or PNG data: Windows hands these to its
      // own decoder; this program has none and its layout stores none.
      Invalid();
  }
  if (h.Width <= 0 || h.Height == 0) Invalid();
}

}  // namespace

PixelStore ReadBmpFile(TStream& stream, std::uint32_t fileSize) {
  BmpSource in(stream, fileSize);

  // A stream that ends inside the file header is a read error whatever the
  // declared size says; a declared size too small for it is a broken file.
  std::uint8_t fileHeader[14];
  in.ReadFromStream(fileHeader, sizeof fileHeader);
  in.Claim(sizeof fileHeader);
  if (U16(fileHeader) != 0x4D42) Invalid();

  const BmpHeader h = ReadHeader(in);
  Validate(h);

  const std::int64_t rows = h.Height < 0 ? -h.Height : h.Height;
  const auto storeBytes = StoredImageBytes(h.Width, rows, h.BitCount);
  if (!storeBytes || *storeBytes > kMaxBitmapStoreBytes) Invalid();

  std::array<RGBQuad, 256> colours{};
  const std::uint64_t entries =
      h.ColoursUsed != 0 ? h.ColoursUsed : (h.BitCount <= 8 ? std::uint64_t{1} << h.BitCount : 0);
  const std::uint64_t kept = std::min<std::uint64_t>(entries, colours.size());
  // An absurd count runs out of stream below and fails as a read error.
  in.Claim(entries * static_cast<std::uint64_t>(h.EntryBytes));
  for (std::uint64_t i = 0; i < kept; ++i) {
    std::uint8_t e[4] = {};
    in.ReadFromStream(e, static_cast<std::size_t>(h.EntryBytes));
    colours[i] = RGBQuad{e[0], e[1], e[2], 0};
  }
  in.SkipInStream((entries - kept) * static_cast<std::uint64_t>(h.EntryBytes));

  // The pixel rows follow the colour table directly; the file header's
  // offset is not consulted.
  std::uint64_t dataSize = h.SizeImage != 0 ? h.SizeImage : *storeBytes;
  dataSize = std::min(dataSize, in.Left());
  // A header may promise any size; a file that cannot hold the pixels it
  // promises would otherwise make a few bytes allocate hundreds of megabytes.
  if (in.Left() < *storeBytes) Invalid();
  if (static_cast<std::uint64_t>(stream.Remaining()) < *storeBytes) {
    throw EReadError(layout_text::kStreamReadError);
  }

  PixelStore store(static_cast<int>(h.Width), static_cast<int>(rows), h.BitCount,
                   h.Height > 0 ? RowOrder::BottomUp : RowOrder::TopDown);
  store.ColourTable() = colours;
  store.SetMasks(h.Masks);
  // Pixel data shorter than the store leaves the remaining rows zero, as a
  // freshly created section would be; more than the store holds is ignored.
  const auto toRead = static_cast<std::size_t>(std::min<std::uint64_t>(dataSize, *storeBytes));
  if (toRead > 0) in.Read(store.Bytes().data(), toRead);
  return store;
}

}  // namespace nivarra
