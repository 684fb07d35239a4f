// The layout reader's value layer: decoding, refusals, skipping, refills.
// Every expected value below was worked out by hand from the byte format.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "layout/layout_errors.h"
#include "layout/reader.h"

namespace nivarra {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Read = std::function<std::string(TReader&)>;
constexpr std::uint8_t kAfter = 0x5A;  // the byte after the value under test
const std::string kReadError = std::string("!") + layout_text::kStreamReadError;
const std::string kBadValue = std::string("!") + layout_text::kInvalidPropertyValue;

template <class T>
std::string Str(const T& value) {
  std::ostringstream out;
  out.precision(20);
  out << value;
  return out.str();
}

std::string Hex(const std::u16string& text) {
  std::string out;
  for (char16_t unit : text) {
    char piece[8];
    std::snprintf(piece, sizeof piece, out.empty() ? "%04X" : " %04X", unsigned(unit));
    out += piece;
  }
  return out;
}

std::string Describe(const TVariant& v) {
  using K = TVariant::Kind;
  static const char* const kKinds[] = {"Null", "Unassigned", "Integer", "Int64", "Double", "Single",
                                       "Currency", "Date", "String", "WideString", "Boolean", "Custom"};
  const std::string kind = kKinds[int(v.Type)];
  switch (v.Type) {
    case K::Null: case K::Unassigned: return kind;
    case K::Double: case K::Single: case K::Date: return kind + " " + Str(v.Real);
    case K::String: return kind + " " + v.Text;
    case K::WideString: return kind + " " + Hex(v.WideText);
    case K::Custom: return kind + " " + Hex(std::u16string(v.Custom.begin(), v.Custom.end()));
    default: return kind + " " + Str(v.Integer);
  }
}

struct Outcome {
  std::string result;     // what read gave, or "!" and the error's message
  std::int64_t consumed;  // where the stream stands once the reader is gone
};

// Runs read over bytes followed by kAfter, through a small buffer so values
// straddle refills.
Outcome Consume(Bytes bytes, const Read& read, int bufferSize = 7) {
  bytes.push_back(kAfter);
  TMemoryStream stream(std::move(bytes));
  std::string result;
  {
    TReader reader(stream, bufferSize);
    try {
      result = read(reader);
    } catch (const EReadError& e) {
      result = "!" + e.Message();
    }
  }
  return {result, stream.Position()};
}

// The four style names, then e4 to e39 for ordinals past 31.
const std::vector<std::string> kNames = [] {
  std::vector<std::string> names = {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"};
  for (int i = 4; i < 40; ++i) names.push_back("e" + std::to_string(i));
  return names;
}();
const std::vector<std::string_view> kNameViews(kNames.begin(), kNames.end());
const Read whole = [](TReader& r) { return Str(r.ReadWholeNumber()); };
const Read large = [](TReader& r) { return Str(r.ReadLargeNumber()); };
const Read extended = [](TReader& r) { return Str(r.ReadExtendedValue()); };
const Read single = [](TReader& r) { return Str(r.ReadSingleValue()); };
const Read date = [](TReader& r) { return Str(r.ReadDateValue()); };
const Read currency = [](TReader& r) { return Str(r.ReadCurrencyValue()); };
const Read ident = [](TReader& r) { return r.ReadIdentifier(); };
const Read text = [](TReader& r) { return r.ReadText(); };
const Read wide = [](TReader& r) { return Hex(r.ReadWideText()); };
const Read character = [](TReader& r) { return Str(int(std::uint8_t(r.ReadCharacter()))); };
const Read boolean = [](TReader& r) { return Str(r.ReadBooleanValue()); };
const Read set = [](TReader& r) { return Str(r.ReadSetElements(kNameViews)); };
const Read prefix = [](TReader& r) { const RecordPrefix p = r.ReadRecordPrefix(); return Str(int(p.Flags)) + "/" + Str(p.ChildPosition); };
const Read shortName = [](TReader& r) { return r.ReadShortName(); };
const Read atEnd = [](TReader& r) { return Str(r.AtListEnd()); };
const Read listStart = [](TReader& r) { r.ExpectListStart(); return std::string("ok"); };
const Read listEnd = [](TReader& r) { r.ExpectListEnd(); return std::string("ok"); };
const Read variant = [](TReader& r) { return Describe(r.ReadVariantValue()); };
const Read skip = [](TReader& r) { r.SkipValueRecord(); return std::string("ok"); };
const Read signature = [](TReader& r) { r.CheckLayoutSignature(); return std::string("ok"); };

TEST(ReaderValues, DecodeAsStored) {
  struct Case { Bytes bytes; const Read& read; std::string expected; std::int64_t consumed = -1; /* -1: all */ };
  const Case cases[] = {
      {{'T', 'P', 'F', '0'}, signature, "ok"}, {{'T', 'P', 'F', '1', 2, 1}, signature, "!Invalid stream format", 4},
      {{2, 0xF5}, whole, "-11"}, {{3, 0x61, 0x03}, whole, "865"}, {{4, 0x78, 0x56, 0x34, 0x92}, whole, "-1842063752"},
      {{2, 0x80}, large, "-128"}, {{19, 0, 0, 0, 0, 1, 0, 0, 0}, large, "4294967296"},
      {{19, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, large, "-2"},
      // Extended: 8 mantissa bytes with the integer bit, then sign and exponent (bias 16383).
      {{5, 0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F}, extended, "1"},
      {{5, 0, 0, 0, 0, 0, 0, 0, 0xA0, 0x00, 0xC0}, extended, "-2.5"},
      {{5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, extended, "0"}, {{5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x80}, extended, "-0"},
      {{5, 0, 0, 0, 0, 0, 0x4E, 0x61, 0xBC, 0x16, 0x40}, extended, "12345678"},  // 0xBC614E, exponent 23
      {{5, 0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0xFF}, extended, "-inf"},
      {{5, 0, 0, 0, 0, 0, 0, 0, 0xC0, 0xFF, 0x7F}, extended, "nan"}, {{2, 0xF5}, extended, "-11"},
      {{15, 0, 0, 0xC0, 0x3F}, single, "1.5"}, {{3, 0x61, 0x03}, single, "865"},
      {{17, 0, 0, 0, 0, 0, 0, 0xF8, 0x3F}, date, "1.5"},
      {{16, 0x48, 0xE8, 0x01, 0, 0, 0, 0, 0}, currency, "125000"}, {{3, 0x61, 0x03}, currency, "8650000"},
      {{19, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}, currency, kBadValue},  // too large to scale
      {{7, 3, 'a', 'b', 'c'}, ident, "abc"}, {{8}, ident, "False"}, {{9}, ident, "True"}, {{13}, ident, "nil"},
      {{0}, ident, "Null"}, {{6, 2, 'h', 'i'}, text, "hi"}, {{12, 3, 0, 0, 0, 'a', 'b', 'c'}, text, "abc"},
      // é, €, A; U+1F600 as a surrogate pair is one character, so one '?'.
      {{18, 3, 0, 0, 0, 0xE9, 0, 0xAC, 0x20, 'A', 0}, text, "\xE9?A"},
      {{18, 2, 0, 0, 0, 0x3D, 0xD8, 0x00, 0xDE}, text, "?"},
      {{20, 5, 0, 0, 0, 0xC3, 0xA9, 0xE2, 0x82, 0xAC}, text, "\xE9?"},
      {{6, 1, 'x'}, character, "120"}, {{6, 0}, character, "0"}, {{20, 2, 0, 0, 0, 0xC3, 0xA9}, character, "233"},
      {{6, 2, 'a', 'b'}, character, kBadValue},
      {{18, 2, 0, 0, 0, 0xAC, 0x20, 'A', 0}, wide, "20AC 0041"}, {{6, 2, 0xE9, 'x'}, wide, "00E9 0078"},
      {{20, 4, 0, 0, 0, 0xF0, 0x9F, 0x98, 0x80}, wide, "D83D DE00"},
      // A cut-short pair, bad lead C0, stray trail AF, surrogate ED A0 80 (three
      // pieces) and a three-byte form ending early: one U+FFFD each.
      {{20, 9, 0, 0, 0, 0xC3, 'a', 0xC0, 0xAF, 0xED, 0xA0, 0x80, 0xE2, 0x82}, wide,
       "FFFD 0061 FFFD FFFD FFFD FFFD FFFD FFFD"},
      {{9}, boolean, "1"}, {{2, 1}, boolean, "0", 1}, {{11, 0}, set, "0"},
      {{11, 8, 'F', 'S', 'I', 'T', 'A', 'L', 'I', 'C', 11, 'f', 's', 'S', 't', 'r', 'i', 'k', 'e', 'O', 'u', 't', 0}, set, "10"},
      {{11, 6, 'f', 's', 'B', 'o', 'l', 'd', 2, 'x', 'y', 6, 'f', 's', 'B', 'o', 'l', 'd', 0}, set, kBadValue},
      {{11, 3, 'e', '3', '1', 3, 'e', '3', '3', 2, 'e', '4', 0}, set, "2147483664"},  // bits 31 and 4
      {{7, 1, 'x', 0}, set, kBadValue},  // a wrong code still reads on to an empty name
      {{0xE6}, prefix, "0/0", 0}, {{0xF1, 6}, prefix, "1/0", 1},
      {{0xF6, 3, 0x61, 0x03}, prefix, "6/865"}, {{0xF2, 6, 0}, prefix, kBadValue, 2},
      {{0}, shortName, ""},
      {{0}, atEnd, "1", 0}, {{1}, atEnd, "0", 0}, {{1}, listStart, "ok"}, {{0}, listEnd, "ok"},
      {{6, 2, 'a', 'b'}, listStart, kBadValue}, {{1, 2, 5, 1, 0, 0}, listEnd, kBadValue},
      {{0}, variant, "Null"}, {{13}, variant, "Unassigned"}, {{2, 0xF5}, variant, "Integer -11"},
      {{19, 0, 0, 0, 0, 0, 0, 0, 0x80}, variant, "Int64 -9223372036854775808"},
      {{5, 0, 0, 0, 0, 0, 0, 0, 0xA0, 0, 0xC0}, variant, "Double -2.5"}, {{8}, variant, "Boolean 0"}, {{9}, variant, "Boolean 1"},
      {{15, 0, 0, 0xC0, 0x3F}, variant, "Single 1.5"},
      {{16, 0x48, 0xE8, 1, 0, 0, 0, 0, 0}, variant, "Currency 125000"},
      {{17, 0, 0, 0, 0, 0, 0, 0xF8, 0x3F}, variant, "Date 1.5"}, {{12, 1, 0, 0, 0, 'q'}, variant, "String q"},
      {{20, 2, 0, 0, 0, 0xC3, 0xA9}, variant, "WideString 00E9"}, {{10, 2, 0, 0, 0, 0xDE, 0xAD}, variant, "Custom 00DE 00AD"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "code " << int(c.bytes[0]) << ", expecting " << c.expected);
    const Outcome out = Consume(c.bytes, c.read);
    EXPECT_EQ(out.result, c.expected);
    EXPECT_EQ(out.consumed, c.consumed < 0 ? std::ssize(c.bytes) : c.consumed);
  }
}

TEST(ReaderValues, ExtendedKeepsItsFullRange) {
  using L = std::numeric_limits<long double>;
  if constexpr (L::digits == 64) {  // the platform's long double is the 80-bit format
    const std::pair<Bytes, long double> cases[] = {
        {{5, 0, 0, 0, 0, 0, 0, 0, 0xC0, 0x7F, 0x7E}, 1.5L * std::ldexp(1.0L, 16000)},
        {{5, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE, 0x7F}, L::max()},
        {{5, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0}, L::denorm_min()}};
    for (const auto& [bytes, expected] : cases) {
      long double value = 0;
      Consume(bytes, [&](TReader& r) { value = r.ReadExtendedValue(); return std::string(); });
      EXPECT_EQ(value, expected);
    }
  }
}

TEST(ReaderValues, WrongCodesRaiseAfterTakingOnlyTheCode) {
  const std::pair<const Read&, Bytes> cases[] = {
      {whole, {0, 1, 5, 6, 19, 21}}, {large, {5, 6, 15, 0xFF}}, {extended, {6, 15, 16}},
      {single, {5, 16, 17}}, {currency, {5, 15, 17}}, {date, {5, 15, 16}}, {ident, {1, 2, 6, 12}},
      {text, {0, 2, 7, 13}}, {wide, {0, 2, 7}}, {character, {2, 7}}};
  for (const auto& [read, codes] : cases) {
    for (std::uint8_t code : codes) {
      SCOPED_TRACE(testing::Message() << "code " << int(code));
      const Outcome out = Consume({code}, read);
      EXPECT_TRUE(out.result == kBadValue && out.consumed == 1) << out.result;
    }
  }
  for (std::uint8_t code : Bytes{1, 7, 11, 14, 21, 0xFF}) {
    const Outcome out = Consume({code}, variant);
    EXPECT_TRUE(out.result == kReadError && out.consumed == 1) << out.result;
  }
}

TEST(ReaderSkip, EveryCodeStopsRightAfterItsValue) {
  Bytes longBinary{10, 0x58, 0x02, 0, 0};  // 600 bytes: more than one skip piece
  longBinary.resize(605, 0);
  const Bytes values[] = {
      {0}, {1, 2, 5, 1, 6, 1, 'x', 0, 9, 0}, {2, 0xF5}, {3, 0x61, 0x03}, {4, 1, 2, 3, 4},
      {5, 0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F}, {6, 3, 'a', 'b', 'c'}, {7, 2, 'i', 'd'}, {8}, {9},
      {10, 3, 0, 0, 0, 0, 0, 0}, longBinary, {11, 2, 'a', 'b', 1, 'c', 0}, {12, 2, 0, 0, 0, 'x', 'y'}, {13},
      // Two items: one with a 32-bit order value and an integer property, one
      // without, whose property holds a list.
      {14, 4, 7, 0, 0, 0, 1, 4, 'L', 'e', 'f', 't', 2, 10, 0, 1, 3, 'T', 'a', 'g', 1, 9, 0, 0, 0}, {14, 0},
      {15, 0, 0, 0xC0, 0x3F}, {16, 1, 2, 3, 4, 5, 6, 7, 8}, {17, 0, 0, 0, 0, 0, 0, 0xF8, 0x3F},
      {18, 2, 0, 0, 0, 'A', 0, 'B', 0}, {19, 1, 2, 3, 4, 5, 6, 7, 8}, {20, 2, 0, 0, 0, 0xC3, 0xA9}};
  for (const Bytes& value : values) {
    for (int bufferSize : {1, 7, 4096}) {
      SCOPED_TRACE(testing::Message() << "code " << int(value[0]) << ", buffer " << bufferSize);
      const Outcome out = Consume(value, skip, bufferSize);
      EXPECT_EQ(out.result, "ok");
      EXPECT_EQ(out.consumed, std::ssize(value));
    }
  }
  EXPECT_EQ(Consume({1, 21, 0}, skip).result, kReadError);  // no length to step over
}

TEST(ReaderSkip, NestingIsLimitedToAThousandLevels) {
  const auto nested = [](std::size_t depth) {
    Bytes bytes(depth, 1);
    bytes.resize(2 * depth, 0);
    return bytes;
  };
  EXPECT_EQ(Consume(nested(1000), skip).consumed, 2000);
  EXPECT_EQ(Consume(nested(1001), skip).result, kReadError);
  EXPECT_EQ(Consume(Bytes(1'000'000, 14), skip).result, kReadError);
}

TEST(ReaderRobustness, AStreamEndingInsideAValueIsAReadError) {
  const std::pair<Bytes, const Read&> cases[] = {
      {{19, 1, 2, 3, 4, 5, 6, 7, 8}, large}, {{12, 3, 0, 0, 0, 'a', 'b', 'c'}, text},
      {{18, 1, 0, 0, 0, 'A', 0}, wide}, {{11, 1, 'x', 0}, set}, {{0xF2, 3, 0x61, 0x03}, prefix},
      {{14, 2, 7, 1, 4, 'L', 'e', 'f', 't', 1, 6, 1, 'x', 0, 0, 0}, skip}};
  for (const auto& [bytes, read] : cases) {
    for (std::size_t length = 0; length < bytes.size(); ++length) {
      SCOPED_TRACE(testing::Message() << "code " << int(bytes[0]) << ", " << length << " bytes");
      TMemoryStream stream(Bytes(bytes.begin(), bytes.begin() + std::ptrdiff_t(length)));
      TReader reader(stream, 7);
      try {
        read(reader);
        ADD_FAILURE() << "no error";
      } catch (const EReadError& e) {
        EXPECT_EQ("!" + e.Message(), kReadError);
      }
    }
  }
}

TEST(ReaderRobustness, LengthsBeyondTheStreamAreRefusedBeforeReadingOn) {
  // 0x7FFFFFFF bytes claimed in a 10-byte stream, negative lengths, a count
  // whose byte size passes 2^31, and one byte more than is left ('a', 'b',
  // kAfter). Only the code and the length are consumed.
  const std::pair<Bytes, const Read&> cases[] = {
      {{10, 0xFF, 0xFF, 0xFF, 0x7F, 1, 2, 3, 4}, variant}, {{10, 0xFF, 0xFF, 0xFF, 0x7F, 1, 2, 3, 4}, skip},
      {{12, 0xFF, 0xFF, 0xFF, 0xFF, 'a'}, text}, {{12, 0, 0, 0, 0x80}, skip}, {{20, 0xFE, 0xFF, 0xFF, 0xFF}, wide},
      {{18, 0, 0, 0, 0x40, 'A', 0}, wide}, {{18, 0, 0, 0, 0x40, 'A', 0}, skip}, {{20, 4, 0, 0, 0, 'a', 'b'}, text}};
  for (const auto& [bytes, read] : cases) {
    SCOPED_TRACE(testing::Message() << "code " << int(bytes[0]));
    const Outcome out = Consume(bytes, read, 4096);
    EXPECT_TRUE(out.result == kReadError && out.consumed == 5) << out.result;
  }
  // Exactly what is left is fine, whether buffered or still in the stream.
  EXPECT_EQ(Consume({12, 3, 0, 0, 0, 'a', 'b'}, text, 2).result, "abZ");
  EXPECT_EQ(Consume({12, 3, 0, 0, 0, 'a', 'b'}, text, 4096).result, "abZ");
}

TEST(ReaderBuffer, StreamStandsAfterTheLastByteConsumed) {
  TMemoryStream stream(Bytes{9, 9, 9, 9, 9, 2, 0xF5, 3, 0x61, 0x03, 4, 1, 0, 0, 0, 7, 7});
  stream.Seek(5, SeekOrigin::Beginning);
  {
    TReader reader(stream, 4);  // refills at bytes 9 and 13
    EXPECT_EQ(reader.ReadWholeNumber(), -11);
    EXPECT_EQ(reader.ReadWholeNumber(), 865);
    EXPECT_EQ(reader.ReadWholeNumber(), 1);
    EXPECT_EQ(stream.Position(), 17);
  }
  EXPECT_EQ(stream.Position(), 15);
  { TReader untouched(stream, 4); }
  EXPECT_EQ(stream.Position(), 15);
}

}  // namespace
}  // namespace nivarra
