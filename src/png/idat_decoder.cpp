// Decoding the image data: one zlib stream running through consecutive IDAT
// chunks, inflated through a 65535-byte input window into two row buffers,
// unfiltered and converted row by row into the header's storage.

#include <algorithm>
#include <array>
#include <vector>

#include "graphics/stream.h"
#include "png/byte_order.h"
#include "png/chunk.h"
#include "png/inflater.h"
#include "png/png_errors.h"
#include "png/png_object.h"
#include "png/row_converters.h"
#include "png/row_filters.h"

namespace nivarra {

namespace {

constexpr std::int64_t kInputWindow = 65535;

struct Adam7Pass {
  int RowStart, ColumnStart, RowStep, ColumnStep;
};
constexpr std::array<Adam7Pass, 7> kAdam7{{
    {0, 0, 8, 8}, {0, 4, 8, 8}, {4, 0, 8, 4}, {0, 2, 4, 4}, {2, 0, 4, 2}, {0, 1, 2, 2}, {1, 0, 2, 1}}};

int BytesForPixels(int n, int colourType, int bitDepth) {
  const std::int64_t bits = static_cast<std::int64_t>(n) * bitDepth;
  switch (colourType) {
    case 0:
    case 3: return static_cast<int>((bits + 7) / 8);
    case 2: return static_cast<int>(bits * 3 / 8);
    case 4: return static_cast<int>(bits * 2 / 8);
    case 6: return static_cast<int>(bits * 4 / 8);
    default: return 0;
  }
}

int PixelStepFor(int colourType, int bitDepth) {
  switch (colourType) {
    case 0: return bitDepth == 16 ? 2 : 1;
    case 2: return bitDepth * 3 / 8;
    case 4: return bitDepth * 2 / 8;
    case 6: return bitDepth * 4 / 8;
    default: return 1;
  }
}

// Greyscale images draw through a table of grey levels, gamma included.
void FillGreyEntries(ImageStorage& storage, const std::array<std::uint8_t, 256>& gamma) {
  const int entries = 1 << storage.DibInfo.Header.BitCount;
  for (int n = 0; n < entries; ++n) {
    const int level = (n * 255 + (entries - 1) / 2) / (entries - 1);
    const std::uint8_t g = gamma[static_cast<std::size_t>(level)];
    storage.DibInfo.Colours[static_cast<std::size_t>(n)] = RGBQuad{g, g, g, 0};
  }
}

bool IsIdentity(const std::array<std::uint8_t, 256>& map) {
  for (std::size_t i = 0; i < map.size(); ++i) {
    if (map[i] != i) return false;
  }
  return true;
}

class IdatDecoder {
 public:
  IdatDecoder(TPNGObject& owner, TStream& stream, std::int32_t length)
      : owner_(owner), header_(owner.HeaderChunk()), stream_(stream), input_(kInputWindow) {
    if (inflater_.InitResult() != Z_OK) RaiseZlibError(inflater_.InitResult());
    StartCrc(kIdat);
    chunkEnd_ = stream.Position() + length;
  }

  void Decode() {
    Storage& s = header_.Storage;
    if (s.UsesColourTable && (header_.ColourType == 0 || header_.ColourType == 4)) {
      FillGreyEntries(s, owner_.GammaMap);
    }
    const int fullRowBytes = BytesForPixels(header_.Width, header_.ColourType, header_.BitDepth);
    pixelStep_ = PixelStepFor(header_.ColourType, header_.BitDepth);
    for (auto& row : rows_) row.assign(static_cast<std::size_t>(fullRowBytes) + 1, 0);
    current_ = 1;

    const bool interlaced = owner_.InterlaceMethod == 1;
    convert_ = SelectRowConverter(header_.ColourType, header_.BitDepth, interlaced, IsIdentity(owner_.GammaMap));
    if (convert_ == nullptr) return;  // the header refused such images already
    if (interlaced) {
      DecodeAdam7();
    } else {
      DecodeSequential(fullRowBytes);
    }
    CheckLastChunkCrc();
  }

 private:
  using Storage = ImageStorage;

  [[noreturn]] static void RaiseZlibError(int result) {
    RaisePngError<EPNGZLIBError>(std::string(png_text::kZlibError) + ZlibErrorText(result));
  }

  std::uint8_t* StoredRow(int y) {
    Storage& s = header_.Storage;
    return s.Pixels.data() +
           static_cast<std::size_t>(s.RowStride) * static_cast<std::size_t>(header_.Height - 1 - y);
  }
  std::uint8_t* AlphaRow(int y) {
    Storage& s = header_.Storage;
    if (s.AlphaPlane.empty()) return nullptr;
    return s.AlphaPlane.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(header_.Width);
  }

  // Reads one filtered row into the current buffer, unfilters and converts
  // it. False when the image data has run dry.
  bool DecodeRow(int rowBytes, int y, int columnStart, int columnStep, int count) {
    std::uint8_t* row = rows_[current_].data();
    if (ReadImageBytes(row, rowBytes + 1) == 0) return false;
    UnfilterRow(row, rows_[1 - current_].data(), rowBytes, pixelStep_);
    convert_(row + 1, count, RowTarget{StoredRow(y), AlphaRow(y), columnStart, columnStep},
             owner_.GammaMap.data());
    current_ = 1 - current_;
    return true;
  }

  void DecodeSequential(int rowBytes) {
    for (int y = 0; y < header_.Height; ++y) {
      if (!DecodeRow(rowBytes, y, 0, 1, header_.Width)) return;
    }
  }

  void DecodeAdam7() {
    for (const Adam7Pass& pass : kAdam7) {
      const int passWidth = (header_.Width - pass.ColumnStart + pass.ColumnStep - 1) / pass.ColumnStep;
      const int rowBytes = BytesForPixels(passWidth, header_.ColourType, header_.BitDepth);
      // The first row of each pass is unfiltered against zeros.
      std::fill_n(rows_[1 - current_].begin(), rowBytes + 1, 0);
      if (rowBytes == 0) continue;
      for (int y = pass.RowStart; y < header_.Height; y += pass.RowStep) {
        if (!DecodeRow(rowBytes, y, pass.ColumnStart, pass.ColumnStep, passWidth)) break;
      }
    }
  }

  // Pulls n inflated bytes, crossing into following IDAT chunks and checking
  // the CRC of each one it leaves. Returns the number of bytes delivered.
  int ReadImageBytes(std::uint8_t* destination, int n) {
    z_stream& z = inflater_.Stream();
    z.next_out = destination;
    z.avail_out = static_cast<uInt>(n);
    while (z.avail_out > 0) {
      if (z.avail_in == 0 && stream_.Position() >= chunkEnd_) EnterNextChunk();
      if (z.avail_in == 0) {
        const std::int64_t got = ReadChunkData();
        if (got <= 0) return n - static_cast<int>(z.avail_out);
        z.next_in = input_.data();
        z.avail_in = static_cast<uInt>(got);
      }
      const int result = inflater_.Inflate();
      // A preset dictionary would make inflate ask again forever.
      if (result < 0 || result == Z_NEED_DICT) RaiseZlibError(result);
      // Past the end of the zlib stream nothing more can come out of the
      // bytes still pending; drop them so the loop reads on (and ends at the
      // next chunk that is not IDAT) instead of spinning.
      if (result == Z_STREAM_END) z.avail_in = 0;
    }
    return n;
  }

  void EnterNextChunk() {
    CheckChunkCrc();
    std::uint32_t length = 0;
    ReadUInt32BE(stream_, length);
    ChunkType type{};
    stream_.Read(type.data(), 4);
    if (type != kIdat) RaisePngError<EPNGMissingMultipleIDAT>(png_text::kMissingMultipleIDAT);
    if (length > kMaxChunkLength) RaisePngError<EPngError>(png_text::kChunkTooLong);
    StartCrc(type);
    chunkEnd_ = stream_.Position() + length;
  }

  void CheckChunkCrc() {
    std::uint32_t stored = 0;
    const std::int64_t delivered = ReadUInt32BE(stream_, stored);
    if (delivered != 4 || stored != runningCrc_) RaisePngError<EPngInvalidCRC>(png_text::kInvalidCRC);
  }

  // The rows may be complete before the last chunk's data has all been read
  // (a chunk larger than the input window, or data after the zlib stream):
  // fold the rest into the CRC so the check below covers the whole chunk
  // and the stream stands at the CRC.
  void CheckLastChunkCrc() {
    while (stream_.Position() < chunkEnd_) {
      if (ReadChunkData() <= 0) break;
    }
    CheckChunkCrc();
  }

  // Reads the next piece of the chunk's data into the input window and
  // folds it into the CRC. Returns the number of bytes read.
  std::int64_t ReadChunkData() {
    const std::int64_t want = std::min(chunkEnd_ - stream_.Position(), kInputWindow);
    const std::int64_t got = stream_.Read(input_.data(), want);
    if (got > 0) runningCrc_ = crc32(runningCrc_, input_.data(), static_cast<uInt>(got));
    return got;
  }

  // The image data's CRC goes through zlib's, which is quicker on long runs
  // than the table one the other chunks use; runningCrc_ is in zlib's form.
  void StartCrc(const ChunkType& type) {
    runningCrc_ = crc32(0L, reinterpret_cast<const Bytef*>(type.data()), 4);
  }

  TPNGObject& owner_;
  TChunkIHDR& header_;
  TStream& stream_;
  Inflater inflater_;
  std::vector<std::uint8_t> input_;
  std::array<std::vector<std::uint8_t>, 2> rows_;
  int current_ = 1;
  int pixelStep_ = 1;
  RowConverter convert_ = nullptr;
  std::int64_t chunkEnd_ = 0;
  uLong runningCrc_ = 0;
};

}  // namespace

bool TChunkIDAT::ReadChunk(TStream& stream, const ChunkType&, std::int32_t length) {
  IdatDecoder decoder(Owner(), stream, length);
  decoder.Decode();
  return true;
}

}  // namespace nivarra
