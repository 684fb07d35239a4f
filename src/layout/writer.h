#pragma once
// TLayoutWriter: writes layout streams, the inverse of the reader's value
// layer: signature, component records and property records with the
// smallest value code that holds each value.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace nivarra {

class TLayoutWriter {
 public:
  void WriteSignature();
  // A component record's head; its property records follow, then EndList,
  // then its children, then EndList.
  void BeginComponent(std::string_view className, std::string_view name);
  void EndList();

  void WriteInteger(std::string_view path, std::int64_t value);
  void WriteString(std::string_view path, std::string_view text);
  void WriteIdentifier(std::string_view path, std::string_view identifier);
  void WriteBoolean(std::string_view path, bool value);
  void WriteSet(std::string_view path, std::span<const std::string> elements);
  void WriteBinary(std::string_view path, std::span<const std::uint8_t> data);

  const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

 private:
  void Byte(std::uint8_t b) { bytes_.push_back(b); }
  void Little(std::uint64_t value, int size);
  void ShortName(std::string_view name);

  std::vector<std::uint8_t> bytes_;
};

// The picture payloads of a picture's "Data": a PNG file as TPNGObject, a
// BMP file as TBitmap (its size first).
std::vector<std::uint8_t> PngPicturePayload(std::span<const std::uint8_t> pngFile);
std::vector<std::uint8_t> BitmapPicturePayload(std::span<const std::uint8_t> bmpFile);

}  // namespace nivarra
