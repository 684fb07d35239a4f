#include "layout/writer.h"

#include <stdexcept>

#include "layout/reader.h"

namespace nivarra {

namespace {
constexpr std::size_t kMaxShortName = 255;
}

void TLayoutWriter::Little(std::uint64_t value, int size) {
  for (int i = 0; i < size; ++i) Byte(static_cast<std::uint8_t>(value >> (8 * i)));
}

void TLayoutWriter::ShortName(std::string_view name) {
  if (name.size() > kMaxShortName) throw std::length_error("name longer than 255 bytes: " + std::string(name));
  Byte(static_cast<std::uint8_t>(name.size()));
  bytes_.insert(bytes_.end(), name.begin(), name.end());
}

void TLayoutWriter::WriteSignature() {
  for (char c : std::string_view("TPF0")) Byte(static_cast<std::uint8_t>(c));
}

void TLayoutWriter::BeginComponent(std::string_view className, std::string_view name) {
  ShortName(className);
  ShortName(name);
}

void TLayoutWriter::EndList() { Byte(0); }

void TLayoutWriter::WriteInteger(std::string_view path, std::int64_t value) {
  ShortName(path);
  if (value >= INT8_MIN && value <= INT8_MAX) {
    Byte(static_cast<std::uint8_t>(ValueCode::Int8));
    Little(static_cast<std::uint64_t>(value), 1);
  } else if (value >= INT16_MIN && value <= INT16_MAX) {
    Byte(static_cast<std::uint8_t>(ValueCode::Int16));
    Little(static_cast<std::uint64_t>(value), 2);
  } else if (value >= INT32_MIN && value <= INT32_MAX) {
    Byte(static_cast<std::uint8_t>(ValueCode::Int32));
    Little(static_cast<std::uint64_t>(value), 4);
  } else {
    Byte(static_cast<std::uint8_t>(ValueCode::Int64));
    Little(static_cast<std::uint64_t>(value), 8);
  }
}

void TLayoutWriter::WriteString(std::string_view path, std::string_view text) {
  ShortName(path);
  if (text.size() <= kMaxShortName) {
    Byte(static_cast<std::uint8_t>(ValueCode::String));
    ShortName(text);
  } else {
    Byte(static_cast<std::uint8_t>(ValueCode::LString));
    Little(text.size(), 4);
    bytes_.insert(bytes_.end(), text.begin(), text.end());
  }
}

void TLayoutWriter::WriteIdentifier(std::string_view path, std::string_view identifier) {
  ShortName(path);
  Byte(static_cast<std::uint8_t>(ValueCode::Ident));
  ShortName(identifier);
}

void TLayoutWriter::WriteBoolean(std::string_view path, bool value) {
  ShortName(path);
  Byte(static_cast<std::uint8_t>(value ? ValueCode::True : ValueCode::False));
}

void TLayoutWriter::WriteSet(std::string_view path, std::span<const std::string> elements) {
  ShortName(path);
  Byte(static_cast<std::uint8_t>(ValueCode::Set));
  for (const std::string& e : elements) ShortName(e);
  Byte(0);
}

void TLayoutWriter::WriteBinary(std::string_view path, std::span<const std::uint8_t> data) {
  if (data.size() > INT32_MAX) throw std::length_error("binary value too large");
  ShortName(path);
  Byte(static_cast<std::uint8_t>(ValueCode::Binary));
  Little(data.size(), 4);
  bytes_.insert(bytes_.end(), data.begin(), data.end());
}

namespace {
std::vector<std::uint8_t> Payload(std::string_view className, std::span<const std::uint8_t> data, bool withSize) {
  std::vector<std::uint8_t> out;
  out.push_back(static_cast<std::uint8_t>(className.size()));
  out.insert(out.end(), className.begin(), className.end());
  if (withSize) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(data.size() >> (8 * i)));
  }
  out.insert(out.end(), data.begin(), data.end());
  return out;
}
}  // namespace

std::vector<std::uint8_t> PngPicturePayload(std::span<const std::uint8_t> pngFile) {
  return Payload("TPNGObject", pngFile, false);
}

std::vector<std::uint8_t> BitmapPicturePayload(std::span<const std::uint8_t> bmpFile) {
  return Payload("TBitmap", bmpFile, true);
}

}  // namespace nivarra
