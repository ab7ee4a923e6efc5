// The format module's own rules: the archive's byte layout as its encoder
// writes it (the container's is pinned by mksetup's documented example),
// and length-prefixed strings. The decoders are checked against the
// launcher's readers in container_reader_test.cpp.
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
  const struct {
    std::string stored;
    bool reads;
    std::string text;
    std::uint16_t length;
  } cases[] = {
      {std::string("\0\x03" "abc!", 6), true, "abc", 3},
      {std::string("\0\x05" "a\0bcd!", 8), true, "a", 5},
      {std::string("\0\0!", 3), true, "", 0},
      {std::string("\0\x05" "abcd", 6), false, "", 0},
      {std::string("\x01", 1), false, "", 0},
  };
  for (const auto& c : cases) {
    format::ByteCursor cursor(c.stored);
    std::string text = "unchanged";
    std::uint16_t length = 0;
    EXPECT_EQ(cursor.String16(&text, &length), c.reads) << c.stored;
    EXPECT_EQ(cursor.Position(), c.reads ? 2u + c.length : 0u);
    if (c.reads) {
      EXPECT_EQ(text, c.text);
      EXPECT_EQ(length, c.length);
    }
  }
}

}  // namespace
}  // namespace carafe
