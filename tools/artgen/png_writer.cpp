#include "png_writer.h"

#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <string>

namespace artgen {

namespace {

struct WriteState {
  Bytes* Out;
  std::string Error;
};

void AppendData(png_structp png, png_bytep data, png_size_t length) {
  auto* state = static_cast<WriteState*>(png_get_io_ptr(png));
  state->Out->insert(state->Out->end(), data, data + length);
}

void NoFlush(png_structp) {}

// libpng reports through longjmp; the message waits in the state for the
// caller's setjmp branch to throw.
void OnError(png_structp png, png_const_charp message) {
  auto* state = static_cast<WriteState*>(png_get_error_ptr(png));
  state->Error = message;
  png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp message) {
  std::fprintf(stderr, "libpng warning: %s\n", message);
}

// Owns libpng's write structures for the duration of one encode.
class PngWriteHandle {
 public:
  explicit PngWriteHandle(WriteState* state) {
    png_ = png_create_write_struct(PNG_LIBPNG_VER_STRING, state, OnError, OnWarning);
    if (png_ == nullptr) throw std::runtime_error("libpng: out of memory");
    info_ = png_create_info_struct(png_);
    if (info_ == nullptr) {
      png_destroy_write_struct(&png_, nullptr);
      throw std::runtime_error("libpng: out of memory");
    }
  }
  ~PngWriteHandle() { png_destroy_write_struct(&png_, &info_); }
  PngWriteHandle(const PngWriteHandle&) = delete;
  PngWriteHandle& operator=(const PngWriteHandle&) = delete;
  png_structp Png() const { return png_; }
  png_infop Info() const { return info_; }

 private:
  png_structp png_ = nullptr;
  png_infop info_ = nullptr;
};

std::uint32_t ReadBigEndian32(const Bytes& b, std::size_t at) {
  return (std::uint32_t{b[at]} << 24) | (std::uint32_t{b[at + 1]} << 16) | (std::uint32_t{b[at + 2]} << 8) |
         std::uint32_t{b[at + 3]};
}

void PutBigEndian32(Bytes& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (24 - 8 * i));
}

// libpng refuses Sub on images one pixel wide and writes None instead. With
// no pixel to the left, Sub leaves the bytes as they are, so only the filter
// bytes differ: rewrite them and deflate the rows again into the one IDAT.
void ForceSubOnLonePixelRows(Bytes& png, int height) {
  std::size_t at = 8;
  while (at + 12 <= png.size() && std::string(reinterpret_cast<const char*>(&png[at + 4]), 4) != "IDAT") {
    at += 12 + std::size_t{ReadBigEndian32(png, at)};
  }
  if (at + 12 > png.size()) throw std::runtime_error("no IDAT to rewrite");
  const std::size_t length = ReadBigEndian32(png, at);
  const std::size_t rowBytes = 1 + 4;
  Bytes rows(rowBytes * static_cast<std::size_t>(height));
  uLongf rowsSize = static_cast<uLongf>(rows.size());
  if (uncompress(rows.data(), &rowsSize, &png[at + 8], static_cast<uLong>(length)) != Z_OK ||
      rowsSize != rows.size()) {
    throw std::runtime_error("cannot re-read the IDAT libpng wrote");
  }
  for (std::size_t y = 0; y < static_cast<std::size_t>(height); ++y) rows[y * rowBytes] = PNG_FILTER_VALUE_SUB;
  Bytes packed(compressBound(static_cast<uLong>(rows.size())));
  uLongf packedSize = static_cast<uLongf>(packed.size());
  if (compress2(packed.data(), &packedSize, rows.data(), static_cast<uLong>(rows.size()), 9) != Z_OK) {
    throw std::runtime_error("cannot deflate the rewritten rows");
  }
  packed.resize(packedSize);
  Bytes chunk(12 + packed.size());
  PutBigEndian32(chunk, 0, static_cast<std::uint32_t>(packed.size()));
  std::copy_n("IDAT", 4, chunk.begin() + 4);
  std::copy(packed.begin(), packed.end(), chunk.begin() + 8);
  const auto crc = static_cast<std::uint32_t>(crc32(0, chunk.data() + 4, static_cast<uInt>(packed.size() + 4)));
  PutBigEndian32(chunk, 8 + packed.size(), crc);
  const auto first = png.begin() + static_cast<std::ptrdiff_t>(at);
  png.erase(first, first + static_cast<std::ptrdiff_t>(12 + length));
  png.insert(png.begin() + static_cast<std::ptrdiff_t>(at), chunk.begin(), chunk.end());
}

}  // namespace

Bytes EncodePng(const Image& image, const PngText& text) {
  Bytes out;
  WriteState state{&out, {}};
  PngWriteHandle handle(&state);
  png_structp png = handle.Png();
  png_infop info = handle.Info();
  // Everything with a destructor lives before the setjmp, so libpng's
  // longjmp skips none of it.
  std::vector<png_bytep> rows(static_cast<std::size_t>(image.Height));
  for (int y = 0; y < image.Height; ++y) {
    rows[static_cast<std::size_t>(y)] = const_cast<png_bytep>(image.At(0, y));
  }
  png_text chunks[2] = {};
  std::string titleKey = "Title";
  std::string commentKey = "Comment";
  std::string title = text.Title;
  std::string comment = text.Comment;
  std::string empty;
  if (setjmp(png_jmpbuf(png))) throw std::runtime_error("libpng: " + state.Error);

  png_set_write_fn(png, &state, AppendData, NoFlush);
  png_set_IHDR(png, info, static_cast<png_uint_32>(image.Width), static_cast<png_uint_32>(image.Height), 8,
               PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
  png_set_compression_level(png, 9);
  // One IDAT: the deflate buffer must hold the whole compressed stream, which
  // never exceeds the raw rows plus deflate's per-block overhead.
  const std::size_t raw = static_cast<std::size_t>(image.Height) * (static_cast<std::size_t>(image.Width) * 4 + 1);
  png_set_compression_buffer_size(png, raw + raw / 64 + 1024);

  chunks[0].compression = PNG_TEXT_COMPRESSION_NONE;
  chunks[0].key = titleKey.data();
  chunks[0].text = title.data();
  chunks[0].text_length = title.size();
  chunks[1].compression = PNG_ITXT_COMPRESSION_NONE;
  chunks[1].key = commentKey.data();
  chunks[1].text = comment.data();
  chunks[1].itxt_length = comment.size();
  chunks[1].lang = empty.data();
  chunks[1].lang_key = empty.data();
  png_set_text(png, info, chunks, 2);

  png_write_info(png, info);
  png_write_image(png, rows.data());
  png_write_end(png, nullptr);
  if (image.Width == 1) ForceSubOnLonePixelRows(out, image.Height);

  const std::vector<std::string> expected = {"IHDR", "tEXt", "iTXt", "IDAT", "IEND"};
  if (ChunkTypes(out) != expected) {
    std::string got;
    for (const auto& t : ChunkTypes(out)) got += t + " ";
    throw std::runtime_error("unexpected chunk layout: " + got);
  }
  return out;
}

std::vector<std::string> ChunkTypes(const Bytes& png) {
  static const std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (png.size() < 8 || !std::equal(kSignature, kSignature + 8, png.begin())) {
    throw std::runtime_error("not a PNG signature");
  }
  std::vector<std::string> types;
  std::size_t at = 8;
  while (at < png.size()) {
    if (png.size() - at < 12) throw std::runtime_error("PNG chunk cut short");
    const std::uint32_t length = ReadBigEndian32(png, at);
    if (length > png.size() - at - 12) throw std::runtime_error("PNG chunk runs past the end");
    types.emplace_back(reinterpret_cast<const char*>(png.data() + at + 4), 4);
    at += 12 + std::size_t{length};
  }
  return types;
}

void WriteFile(const std::string& path, const Bytes& bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!file) throw std::runtime_error("cannot write " + path);
}

}  // namespace artgen
