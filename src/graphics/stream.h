#pragma once
// Byte streams: the reader side of PNG data and of the layout resource.
// Read delivers at most the bytes asked for and says how many it delivered;
// a short read is not an error here, the caller decides what it means.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace nivarra {

enum class SeekOrigin { Beginning, Current, End };

class TStream {
 public:
  virtual ~TStream() = default;
  // Copies up to count bytes into buffer; returns the number copied.
  virtual std::int64_t Read(void* buffer, std::int64_t count) = 0;
  // Moves the position (never below 0; beyond the end is allowed and reads
  // nothing there). Returns the new position.
  virtual std::int64_t Seek(std::int64_t offset, SeekOrigin origin) = 0;
  virtual std::int64_t Size() const = 0;
  virtual std::int64_t Position() const = 0;

  std::int64_t Remaining() const {
    const std::int64_t left = Size() - Position();
    return left > 0 ? left : 0;
  }
};

// A stream over bytes it owns; it can also be written, which tests use to
// build their own streams.
class TMemoryStream final : public TStream {
 public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::span<const std::uint8_t> bytes)
      : bytes_(bytes.begin(), bytes.end()) {}
  explicit TMemoryStream(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}

  std::int64_t Read(void* buffer, std::int64_t count) override;
  std::int64_t Seek(std::int64_t offset, SeekOrigin origin) override;
  std::int64_t Size() const override { return static_cast<std::int64_t>(bytes_.size()); }
  std::int64_t Position() const override { return position_; }

  // Writes at the position, growing the stream as needed.
  void Write(const void* buffer, std::size_t count);
  const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

 private:
  std::vector<std::uint8_t> bytes_;
  std::int64_t position_ = 0;
};

}  // namespace nivarra
