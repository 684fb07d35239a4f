#include "png/png_object.h"

#include <numeric>

#include "graphics/bitmap_base.h"
#include "graphics/canvas.h"
#include "graphics/pixel_store.h"
#include "graphics/stream.h"
#include "png/byte_order.h"
#include "png/draw.h"
#include "png/png_errors.h"

namespace nivarra {

namespace {

constexpr std::uint8_t kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
constexpr ChunkType kIhdr = MakeChunkType("IHDR");
constexpr ChunkType kIend = MakeChunkType("IEND");
constexpr ChunkType kChrm = MakeChunkType("cHRM");
constexpr int kListGrowth = 10;

bool IsCritical(const ChunkType& type) { return (static_cast<unsigned char>(type[0]) & 32) == 0; }

}  // namespace

TPNGObject::~TPNGObject() = default;

void TPNGObject::Clear() {
  std::iota(GammaMap.begin(), GammaMap.end(), 0);
  std::iota(InverseGammaMap.begin(), InverseGammaMap.end(), 0);
  ChunkList.Clear();
}

void TPNGObject::ReadPngStream(TStream& stream) {
  Clear();

  std::uint8_t signature[8] = {};
  if (stream.Read(signature, 8) != 8 || !std::equal(signature, signature + 8, kSignature)) {
    RaisePngError<EPNGInvalidFileHeader>(png_text::kInvalidFileHeader);
  }

  ChunkList.SetCount(kListGrowth);
  int n = 0;
  bool hasImageData = false;
  ChunkType type{};
  do {
    ++n;
    if (ChunkList.Count() < n) ChunkList.SetCount(ChunkList.Count() + kListGrowth);

    std::uint32_t length = 0;
    if (ReadUInt32BE(stream, length) == 0) {
      ChunkList.SetCount(n - 1);
      RaisePngError<EPngUnexpectedEnd>(png_text::kUnexpectedEnd);
    }
    type = ChunkType{};
    stream.Read(type.data(), 4);

    if (n == 1 && type != kIhdr) {
      ChunkList.SetCount(0);
      RaisePngError<EPNGIHDRNotFirst>(png_text::kIHDRNotFirst);
    }
    if (length > kMaxChunkLength) {
      ChunkList.SetCount(n - 1);
      RaisePngError<EPngError>(png_text::kChunkTooLong);
    }

    // The first IDAT decodes every IDAT that follows it; a later IDAT run is
    // left alone, and so is cHRM.
    if ((hasImageData && type == kIdat) || type == kChrm) {
      --n;
      stream.Seek(static_cast<std::int64_t>(length) + 4, SeekOrigin::Current);
      continue;
    }
    if (type == kIdat) hasImageData = true;

    ChunkList.SetItem(n - 1, CreateChunkForType(*this, type));
    TChunk* chunk = ChunkList.Item(n - 1);
    if (&chunk->Class() == &TChunk::kClass && IsCritical(type)) {
      ChunkList.SetCount(n);
      RaisePngError<EPNGUnknownCriticalChunk>(png_text::kUnknownCriticalChunk);
    }
    bool goOn = false;
    try {
      goOn = chunk->ReadChunk(stream, type, static_cast<std::int32_t>(length));
    } catch (...) {
      ChunkList.SetCount(n);
      throw;
    }
    if (!goOn) break;
  } while (type != kIend);

  ChunkList.SetCount(n);
  if (!hasImageData) RaisePngError<EPNGNoImageData>(png_text::kNoImageData);
}

bool TPNGObject::HasHeader() const {
  return ChunkList.Count() > 0 && dynamic_cast<TChunkIHDR*>(ChunkList.Item(0)) != nullptr;
}

TChunkIHDR& TPNGObject::HeaderChunk() const {
  auto* header = ChunkList.Count() > 0 ? dynamic_cast<TChunkIHDR*>(ChunkList.Item(0)) : nullptr;
  if (header == nullptr) RaisePngError<EPNGHeaderNotPresent>(png_text::kHeaderNotPresent);
  return *header;
}

int TPNGObject::Width() const { return HasHeader() ? HeaderChunk().Width : 0; }
int TPNGObject::Height() const { return HasHeader() ? HeaderChunk().Height : 0; }

void TPNGObject::SetWidth(int) { RaisePngError<EPngError>(png_text::kCannotResize); }
void TPNGObject::SetHeight(int) { RaisePngError<EPngError>(png_text::kCannotResize); }

void TPNGObject::DrawToCanvas(TCanvas& canvas, const TRect& rect) const {
  if (!HasHeader()) return;
  switch (TransparencyKind()) {
    case kTransparencyNone: DrawOpaque(*this, canvas.Target(), rect); break;
    case kTransparencyColourKey: DrawColourKeyed(*this, canvas.Target(), rect, TransparentColour()); break;
    default: DrawBlended(*this, canvas.Target(), rect.Left, rect.Top); break;
  }
}

void TPNGObject::Assign(const TPersistent* source) {
  if (const auto* png = dynamic_cast<const TPNGObject*>(source)) {
    CopyPng(*png);
    return;
  }
  TGraphic::Assign(source);
}

void TPNGObject::AssignTo(TPersistent& dest) const {
  if (auto* png = dynamic_cast<TPNGObject*>(&dest)) {
    png->CopyPng(*this);
    return;
  }
  if (auto* bitmap = dynamic_cast<TBitmapBase*>(&dest); bitmap != nullptr && HasHeader()) {
    ConvertToBitmap(*bitmap);
    return;
  }
  TGraphic::AssignTo(dest);
}

void TPNGObject::CopyPng(const TPNGObject& source) {
  if (&source == this) return;
  InterlaceMethod = source.InterlaceMethod;
  Clear();
  ChunkList.SetCount(source.ChunkList.Count());
  for (int i = 0; i < source.ChunkList.Count(); ++i) {
    const TChunk* from = source.ChunkList.Item(i);
    if (from == nullptr) continue;
    ChunkList.SetItem(i, from->Class().Create(*this));
    ChunkList.Item(i)->CopyFrom(*from);
  }
}

std::uint8_t* TPNGObject::AlphaRow(int y) const {
  TChunkIHDR& header = HeaderChunk();
  if (header.ColourType != 4 && header.ColourType != 6) return nullptr;
  if (header.Storage.AlphaPlane.empty()) return nullptr;
  return header.Storage.AlphaPlane.data() +
         static_cast<std::ptrdiff_t>(y) * static_cast<std::ptrdiff_t>(header.Width);
}

std::uint8_t* TPNGObject::PixelRow(int y) const {
  TChunkIHDR& header = HeaderChunk();
  return header.Storage.Pixels.data() +
         static_cast<std::ptrdiff_t>(header.Storage.RowStride) * (header.Height - 1 - y);
}

int TPNGObject::TransparencyKind() const {
  if (!HasHeader()) return kTransparencyNone;
  const auto* trns = ChunkList.FirstOfClass<TChunktRNS>();
  switch (HeaderChunk().ColourType) {
    case 0:
    case 2: return trns != nullptr ? kTransparencyColourKey : kTransparencyNone;
    case 3:
      if (trns == nullptr) return kTransparencyNone;
      return trns->IsColourKey ? kTransparencyColourKey : kTransparencyAlpha;
    case 4:
    case 6: return kTransparencyAlpha;
    default: return kTransparencyNone;
  }
}

TColor TPNGObject::TransparentColour() const {
  const auto* trns = ChunkList.FirstOfClass<TChunktRNS>();
  if (trns == nullptr || !HasHeader()) return 0;
  const TChunkIHDR& header = HeaderChunk();
  const auto& colours = header.Storage.DibInfo.Colours;
  const std::uint8_t* d = trns->Data();
  const int size = trns->DataSize();
  auto byteAt = [&](int i) -> std::uint8_t { return i < size ? d[i] : 0; };

  switch (header.ColourType) {
    case 3: {
      const auto* palette = ChunkList.FirstOfClass<TChunkPLTE>();
      const int entries = palette != nullptr ? palette->EntryCount : 0;
      for (int i = 0; i < entries; ++i) {
        if (trns->AlphaValues[static_cast<std::size_t>(i)] == 0) return ColourOf(colours[static_cast<std::size_t>(i)]);
      }
      return 0;
    }
    case 0: {
      // The key is the grey level its sample is drawn with: the stored
      // index's table entry (a 16-bit image stores the sample's high byte).
      const int sample = byteAt(0) << 8 | byteAt(1);
      int index = 0;
      switch (header.BitDepth) {
        case 16: index = byteAt(0); break;
        case 2: index = 5 * (sample & 3); break;
        default: index = sample & ((1 << header.BitDepth) - 1); break;
      }
      return ColourOf(colours[static_cast<std::size_t>(index & 0xFF)]);
    }
    case 2: {
      // The stored channel is the sample's high byte at 16 bits, its low
      // byte at 8.
      const int offset = header.BitDepth == 16 ? 0 : 1;
      return MakeColour(byteAt(offset), byteAt(2 + offset), byteAt(4 + offset));
    }
    default:
      return 0;
  }
}

}  // namespace nivarra
