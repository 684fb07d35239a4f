#pragma once
// The chunk classes of a PNG image, the registry that maps a chunk type to
// its class, and the chunk list an image owns.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "png/image_storage.h"

namespace nivarra {

class TChunk;
class TPNGObject;
class TStream;

using ChunkType = std::array<char, 4>;

constexpr ChunkType MakeChunkType(std::string_view text) {
  return {text[0], text[1], text[2], text[3]};
}

inline constexpr ChunkType kIdat = MakeChunkType("IDAT");
// The format caps chunk lengths at 2^31 - 1; a larger one is corrupt data.
inline constexpr std::uint32_t kMaxChunkLength = 0x7FFFFFFFu;

// A class reference: the class name and its virtual constructor.
struct TChunkClass {
  const char* Name;  // "TChunkIHDR"
  std::unique_ptr<TChunk> (*Create)(TPNGObject& owner);
  // The chunk type the class stands for: its name without "TChunk".
  std::string_view TypeName() const { return std::string_view(Name).substr(6); }
};

template <class T>
std::unique_ptr<TChunk> CreateChunkOf(TPNGObject& owner) {
  return std::make_unique<T>(owner);
}

// The base of every chunk class, and the class of every chunk type that has
// no class of its own: such a chunk keeps its raw data.
class TChunk {
 public:
  static const TChunkClass kClass;

  explicit TChunk(TPNGObject& owner) : TChunk(owner, kClass) {}
  TChunk(const TChunk&) = delete;
  TChunk& operator=(const TChunk&) = delete;
  virtual ~TChunk() = default;

  virtual const TChunkClass& Class() const { return kClass; }
  virtual void CopyFrom(const TChunk& source);
  // Reads the chunk body after its type field: data and CRC. Returns true or
  // raises; false would end the chunk loop.
  virtual bool ReadChunk(TStream& stream, const ChunkType& type, std::int32_t length);

  ChunkType Name{};
  std::int32_t DataSize() const { return dataSize_; }
  std::uint8_t* Data() { return data_.data(); }
  const std::uint8_t* Data() const { return data_.data(); }
  // Resizes Data to size bytes; the buffer keeps one spare byte beyond them.
  void ResizeData(std::int32_t size);
  TPNGObject& Owner() const { return *owner_; }

 protected:
  TChunk(TPNGObject& owner, const TChunkClass& cls);
  // The base reader, which every registered class runs first: data, then the
  // CRC over type and data.
  void ReadDataAndCheckCrc(TStream& stream, const ChunkType& type, std::int32_t length);

 private:
  TPNGObject* owner_;
  std::vector<std::uint8_t> data_ = std::vector<std::uint8_t>(1, 0);
  std::int32_t dataSize_ = 0;
};

class TChunkIEND final : public TChunk {
 public:
  static const TChunkClass kClass;
  explicit TChunkIEND(TPNGObject& owner) : TChunk(owner, kClass) {}
  const TChunkClass& Class() const override { return kClass; }
};

class TChunkIHDR final : public TChunk {
 public:
  static const TChunkClass kClass;
  explicit TChunkIHDR(TPNGObject& owner) : TChunk(owner, kClass) {}
  const TChunkClass& Class() const override { return kClass; }
  void CopyFrom(const TChunk& source) override;
  bool ReadChunk(TStream& stream, const ChunkType& type, std::int32_t length) override;

  std::int32_t Width = 0;
  std::int32_t Height = 0;
  std::uint8_t BitDepth = 0;
  std::uint8_t ColourType = 0;
  std::uint8_t CompressionMethod = 0;
  std::uint8_t FilterMethod = 0;
  std::uint8_t InterlaceMethod = 0;

  // The decoded image: Pixels (stored rows, bottom row first), DibInfo,
  // the alpha plane and the row geometry.
  ImageStorage Storage;

  // Sizes the storage for the header fields and zeroes it; raises
  // EPngInvalidIHDR for a bit depth and colour type the reader cannot store
  // and EPNGOutMemory when the storage would exceed the limit.
  void PrepareImageStorage();
  void FreeImageStorage();
};

class TChunkIDAT final : public TChunk {
 public:
  static const TChunkClass kClass;
  explicit TChunkIDAT(TPNGObject& owner) : TChunk(owner, kClass) {}
  const TChunkClass& Class() const override { return kClass; }
  // Decodes the whole image from this chunk and the IDAT chunks that
  // directly follow it; Data stays empty.
  bool ReadChunk(TStream& stream, const ChunkType& type, std::int32_t length) override;
};

class TChunkPLTE final : public TChunk {
 public:
  static const TChunkClass kClass;
  explicit TChunkPLTE(TPNGObject& owner) : TChunk(owner, kClass) {}
  const TChunkClass& Class() const override { return kClass; }
  void CopyFrom(const TChunk& source) override;
  bool ReadChunk(TStream& stream, const ChunkType& type, std::int32_t length) override;

  std::int32_t EntryCount = 0;
  // Entry i of the header's colour table as a 32-bit value: blue in the low
  // byte, then green, then red. Raises EPngError beyond EntryCount.
  std::uint32_t PaletteEntry(int index) const;
};

class TChunkgAMA final : public TChunk {
 public:
  static const TChunkClass kClass;
  explicit TChunkgAMA(TPNGObject& owner) : TChunk(owner, kClass) {}
  const TChunkClass& Class() const override { return kClass; }
  void CopyFrom(const TChunk& source) override;
  bool ReadChunk(TStream& stream, const ChunkType& type, std::int32_t length) override;

  // Held in the four data bytes, big-endian.
  std::uint32_t GammaValue() const;
  void SetGammaValue(std::uint32_t value);
};

class TChunktRNS final : public TChunk {
 public:
  static const TChunkClass kClass;
  explicit TChunktRNS(TPNGObject& owner) : TChunk(owner, kClass) {}
  const TChunkClass& Class() const override { return kClass; }
  void CopyFrom(const TChunk& source) override;
  bool ReadChunk(TStream& stream, const ChunkType& type, std::int32_t length) override;

  bool IsColourKey = false;
  std::array<std::uint8_t, 256> AlphaValues{};
};

class TChunktIME final : public TChunk {
 public:
  static const TChunkClass kClass;
  explicit TChunktIME(TPNGObject& owner) : TChunk(owner, kClass) {}
  const TChunkClass& Class() const override { return kClass; }
  bool ReadChunk(TStream& stream, const ChunkType& type, std::int32_t length) override;

  std::uint16_t Year = 0;
  std::uint8_t Month = 0, Day = 0, Hour = 0, Minute = 0, Second = 0;
};

class TChunktEXt : public TChunk {
 public:
  static const TChunkClass kClass;
  explicit TChunktEXt(TPNGObject& owner) : TChunk(owner, kClass) {}
  const TChunkClass& Class() const override { return kClass; }
  void CopyFrom(const TChunk& source) override;
  bool ReadChunk(TStream& stream, const ChunkType& type, std::int32_t length) override;

  std::string Keyword;
  std::string Text;

 protected:
  TChunktEXt(TPNGObject& owner, const TChunkClass& cls) : TChunk(owner, cls) {}
};

class TChunkzTXt final : public TChunktEXt {
 public:
  static const TChunkClass kClass;
  explicit TChunkzTXt(TPNGObject& owner) : TChunktEXt(owner, kClass) {}
  const TChunkClass& Class() const override { return kClass; }
  bool ReadChunk(TStream& stream, const ChunkType& type, std::int32_t length) override;
};

// The process-wide ordered list of chunk classes: IEND, IHDR, IDAT, PLTE,
// gAMA, tRNS, tIME, tEXt, zTXt.
const std::vector<const TChunkClass*>& ChunkClassRegistry();

// Creates the chunk of the first registered class whose type equals type
// exactly (letter case counts), or a plain TChunk, and names it type.
std::unique_ptr<TChunk> CreateChunkForType(TPNGObject& owner, const ChunkType& type);

// A growable array of owned items: reading outside 0..Count-1 gives null,
// writing there is ignored, and SetCount reallocates to exactly that many
// items (new ones unset), freeing those cut off.
template <class T>
class TPNGPointerList {
 public:
  int Count() const { return static_cast<int>(items_.size()); }
  T* Item(int index) const {
    return index >= 0 && index < Count() ? items_[static_cast<std::size_t>(index)].get() : nullptr;
  }
  void SetItem(int index, std::unique_ptr<T> item) {
    if (index >= 0 && index < Count()) items_[static_cast<std::size_t>(index)] = std::move(item);
  }
  void SetCount(int count) { items_.resize(static_cast<std::size_t>(count < 0 ? 0 : count)); }
  void Clear() { items_.clear(); }

 private:
  std::vector<std::unique_ptr<T>> items_;
};

class TPNGList : public TPNGPointerList<TChunk> {
 public:
  // The first item that is a T or derives from T, or null.
  template <class T>
  T* FirstOfClass() const {
    for (int i = 0; i < Count(); ++i) {
      if (auto* found = dynamic_cast<T*>(Item(i))) return found;
    }
    return nullptr;
  }
};

}  // namespace nivarra
