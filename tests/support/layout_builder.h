#pragma once
// Layout streams built by hand for tests: signature, component records,
// property records and values in their stored form.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace nivarra::test {

class LayoutBuilder {
 public:
  using Bytes = std::vector<std::uint8_t>;

  LayoutBuilder& Signature() { return Raw("TPF0"); }
  LayoutBuilder& Raw(std::string_view text) {
    bytes_.insert(bytes_.end(), text.begin(), text.end());
    return *this;
  }
  LayoutBuilder& Byte(std::uint8_t b) {
    bytes_.push_back(b);
    return *this;
  }
  LayoutBuilder& Bytes_(const Bytes& b) {
    bytes_.insert(bytes_.end(), b.begin(), b.end());
    return *this;
  }
  LayoutBuilder& Int32(std::int32_t v) {
    for (int i = 0; i < 4; ++i) bytes_.push_back(static_cast<std::uint8_t>(static_cast<std::uint32_t>(v) >> (8 * i)));
    return *this;
  }
  LayoutBuilder& ShortName(std::string_view name) {
    Byte(static_cast<std::uint8_t>(name.size()));
    return Raw(name);
  }
  // A component record's head: class and name (no flags prefix).
  LayoutBuilder& Begin(std::string_view className, std::string_view name) {
    return ShortName(className).ShortName(name);
  }
  LayoutBuilder& End() { return Byte(0); }  // ends properties or children

  // Property records.
  LayoutBuilder& Int(std::string_view path, std::int32_t v) {
    ShortName(path);
    if (v >= -128 && v <= 127) return Byte(2).Byte(static_cast<std::uint8_t>(v));
    if (v >= -32768 && v <= 32767) {
      return Byte(3).Byte(static_cast<std::uint8_t>(v)).Byte(static_cast<std::uint8_t>(v >> 8));
    }
    return Byte(4).Int32(v);
  }
  LayoutBuilder& Str(std::string_view path, std::string_view text) {
    return ShortName(path).Byte(6).ShortName(text);
  }
  LayoutBuilder& Ident(std::string_view path, std::string_view identifier) {
    return ShortName(path).Byte(7).ShortName(identifier);
  }
  LayoutBuilder& Bool(std::string_view path, bool v) { return ShortName(path).Byte(v ? 9 : 8); }
  LayoutBuilder& Set(std::string_view path, std::initializer_list<std::string_view> elements) {
    ShortName(path).Byte(11);
    for (std::string_view e : elements) ShortName(e);
    return Byte(0);
  }
  LayoutBuilder& Binary(std::string_view path, const Bytes& data) {
    ShortName(path).Byte(10).Int32(static_cast<std::int32_t>(data.size()));
    return Bytes_(data);
  }

  const Bytes& Get() const { return bytes_; }

 private:
  Bytes bytes_;
};

// A picture payload: the graphic class name, then the graphic's own data.
inline std::vector<std::uint8_t> PicturePayload(std::string_view className, const std::vector<std::uint8_t>& data) {
  std::vector<std::uint8_t> out;
  out.push_back(static_cast<std::uint8_t>(className.size()));
  out.insert(out.end(), className.begin(), className.end());
  out.insert(out.end(), data.begin(), data.end());
  return out;
}

}  // namespace nivarra::test
