// Streams and pixel stores: short reads, seeking, row geometry.

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

#include "graphics/exception.h"
#include "graphics/persistent.h"
#include "graphics/pixel_store.h"
#include "graphics/stream.h"

namespace nivarra {
namespace {

TEST(MemoryStream, ShortReadsAndSeeksStayInsideTheBytes) {
  TMemoryStream s(std::vector<std::uint8_t>{1, 2, 3, 4, 5});
  std::uint8_t buffer[8] = {};
  EXPECT_EQ(s.Read(buffer, 3), 3);
  EXPECT_EQ(s.Read(buffer, 8), 2);
  EXPECT_EQ(buffer[1], 5);
  EXPECT_EQ(s.Read(buffer, 8), 0);
  EXPECT_EQ(s.Seek(-10, SeekOrigin::Current), 0);
  EXPECT_EQ(s.Seek(100, SeekOrigin::Beginning), 100);
  EXPECT_EQ(s.Remaining(), 0);
  EXPECT_EQ(s.Read(buffer, 1), 0);
  // A huge forward seek saturates rather than wrapping round.
  EXPECT_EQ(s.Seek(std::numeric_limits<std::int64_t>::max(), SeekOrigin::Current),
            std::numeric_limits<std::int64_t>::max());
  EXPECT_EQ(s.Seek(-2, SeekOrigin::End), 3);
  s.Write("\x09\x08\x07", 3);
  EXPECT_EQ(s.Size(), 6);
  EXPECT_EQ(s.Bytes()[5], 7);
}

TEST(PixelStore, RowsArePaddedToFourBytesInEitherOrder) {
  struct Case {
    int width, bits;
    std::size_t stride;
  };
  for (const Case& c : {Case{1, 24, 4}, Case{300, 24, 900}, Case{3, 24, 12}, Case{1, 1, 4}, Case{33, 1, 8},
                        Case{7, 4, 4}, Case{9, 4, 8}, Case{5, 8, 8}, Case{300, 32, 1200}}) {
    SCOPED_TRACE(testing::Message() << c.width << "x" << c.bits);
    EXPECT_EQ(StoredRowBytes(c.width, c.bits), c.stride);
    EXPECT_EQ(PixelStore(c.width, 3, c.bits, RowOrder::TopDown).RowStride(), c.stride);
  }
  PixelStore bottomUp(2, 3, 32, RowOrder::BottomUp);
  EXPECT_EQ(bottomUp.RowAddress(0), bottomUp.Bytes().data() + 2 * 8);
  PixelStore topDown(2, 3, 32, RowOrder::TopDown);
  EXPECT_EQ(topDown.RowAddress(0), topDown.Bytes().data());
}

TEST(PixelStore, RefusesSizesThatDoNotFit) {
  EXPECT_FALSE(StoredImageBytes(std::numeric_limits<std::int64_t>::max() / 2, 2, 32).has_value());
  EXPECT_FALSE(StoredRowBytes(-1, 24).has_value());
  EXPECT_THROW(PixelStore(1, 1, 2, RowOrder::TopDown), std::invalid_argument);
}

TEST(PixelStore, PixelColourReadsPackedIndicesThroughTheTable) {
  PixelStore store(9, 1, 4, RowOrder::BottomUp);
  store.ColourTable()[3] = RGBQuad{30, 20, 10, 0};
  // Byte 4 holds pixel 8 in its high nibble; its low nibble is filler.
  store.RowAddress(0)[4] = 0x03;
  EXPECT_EQ(store.PixelColour(8, 0), 0u);
  store.RowAddress(0)[4] = 0x30;
  EXPECT_EQ(store.PixelColour(8, 0), MakeColour(10, 20, 30));
}

TEST(Persistent, CannotAssignNamesBothClasses) {
  TPersistent a;
  TPersistent b;
  try {
    a.Assign(&b);
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "Cannot assign a TPersistent to a TPersistent");
    EXPECT_STREQ(e.ClassName(), "EConvertError");
  }
}

}  // namespace
}  // namespace nivarra
