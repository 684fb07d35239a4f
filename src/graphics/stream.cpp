#include "graphics/stream.h"

#include <algorithm>
#include <cstring>

namespace nivarra {

std::int64_t TMemoryStream::Read(void* buffer, std::int64_t count) {
  if (count <= 0 || position_ >= Size()) return 0;
  const std::int64_t n = std::min(count, Size() - position_);
  std::memcpy(buffer, bytes_.data() + position_, static_cast<std::size_t>(n));
  position_ += n;
  return n;
}

std::int64_t TMemoryStream::Seek(std::int64_t offset, SeekOrigin origin) {
  std::int64_t base = 0;
  switch (origin) {
    case SeekOrigin::Beginning: base = 0; break;
    case SeekOrigin::Current: base = position_; break;
    case SeekOrigin::End: base = Size(); break;
  }
  // Saturate instead of overflowing on absurd offsets from corrupt data.
  if (offset > 0 && base > INT64_MAX - offset) {
    position_ = INT64_MAX;
  } else {
    position_ = std::max<std::int64_t>(0, base + offset);
  }
  return position_;
}

void TMemoryStream::Write(const void* buffer, std::size_t count) {
  const auto end = static_cast<std::size_t>(position_) + count;
  if (end > bytes_.size()) bytes_.resize(end);
  if (count > 0) std::memcpy(bytes_.data() + position_, buffer, count);
  position_ = static_cast<std::int64_t>(end);
}

}  // namespace nivarra
