#pragma once
// TReader's value layer: the layout stream's bytes through a read-ahead
// buffer, every value type decoded and checked, and values skipped whole.
// The loading operations (records, properties, components) build on it.

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "graphics/stream.h"

namespace nivarra {

class TLayoutLoader;

// The type code in front of every stored value.
enum class ValueCode : std::uint8_t {
  Null = 0,
  List = 1,
  Int8 = 2,
  Int16 = 3,
  Int32 = 4,
  Extended = 5,
  String = 6,
  Ident = 7,
  False = 8,
  True = 9,
  Binary = 10,
  Set = 11,
  LString = 12,
  Nil = 13,
  Collection = 14,
  Single = 15,
  Currency = 16,
  Date = 17,
  WString = 18,
  Int64 = 19,
  Utf8String = 20,
};

// A value read as a variant.
struct TVariant {
  enum class Kind { Null, Unassigned, Integer, Int64, Double, Single, Currency, Date, String, WideString, Boolean, Custom };
  Kind Type = Kind::Null;
  std::int64_t Integer = 0;   // Integer, Int64, Currency (amount × 10,000), Boolean (0 or 1)
  double Real = 0;            // Double, Single, Date
  std::string Text;           // String
  std::u16string WideText;    // WideString
  std::vector<std::uint8_t> Custom;  // custom variant data (binary payload)
};

// Flags of a component record's optional prefix byte.
enum RecordFlag : std::uint8_t { kFlagInherited = 1, kFlagChildPosition = 2, kFlagInline = 4 };

struct RecordPrefix {
  std::uint8_t Flags = 0;         // the low nibble; 0 without a prefix
  std::int32_t ChildPosition = 0; // only with kFlagChildPosition
};

// The stream side shared by readers: the source and its read-ahead buffer.
class TFiler {
 public:
  TFiler(TStream& stream, int bufferSize);
  TFiler(const TFiler&) = delete;
  TFiler& operator=(const TFiler&) = delete;
  virtual ~TFiler() = default;
  TStream& Stream() const { return stream_; }

 protected:
  TStream& stream_;
  std::vector<std::uint8_t> buffer_;
  std::size_t position_ = 0;  // next unread byte of buffer_
  std::size_t end_ = 0;       // bytes of buffer_ that hold data
};

class TReader : public TFiler {
 public:
  TReader(TStream& stream, int bufferSize);
  // Moves the stream back by the bytes read ahead and not used, so it stands
  // just after the last byte consumed.
  ~TReader() override;

  // "Invalid stream format" unless the next four bytes are "TPF0".
  void CheckLayoutSignature();
  RecordPrefix ReadRecordPrefix();
  std::string ReadShortName();

  ValueCode PeekValueCode();
  ValueCode TakeValueCode();
  bool AtListEnd();
  // Another code than 1 (or 0): the code is given back, the whole value
  // skipped, then "Invalid property value".
  void ExpectListStart();
  void ExpectListEnd();

  std::int32_t ReadWholeNumber();
  std::int64_t ReadLargeNumber();
  long double ReadExtendedValue();
  float ReadSingleValue();
  std::int64_t ReadCurrencyValue();  // the amount × 10,000
  double ReadDateValue();
  std::string ReadIdentifier();
  std::string ReadText();
  std::u16string ReadWideText();
  char ReadCharacter();
  bool ReadBooleanValue();
  // Bit n set for each element whose ordinal n (its index in names) is at
  // most 31; names match ignoring ASCII letter case.
  std::uint32_t ReadSetElements(std::span<const std::string_view> names);
  TVariant ReadVariantValue();
  void SkipValueRecord();

  // Raw access for the loading operations and custom property readers.
  std::uint8_t ReadByte();
  void ReadBytes(void* destination, std::size_t count);
  std::int32_t ReadInt32();
  void SkipBytes(std::uint64_t count);
  // The byte that comes next, not consumed.
  std::uint8_t PeekByte();

  // Custom property declarations, called back from an object's
  // DeclareCustomProperties while a property record is applied: the reader
  // acts on the declaration whose name matches the property being read.
  // A property routine reads its value itself; a binary routine gets a
  // stream of exactly the value's bytes, positioned at 0.
  void DeclareProperty(std::string_view name, const std::function<void(TReader&)>& routine);
  void DeclareBinaryProperty(std::string_view name, const std::function<void(TStream&)>& routine);

  // The loading side (records, properties, references) this reader serves.
  TLayoutLoader* Loader() const { return loader_; }
  void SetLoader(TLayoutLoader* loader) { loader_ = loader; }

 private:
  void Refill();

  TLayoutLoader* loader_ = nullptr;
};

}  // namespace nivarra
