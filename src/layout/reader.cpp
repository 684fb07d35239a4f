#include "layout/reader.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "layout/layout_errors.h"

namespace nivarra {
namespace {

// No layout nests lists or collections more than a few levels deep; anything
// past 1000 is hostile data, refused before it can grow the skip stack.
constexpr int kMaxSkipNesting = 1000;
constexpr std::size_t kSkipPiece = 256;

[[noreturn]] void Fail(const char* text) { throw EReadError(text); }

std::uint64_t LoadLittleEndian(const std::uint8_t* bytes, int count) {
  std::uint64_t value = 0;
  for (int i = count - 1; i >= 0; --i) value = (value << 8) | bytes[i];
  return value;
}

std::int64_t ReadSigned(TReader& reader, int count) {
  std::uint8_t bytes[8];
  reader.ReadBytes(bytes, static_cast<std::size_t>(count));
  const std::uint64_t raw = LoadLittleEndian(bytes, count);
  // Sign-extend from the top bit of the stored width.
  const int unused = 64 - 8 * count;
  return static_cast<std::int64_t>(raw << unused) >> unused;
}

// A 32-bit length, refused when negative or beyond what is left to read
// (buffered bytes plus the rest of the stream): hostile data must never size
// an allocation or a skip. `buffered` is taken before the length is read.
std::size_t ReadLength(TReader& reader, std::size_t buffered, std::uint64_t unitBytes) {
  const std::uint64_t left = buffered + static_cast<std::uint64_t>(reader.Stream().Remaining());
  const std::int32_t n = reader.ReadInt32();
  if (n < 0 || left < 4 || static_cast<std::uint64_t>(n) * unitBytes > left - 4) Fail(layout_text::kStreamReadError);
  return static_cast<std::size_t>(n);
}

std::string ReadNarrowPayload(TReader& reader, std::size_t count) {
  std::string text(count, '\0');
  reader.ReadBytes(text.data(), count);
  return text;
}

std::u16string ReadUtf16Payload(TReader& reader, std::size_t units) {
  std::string raw = ReadNarrowPayload(reader, units * 2);
  std::u16string text(units, u'\0');
  for (std::size_t i = 0; i < units; ++i) {
    text[i] = static_cast<char16_t>(static_cast<std::uint8_t>(raw[2 * i]) |
                                    static_cast<std::uint8_t>(raw[2 * i + 1]) << 8);
  }
  return text;
}

// 80-bit extended: 64-bit mantissa with its integer bit stored, 15-bit
// exponent biased by 16383, sign on top. Scaling the whole mantissa keeps this
// independent of how the platform lays out its own long double.
long double ExtendedFromBytes(const std::uint8_t* bytes) {
  const std::uint64_t mantissa = LoadLittleEndian(bytes, 8);
  const unsigned top = static_cast<unsigned>(bytes[8] | bytes[9] << 8);
  const int exponent = static_cast<int>(top & 0x7FFF);
  const long double sign = (top & 0x8000) != 0 ? -1.0L : 1.0L;
  if (exponent == 0x7FFF) {
    // The integer bit does not matter here: no fraction means infinity.
    if ((mantissa & 0x7FFF'FFFF'FFFF'FFFFULL) == 0) return sign * std::numeric_limits<long double>::infinity();
    return std::copysign(std::numeric_limits<long double>::quiet_NaN(), sign);
  }
  // Denormals have exponent 0 but scale as if it were 1.
  const int scale = std::max(exponent, 1) - 16383 - 63;
  return sign * std::ldexp(static_cast<long double>(mantissa), scale);
}

// 8-bit text is Latin-1 both ways; a character beyond it becomes '?'.
std::string NarrowFromUtf16(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    if (unit <= 0xFF) {
      out += static_cast<char>(unit);
      continue;
    }
    // A surrogate pair is one character, so one '?'.
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) ++i;
    out += '?';
  }
  return out;
}

std::u16string WidenLatin1(std::string_view text) {
  std::u16string out(text.size(), u'\0');
  std::transform(text.begin(), text.end(), out.begin(),
                 [](char c) { return static_cast<char16_t>(static_cast<std::uint8_t>(c)); });
  return out;
}

// Each maximal ill-formed part (bad lead byte, overlong form, surrogate, beyond
// U+10FFFF, or a sequence cut short) becomes one U+FFFD.
std::u16string Utf16FromUtf8(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  const auto byteAt = [&](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
  std::size_t i = 0;
  while (i < text.size()) {
    const std::uint8_t lead = byteAt(i++);
    if (lead < 0x80) {
      out += static_cast<char16_t>(lead);
      continue;
    }
    int trail = 0;
    std::uint8_t low = 0x80, high = 0xBF;  // allowed range of the first trail byte
    char32_t code = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
      trail = 1, code = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      trail = 2, code = lead & 0x0Fu;
      if (lead == 0xE0) low = 0xA0;   // overlong
      if (lead == 0xED) high = 0x9F;  // surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      trail = 3, code = lead & 0x07u;
      if (lead == 0xF0) low = 0x90;   // overlong
      if (lead == 0xF4) high = 0x8F;  // beyond U+10FFFF
    } else {
      out += u'\uFFFD';
      continue;
    }
    bool complete = true;
    for (int k = 0; k < trail; ++k, low = 0x80, high = 0xBF) {
      if (i >= text.size() || byteAt(i) < low || byteAt(i) > high) {
        complete = false;
        break;
      }
      code = (code << 6) | (byteAt(i++) & 0x3Fu);
    }
    if (!complete) {
      out += u'\uFFFD';
    } else if (code >= 0x10000) {
      code -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (code >> 10));
      out += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
    } else {
      out += static_cast<char16_t>(code);
    }
  }
  return out;
}

bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b) {
  const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return lower(x) == lower(y); });
}

}  // namespace

TFiler::TFiler(TStream& stream, int bufferSize)
    : stream_(stream), buffer_(static_cast<std::size_t>(std::max(bufferSize, 1))) {}

TReader::TReader(TStream& stream, int bufferSize) : TFiler(stream, bufferSize) {}

TReader::~TReader() {
  if (position_ < end_) {
    try {
      stream_.Seek(-static_cast<std::int64_t>(end_ - position_), SeekOrigin::Current);
    } catch (...) {
      // A destructor must not throw; the stream keeps whatever position it has.
    }
  }
}

void TReader::Refill() {
  const std::int64_t got = stream_.Read(buffer_.data(), static_cast<std::int64_t>(buffer_.size()));
  // A refill that yields nothing means the stream ended inside a value.
  if (got <= 0) Fail(layout_text::kStreamReadError);
  position_ = 0;
  end_ = static_cast<std::size_t>(got);
}

std::uint8_t TReader::ReadByte() {
  if (position_ == end_) Refill();
  return buffer_[position_++];
}

std::uint8_t TReader::PeekByte() {
  if (position_ == end_) Refill();
  return buffer_[position_];
}

void TReader::ReadBytes(void* destination, std::size_t count) {
  auto* out = static_cast<std::uint8_t*>(destination);
  while (count > 0) {
    if (position_ == end_) Refill();
    const std::size_t n = std::min(count, end_ - position_);
    std::memcpy(out, buffer_.data() + position_, n);
    position_ += n;
    out += n;
    count -= n;
  }
}

std::int32_t TReader::ReadInt32() { return static_cast<std::int32_t>(ReadSigned(*this, 4)); }

void TReader::SkipBytes(std::uint64_t count) {
  std::uint8_t scratch[kSkipPiece];
  while (count > 0) {
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(count, kSkipPiece));
    ReadBytes(scratch, n);
    count -= n;
  }
}

void TReader::CheckLayoutSignature() {
  // A stream shorter than the signature fails as any short read does.
  char signature[4];
  ReadBytes(signature, sizeof signature);
  if (std::memcmp(signature, "TPF0", 4) != 0) Fail(layout_text::kInvalidStreamFormat);
}

RecordPrefix TReader::ReadRecordPrefix() {
  RecordPrefix prefix;
  if ((PeekByte() & 0xF0) != 0xF0) return prefix;
  prefix.Flags = ReadByte() & 0x0F;
  if ((prefix.Flags & kFlagChildPosition) != 0) prefix.ChildPosition = ReadWholeNumber();
  return prefix;
}

std::string TReader::ReadShortName() { return ReadNarrowPayload(*this, ReadByte()); }

ValueCode TReader::PeekValueCode() { return static_cast<ValueCode>(PeekByte()); }

ValueCode TReader::TakeValueCode() { return static_cast<ValueCode>(ReadByte()); }

bool TReader::AtListEnd() { return PeekByte() == 0; }

void TReader::ExpectListStart() {
  if (TakeValueCode() == ValueCode::List) return;
  --position_;  // the code byte was just taken from the buffer, so it is still there
  SkipValueRecord();
  Fail(layout_text::kInvalidPropertyValue);
}

void TReader::ExpectListEnd() {
  if (TakeValueCode() == ValueCode::Null) return;
  --position_;
  SkipValueRecord();
  Fail(layout_text::kInvalidPropertyValue);
}

std::int32_t TReader::ReadWholeNumber() {
  switch (TakeValueCode()) {
    case ValueCode::Int8: return static_cast<std::int32_t>(ReadSigned(*this, 1));
    case ValueCode::Int16: return static_cast<std::int32_t>(ReadSigned(*this, 2));
    case ValueCode::Int32: return static_cast<std::int32_t>(ReadSigned(*this, 4));
    default: Fail(layout_text::kInvalidPropertyValue);
  }
}

// The wider readers give a code they do not handle themselves back to the
// narrower one, which consumes it again and raises if it is no number at all.
std::int64_t TReader::ReadLargeNumber() {
  if (TakeValueCode() == ValueCode::Int64) return ReadSigned(*this, 8);
  --position_;
  return ReadWholeNumber();
}

long double TReader::ReadExtendedValue() {
  if (TakeValueCode() == ValueCode::Extended) {
    std::uint8_t bytes[10];
    ReadBytes(bytes, sizeof bytes);
    return ExtendedFromBytes(bytes);
  }
  --position_;
  return static_cast<long double>(ReadLargeNumber());
}

float TReader::ReadSingleValue() {
  if (TakeValueCode() == ValueCode::Single) {
    const auto bits = static_cast<std::uint32_t>(ReadSigned(*this, 4));
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
  }
  --position_;
  return static_cast<float>(ReadLargeNumber());
}

std::int64_t TReader::ReadCurrencyValue() {
  if (TakeValueCode() == ValueCode::Currency) return ReadSigned(*this, 8);
  --position_;
  const std::int64_t whole = ReadLargeNumber();
  // A 64-bit integer that cannot be a currency amount is no valid value.
  constexpr std::int64_t kLimit = std::numeric_limits<std::int64_t>::max() / 10000;
  if (whole > kLimit || whole < -kLimit) Fail(layout_text::kInvalidPropertyValue);
  return whole * 10000;
}

double TReader::ReadDateValue() {
  if (TakeValueCode() == ValueCode::Date) {
    const auto bits = static_cast<std::uint64_t>(ReadSigned(*this, 8));
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
  }
  --position_;
  return static_cast<double>(ReadLargeNumber());
}

std::string TReader::ReadIdentifier() {
  switch (TakeValueCode()) {
    case ValueCode::Ident: return ReadShortName();
    case ValueCode::False: return "False";
    case ValueCode::True: return "True";
    case ValueCode::Nil: return "nil";
    case ValueCode::Null: return "Null";
    default: Fail(layout_text::kInvalidPropertyValue);
  }
}

std::string TReader::ReadText() {
  switch (TakeValueCode()) {
    case ValueCode::String: return ReadShortName();
    case ValueCode::LString: return ReadNarrowPayload(*this, ReadLength(*this, end_ - position_, 1));
    case ValueCode::WString: return NarrowFromUtf16(ReadUtf16Payload(*this, ReadLength(*this, end_ - position_, 2)));
    case ValueCode::Utf8String:
      return NarrowFromUtf16(Utf16FromUtf8(ReadNarrowPayload(*this, ReadLength(*this, end_ - position_, 1))));
    default: Fail(layout_text::kInvalidPropertyValue);
  }
}

std::u16string TReader::ReadWideText() {
  switch (TakeValueCode()) {
    case ValueCode::WString: return ReadUtf16Payload(*this, ReadLength(*this, end_ - position_, 2));
    case ValueCode::Utf8String: return Utf16FromUtf8(ReadNarrowPayload(*this, ReadLength(*this, end_ - position_, 1)));
    case ValueCode::String: return WidenLatin1(ReadShortName());
    case ValueCode::LString: return WidenLatin1(ReadNarrowPayload(*this, ReadLength(*this, end_ - position_, 1)));
    default: Fail(layout_text::kInvalidPropertyValue);
  }
}

char TReader::ReadCharacter() {
  const std::string text = ReadText();
  if (text.size() > 1) Fail(layout_text::kInvalidPropertyValue);
  return text.empty() ? '\0' : text[0];
}

bool TReader::ReadBooleanValue() { return TakeValueCode() == ValueCode::True; }

std::uint32_t TReader::ReadSetElements(std::span<const std::string_view> names) {
  std::uint32_t mask = 0;
  try {
    if (TakeValueCode() != ValueCode::Set) Fail(layout_text::kInvalidPropertyValue);
    for (std::string name = ReadShortName(); !name.empty(); name = ReadShortName()) {
      const auto found = std::find_if(names.begin(), names.end(),
                                      [&](std::string_view candidate) { return EqualIgnoringAsciiCase(candidate, name); });
      if (found == names.end()) Fail(layout_text::kInvalidPropertyValue);
      const auto ordinal = static_cast<std::size_t>(found - names.begin());
      if (ordinal <= 31) mask |= std::uint32_t{1} << ordinal;
    }
  } catch (const EReadError&) {
    // Leave the reader after the set's terminating empty name, whatever went
    // wrong; if the stream ends first, that read error replaces this one.
    for (std::uint8_t n = ReadByte(); n != 0; n = ReadByte()) SkipBytes(n);
    throw;
  }
  return mask;
}

TVariant TReader::ReadVariantValue() {
  TVariant value;
  const ValueCode code = TakeValueCode();
  switch (code) {
    case ValueCode::Null: value.Type = TVariant::Kind::Null; break;
    case ValueCode::Nil: value.Type = TVariant::Kind::Unassigned; break;
    case ValueCode::Int8:
    case ValueCode::Int16:
    case ValueCode::Int32:
      --position_;
      value.Type = TVariant::Kind::Integer;
      value.Integer = ReadWholeNumber();
      break;
    case ValueCode::Int64:
      value.Type = TVariant::Kind::Int64;
      value.Integer = ReadSigned(*this, 8);
      break;
    case ValueCode::Extended:
      --position_;
      value.Type = TVariant::Kind::Double;
      value.Real = static_cast<double>(ReadExtendedValue());
      break;
    case ValueCode::Single:
      --position_;
      value.Type = TVariant::Kind::Single;
      value.Real = ReadSingleValue();
      break;
    case ValueCode::Currency:
      value.Type = TVariant::Kind::Currency;
      value.Integer = ReadSigned(*this, 8);
      break;
    case ValueCode::Date:
      --position_;
      value.Type = TVariant::Kind::Date;
      value.Real = ReadDateValue();
      break;
    case ValueCode::String:
    case ValueCode::LString:
      --position_;
      value.Type = TVariant::Kind::String;
      value.Text = ReadText();
      break;
    case ValueCode::WString:
    case ValueCode::Utf8String:
      --position_;
      value.Type = TVariant::Kind::WideString;
      value.WideText = ReadWideText();
      break;
    case ValueCode::False:
    case ValueCode::True:
      value.Type = TVariant::Kind::Boolean;
      value.Integer = code == ValueCode::True ? 1 : 0;
      break;
    case ValueCode::Binary: {
      value.Type = TVariant::Kind::Custom;
      value.Custom.resize(ReadLength(*this, end_ - position_, 1));
      ReadBytes(value.Custom.data(), value.Custom.size());
      break;
    }
    default: Fail(layout_text::kStreamReadError);
  }
  return value;
}

// Iterative, so hostile nesting costs one small stack entry per level rather
// than a C++ frame; the nesting limit bounds even that.
void TReader::SkipValueRecord() {
  enum class Open : std::uint8_t { List, Collection, Item };
  std::vector<Open> open;
  int nesting = 0;  // open lists and collections; items do not count

  const auto enter = [&](Open kind) {
    if (nesting == kMaxSkipNesting) Fail(layout_text::kStreamReadError);
    ++nesting;
    open.push_back(kind);
  };
  const auto skipShortName = [&] { SkipBytes(ReadByte()); };
  // Passes over one value; a list or collection is only opened here and its
  // contents are left to the loop below.
  const auto skipOne = [&] {
    switch (TakeValueCode()) {
      case ValueCode::Null:
      case ValueCode::False:
      case ValueCode::True:
      case ValueCode::Nil: return;
      case ValueCode::List: return enter(Open::List);
      case ValueCode::Collection: return enter(Open::Collection);
      case ValueCode::Int8: return SkipBytes(1);
      case ValueCode::Int16: return SkipBytes(2);
      case ValueCode::Int32:
      case ValueCode::Single: return SkipBytes(4);
      case ValueCode::Extended: return SkipBytes(10);
      case ValueCode::Currency:
      case ValueCode::Date:
      case ValueCode::Int64: return SkipBytes(8);
      case ValueCode::String:
      case ValueCode::Ident: return skipShortName();
      case ValueCode::Binary:
      case ValueCode::LString:
      case ValueCode::Utf8String: return SkipBytes(ReadLength(*this, end_ - position_, 1));
      case ValueCode::WString: return SkipBytes(std::uint64_t{2} * ReadLength(*this, end_ - position_, 2));
      case ValueCode::Set:
        for (std::uint8_t n = ReadByte(); n != 0; n = ReadByte()) SkipBytes(n);
        return;
    }
    // No code beyond the table has a length we could step over.
    Fail(layout_text::kStreamReadError);
  };

  skipOne();
  while (!open.empty()) {
    if (PeekByte() == 0) {
      ReadByte();
      if (open.back() != Open::Item) --nesting;
      open.pop_back();
      continue;
    }
    switch (open.back()) {
      case Open::List: skipOne(); break;
      case Open::Collection: {
        const std::uint8_t next = PeekByte();
        if (next >= 2 && next <= 4) skipOne();  // the item's order value
        ReadByte();                             // the item's list marker, unchecked
        open.push_back(Open::Item);
        break;
      }
      case Open::Item:
        skipShortName();
        skipOne();
        break;
    }
  }
}

}  // namespace nivarra
