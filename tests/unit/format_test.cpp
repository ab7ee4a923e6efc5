// The format module's own rules: the archive's layout as its encoder writes
// it (the container's is pinned by mksetup's documented example) and
// length-prefixed strings. Its decoders are held against the launcher's
// readers in container_reader_test.cpp.
#include <gtest/gtest.h>

#include "format/byte_order.h"
#include "format/java_archive_format.h"
#include "format/setup_container_format.h"

namespace carafe {
namespace {

TEST(Format, TheArchiveEncoderWritesTheDocumentedLayoutByteForByte) {
  std::string records, refused, archive = "CLASS";
  ASSERT_TRUE(format::EncodeResourceRecords({{"\x01", "j", "MZ"}, {"", "r", ""}}, &records, &refused));
  std::vector<std::uint64_t> offsets;
  ASSERT_TRUE(format::AppendArchiveSections(&archive, {{"S", 2, false, records}}, &refused, &offsets));
  const unsigned char expected[] = {
      'C', 'L', 'A', 'S', 'S',
      0, 1, 'S', 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 25, 0,  // name, ResourceCount, payload size, Compressed
      0, 0, 0, 1, 1, 0, 1, 'j', 0, 0, 0, 2, 'M', 'Z',     // block length 1, flag, name, size, data
      0, 0, 0, 0, 0, 1, 'r', 0, 0, 0, 0,                  // no block, name, no data
      0, 1, 0, 1, 'S', 0, 0, 0, 0, 0, 0, 0, 5,            // OffsetTable: count, name, offset
      0, 0, 0, 0, 0, 0, 0, 46,                            // the OffsetTable's offset
  };
  EXPECT_EQ(archive, std::string(reinterpret_cast<const char*>(expected), sizeof expected));
  EXPECT_EQ(offsets, std::vector<std::uint64_t>{5});
}

TEST(Format, EncodersRefuseWhatALengthPrefixCannotHold) {
  const std::string longest(65535, 'n'), tooLong(65536, 'n');
  std::string out, refused;
  EXPECT_TRUE(format::AppendString16(&out, longest));
  EXPECT_FALSE(format::AppendString16(&out, tooLong));
  EXPECT_EQ(out.size(), 2u + 65535u);  // nothing appended by the refusal
  EXPECT_FALSE(format::EncodeContainer({{1, "a", ""}, {2, tooLong, ""}}, &out, &refused));
  EXPECT_EQ(refused, tooLong);
  EXPECT_FALSE(format::EncodeResourceRecords({{"", tooLong, "x"}}, &out, &refused));
  EXPECT_FALSE(format::AppendArchiveSections(&out, {{tooLong, 0, false, ""}}, &refused));
}

TEST(Format, ALengthPrefixedStringEndsAtAZeroButMovesByItsStoredLength) {
  const std::string stored("\0\x05" "a\0bcd!" "\0\x02" "e", 11);
  format::ByteCursor cursor(stored);
  std::string text;
  std::uint16_t length = 0;
  ASSERT_TRUE(cursor.String16(&text, &length));
  EXPECT_EQ(text, "a");
  EXPECT_EQ(length, 5u);
  EXPECT_EQ(cursor.Position(), 7u);
  EXPECT_FALSE(cursor.Skip(1) && cursor.String16(&text));  // two bytes stored, one left
  EXPECT_EQ(cursor.Position(), 8u);  // a refused read moves nothing
}

}  // namespace
}  // namespace carafe
