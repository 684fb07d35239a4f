#pragma once
// Owns one zlib inflate stream: inflateInit on construction, inflateEnd on
// destruction, whichever way the owner leaves.

#include <zlib.h>

#include <cstdint>
#include <cstring>

namespace nivarra {

class Inflater {
 public:
  // Returns zlib's result of inflateInit (Z_OK on success).
  Inflater() {
    std::memset(&stream_, 0, sizeof stream_);
    initResult_ = inflateInit(&stream_);
  }
  ~Inflater() {
    if (initResult_ == Z_OK) inflateEnd(&stream_);
  }
  Inflater(const Inflater&) = delete;
  Inflater& operator=(const Inflater&) = delete;

  int InitResult() const { return initResult_; }
  z_stream& Stream() { return stream_; }
  int Inflate() { return inflate(&stream_, Z_NO_FLUSH); }

 private:
  z_stream stream_;
  int initResult_;
};

}  // namespace nivarra
