#include "png/chunk.h"

#include <algorithm>
#include <cstring>

#include "graphics/stream.h"
#include "png/byte_order.h"
#include "png/crc32.h"
#include "png/png_errors.h"

namespace nivarra {

const TChunkClass TChunk::kClass{"TChunk", &CreateChunkOf<TChunk>};
const TChunkClass TChunkIEND::kClass{"TChunkIEND", &CreateChunkOf<TChunkIEND>};
const TChunkClass TChunkIHDR::kClass{"TChunkIHDR", &CreateChunkOf<TChunkIHDR>};
const TChunkClass TChunkIDAT::kClass{"TChunkIDAT", &CreateChunkOf<TChunkIDAT>};
const TChunkClass TChunkPLTE::kClass{"TChunkPLTE", &CreateChunkOf<TChunkPLTE>};
const TChunkClass TChunkgAMA::kClass{"TChunkgAMA", &CreateChunkOf<TChunkgAMA>};
const TChunkClass TChunktRNS::kClass{"TChunktRNS", &CreateChunkOf<TChunktRNS>};
const TChunkClass TChunktIME::kClass{"TChunktIME", &CreateChunkOf<TChunktIME>};
const TChunkClass TChunktEXt::kClass{"TChunktEXt", &CreateChunkOf<TChunktEXt>};
const TChunkClass TChunkzTXt::kClass{"TChunkzTXt", &CreateChunkOf<TChunkzTXt>};

const std::vector<const TChunkClass*>& ChunkClassRegistry() {
  static const std::vector<const TChunkClass*> registry{
      &TChunkIEND::kClass, &TChunkIHDR::kClass, &TChunkIDAT::kClass,
      &TChunkPLTE::kClass, &TChunkgAMA::kClass, &TChunktRNS::kClass,
      &TChunktIME::kClass, &TChunktEXt::kClass, &TChunkzTXt::kClass};
  return registry;
}

std::unique_ptr<TChunk> CreateChunkForType(TPNGObject& owner, const ChunkType& type) {
  const std::string_view wanted(type.data(), type.size());
  const TChunkClass* cls = &TChunk::kClass;
  for (const TChunkClass* candidate : ChunkClassRegistry()) {
    if (candidate->TypeName() == wanted) {
      cls = candidate;
      break;
    }
  }
  std::unique_ptr<TChunk> chunk = cls->Create(owner);
  chunk->Name = type;
  return chunk;
}

TChunk::TChunk(TPNGObject& owner, const TChunkClass& cls) : owner_(&owner) {
  const std::string_view type = cls.TypeName();
  if (type.size() == 4) std::copy(type.begin(), type.end(), Name.begin());
}

void TChunk::ResizeData(std::int32_t size) {
  dataSize_ = std::max<std::int32_t>(size, 0);
  data_.assign(static_cast<std::size_t>(dataSize_) + 1, 0);
}

void TChunk::CopyFrom(const TChunk& source) {
  Name = source.Name;
  ResizeData(source.dataSize_);
  std::memcpy(data_.data(), source.data_.data(), static_cast<std::size_t>(dataSize_));
}

bool TChunk::ReadChunk(TStream& stream, const ChunkType& type, std::int32_t length) {
  ReadDataAndCheckCrc(stream, type, length);
  return true;
}

void TChunk::ReadDataAndCheckCrc(TStream& stream, const ChunkType& type, std::int32_t length) {
  // A length beyond what the stream still holds cannot end in a matching
  // CRC; refuse it before allocating memory a corrupt length asks for.
  if (length > stream.Remaining()) {
    stream.Seek(0, SeekOrigin::End);
    RaisePngError<EPngInvalidCRC>(png_text::kInvalidCRC);
  }
  ResizeData(length);
  if (length > 0) stream.Read(data_.data(), length);

  std::uint32_t stored = 0;
  const std::int64_t delivered = ReadUInt32BE(stream, stored);

  std::uint32_t crc = UpdateCrc(kCrcStart, reinterpret_cast<const std::uint8_t*>(type.data()), 4);
  crc = ~UpdateCrc(crc, data_.data(), static_cast<std::size_t>(dataSize_));
  if (delivered != 4 || crc != stored) RaisePngError<EPngInvalidCRC>(png_text::kInvalidCRC);
}

}  // namespace nivarra
