#include "layout/bitmap.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <mutex>
#include <utility>

#include "graphics/rect.h"
#include "graphics/stream.h"
#include "graphics/stretch.h"
#include "layout/bmp_reader.h"
#include "layout/layout_errors.h"

namespace nivarra {

namespace {

// Guards the swaps of every bitmap's store pointer. Pixels are never copied
// under it.
std::mutex& StoreLock() {
  static std::mutex lock;
  return lock;
}

constexpr ColourMasks kMasks565{0xF800, 0x07E0, 0x001F};
constexpr TColor kWhite = 0x00FFFFFF;

RGBQuad Quad(std::uint8_t red, std::uint8_t green, std::uint8_t blue) { return RGBQuad{blue, green, red, 0}; }

// The palette the 4-bit format gets: the 16 colours every display has.
std::array<RGBQuad, 256> SixteenColourTable() {
  std::array<RGBQuad, 256> t{};
  const RGBQuad colours[16] = {
      Quad(0, 0, 0),       Quad(128, 0, 0),   Quad(0, 128, 0),   Quad(128, 128, 0),
      Quad(0, 0, 128),     Quad(128, 0, 128), Quad(0, 128, 128), Quad(192, 192, 192),
      Quad(128, 128, 128), Quad(255, 0, 0),   Quad(0, 255, 0),   Quad(255, 255, 0),
      Quad(0, 0, 255),     Quad(255, 0, 255), Quad(0, 255, 255), Quad(255, 255, 255)};
  std::copy(std::begin(colours), std::end(colours), t.begin());
  return t;
}

// The palette the 8-bit format gets: a 6×6×6 colour cube and a ramp of the
// greys between its black and white.
std::array<RGBQuad, 256> HalftoneTable() {
  std::array<RGBQuad, 256> t{};
  std::size_t i = 0;
  for (int r = 0; r < 6; ++r)
    for (int g = 0; g < 6; ++g)
      for (int b = 0; b < 6; ++b)
        t[i++] = Quad(static_cast<std::uint8_t>(r * 51), static_cast<std::uint8_t>(g * 51),
                      static_cast<std::uint8_t>(b * 51));
  for (int k = 1; i < t.size(); ++k, ++i) {
    const auto grey = static_cast<std::uint8_t>(k * 255 / 41);
    t[i] = Quad(grey, grey, grey);
  }
  return t;
}

std::array<RGBQuad, 256> MonochromeTable() {
  std::array<RGBQuad, 256> t{};
  t[1] = Quad(255, 255, 255);
  return t;
}

struct FormatLayout {
  int BitCount;
  std::optional<ColourMasks> Masks;
  std::array<RGBQuad, 256> Colours;
};

FormatLayout LayoutOf(TPixelFormat format) {
  switch (format) {
    case TPixelFormat::Bit1: return {1, std::nullopt, MonochromeTable()};
    case TPixelFormat::Bit4: return {4, std::nullopt, SixteenColourTable()};
    case TPixelFormat::Bit8: return {8, std::nullopt, HalftoneTable()};
    case TPixelFormat::Bit15: return {16, std::nullopt, {}};
    case TPixelFormat::Bit16: return {16, kMasks565, {}};
    case TPixelFormat::Bit24: return {24, std::nullopt, {}};
    default: return {32, std::nullopt, {}};
  }
}

// A zeroed store, refused like an unreadable bitmap when it would not fit
// or exceed the size any bitmap may have.
PixelStore NewStore(int width, int height, int bitCount, RowOrder order) {
  const auto bytes = StoredImageBytes(width, height, bitCount);
  if (width < 0 || height < 0 || !bytes || *bytes > kMaxBitmapStoreBytes) {
    throw EInvalidGraphic(layout_text::kBitmapNotValid);
  }
  return PixelStore(width, height, bitCount, order);
}

void WriteIndex(std::uint8_t* row, int x, int bits, int index) {
  const int bit = x * bits;
  const int shift = 8 - bits - bit % 8;
  const int mask = ((1 << bits) - 1) << shift;
  std::uint8_t& b = row[bit / 8];
  b = static_cast<std::uint8_t>((b & ~mask) | ((index << shift) & mask));
}

std::uint32_t PackChannel(std::uint8_t value, std::uint32_t mask) {
  if (mask == 0) return 0;
  const int shift = std::countr_zero(mask);
  const std::uint64_t top = mask >> shift;
  return static_cast<std::uint32_t>(((value * top + 127) / 255) << shift) & mask;
}

std::uint32_t Pack(TColor colour, const ColourMasks& masks) {
  return PackChannel(static_cast<std::uint8_t>(colour), masks.Red) |
         PackChannel(static_cast<std::uint8_t>(colour >> 8), masks.Green) |
         PackChannel(static_cast<std::uint8_t>(colour >> 16), masks.Blue);
}

// Writes pixels of one store with colours chosen by value; indexed stores
// take the nearest colour of their table.
class PixelWriter {
 public:
  explicit PixelWriter(PixelStore& store) : store_(store) {}

  void Put(int x, int y, TColor colour, std::uint8_t fourth) {
    std::uint8_t* row = store_.RowAddress(y);
    const int bits = store_.BitCount();
    switch (bits) {
      case 16: {
        const std::uint32_t v = Pack(colour, store_.Masks().value_or(kMasks555));
        std::uint8_t* p = row + static_cast<std::size_t>(x) * 2;
        p[0] = static_cast<std::uint8_t>(v);
        p[1] = static_cast<std::uint8_t>(v >> 8);
        return;
      }
      case 24:
      case 32: {
        std::uint8_t* p = row + static_cast<std::size_t>(x) * static_cast<std::size_t>(bits / 8);
        if (bits == 32 && store_.Masks()) {
          const std::uint32_t v = Pack(colour, *store_.Masks());
          for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
          return;
        }
        p[0] = static_cast<std::uint8_t>(colour >> 16);
        p[1] = static_cast<std::uint8_t>(colour >> 8);
        p[2] = static_cast<std::uint8_t>(colour);
        if (bits == 32) p[3] = fourth;
        return;
      }
      default: WriteIndex(row, x, bits, Nearest(colour)); return;
    }
  }

 private:
  int Nearest(TColor colour) {
    if (lastIndex_ >= 0 && colour == lastColour_) return lastIndex_;
    const int count = 1 << store_.BitCount();
    const auto& table = store_.ColourTable();
    int best = 0;
    long bestDistance = -1;
    for (int i = 0; i < count; ++i) {
      const RGBQuad q = table[static_cast<std::size_t>(i)];
      const long dr = static_cast<long>(colour & 0xFF) - q.Red;
      const long dg = static_cast<long>((colour >> 8) & 0xFF) - q.Green;
      const long db = static_cast<long>((colour >> 16) & 0xFF) - q.Blue;
      const long distance = dr * dr + dg * dg + db * db;
      if (bestDistance < 0 || distance < bestDistance) {
        best = i;
        bestDistance = distance;
      }
    }
    lastColour_ = colour;
    lastIndex_ = best;
    return best;
  }

  PixelStore& store_;
  TColor lastColour_ = 0;
  int lastIndex_ = -1;
};

// The fourth byte travels only between plain 32-bit stores.
std::uint8_t FourthByte(const PixelStore& store, int x, int y) {
  if (store.BitCount() != 32 || store.Masks()) return 0;
  return store.RowAddress(y)[static_cast<std::size_t>(x) * 4 + 3];
}

PixelStore Converted(const PixelStore& from, const FormatLayout& layout, RowOrder order) {
  PixelStore to = NewStore(from.Width(), from.Height(), layout.BitCount, order);
  to.SetMasks(layout.Masks);
  to.ColourTable() = layout.Colours;
  PixelWriter writer(to);
  for (int y = 0; y < from.Height(); ++y)
    for (int x = 0; x < from.Width(); ++x) writer.Put(x, y, from.PixelColour(x, y), FourthByte(from, x, y));
  return to;
}

TBitmapImage DeviceImageOf(const PixelStore& from) {
  TBitmapImage image;
  image.Store = Converted(from, FormatLayout{32, std::nullopt, {}}, RowOrder::TopDown);
  image.DeviceDependent = true;
  return image;
}

void FillWhite(PixelStore& store) {
  if ((store.BitCount() == 24 || store.BitCount() == 32) && !store.Masks()) {
    store.Fill(255, 255, 255, 0);
    return;
  }
  PixelWriter writer(store);
  for (int y = 0; y < store.Height(); ++y)
    for (int x = 0; x < store.Width(); ++x) writer.Put(x, y, kWhite, 0);
}

}  // namespace

TPixelFormat PixelFormatOf(const TBitmapImage& image) {
  if (image.DeviceDependent) return TPixelFormat::Device;
  const PixelStore& s = image.Store;
  switch (s.BitCount()) {
    case 1: return TPixelFormat::Bit1;
    case 4: return TPixelFormat::Bit4;
    case 8: return TPixelFormat::Bit8;
    case 16:
      if (!s.Masks()) return TPixelFormat::Bit15;
      return s.Masks()->Green == kMasks565.Green ? TPixelFormat::Bit16 : TPixelFormat::Custom;
    case 24: return TPixelFormat::Bit24;
    case 32: return s.Masks() ? TPixelFormat::Custom : TPixelFormat::Bit32;
    default: return TPixelFormat::Custom;
  }
}

// --- canvas ---

PixelStore& TBitmapCanvas::Target() const { return bitmap_.image_->Store; }

void TBitmapCanvas::Changing() { bitmap_.PrivateImage(); }

void TBitmapCanvas::Changed() {
  TCanvas::Changed();
  bitmap_.Changed();
}

// --- bitmap ---

TBitmap::TBitmap() : image_(std::make_shared<TBitmapImage>()) {}

TBitmap::~TBitmap() = default;

void TBitmap::ReplaceImage(std::shared_ptr<TBitmapImage> image) {
  {
    std::lock_guard<std::mutex> guard(StoreLock());
    image_.swap(image);
  }
  // image now holds the old store, released outside the lock.
}

void TBitmap::ShareImageOf(const TBitmap& source) {
  std::shared_ptr<TBitmapImage> old;
  {
    std::lock_guard<std::mutex> guard(StoreLock());
    old = std::exchange(image_, source.image_);
  }
}

TBitmapImage& TBitmap::PrivateImage() {
  std::shared_ptr<TBitmapImage> shared;
  {
    std::lock_guard<std::mutex> guard(StoreLock());
    if (image_.use_count() == 1) return *image_;
    shared = image_;
  }
  // Shared stores are never written, so copying outside the lock is safe.
  ReplaceImage(std::make_shared<TBitmapImage>(*shared));
  return *image_;
}

void TBitmap::Assign(const TPersistent* source) {
  if (const auto* bitmap = dynamic_cast<const TBitmap*>(source)) {
    if (bitmap == this) return;
    ShareImageOf(*bitmap);
    transparentColour_ = bitmap->transparentColour_;
    // One notification either way: SetTransparent gives it when the flag changes.
    if (Transparent() != bitmap->Transparent()) {
      SetTransparent(bitmap->Transparent());
    } else {
      Changed();
    }
    return;
  }
  TBitmapBase::Assign(source);
}

void TBitmap::AssignTo(TPersistent& dest) const {
  if (auto* bitmap = dynamic_cast<TBitmap*>(&dest)) {
    bitmap->Assign(this);
    return;
  }
  TBitmapBase::AssignTo(dest);
}

void TBitmap::DrawToCanvas(TCanvas& canvas, const TRect& rect) const {
  if (IsEmpty()) return;
  PixelStore& dest = canvas.Target();
  // Only the 24- and 32-bit stores the program draws on are handled.
  if ((dest.BitCount() != 24 && dest.BitCount() != 32) || dest.Masks()) return;
  // Drawn onto its own canvas, the bitmap reads from a snapshot.
  std::optional<PixelStore> snapshot;
  const PixelStore* from = &Store();
  if (from == &dest) from = &snapshot.emplace(Store());

  const bool fourth = dest.BitCount() == 32;
  StretchNearest(dest, rect, from->Width(), from->Height(), [from, fourth](int sy) {
    return [from, fourth, sy](std::uint8_t* d, int sx) {
      const TColor c = from->PixelColour(sx, sy);
      d[0] = static_cast<std::uint8_t>(c >> 16);
      d[1] = static_cast<std::uint8_t>(c >> 8);
      d[2] = static_cast<std::uint8_t>(c);
      if (fourth) d[3] = FourthByte(*from, sx, sy);
    };
  });
}

bool TBitmap::IsEmpty() const { return Store().IsEmpty(); }
int TBitmap::Width() const { return Store().Width(); }
int TBitmap::Height() const { return Store().Height(); }

void TBitmap::SetWidth(int value) { SetSize(value, Height()); }
void TBitmap::SetHeight(int value) { SetSize(Width(), value); }

void TBitmap::SetSize(int width, int height) {
  const PixelStore& old = Store();
  if (width == old.Width() && height == old.Height()) return;
  auto image = std::make_shared<TBitmapImage>();
  image->DeviceDependent = image_->DeviceDependent;
  PixelStore& store = image->Store;
  store = NewStore(width, height, old.BitCount(), old.Order());
  store.SetMasks(old.Masks());
  store.ColourTable() = old.ColourTable();
  // White is also what a canvas brush would paint the new area with.
  FillWhite(store);
  const int bits = old.BitCount();
  const int keepWidth = std::min(width, old.Width());
  for (int y = 0; y < std::min(height, old.Height()); ++y) {
    if (bits >= 8) {
      std::memcpy(store.RowAddress(y), old.RowAddress(y),
                  static_cast<std::size_t>(keepWidth) * static_cast<std::size_t>(bits / 8));
    } else {
      for (int x = 0; x < keepWidth; ++x) WriteIndex(store.RowAddress(y), x, bits, PackedIndex(old.RowAddress(y), x, bits));
    }
  }
  ReplaceImage(std::move(image));
  Changed();
}

void TBitmap::LoadFromStream(TStream& stream) {
  std::uint8_t sizeBytes[4];
  if (stream.Read(sizeBytes, sizeof sizeBytes) != sizeof sizeBytes) throw EReadError(layout_text::kStreamReadError);
  const std::uint32_t size = static_cast<std::uint32_t>(sizeBytes[0]) | (static_cast<std::uint32_t>(sizeBytes[1]) << 8) |
                             (static_cast<std::uint32_t>(sizeBytes[2]) << 16) |
                             (static_cast<std::uint32_t>(sizeBytes[3]) << 24);
  auto image = std::make_shared<TBitmapImage>();
  if (size != 0) {
    image->Store = ReadBmpFile(stream, size);
    image->DeviceDependent = false;
  }
  ReplaceImage(std::move(image));
  Changed();
}

void TBitmap::AdoptImage(PixelStore&& image) {
  auto adopted = std::make_shared<TBitmapImage>();
  adopted->Store = std::move(image);
  adopted->DeviceDependent = false;
  ReplaceImage(std::move(adopted));
  Changed();
}

void TBitmap::SetTransparentColour(TColor colour) {
  if (transparentColour_ == colour) return;
  transparentColour_ = colour;
  Changed();
}

TPixelFormat TBitmap::PixelFormat() const { return PixelFormatOf(*image_); }

void TBitmap::SetPixelFormat(TPixelFormat format) {
  if (format == PixelFormat()) return;
  if (format == TPixelFormat::Custom) throw EInvalidGraphic(layout_text::kInvalidPixelFormat);
  auto image = std::make_shared<TBitmapImage>();
  if (format == TPixelFormat::Device) {
    *image = DeviceImageOf(Store());
  } else {
    image->Store = Converted(Store(), LayoutOf(format), RowOrder::BottomUp);
    image->DeviceDependent = false;
  }
  ReplaceImage(std::move(image));
  Changed();
}

TStorageKind TBitmap::StorageKind() const {
  return image_->DeviceDependent ? TStorageKind::DeviceDependent : TStorageKind::DeviceIndependent;
}

void TBitmap::SetStorageKind(TStorageKind kind) {
  if (kind == StorageKind()) return;
  if (kind == TStorageKind::DeviceIndependent) {
    // A device store already has addressable 32-bit rows: only the flag changes.
    PrivateImage().DeviceDependent = false;
  } else {
    ReplaceImage(std::make_shared<TBitmapImage>(DeviceImageOf(Store())));
  }
  Changed();
}

std::uint8_t* TBitmap::RowAddress(int y) {
  TBitmapImage& image = PrivateImage();
  if (y < 0 || y >= image.Store.Height()) throw EInvalidGraphicOperation(layout_text::kScanLineOutOfRange);
  image.DeviceDependent = false;
  return image.Store.RowAddress(y);
}

PixelStore& TBitmap::MutableStore() { return PrivateImage().Store; }

TCanvas& TBitmap::Canvas() {
  if (!canvas_) canvas_ = std::make_unique<TBitmapCanvas>(*this);
  return *canvas_;
}

}  // namespace nivarra
